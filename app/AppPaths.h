#pragma once
// Where the program finds its own files and keeps the files it writes.
//  - ProgramFolder(): the folder of the running executable (read-only program files such as
//    "ProtoExe.dat" and "iconcomp.dat"), always ending in the path separator.
//  - UserDataFolder(): $XDG_DATA_HOME/pagolux/ (default ~/.local/share/pagolux/), created on
//    demand; holds "folders.dat" and "theicon.bmp".
//  - HomeFolder(): the user's home folder, ending in the separator; the default output
//    "ziel" is made there.
// All three return the file system's bytes (UTF-8 on Linux). Qt-free.

#include <string>

namespace pagolux {

[[nodiscard]] std::string ProgramFolder();
// `create`: make the folder (and missing parents) when it does not exist; failures are silent,
// the caller's file operation then reports or ignores them as its own rules say.
[[nodiscard]] std::string UserDataFolder(bool create = true);
[[nodiscard]] std::string HomeFolder();
// The default output file of a build: HomeFolder() + "ziel" ("ziel.exe" on Windows).
[[nodiscard]] std::string DefaultOutputName();

} // namespace pagolux
