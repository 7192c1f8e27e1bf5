#include "archive/platform/AtomicFile.h"

#include "archive/platform/FileNameUtils.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace pagolux {

namespace {

std::string describe(const char* action, const std::string& path, int error)
{
    return std::string(action) + " " + path + ": " + std::strerror(error);
}

// The path that really gets replaced: a symbolic link is resolved so that it survives.
std::string resolveTarget(const std::string& path)
{
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        if (char* real = ::realpath(path.c_str(), nullptr)) {
            std::string result(real);
            std::free(real);
            return result;
        }
    }
    return path;
}

mode_t newFileMode(const std::string& target)
{
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0)
        return st.st_mode & 07777;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

class TempFile {
  public:
    explicit TempFile(const std::string& target)
    {
        std::string folder = ExtractFilePath(target);
        if (folder.empty())
            folder = "./";
        std::string pattern = folder + "." + ExtractFileName(target) + ".XXXXXX";
        name_.assign(pattern.begin(), pattern.end());
        name_.push_back('\0');
        fd_ = ::mkstemp(name_.data());
        if (fd_ < 0) {
            const int error = errno;
            name_.clear();
            throw AtomicWriteError(AtomicWriteError::Stage::Create, error,
                                   describe("cannot create a temporary file for", target, error));
        }
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    ~TempFile()
    {
        if (fd_ >= 0)
            ::close(fd_);
        if (!name_.empty())
            ::unlink(name_.data());
    }

    [[nodiscard]] int fd() const { return fd_; }
    [[nodiscard]] const char* name() const { return name_.data(); }
    // Closes the descriptor; returns the errno of a failed close, else 0.
    int close()
    {
        const int result = ::close(fd_);
        fd_ = -1;
        return result == 0 ? 0 : errno;
    }
    // After a successful rename there is nothing left to remove.
    void release() { name_.clear(); }

  private:
    std::vector<char> name_;
    int fd_ = -1;
};

void writeAll(int fd, std::string_view bytes, const std::string& target)
{
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const int error = errno;
            throw AtomicWriteError(AtomicWriteError::Stage::Write, error,
                                   describe("cannot write", target, error));
        }
        if (n == 0) {
            throw AtomicWriteError(AtomicWriteError::Stage::Write, EIO,
                                   describe("cannot write", target, EIO));
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
}

} // namespace

void writeFileAtomically(const std::string& path, std::string_view bytes)
{
    const std::string target = resolveTarget(path);
    TempFile temp(target);
    writeAll(temp.fd(), bytes, target);
    if (::fchmod(temp.fd(), newFileMode(target)) != 0) {
        const int error = errno;
        throw AtomicWriteError(AtomicWriteError::Stage::Write, error,
                               describe("cannot set the mode of", target, error));
    }
    if (::fsync(temp.fd()) != 0) {
        const int error = errno;
        throw AtomicWriteError(AtomicWriteError::Stage::Write, error,
                               describe("cannot flush", target, error));
    }
    if (const int error = temp.close(); error != 0)
        throw AtomicWriteError(AtomicWriteError::Stage::Write, error,
                               describe("cannot close", target, error));
    if (::rename(temp.name(), target.c_str()) != 0) {
        const int error = errno;
        throw AtomicWriteError(AtomicWriteError::Stage::Rename, error,
                               describe("cannot replace", target, error));
    }
    temp.release();
    // Make the rename itself durable; a failure here no longer endangers either file.
    std::string folder = ExtractFilePath(target);
    if (folder.empty())
        folder = ".";
    const int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        (void)::fsync(dirFd);
        ::close(dirFd);
    }
}

} // namespace pagolux
