#include "platform/AtomicFile.h"

#include "platform/FileNameUtils.h"

#include <atomic>
#include <cerrno>
#include <chrono>
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

mode_t umaskValue()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

mode_t finishedMode(const std::string& target, const AtomicFileRules& rules)
{
    struct stat st {};
    if (rules.keepTargetMode && ::stat(target.c_str(), &st) == 0)
        return st.st_mode & 07777;
    return static_cast<mode_t>(rules.mode) & 07777 & ~umaskValue();
}

std::string folderOf(const std::string& path)
{
    std::string folder = ExtractFilePath(path);
    return folder.empty() ? "./" : folder;
}

} // namespace

namespace {

bool mayFollowLink(const std::string& path, const struct stat& link)
{
    // The kernel's rule for links in sticky, world-writable folders (protected_symlinks): such a
    // link is followed only when it belongs to the follower or to the folder's owner, so that
    // another user cannot point a name in /tmp at a file of ours.
    struct stat dir {};
    if (::stat(folderOf(path).c_str(), &dir) != 0)
        return false;
    if ((dir.st_mode & S_ISVTX) == 0 || (dir.st_mode & S_IWOTH) == 0)
        return true;
    return link.st_uid == ::geteuid() || link.st_uid == dir.st_uid;
}

} // namespace

std::string resolveTarget(const std::string& path)
{
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode) && mayFollowLink(path, st)) {
        if (char* real = ::realpath(path.c_str(), nullptr)) {
            std::string result(real);
            std::free(real);
            return result;
        }
    }
    return path;
}

AtomicFile::AtomicFile(const std::string& target, AtomicFileRules rules)
    : target_(rules.followLink ? resolveTarget(target) : target), rules_(rules)
{
    std::string pattern = folderOf(target_) + "." + ExtractFileName(target_) + ".XXXXXX";
    fd_ = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd_ < 0) {
        const int error = errno;
        throw AtomicWriteError(AtomicWriteError::Stage::Create, error,
                               describe("cannot create a temporary file for", target_, error));
    }
    name_ = std::move(pattern);
}

AtomicFile::~AtomicFile()
{
    discard();
}

void AtomicFile::discard()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    if (!name_.empty())
        ::unlink(name_.c_str());
    name_.clear();
}

void AtomicFile::write(std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const int error = n < 0 ? errno : EIO;
            throw AtomicWriteError(AtomicWriteError::Stage::Write, error,
                                   describe("cannot write", target_, error));
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
}

void AtomicFile::commit()
{
    const auto fail = [this](AtomicWriteError::Stage stage, const char* action) {
        const int error = errno;
        throw AtomicWriteError(stage, error, describe(action, target_, error));
    };
    if (::fchmod(fd_, finishedMode(target_, rules_)) != 0)
        fail(AtomicWriteError::Stage::Write, "cannot set the mode of");
    if (rules_.durable && ::fsync(fd_) != 0)
        fail(AtomicWriteError::Stage::Write, "cannot flush");
    const int closed = ::close(fd_);
    fd_ = -1;
    if (closed != 0)
        fail(AtomicWriteError::Stage::Write, "cannot close");
    if (::rename(name_.c_str(), target_.c_str()) != 0)
        fail(AtomicWriteError::Stage::Rename, "cannot replace");
    name_.clear();
    if (!rules_.durable)
        return;
    // Make the rename itself durable; a failure here no longer endangers either file.
    const int dirFd = ::open(folderOf(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        (void)::fsync(dirFd);
        ::close(dirFd);
    }
}

void writeFileAtomically(const std::string& path, std::string_view bytes)
{
    AtomicFile file(path);
    file.write(bytes);
    file.commit();
}

std::string createUniqueFile(const std::string& folder, const std::string& prefix, unsigned mode)
{
    static std::atomic<unsigned> counter{0};
    const auto seed = static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count());
    static const char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    int error = EEXIST;
    for (int attempt = 0; attempt < 100 && error == EEXIST; ++attempt) {
        unsigned v = seed * 2654435761u + (counter++) * 40503u + static_cast<unsigned>(::getpid()) * 97u;
        std::string suffix;
        for (int i = 0; i < 6; ++i) {
            suffix += digits[v % 36];
            v /= 36;
        }
        const std::string name = folder + prefix + suffix + ".tmp";
        const int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0) {
            ::close(fd);
            return name;
        }
        error = errno;
    }
    throw AtomicWriteError(AtomicWriteError::Stage::Create, error,
                           describe("cannot create a file", folder + prefix + "*", error));
}

void ScratchFile::remove()
{
    if (!name_.empty())
        ::unlink(name_.c_str());
    name_.clear();
}

std::string createNumberedFile(const std::string& folder, const std::string& prefix,
                               const std::string& suffix, int& fd)
{
    int error = EEXIST;
    // Names taken by files left behind (a killed run, another user's file) are passed over.
    for (unsigned n = 0; n < 100000 && error == EEXIST; ++n) {
        std::string name = folder + prefix + std::to_string(n) + suffix;
        fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0)
            return name;
        error = errno;
        if (error == EINTR)
            error = EEXIST;
    }
    throw AtomicWriteError(AtomicWriteError::Stage::Create, error,
                           describe("cannot create a file", folder + prefix + "*" + suffix, error));
}

} // namespace pagolux
