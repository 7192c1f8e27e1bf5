#include "viewer/windows/WinText.h"

#include <windows.h>

namespace pagolux::win {

std::wstring widen(std::string_view utf8)
{
    if (utf8.empty())
        return {};
    const int len = static_cast<int>(utf8.size());
    UINT page = CP_UTF8;
    int n = MultiByteToWideChar(page, MB_ERR_INVALID_CHARS, utf8.data(), len, nullptr, 0);
    if (n <= 0) {
        page = CP_ACP;
        n = MultiByteToWideChar(page, 0, utf8.data(), len, nullptr, 0);
    }
    std::wstring out(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0)
        MultiByteToWideChar(page, page == CP_UTF8 ? MB_ERR_INVALID_CHARS : 0, utf8.data(), len, out.data(),
                            n);
    return out;
}

std::string narrow(std::wstring_view wide)
{
    if (wide.empty())
        return {};
    const int len = static_cast<int>(wide.size());
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), len, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
    if (n > 0)
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), len, out.data(), n, nullptr, nullptr);
    return out;
}

} // namespace pagolux::win
