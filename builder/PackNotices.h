#pragma once
// The German lines that tell the user what a build could not pack, one per file, built from
// the archive's notice kinds (the archive's own English texts never reach the user). The
// window and pagolux-build both show these lines.

#include "archive/ZLIBArchive.h"

#include <string>

namespace pagolux {

// "<file> ist zweimal im Projekt", "<file> kann nicht gelesen werden: Keine Berechtigung", ...
[[nodiscard]] std::string NotPackedLine(const TArchiveNotice& notice);

// The German reason a file could not be opened for reading, by its errno value (EINVAL: it
// is not a regular file).
[[nodiscard]] std::string OpenFailureReason(int systemError);

} // namespace pagolux
