// The Windows viewer: the program every Windows executable built by Pagolux starts with. It
// finds its settings block through the offset the builder patched into its marker, opens the
// archive that follows and shows the start page in Edge WebView2 where its runtime is installed,
// else in the system web-browser control, served from memory either way. Run unpatched (as built), it
// explains that it holds no pages.

#include "archive/TStream.h"
#include "format/PeImage.h"
#include "platform/Exception.h"
#include "platform/Paths.h"
#include "viewer/core/SiteAddressSpace.h"
#include "viewer/core/ViewerPackage.h"
#include "viewer/windows/ArchiveProtocol.h"
#include "viewer/windows/EmbeddedRecords.h"
#include "viewer/windows/ProtocolRequest.h"
#include "viewer/windows/SelfTest.h"
#include "viewer/windows/ViewerWindow.h"
#include "viewer/windows/WinText.h"

#include <commctrl.h>
#include <ole2.h>
#include <windows.h>

#include <memory>
#include <optional>
#include <string>

namespace {

// Where this program's own bytes end: a code signature is appended behind the archive as a
// certificate table that the security directory points at. The signing tool rounds the file to
// 8 bytes with zeros first, and leaves them when the signature is removed again.
constexpr int kSigningPadding = 7;

std::int64_t ownDataEnd(const std::string& exe)
{
    try {
        pagolux::TFileStream file(exe, pagolux::TFileMode::fmOpenRead);
        return pagolux::PeDataEnd(file);
    } catch (const pagolux::Exception&) {
        return -1; // the package reports the unreadable file itself
    }
}

int showError(const std::optional<std::wstring>& report, const std::string& text)
{
    if (report) {
        pagolux::win::selfTestLine(*report, "error=" + text);
        return 2;
    }
    MessageBoxW(nullptr, pagolux::win::widen(text).c_str(), L"Pagolux", MB_OK | MB_ICONERROR);
    return 1;
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show)
{
    if (FAILED(OleInitialize(nullptr)))
        return 3;
    INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);

    const auto report = pagolux::win::selfTestReportFile();
    int rc = 0;
    {
        std::unique_ptr<pagolux::ViewerPackage> package;
        const pagolux::MarkerState marker = pagolux::win::readMarkerRecord();
        if (!marker.patched) {
            rc = showError(report, pagolux::kMsgViewerUnpatched);
        } else {
            try {
                const std::string exe = pagolux::OwnExecutable();
                package = pagolux::ViewerPackage::open(exe, marker.settingsOffset, ownDataEnd(exe),
                                                       kSigningPadding);
            } catch (const pagolux::Exception& e) {
                rc = showError(report, e.what());
            }
        }
        std::unique_ptr<pagolux::viewer::SiteAddressSpace> site;
        if (package)
            site = std::make_unique<pagolux::viewer::SiteAddressSpace>(package->memberKeys(),
                                                                       package->startKey());
        if (package) {
            if (!pagolux::win_protocol::registerProtocol(*package, *site))
                rc = showError(report, "Die Seiten dieses Programms können nicht bereitgestellt werden.");
            else if (report)
                rc = pagolux::win::runSelfTest(*report, *package, *site, instance);
            else {
                pagolux::win::ViewerWindow window(package->settings(), *package, site->startUrlPath());
                rc = window.create(instance, show) ? window.run() : 1;
            }
        }
    }
    OleUninitialize();
    return rc;
}
