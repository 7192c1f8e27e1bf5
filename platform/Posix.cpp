#include "platform/Posix.h"

#include <cerrno>
#include <cstdlib>

#ifdef _WIN32
#include <direct.h>
#include <io.h>
#include <windows.h>

#include <string>
#else
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace pagolux::platform {

#ifdef _WIN32

namespace {

std::wstring wide(const char* utf8)
{
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n > 0 ? n : 1), L'\0');
    if (n > 0)
        MultiByteToWideChar(CP_UTF8, 0, utf8, -1, out.data(), n);
    out.resize(out.size() - 1);
    return out;
}

} // namespace

int openFile(const char* name, int flags, int mode)
{
    return ::_wopen(wide(name).c_str(), flags | O_BINARY | O_NOINHERIT, mode);
}

std::int64_t readAt(int fd, void* buffer, std::int64_t count, std::int64_t offset)
{
    const auto handle = reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
    if (handle == INVALID_HANDLE_VALUE || count < 0 || offset < 0) {
        errno = EBADF;
        return -1;
    }
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD got = 0;
    const auto n = static_cast<DWORD>(count < 0x40000000 ? count : 0x40000000);
    if (!::ReadFile(handle, buffer, n, &got, &at)) {
        if (::GetLastError() == ERROR_HANDLE_EOF)
            return 0;
        errno = EIO;
        return -1;
    }
    return got;
}

const void* mapFile(int, std::int64_t)
{
    return nullptr;
}

void unmapFile(const void*, std::int64_t) {}

int syncFile(int fd)
{
    return ::_commit(fd);
}

void startWriteback(int, std::int64_t, std::int64_t) {}

std::int64_t copyFileRange(int, int, std::int64_t)
{
    errno = ENOSYS;
    return -1;
}

int makeFolder(const char* name, int)
{
    return ::_wmkdir(wide(name).c_str());
}

int linkStatus(const char* name, struct stat* st)
{
    return ::stat(name, st);
}

bool isLink(const struct stat&)
{
    return false;
}

int openOwnScratchFile(const char* name)
{
    return openFile(name, O_RDWR);
}

bool realPath(const char* name, std::string& out)
{
    wchar_t* full = ::_wfullpath(nullptr, wide(name).c_str(), 0);
    if (!full)
        return false;
    const int n = WideCharToMultiByte(CP_UTF8, 0, full, -1, nullptr, 0, nullptr, nullptr);
    out.assign(static_cast<std::size_t>(n > 0 ? n : 1), '\0');
    if (n > 0)
        WideCharToMultiByte(CP_UTF8, 0, full, -1, out.data(), n, nullptr, nullptr);
    out.resize(out.size() - 1);
    std::free(full);
    return true;
}

bool knownPlainFile(const struct dirent&)
{
    return false;
}

std::int64_t modifiedNs(const struct stat& st)
{
    return std::int64_t{st.st_mtime} * 1000000000;
}

std::int64_t changedNs(const struct stat& st)
{
    return std::int64_t{st.st_ctime} * 1000000000;
}

OpenFolder::~OpenFolder() = default;

int OpenFolder::open(const char* name)
{
    struct _stat64 st {};
    if (::_wstat64(wide(name).c_str(), &st) != 0)
        return -1;
    if ((st.st_mode & _S_IFDIR) == 0) {
        errno = ENOTDIR;
        return -1;
    }
    path_ = name;
    if (!path_.empty() && path_.back() != '\\' && path_.back() != '/')
        path_ += '\\';
    return 0;
}

int OpenFolder::openChild(const OpenFolder& parent, const char* name, int mode)
{
    const std::string path = parent.path_ + name;
    if (makeFolder(path.c_str(), mode) != 0 && errno != EEXIST)
        return -1;
    return open(path.c_str());
}

int OpenFolder::status(const char* name, struct stat* st) const
{
    return linkStatus((path_ + name).c_str(), st);
}

int OpenFolder::createFile(const char* name, int mode) const
{
    return openFile((path_ + name).c_str(), O_RDWR | O_CREAT | O_EXCL, mode);
}

int OpenFolder::rename(const char* from, const char* to) const
{
    if (MoveFileExW(wide((path_ + from).c_str()).c_str(), wide((path_ + to).c_str()).c_str(),
                    MOVEFILE_REPLACE_EXISTING) != 0)
        return 0;
    errno = EACCES;
    return -1;
}

int OpenFolder::remove(const char* name) const
{
    return ::_wunlink(wide((path_ + name).c_str()).c_str());
}

#else

