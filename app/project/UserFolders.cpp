#include "app/project/UserFolders.h"

#include <cerrno>
#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pagolux {

namespace {

std::string homeFolder()
{
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir)
        return pw->pw_dir;
    return "/tmp";
}

// An XDG variable counts only when it holds an absolute path.
std::string xdgFolder(const char* variable, const char* fallbackBelowHome)
{
    std::string folder;
    if (const char* value = std::getenv(variable); value && value[0] == '/')
        folder = value;
    else
        folder = homeFolder() + fallbackBelowHome;
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder;
}

} // namespace

std::string UserFolders::dataFolder()
{
    return xdgFolder("XDG_DATA_HOME", "/.local/share") + "pagolux/";
}

std::string UserFolders::configFolder()
{
    return xdgFolder("XDG_CONFIG_HOME", "/.config");
}

bool UserFolders::ensureFolder(const std::string& folder)
{
    std::string partial;
    for (std::size_t i = 0; i <= folder.size(); ++i) {
        if (i == folder.size() || folder[i] == '/') {
            if (!partial.empty() && ::mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST)
                return false;
        }
        if (i < folder.size())
            partial += folder[i];
    }
    struct stat st {};
    return ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace pagolux
