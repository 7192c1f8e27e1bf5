#pragma once
// Writing a whole file so that a failure never damages what was there before: the bytes go
// to a temporary file in the target's folder, are flushed to the disk and then renamed over
// the target. If anything fails, the temporary file is removed and the old file (if any)
// stays byte-identical.

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

// Replaces (or creates) the file at path with bytes. A path that is a symbolic link is
// followed, so the link stays and its target gets the new content. An existing file keeps
// its permission bits; a new one gets 0666 less the umask. Throws AtomicWriteError.
void writeFileAtomically(const std::string& path, std::string_view bytes);

} // namespace pagolux
