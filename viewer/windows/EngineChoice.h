#pragma once
// The portable half of the Windows viewer's engine choice: which engine the environment asks
// for, how a runtime version string compares with the oldest runtime the viewer accepts, where
// the runtime's DLL lies below a runtime folder, and the name of a program's user data folder.
// Plain C++ over strings, so it is the same on every system and testable without Windows.

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace pagolux::win_engine {

// What PAGOLUX_VIEWER_ENGINE asks for: "webview2", "ie", or nothing (empty or unset: the
// viewer decides). Any other value is treated as nothing.
enum class EngineRequest { Automatic, WebView2, InternetExplorer };
[[nodiscard]] EngineRequest engineRequest(const char* value);

// A four-part runtime version such as "120.0.2210.91".
using RuntimeVersion = std::array<unsigned, 4>;

// The version a string spells, or nothing when it is not four dot-separated numbers.
[[nodiscard]] std::optional<RuntimeVersion> parseVersion(std::string_view text);

// The oldest runtime the viewer accepts: the first one with every interface it declares.
inline constexpr RuntimeVersion kMinimumRuntime{86, 0, 616, 0};
[[nodiscard]] bool supported(const RuntimeVersion& version);

// The last component of a folder path ("C:\...\Application\120.0.2210.91" gives the version
// folder's name); trailing separators are ignored.
[[nodiscard]] std::wstring lastComponent(std::wstring_view folder);

// The runtime's DLL below a runtime folder (an installed runtime's version folder, or a folder
// named by WEBVIEW2_BROWSER_EXECUTABLE_FOLDER).
[[nodiscard]] std::wstring runtimeDll(std::wstring_view folder);

// The name of one program's user data folder: its file name without ".exe", then a hash of
// the whole path (letters in any case count the same), so two programs of the same name in
// different folders keep their storage apart while one program keeps its own between runs.
[[nodiscard]] std::wstring userDataName(std::wstring_view programPath);

} // namespace pagolux::win_engine
