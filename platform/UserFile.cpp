#include "platform/UserFile.h"

#include "platform/Paths.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace pagolux {

namespace {

std::string describe(const char* action, const std::string& path, int error)
{
    return std::string(action) + " " + path + ": " + std::strerror(error);
}

bool protectedByBits(const std::string& path, const struct stat& st)
{
    if (::geteuid() == 0) {
        // Root passes every permission check; the bits still say what the user meant.
        return st.st_uid == 0 ? (st.st_mode & S_IWUSR) == 0 : (st.st_mode & 0222) == 0;
    }
    return ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0;
}

bool writeAllAt(int fd, std::string_view bytes)
{
    off_t offset = 0;
    while (!bytes.empty()) {
        const ssize_t n = ::pwrite(fd, bytes.data(), bytes.size(), offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
        offset += n;
    }
    return true;
}

std::optional<std::string> readAll(int fd)
{
    std::string bytes;
    char buffer[65536];
    off_t offset = 0;
    for (;;) {
        const ssize_t n = ::pread(fd, buffer, sizeof buffer, offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return std::nullopt;
        if (n == 0)
            return bytes;
        bytes.append(buffer, static_cast<std::size_t>(n));
        offset += n;
    }
}

bool replaceContents(int fd, std::string_view bytes)
{
    return writeAllAt(fd, bytes) && ::ftruncate(fd, static_cast<off_t>(bytes.size())) == 0 &&
           ::fsync(fd) == 0;
}

// The old bytes in a private file of the temporary folder; its name, or "" when that failed.
std::string keepBackup(std::string_view old)
{
    try {
        const std::string name = createUniqueFile(TempFolder(), "pagolux-backup-", 0600);
        const int fd = ::open(name.c_str(), O_WRONLY | O_CLOEXEC);
        const bool ok = fd >= 0 && replaceContents(fd, old);
        if (fd >= 0)
            ::close(fd);
        if (ok)
            return name;
        ::unlink(name.c_str());
    } catch (const AtomicWriteError&) {
    }
    return {};
}

UserFileSave writeInPlace(const std::string& target, std::string_view bytes)
{
    const int fd = ::open(target.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        throw UserFileError(AtomicWriteError::Stage::Create, error, describe("cannot open", target, error));
    }
    const std::optional<std::string> old = readAll(fd);
    if (!old) {
        const int error = errno;
        ::close(fd);
        throw UserFileError(AtomicWriteError::Stage::Write, error,
                            describe("cannot read the old contents of", target, error));
    }
    if (!replaceContents(fd, bytes)) {
        const int error = errno;
        const bool restored = replaceContents(fd, *old);
        ::close(fd);
        std::string backup = restored ? std::string() : keepBackup(*old);
        throw UserFileError(AtomicWriteError::Stage::Write, error, describe("cannot write", target, error),
                            restored, std::move(backup));
    }
    // The data is on the disk already; a late error of close() changes nothing about it.
    ::close(fd);
    return UserFileSave::InPlace;
}

} // namespace

const char* WriteErrorText(int error)
{
    switch (error) {
    case ENOSPC:
    case EDQUOT:
        return "Auf dem Datenträger ist kein Platz mehr frei.";
    case EFBIG:
        return "Die Datei würde größer, als das System für eine Datei erlaubt.";
    case EIO:
        return "Der Datenträger meldet einen Ein-/Ausgabefehler.";
    case EROFS:
        return "Der Datenträger ist schreibgeschützt.";
    case EACCES:
    case EPERM:
        return "Der Zugriff wurde verweigert.";
    default:
        return nullptr;
    }
}

bool isWriteProtected(const std::string& path)
{
    const std::string target = resolveTarget(path);
    struct stat st {};
    return ::stat(target.c_str(), &st) == 0 && protectedByBits(target, st);
}

UserFileSave saveUserFile(const std::string& path, std::string_view bytes)
{
    // The resolved target is no link unless a link must not be followed (see resolveTarget):
    // such a link is looked at itself, never written through.
    const std::string target = resolveTarget(path);
    struct stat st {};
    const bool exists = ::lstat(target.c_str(), &st) == 0;
    const bool regular = exists && S_ISREG(st.st_mode);
    if (regular) {
        if (protectedByBits(target, st))
            throw UserFileError(AtomicWriteError::Stage::Create, EACCES,
                                describe("write-protected:", target, EACCES));
        // A rename would cut the other links off and give the file this process's owner.
        if (st.st_nlink > 1 || st.st_uid != ::geteuid())
            return writeInPlace(target, bytes);
    }
    std::optional<AtomicFile> file;
    try {
        file.emplace(target, AtomicFileRules{});
    } catch (const AtomicWriteError& e) {
        // The folder takes no new file; an existing file can still be written where it is.
        if (regular)
            return writeInPlace(target, bytes);
        throw UserFileError(e.stage(), e.error(), e.what());
    }
    if (regular) {
        struct stat fresh {};
        if (::fstat(file->fd(), &fresh) == 0 && fresh.st_gid != st.st_gid &&
            ::fchown(file->fd(), static_cast<uid_t>(-1), st.st_gid) != 0) {
            file->discard();
            return writeInPlace(target, bytes);
        }
    }
    try {
        file->write(bytes);
        file->commit();
    } catch (const AtomicWriteError& e) {
        throw UserFileError(e.stage(), e.error(), e.what());
    }
    return exists ? UserFileSave::Replaced : UserFileSave::Created;
}

} // namespace pagolux
