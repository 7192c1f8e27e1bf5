#include "viewer/windows/EngineChoice.h"

#include <cstdint>
#include <cstring>
#include <cwchar>
#include <cwctype>

namespace pagolux::win_engine {

EngineRequest engineRequest(const char* value)
{
    if (!value)
        return EngineRequest::Automatic;
    if (std::strcmp(value, "webview2") == 0)
        return EngineRequest::WebView2;
    if (std::strcmp(value, "ie") == 0)
        return EngineRequest::InternetExplorer;
    return EngineRequest::Automatic;
}

std::optional<RuntimeVersion> parseVersion(std::string_view text)
{
    RuntimeVersion v{};
    std::size_t part = 0;
    std::size_t digits = 0;
    unsigned value = 0;
    for (const char c : text) {
        if (c >= '0' && c <= '9') {
            if (++digits > 9)
                return std::nullopt;
            value = value * 10 + static_cast<unsigned>(c - '0');
        } else if (c == '.' && digits > 0 && part < 3) {
            v[part++] = value;
            value = 0;
            digits = 0;
        } else {
            return std::nullopt;
        }
    }
    if (part != 3 || digits == 0)
        return std::nullopt;
    v[3] = value;
    return v;
}

bool supported(const RuntimeVersion& version)
{
    return version >= kMinimumRuntime;
}

std::wstring lastComponent(std::wstring_view folder)
{
    while (!folder.empty() && (folder.back() == L'\\' || folder.back() == L'/'))
        folder.remove_suffix(1);
    const auto cut = folder.find_last_of(L"\\/");
    return std::wstring(cut == std::wstring_view::npos ? folder : folder.substr(cut + 1));
}

std::wstring runtimeDll(std::wstring_view folder)
{
    std::wstring path(folder);
    while (!path.empty() && (path.back() == L'\\' || path.back() == L'/'))
        path.pop_back();
    return path + L"\\EBWebView\\x64\\EmbeddedBrowserWebView.dll";
}

std::wstring userDataName(std::wstring_view programPath)
{
    std::wstring name = lastComponent(programPath);
    if (name.size() > 4) {
        std::wstring tail = name.substr(name.size() - 4);
        for (wchar_t& c : tail)
            c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
        if (tail == L".exe")
            name.resize(name.size() - 4);
    }
    // FNV-1a over the lower-cased path's UTF-16 units.
    std::uint32_t hash = 2166136261u;
    for (const wchar_t c : programPath) {
        const auto unit = static_cast<std::uint32_t>(std::towlower(static_cast<wint_t>(c)));
        for (int shift = 0; shift < 16; shift += 8) {
            hash ^= (unit >> shift) & 0xffu;
            hash *= 16777619u;
        }
    }
    wchar_t hex[9];
    std::swprintf(hex, 9, L"%08x", hash);
    return name + L"-" + hex;
}

} // namespace pagolux::win_engine
