#include "media/MediaFile.h"

namespace modules {

std::string readMediaFile(irr::io::IFileSystem* fileSystem, const char* name, bool& found,
                          std::vector<unsigned char>& bytes)
{
    irr::io::IReadFile* file = fileSystem->createAndOpenFile(name);
    found = file != nullptr;
    if (!file)
        return "cannot open the file";
    const long length = file->getSize();
    bytes.assign(length > 0 ? static_cast<std::size_t>(length) : 0, 0);
    const irr::s32 read = bytes.empty() ? 0 : file->read(bytes.data(), static_cast<irr::u32>(bytes.size()));
    file->drop();
    if (read < 0 || static_cast<std::size_t>(read) != bytes.size())
        return "cannot read the file";
    return std::string();
}

} // namespace modules
