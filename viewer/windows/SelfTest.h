#pragma once
// The viewer's self-test for automation. Set PAGOLUX_VIEWER_SELFTEST to a file name and the
// program writes one line per check there instead of opening its window: the parsed settings,
// the member count, the archive check, the icon pixels, the engine the window would take and
// why (engine=webview2|ie, engineReason=, engineDetail=, and engineMicros= for the time the
// choice took), and every member fetched through the
// pluggable protocol with an asynchronous bind (status, MIME type, size, CRC-32 and whether
// the bytes equal the archive's). PAGOLUX_VIEWER_SELFTEST_FETCH may add further URLs, separated
// by spaces, that are fetched and reported the same way. The exit status is 0 when every
// member was served with its own bytes, else 1. A built program ignores all this unless set.

#include <windows.h>

#include <optional>
#include <string>

namespace pagolux {
class ViewerPackage;
namespace viewer {
class SiteAddressSpace;
}
} // namespace pagolux

namespace pagolux::win {

// The report file, when the self-test is asked for.
[[nodiscard]] std::optional<std::wstring> selfTestReportFile();

// Appends one line to the report file.
void selfTestLine(const std::wstring& file, const std::string& line);

[[nodiscard]] int runSelfTest(const std::wstring& file, ViewerPackage& package,
                              const viewer::SiteAddressSpace& site, HINSTANCE instance);

} // namespace pagolux::win
