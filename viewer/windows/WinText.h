#pragma once
// UTF-8 <-> UTF-16 for the Win32 API, which takes wide strings. Texts from the settings block
// that are not valid UTF-8 (projects written by older builders) are read in the ANSI code page.

#include <string>
#include <string_view>

namespace pagolux::win {

[[nodiscard]] std::wstring widen(std::string_view utf8);
[[nodiscard]] std::string narrow(std::wstring_view wide);

} // namespace pagolux::win
