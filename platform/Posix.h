#pragma once
// The POSIX file calls the archive layer makes, the same on every system it is built for.
// On Linux they are the plain calls. In the Windows viewer's build (mingw-w64) files open in
// binary mode and are not inherited by child processes, names are UTF-8 and opened through the
// wide-character calls, syncing is _commit, and a symbolic link is never reported (lstat is
// stat). Every other source stays free of system conditionals.

#include <cstdint>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <sys/types.h>

namespace pagolux::platform {

// Opens name (UTF-8) like ::open with flags; O_CLOEXEC and, where it exists, O_BINARY are added.
[[nodiscard]] int openFile(const char* name, int flags, int mode = 0666);
// Reads up to count bytes at offset without using or moving the descriptor's position, so
// several threads may read one descriptor at once; as pread (the Windows build reads through
// the file's handle with an offset).
[[nodiscard]] std::int64_t readAt(int fd, void* buffer, std::int64_t count, std::int64_t offset);
// Maps the first size bytes of the open file read-only into memory, or returns nullptr where
// that is not possible (the Windows build never maps). Released with unmapFile.
[[nodiscard]] const void* mapFile(int fd, std::int64_t size);
void unmapFile(const void* address, std::int64_t size);
// Opens name for reading only if it is a regular file, without waiting on a FIFO or device,
// and tells its size from the one status call; -1 with errno (EINVAL: not a regular file).
[[nodiscard]] int openRegularFile(const char* name, std::int64_t& size);
// Opens for reading and writing a file this process has just created exclusively in a shared
// folder, refusing it (-1, errno EPERM) unless it is still that file: a regular file, not a
// symbolic link, owned by this user, with one name. The Windows build opens it plainly.
[[nodiscard]] int openOwnScratchFile(const char* name);
// Writes the file's data through to the disk; 0 on success, as fsync.
int syncFile(int fd);
// Starts writing count bytes of the file from offset to the disk without waiting for them
// (Linux's sync_file_range), so that a later syncFile waits only for what came after; does
// nothing where the system has no such call.
void startWriteback(int fd, std::int64_t offset, std::int64_t count);
// Copies up to count bytes from in's position to out's position inside the system, moving both
// positions (Linux's copy_file_range); returns how many were copied (0 at in's end), or -1 with
// errno (ENOSYS where the system cannot copy between these files).
[[nodiscard]] std::int64_t copyFileRange(int in, int out, std::int64_t count);
// Creates a folder; 0 on success, else -1 with errno (EEXIST when it exists), as mkdir.
int makeFolder(const char* name, int mode);
// The absolute path of name with every symbolic link resolved (as realpath); false when it
// cannot be resolved (a dangling link, a missing file). The Windows build, which reports no
// links, gives the full path.
[[nodiscard]] bool realPath(const char* name, std::string& out);
// As lstat: the entry itself, not what a symbolic link points to.
int linkStatus(const char* name, struct stat* st);
// True when st (from linkStatus) is a symbolic link; never in the Windows build.
[[nodiscard]] bool isLink(const struct stat& st);
// True when a folder entry is known to be a plain file without a stat (Linux's d_type);
// false means "look it up".
[[nodiscard]] bool knownPlainFile(const struct dirent& entry);
// The modification and status-change times of st in nanoseconds since 1970.
[[nodiscard]] std::int64_t modifiedNs(const struct stat& st);
[[nodiscard]] std::int64_t changedNs(const struct stat& st);

// A folder held open, so that the names below it are looked up from it once and not again
// through its path: a folder swapped for a symbolic link after it was opened cannot lead the
// later calls elsewhere (openat and its relatives). The Windows build, which reports no links,
// keeps the path and joins the names to it. Every call returns -1 with errno on failure.
class OpenFolder {
  public:
    OpenFolder() = default;
    OpenFolder(const OpenFolder&) = delete;
    OpenFolder& operator=(const OpenFolder&) = delete;
    ~OpenFolder();

    // Opens the folder name; the path may pass through links (the caller named it).
    int open(const char* name);
    // Opens the folder name directly inside parent (which may be this folder itself), making it
    // first when it is missing. A symbolic link at the name is refused, never followed (ELOOP),
    // as is a file (ENOTDIR).
    int openChild(const OpenFolder& parent, const char* name, int mode);
    // As lstat of a name directly inside the folder.
    int status(const char* name, struct stat* st) const;
    // Creates a new file in the folder for reading and writing and returns its descriptor;
    // never over an existing name nor through a link there (EEXIST).
    [[nodiscard]] int createFile(const char* name, int mode) const;
    // Renames from to to, both directly inside the folder; a file or link at to is replaced.
    int rename(const char* from, const char* to) const;
    // Removes the file name directly inside the folder.
    int remove(const char* name) const;

  private:
    int fd_ = -1;
    std::string path_;
};

} // namespace pagolux::platform
