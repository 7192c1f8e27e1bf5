#pragma once
// Saving a file that belongs to the user (project files, the favourite-folder list) so that
// the file stays the user's file: its permission bits, owner, group and hard links survive,
// and a file the user write-protected is not replaced behind their back.
//
// - An existing file without write permission for this process is refused (Stage::Create,
//   EACCES). The permission bits decide, for root as well: root may write anything, but a
//   program must not overwrite what its user marked read-only.
// - Normally the new bytes go through a sibling temporary file that is flushed and renamed
//   over the old one (AtomicFile), so a failure leaves the old file byte-identical.
// - When a rename would change what the file is, the file is written in place instead: it has
//   more than one hard link, another owner or a group the temporary file cannot take, or its
//   folder takes no new file (read-only folder, writable file). The old bytes are read into
//   memory first; the new bytes are written, the file cut to their length and flushed. If that
//   fails the old bytes are written back and flushed; only if that fails too is the file left
//   damaged, and the old bytes are then kept in a file in the temporary folder, named in the
//   error.

#include "platform/AtomicFile.h"

#include <string>
#include <string_view>

namespace pagolux {

class UserFileError : public AtomicWriteError {
  public:
    UserFileError(Stage stage, int error, const std::string& what, bool oldFileIntact = true,
                  std::string backupName = {})
        : AtomicWriteError(stage, error, what), oldFileIntact_(oldFileIntact),
          backupName_(std::move(backupName))
    {
    }
    // False only when an in-place write failed and the old bytes could not be put back.
    [[nodiscard]] bool oldFileIntact() const { return oldFileIntact_; }
    // Where the old bytes were kept then; empty when not even that copy could be written.
    [[nodiscard]] const std::string& backupName() const { return backupName_; }

  private:
    bool oldFileIntact_;
    std::string backupName_;
};

// How saveUserFile put the bytes in place.
enum class UserFileSave { Created, Replaced, InPlace };

// Writes bytes to path by the rules above; a symbolic link is followed and stays. Throws
// UserFileError.
UserFileSave saveUserFile(const std::string& path, std::string_view bytes);

// The German sentence for a failed write by its errno value (full disk, size limit, I/O
// error, read-only medium, no permission), or nullptr for any other value.
[[nodiscard]] const char* WriteErrorText(int error);

// True when an existing file is write-protected for this process by its permission bits (see
// above); false for a missing file.
[[nodiscard]] bool isWriteProtected(const std::string& path);

} // namespace pagolux