int openFile(const char* name, int flags, int mode)
{
    return ::open(name, flags | O_CLOEXEC, mode);
}

std::int64_t readAt(int fd, void* buffer, std::int64_t count, std::int64_t offset)
{
    return ::pread(fd, buffer, static_cast<std::size_t>(count), static_cast<off_t>(offset));
}

const void* mapFile(int fd, std::int64_t size)
{
    if (size <= 0)
        return nullptr;
    void* p = ::mmap(nullptr, static_cast<std::size_t>(size), PROT_READ, MAP_SHARED, fd, 0);
    return p == MAP_FAILED ? nullptr : p;
}

void unmapFile(const void* address, std::int64_t size)
{
    if (address)
        ::munmap(const_cast<void*>(address), static_cast<std::size_t>(size));
}

int syncFile(int fd)
{
    return ::fsync(fd);
}

void startWriteback(int fd, std::int64_t offset, std::int64_t count)
{
    (void)::sync_file_range(fd, static_cast<off_t>(offset), static_cast<off_t>(count), SYNC_FILE_RANGE_WRITE);
}

std::int64_t copyFileRange(int in, int out, std::int64_t count)
{
    return ::copy_file_range(in, nullptr, out, nullptr, static_cast<std::size_t>(count), 0);
}

int makeFolder(const char* name, int mode)
{
    return ::mkdir(name, static_cast<mode_t>(mode));
}

int linkStatus(const char* name, struct stat* st)
{
    return ::lstat(name, st);
}

bool isLink(const struct stat& st)
{
    return S_ISLNK(st.st_mode);
}

int openOwnScratchFile(const char* name)
{
    const int fd = openFile(name, O_RDWR | O_NOFOLLOW);
    if (fd < 0)
        return -1;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid() || st.st_nlink != 1) {
        ::close(fd);
        errno = EPERM;
        return -1;
    }
    return fd;
}

bool realPath(const char* name, std::string& out)
{
    char* resolved = ::realpath(name, nullptr);
    if (!resolved)
        return false;
    out = resolved;
    std::free(resolved);
    return true;
}

bool knownPlainFile(const struct dirent& entry)
{
    return entry.d_type == DT_REG;
}

std::int64_t modifiedNs(const struct stat& st)
{
    return std::int64_t{st.st_mtim.tv_sec} * 1000000000 + st.st_mtim.tv_nsec;
}

std::int64_t changedNs(const struct stat& st)
{
    return std::int64_t{st.st_ctim.tv_sec} * 1000000000 + st.st_ctim.tv_nsec;
}

OpenFolder::~OpenFolder()
{
    if (fd_ >= 0)
        ::close(fd_);
}

int OpenFolder::open(const char* name)
{
    const int fd = openFile(name, O_RDONLY | O_DIRECTORY);
    if (fd < 0)
        return -1;
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = fd;
    return 0;
}

int OpenFolder::openChild(const OpenFolder& parent, const char* name, int mode)
{
    if (::mkdirat(parent.fd_, name, static_cast<mode_t>(mode)) != 0 && errno != EEXIST)
        return -1;
    // O_NOFOLLOW refuses a link at the name itself; O_DIRECTORY refuses anything not a folder.
    const int fd = ::openat(parent.fd_, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        struct stat st {};
        if (errno == ENOTDIR && parent.status(name, &st) == 0 && S_ISLNK(st.st_mode))
            errno = ELOOP;
        return -1;
    }
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = fd;
    return 0;
}

int OpenFolder::status(const char* name, struct stat* st) const
{
    return ::fstatat(fd_, name, st, AT_SYMLINK_NOFOLLOW);
}

int OpenFolder::createFile(const char* name, int mode) const
{
    return ::openat(fd_, name, O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, static_cast<mode_t>(mode));
}

int OpenFolder::rename(const char* from, const char* to) const
{
    return ::renameat(fd_, from, fd_, to);
}

int OpenFolder::remove(const char* name) const
{
    return ::unlinkat(fd_, name, 0);
}

#endif

int openRegularFile(const char* name, std::int64_t& size)
{
#ifdef O_NONBLOCK
    // Regular files ignore O_NONBLOCK; it only keeps the open of a FIFO from waiting for a writer.
    const int fd = openFile(name, O_RDONLY | O_NONBLOCK);
#else
    const int fd = openFile(name, O_RDONLY);
#endif
    if (fd < 0)
        return -1;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        errno = EINVAL;
        return -1;
    }
    size = static_cast<std::int64_t>(st.st_size);
    return fd;
}

} // namespace pagolux::platform
