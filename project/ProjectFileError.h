#pragma once
// The errors of reading and writing project files and the favourite-folder list. what() is
// the German text shown to the user.

#include "platform/Exception.h"

#include <string>

namespace pagolux {

class ProjectFileError : public Exception {
  public:
    enum class Kind {
        CannotOpen,   // the file could not be opened for reading
        NotAProject,  // the first 12 bytes are not the project magic
        Damaged,      // counts, lengths or sizes that the file cannot hold
        CannotCreate, // the file (its temporary copy) could not be created
        WriteFailed   // writing, flushing or replacing failed; the old file is intact
    };
    ProjectFileError(Kind kind, const std::string& message) : Exception(message), kind_(kind) {}
    [[nodiscard]] Kind kind() const { return kind_; }

  private:
    Kind kind_;
};

} // namespace pagolux
