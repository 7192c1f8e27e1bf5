#include "platform/Paths.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pagolux {

namespace {

std::string withSeparator(std::string folder)
{
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder;
}

// An XDG variable counts only when it holds an absolute path; a relative one is ignored.
std::string xdgFolder(const char* variable, const char* fallbackBelowHome)
{
    if (const char* value = std::getenv(variable); value != nullptr && value[0] == '/')
        return withSeparator(value);
    return HomeFolder() + fallbackBelowHome;
}

} // namespace

std::string OwnExecutable()
{
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : exe.string();
}

std::string ProgramFolder()
{
    const std::string exe = OwnExecutable();
    if (exe.empty()) {
        std::error_code ec;
        return withSeparator(std::filesystem::current_path(ec).string());
    }
    return withSeparator(std::filesystem::path(exe).parent_path().string());
}

std::string HomeFolder()
{
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0')
        return withSeparator(home);
    if (const passwd* pw = ::getpwuid(::getuid()); pw != nullptr && pw->pw_dir != nullptr && *pw->pw_dir)
        return withSeparator(pw->pw_dir);
    return "/tmp/";
}

std::string UserDataFolder(bool create)
{
    const std::string folder = xdgFolder("XDG_DATA_HOME", ".local/share/") + "pagolux/";
    if (create)
        (void)EnsureFolder(folder);
    return folder;
}

std::string UserConfigFolder()
{
    return xdgFolder("XDG_CONFIG_HOME", ".config/");
}

std::string TempFolder()
{
    const char* env = std::getenv("TMPDIR");
    return withSeparator(env != nullptr && *env != '\0' ? env : "/tmp");
}

std::string DefaultOutputName()
{
#ifdef _WIN32
    return ProgramFolder() + "ziel.exe";
#else
    return HomeFolder() + "ziel";
#endif
}

bool EnsureFolder(const std::string& folder)
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
