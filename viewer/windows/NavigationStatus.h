#pragma once
// What the status bar says about the WebView2 engine's navigations. The engine reports the
// start and the end of each navigation; the texts name a page by its path inside the site
// ("/kapitel/a b.html"), never by a folder of the machine the site was made on. Plain C++, so
// it is the same on every system and testable without Windows.

#include "viewer/windows/WebView2Request.h"

#include <string>
#include <string_view>

namespace pagolux::win_webview2 {

// The text when a navigation to url starts. route is how the viewer takes it; opened tells
// whether an address of the web went to the default browser. Pages of the site read
// "Lädt /pfad …" (the decoded path, control characters shown as "?"), the web address opened
// elsewhere is named, and a refused address is not (it may name a file of the machine).
[[nodiscard]] std::string navigationText(std::string_view url, Route route, bool opened);

// The value of the engine's error status for a navigation that was cancelled.
inline constexpr int kWebErrorOperationCanceled = 14;

// The text when a navigation has ended: "Fertig" on success, else a short German reason.
// httpStatus is the answer's status code, 0 when the engine does not report it.
[[nodiscard]] std::string completedText(bool success, int webErrorStatus, int httpStatus);

} // namespace pagolux::win_webview2
