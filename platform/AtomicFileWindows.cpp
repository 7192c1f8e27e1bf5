// AtomicFile.h for Windows (the Windows viewer's build): a sibling temporary file, then
// MoveFileExW over the target. The viewer itself writes no files; the archive layer links this.

#include "platform/AtomicFile.h"

#include "platform/Posix.h"

#include <windows.h>

#include <cerrno>
#include <io.h>

#include <string>

namespace pagolux {
namespace {

std::wstring wide(const std::string& utf8)
{
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n > 0 ? n : 1), L'\0');
    if (n > 0)
        MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, out.data(), n);
    out.resize(out.size() - 1);
    return out;
}

std::string folderOf(const std::string& path)
{
    const auto slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

} // namespace

std::string createUniqueFile(const std::string& folder, const std::string& prefix, unsigned mode)
{
    static unsigned counter = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const unsigned v = GetTickCount() * 2654435761u + (counter++) * 40503u + GetCurrentProcessId() * 97u;
        const std::string name = folder + prefix + std::to_string(v % 1000000u) + ".tmp";
        const int fd = platform::openFile(name.c_str(), O_RDWR | O_CREAT | O_EXCL, static_cast<int>(mode));
        if (fd >= 0) {
            ::_close(fd);
            return name;
        }
        if (errno != EEXIST)
            break;
    }
    throw AtomicWriteError(AtomicWriteError::Stage::Create, errno, folder + prefix + "*");
}

AtomicFile::AtomicFile(const std::string& target, AtomicFileRules rules) : target_(target), rules_(rules)
{
    name_ = createUniqueFile(folderOf(target), ".pagolux-", rules.mode);
    fd_ = platform::openFile(name_.c_str(), O_RDWR | O_TRUNC, static_cast<int>(rules.mode));
    if (fd_ < 0)
        throw AtomicWriteError(AtomicWriteError::Stage::Create, errno, name_);
}

AtomicFile::~AtomicFile()
{
    discard();
}

void AtomicFile::write(std::string_view bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const int n = ::_write(fd_, bytes.data() + done, static_cast<unsigned>(bytes.size() - done));
        if (n <= 0)
            throw AtomicWriteError(AtomicWriteError::Stage::Write, errno, name_);
        done += static_cast<std::size_t>(n);
    }
}

void AtomicFile::commit()
{
    if (rules_.durable && platform::syncFile(fd_) != 0)
        throw AtomicWriteError(AtomicWriteError::Stage::Write, errno, name_);
    if (::_close(fd_) != 0) {
        fd_ = -1;
        throw AtomicWriteError(AtomicWriteError::Stage::Write, errno, name_);
    }
    fd_ = -1;
    if (!MoveFileExW(wide(name_).c_str(), wide(target_).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        throw AtomicWriteError(AtomicWriteError::Stage::Rename, static_cast<int>(GetLastError()), target_);
    name_.clear();
}

void AtomicFile::discard()
{
    if (fd_ >= 0)
        ::_close(fd_);
    fd_ = -1;
    if (!name_.empty())
        DeleteFileW(wide(name_).c_str());
    name_.clear();
}

void writeFileAtomically(const std::string& path, std::string_view bytes)
{
    AtomicFile file(path);
    file.write(bytes);
    file.commit();
}

void ScratchFile::remove()
{
    if (!name_.empty())
        DeleteFileW(wide(name_).c_str());
    name_.clear();
}

} // namespace pagolux
