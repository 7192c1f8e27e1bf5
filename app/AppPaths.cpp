#include "app/AppPaths.h"

#include "archive/FileNameUtils.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include <pwd.h>
#include <unistd.h>

namespace pagolux {

namespace {

std::string envOr(const char* name, const std::string& fallback)
{
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? std::string(value) : fallback;
}

} // namespace

std::string ProgramFolder()
{
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec)
        return IncludeTrailingPathDelimiter(std::filesystem::current_path(ec).string());
    return IncludeTrailingPathDelimiter(ExtractFilePath(exe.string()));
}

std::string HomeFolder()
{
    std::string home = envOr("HOME", "");
    if (home.empty()) {
        if (const passwd* pw = getpwuid(getuid()); pw != nullptr && pw->pw_dir != nullptr)
            home = pw->pw_dir;
        else
            home = "/";
    }
    return IncludeTrailingPathDelimiter(home);
}

std::string UserDataFolder(bool create)
{
    // XDG: a relative $XDG_DATA_HOME is invalid and must be ignored.
    std::string base = envOr("XDG_DATA_HOME", "");
    if (base.empty() || base.front() != '/')
        base = HomeFolder() + ".local/share";
    const std::string folder = IncludeTrailingPathDelimiter(IncludeTrailingPathDelimiter(base) + "pagolux");
    if (create) {
        std::error_code ec;
        std::filesystem::create_directories(folder, ec);
    }
    return folder;
}

std::string DefaultOutputName()
{
#ifdef _WIN32
    return ProgramFolder() + "ziel.exe";
#else
    return HomeFolder() + "ziel";
#endif
}

} // namespace pagolux
