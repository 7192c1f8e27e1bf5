#pragma once
// Replacing a file so that a failure never damages what was there before: the new bytes go
// to a temporary file in the target's folder, are flushed to the disk and then renamed over
// the target. If anything fails, the temporary file is removed and the old file (if any)
// stays byte-identical. Also the unique scratch files of the temporary folder.

#include <stdexcept>
#include <string>
#include <string_view>

namespace pagolux {

class AtomicWriteError : public std::runtime_error {
  public:
    enum class Stage {
        Create, // the temporary file could not be made (folder missing, not writable, ...)
        Write,  // writing, flushing or closing failed (disk full, I/O error, size limit)
        Rename  // the finished file could not replace the target
    };
    AtomicWriteError(Stage stage, int error, const std::string& what)
        : std::runtime_error(what), stage_(stage), error_(error)
    {
    }
    [[nodiscard]] Stage stage() const { return stage_; }
    // The errno value of the failed call.
    [[nodiscard]] int error() const { return error_; }

  private:
    Stage stage_;
    int error_;
};

// The path that really gets replaced when path is saved: a symbolic link is resolved, so
// that the link survives and the file it names is written. A link in a sticky, world-writable
// folder (such as /tmp) is resolved only when it belongs to this user or to the folder's owner,
// as the kernel's own link protection does; otherwise the link itself is the target.
[[nodiscard]] std::string resolveTarget(const std::string& path);

struct AtomicFileRules {
    // Permission bits of the finished file (the umask applies) when the target does not exist
    // yet, or always when keepTargetMode is false.
    unsigned mode = 0666;
    // An existing target's permission bits stay.
    bool keepTargetMode = true;
    // A target that is a symbolic link is resolved, so that the link stays and the file it
    // points to is replaced; otherwise the link itself is replaced.
    bool followLink = true;
    // The data and the rename are flushed to the disk; scratch copies that nobody needs after
    // a crash skip that.
    bool durable = true;
};

// An empty temporary file ".<name>.XXXXXX" beside the target, created when the object is.
// Write through write() or through fd() / name() (a stream may open the name, but must be
// closed before commit()); commit() puts it in the target's place, and the destructor removes
// it when that did not happen.
class AtomicFile {
  public:
    // Throws AtomicWriteError (Create).
    explicit AtomicFile(const std::string& target, AtomicFileRules rules = {});
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;
    ~AtomicFile();

    // The path that commit() replaces (the link's target when one is followed).
    [[nodiscard]] const std::string& target() const { return target_; }
    // The temporary file's name; empty after commit() or discard().
    [[nodiscard]] const std::string& name() const { return name_; }
    // Open until commit() or discard().
    [[nodiscard]] int fd() const { return fd_; }

    // Appends bytes at the descriptor's position. Throws AtomicWriteError (Write).
    void write(std::string_view bytes);
    // Sets the mode, flushes (when durable), closes and renames over the target, then flushes the folder.
    // Throws AtomicWriteError (Write or Rename); the temporary file is then still there and
    // goes with the object.
    void commit();
    // Closes and removes the temporary file now.
    void discard();

  private:
    std::string target_;
    std::string name_;
    AtomicFileRules rules_;
    int fd_ = -1;
};

// Replaces (or creates) the file at path with bytes under the default rules: a symbolic link
// is followed, an existing file keeps its permission bits, a new one gets 0666 less the
// umask. Throws AtomicWriteError.
void writeFileAtomically(const std::string& path, std::string_view bytes);

// Creates a new empty file folder + prefix + six random characters + ".tmp" with the given
// permission bits (the umask applies) and returns its name. Throws AtomicWriteError (Create).
std::string createUniqueFile(const std::string& folder, const std::string& prefix, unsigned mode);

// Removes a file when it goes out of scope, unless released.
class ScratchFile {
  public:
    explicit ScratchFile(std::string name = {}) : name_(std::move(name)) {}
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;
    ~ScratchFile() { remove(); }
    [[nodiscard]] const std::string& name() const { return name_; }
    void remove();
    void release() { name_.clear(); }

  private:
    std::string name_;
};

// Creates folder + prefix + n + suffix for the smallest n >= 0 that is free, exclusively: never
// through a symbolic link or over an existing file, readable and writable only by its owner.
// Returns its name; fd receives the open descriptor (read and write), which the caller uses
// instead of opening the name again. Throws AtomicWriteError (Create).
std::string createNumberedFile(const std::string& folder, const std::string& prefix,
                               const std::string& suffix, int& fd);

} // namespace pagolux
