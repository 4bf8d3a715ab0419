#include "study/StudyProgress.h"

#include "core/ProgressBar.h"

namespace modules {

StudyProgress::StudyProgress(std::size_t total, std::size_t alreadyDone, bool show, std::FILE* err)
    : total(total)
    , done(alreadyDone)
    , show(show)
    , err(err)
    , start(std::chrono::steady_clock::now())
    , lastDraw(start)
{
}

void StudyProgress::started()
{
    ++running;
    draw(true);
}

void StudyProgress::finished()
{
    if (running > 0)
        --running;
    ++done;
    ++doneHere;
    draw(true);
}

void StudyProgress::message(const std::string& line)
{
    clear();
    std::fprintf(err, "%s\n", line.c_str());
    std::fflush(err);
    draw(true);
}

void StudyProgress::tick()
{
    draw(false);
}

void StudyProgress::clear()
{
    if (!shown)
        return;
    std::fputs("\r\033[K", err);
    std::fflush(err);
    shown = false;
}

void StudyProgress::draw(bool force)
{
    if (!show)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (!force && shown && now - lastDraw < std::chrono::milliseconds(500))
        return;
    lastDraw = now;

    const std::size_t left = total - done - running;
    const double fraction = total ? static_cast<double>(done) / static_cast<double>(total) : 1.0;

    // The runs still to finish, at the pace of those finished in this session.
    char remaining[32] = "?";
    const double elapsed = std::chrono::duration<double>(now - start).count();
    if (doneHere > 0) {
        const long long seconds =
            static_cast<long long>(elapsed / static_cast<double>(doneHere) * static_cast<double>(running + left) + 0.5);
        std::snprintf(remaining, sizeof remaining, "%lld:%02lld:%02lld", seconds / 3600, seconds / 60 % 60,
                      seconds % 60);
    }
    std::fprintf(err, "\r%s %zu done, %zu running, %zu left, time left %s\033[K", progressBar(fraction).c_str(), done,
                 running, left, remaining);
    std::fflush(err);
    shown = true;
}

} // namespace modules
