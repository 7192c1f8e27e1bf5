// Paths.h for Windows (the Windows viewer's build): the same folders in the Windows places.
// Names are UTF-8; folders end in "\".

#include "platform/Paths.h"

#include <windows.h>

#include <cstdlib>
#include <string>

namespace pagolux {

namespace {

std::string utf8(const wchar_t* wide, int length = -1)
{
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide, length, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
    if (n > 0)
        WideCharToMultiByte(CP_UTF8, 0, wide, length, out.data(), n, nullptr, nullptr);
    if (length < 0 && !out.empty())
        out.pop_back(); // the terminating NUL
    return out;
}

std::string withSeparator(std::string folder)
{
    if (folder.empty() || (folder.back() != '\\' && folder.back() != '/'))
        folder += '\\';
    return folder;
}

std::string environmentFolder(const wchar_t* variable, const char* fallback)
{
    const wchar_t* value = _wgetenv(variable);
    return value && *value ? withSeparator(utf8(value)) : std::string(fallback);
}

} // namespace

std::string OwnExecutable()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0)
            return {};
        if (n < path.size())
            return utf8(path.data(), static_cast<int>(n));
        path.resize(path.size() * 2);
    }
}

std::string ProgramFolder()
{
    const std::string exe = OwnExecutable();
    const auto slash = exe.find_last_of("\\/");
    return slash == std::string::npos ? std::string(".\\") : exe.substr(0, slash + 1);
}

std::string HomeFolder()
{
    return environmentFolder(L"USERPROFILE", "C:\\");
}

std::string UserDataFolder(bool create)
{
    const std::string folder = environmentFolder(L"APPDATA", HomeFolder().c_str()) + "pagolux\\";
    if (create)
        (void)EnsureFolder(folder);
    return folder;
}

std::string UserConfigFolder()
{
    return environmentFolder(L"APPDATA", HomeFolder().c_str());
}

std::string TempFolder()
{
    wchar_t buffer[MAX_PATH + 2];
    const DWORD n = GetTempPathW(MAX_PATH + 1, buffer);
    return n > 0 && n <= MAX_PATH + 1 ? withSeparator(utf8(buffer, static_cast<int>(n)))
                                      : std::string("C:\\");
}

std::string DefaultOutputName()
{
    return ProgramFolder() + "ziel.exe";
}

bool EnsureFolder(const std::string& folder)
{
    std::string partial;
    for (std::size_t i = 0; i <= folder.size(); ++i) {
        if (i == folder.size() || folder[i] == '\\' || folder[i] == '/') {
            if (!partial.empty() && partial.back() != ':') {
                const int n = MultiByteToWideChar(CP_UTF8, 0, partial.c_str(), -1, nullptr, 0);
                std::wstring wide(static_cast<std::size_t>(n > 0 ? n : 1), L'\0');
                MultiByteToWideChar(CP_UTF8, 0, partial.c_str(), -1, wide.data(), n);
                if (!CreateDirectoryW(wide.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
                    return false;
            }
        }
        if (i < folder.size())
            partial += folder[i];
    }
    return true;
}

} // namespace pagolux
