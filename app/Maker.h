#pragma once
// The maker's web site, shown on the main window's wwwBtn and the about box's web button and
// opened by both.

namespace pagolux {

inline constexpr const char* kMakerAddress = "www.orvanto.de";
inline constexpr const char* kMakerUrl = "https://www.orvanto.de/";

} // namespace pagolux
