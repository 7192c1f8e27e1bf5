#pragma once
// Where the programs find their own files and keep the files they write. One module for the
// window, the viewer and the command-line tools, so that they all agree on every folder.
// Every function reads the environment at each call (tests point it at scratch folders) and
// returns the file system's bytes (UTF-8 on Linux); folders always end in the separator.
// Plain C++, no Qt.

#include <string>

namespace pagolux {

// The running executable's own file; empty when the system cannot say.
[[nodiscard]] std::string OwnExecutable();
// The folder of the running executable: read-only program files such as "ProtoExe.dat" and
// "iconcomp.dat" live there. Falls back to the current folder.
[[nodiscard]] std::string ProgramFolder();
// $HOME, else the account's home folder from the password database, else "/tmp/".
[[nodiscard]] std::string HomeFolder();
// $XDG_DATA_HOME/pagolux/ (default ~/.local/share/pagolux/): "folders.dat" and "theicon.bmp".
// `create`: make the folder and its missing parents (mode 0700 for new ones) when it does not
// exist; a failure is silent, the caller's file operation then reports or ignores it.
[[nodiscard]] std::string UserDataFolder(bool create = true);
// $XDG_CONFIG_HOME/ (default ~/.config/): the placement INI file.
[[nodiscard]] std::string UserConfigFolder();
// $TMPDIR, else /tmp/: temporary archives and buffers.
[[nodiscard]] std::string TempFolder();
// The default output file of a build: HomeFolder() + "ziel" ("ziel.exe" on Windows).
[[nodiscard]] std::string DefaultOutputName();

// Creates folder and its missing parents (mode 0700 for new ones); false on failure.
bool EnsureFolder(const std::string& folder);

} // namespace pagolux
