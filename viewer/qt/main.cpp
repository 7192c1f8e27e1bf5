// The Qt WebEngine front of the Linux viewer. Started by the Linux starter (from memory), it
// receives the program file, the patched marker and icon through the starter's handoff;
// started directly, it reads its own marker record and icon pixels. It finds the settings
// block through the marker's offset, opens the archive that follows and shows the start page.
// Run unpatched (as built), it explains that it holds no pages.

#include "platform/FileSizeSignal.h"
#include "platform/Paths.h"
#include "viewer/core/FrontHandoff.h"
#include "viewer/core/ViewerPackage.h"
#include "viewer/qt/ArchiveSchemeHandler.h"
#include "viewer/qt/EmbeddedRecords.h"
#include "viewer/qt/NetworkGuard.h"
#include "viewer/qt/ViewerProbe.h"
#include "viewer/qt/ViewerTexts.h"
#include "viewer/qt/ViewerWindow.h"
#include "viewer/qt/WebEngineSandbox.h"

#include <QApplication>
#include <QIcon>
#include <QMessageBox>
#include <QPixmap>
#include <QWebEngineProfile>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace {

int showError(const QString& text, int errorFd)
{
    if (pagolux::ViewerProbe::enabled()) {
        dprintf(errorFd, "error=%s\n", text.toUtf8().constData());
        return 2;
    }
    QMessageBox::critical(nullptr, QStringLiteral("Pagolux"), text);
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    const std::optional<pagolux::FrontHandoff> handoff = pagolux::takeHandoff();
    if (handoff)
        pagolux::announceStarted(*handoff);
    const int errorFd = handoff ? handoff->errorFd : 2;
    const auto pixels = handoff ? handoff->icon : pagolux::readIconPixels();
    const QString engine =
        handoff ? QString::fromUtf8(handoff->engine) : QStringLiteral("qt%1").arg(QT_VERSION_MAJOR);

    pagolux::IgnoreFileSizeSignal();
    pagolux::allowWebEngineForRoot();
    pagolux::ArchiveSchemeHandler::registerScheme();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pagolux"));
    pagolux::installGermanQtTexts(app);
    const QIcon icon(QPixmap::fromImage(pagolux::ViewerWindow::iconImage(pixels)));
    QApplication::setWindowIcon(icon);

    const pagolux::MarkerState marker = handoff
                                            ? pagolux::MarkerState{handoff->patched, handoff->settingsOffset}
                                            : pagolux::readMarkerRecord();
    if (!marker.patched)
        return showError(QString::fromUtf8(pagolux::kMsgViewerUnpatched), errorFd);

    std::unique_ptr<pagolux::ViewerPackage> package;
    try {
        const std::string host =
            handoff ? "/proc/self/fd/" + std::to_string(handoff->hostFd) : pagolux::OwnExecutable();
        package = pagolux::ViewerPackage::open(host, marker.settingsOffset);
    } catch (const pagolux::Exception& e) {
        return showError(QString::fromUtf8(e.what()), errorFd);
    }

    // Off the record: the viewer leaves no cache or cookies behind on disk.
    auto* profile = new QWebEngineProfile(&app);
    auto* handler = new pagolux::ArchiveSchemeHandler(*package, profile);
    profile->installUrlSchemeHandler(pagolux::ArchiveSchemeHandler::kScheme, handler);
    profile->setUrlRequestInterceptor(new pagolux::NetworkGuard(profile));

    int rc = 0;
    {
        pagolux::ViewerWindow window(package->settings(),
                                     pagolux::ArchiveSchemeHandler::urlForKey(package->startKey()), profile);
        window.setWindowIcon(icon);
        window.setSiteRoot(pagolux::ArchiveSchemeHandler::urlForKey(package->siteRootKey()).path());
        if (pagolux::ViewerProbe::enabled())
            new pagolux::ViewerProbe(window, package->memberCount(), engine, pixels);
        window.start();
        rc = QApplication::exec();
    }
    delete profile;
    return rc;
}
