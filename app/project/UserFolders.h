#pragma once
// Where the program keeps the files it writes for the user (the program folder is not
// writable on Linux): the XDG base folders, read from the environment at each call so that
// tests can point them at scratch folders.

#include <string>

namespace pagolux {

class UserFolders {
  public:
    // $XDG_DATA_HOME/pagolux/ (default ~/.local/share/pagolux/), ending in "/".
    [[nodiscard]] static std::string dataFolder();
    // $XDG_CONFIG_HOME/ (default ~/.config/), ending in "/".
    [[nodiscard]] static std::string configFolder();
    // Creates folder and its missing parents (mode 0700 for new ones); false on failure.
    static bool ensureFolder(const std::string& folder);
};

} // namespace pagolux
