#pragma once

#include <string>
#include <vector>

namespace modules {

// Where a clip goes. While it is recorded it is FILE.part, a file made new for it (never one
// or a link that was there already); only a whole clip is moved to FILE.
struct ClipTarget {
    std::string path;
    // A name of the program's own choosing: when it or its temporary is taken, the next free
    // one of NAME-2.mp4, NAME-3.mp4 ... is used, and no file is ever replaced. Otherwise
    // (--record FILE) a regular file FILE is replaced by the finished clip.
    bool numbered = false;
    // Files the run reads or writes (the loaded population, saved ones, the media): a clip
    // never takes their place.
    std::vector<std::string> filesInUse;
};

// The temporary name of the clip `path`.
std::string clipTemporaryPath(const std::string& path);

// The `number`th name tried for a numbered clip: `path` itself for 1, else "-NUMBER" added
// before its extension.
std::string numberedClipPath(const std::string& path, int number);

// Why a clip may not be moved to `path` (no file name, no "Error: "), empty when it may: a
// folder or another non-regular file there, a missing folder, one of `filesInUse`.
std::string clipTargetProblem(const std::string& path, const std::vector<std::string>& filesInUse);

// Checks the target and creates its temporary as a new file, open for writing; `path` is
// then the clip's absolute final path (a numbered target's free name). -1 with the reason
// (no "Error: ") when no clip may be recorded there.
int createClipFile(const ClipTarget& target, std::string& path, std::string& reason);

// Moves the whole clip from its temporary to `path`: over a regular file only when
// `replace`, never over anything in `filesInUse`. False with the reason; the temporary
// then stays.
bool moveClipIntoPlace(const std::string& path, bool replace, const std::vector<std::string>& filesInUse,
                       std::string& reason);

} // namespace modules
