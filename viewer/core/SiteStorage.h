#pragma once
// Where a built program keeps what its pages store (localStorage, IndexedDB, cookies) between
// runs: a folder of its own below the user's data folder, named after the project and keyed by
// the project name and the start file's name. A program rebuilt from the same project keeps
// the folder; programs of other projects (or of the same project name with another start
// file) never share it. Qt-free.

#include <string>
#include <string_view>

namespace pagolux::viewer {

// The folder name for a program: a readable part of the project name (letters, digits, "-" and
// "_"; at most 40 bytes, "site" when nothing is left) and 16 hex digits of a hash of the
// project name and the start file's name (its last path element, separators "\" or "/").
[[nodiscard]] std::string siteStorageName(std::string_view projectName, std::string_view startPath);

} // namespace pagolux::viewer
