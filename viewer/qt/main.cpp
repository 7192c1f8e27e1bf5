// The Qt WebEngine front of the Linux viewer. Started by the Linux starter (from memory), it
// receives the program file, the patched marker and icon through the starter's handoff;
// started directly, it reads its own marker record and icon pixels. It finds the settings
// block through the marker's offset, opens the archive that follows and shows the start page.
// Run unpatched (as built), it explains that it holds no pages.

#include "platform/FileSizeSignal.h"
#include "platform/Paths.h"
#include "viewer/core/FrontHandoff.h"
#include "viewer/core/SiteStorage.h"
#include "viewer/core/ViewerPackage.h"
#include "viewer/qt/ArchiveSchemeHandler.h"
#include "viewer/qt/EmbeddedRecords.h"
#include "viewer/qt/NetworkGuard.h"
#include "viewer/qt/ViewerProbe.h"
#include "viewer/qt/ViewerTexts.h"
#include "viewer/qt/ViewerWindow.h"
#include "viewer/qt/WebEngineSandbox.h"

#include <QApplication>
#include <QFile>
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
    const int errorFd = handoff ? handoff->errorFd : 2;
    const auto pixels = handoff ? handoff->icon : pagolux::readIconPixels();
    const QString engine =
        handoff ? QString::fromUtf8(handoff->engine) : QStringLiteral("qt%1").arg(QT_VERSION_MAJOR);

    pagolux::IgnoreFileSizeSignal();
    pagolux::allowWebEngineForRoot();
    pagolux::ArchiveSchemeHandler::registerScheme();
    // A Wayland desktop without X11 beside it: Qt would look for an X server first. Where X11
    // runs too, Qt's own choice stands (it keeps X11 on desktops whose Wayland lacks window
    // frames for Qt).
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "wayland;xcb");
    QApplication app(argc, argv);
    // Only now does the starter learn that this engine runs: a Qt without a platform plugin for
    // this desktop ends inside QApplication, and the starter then tries the next engine.
    if (handoff)
        pagolux::announceStarted(*handoff);
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

    // What the pages store (localStorage, IndexedDB, cookies) stays between runs in a folder of
    // this program's own; the HTTP cache stays in memory.
    const pagolux::BuildSettings& settings = package->settings();
    const std::string storage = pagolux::viewer::siteStorageName(
        std::string(settings.projectName.begin(), settings.projectName.end()), package->startPath());
    auto* profile = new QWebEngineProfile(QString::fromStdString(storage), &app);
    const std::string storageFolder = pagolux::UserDataFolder() + "sites/" + storage + "/";
    (void)pagolux::EnsureFolder(storageFolder); // owner-only; the engine reports what it cannot write
    profile->setPersistentStoragePath(QFile::decodeName(QByteArray::fromStdString(storageFolder)));
    profile->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
    profile->setPersistentCookiesPolicy(QWebEngineProfile::ForcePersistentCookies);
    auto* handler = new pagolux::ArchiveSchemeHandler(
        *package, pagolux::viewer::SiteAddressSpace(package->memberKeys(), package->startKey()), profile);
    profile->installUrlSchemeHandler(pagolux::ArchiveSchemeHandler::kScheme, handler);
    profile->setUrlRequestInterceptor(new pagolux::NetworkGuard(profile));

    int rc = 0;
    {
        pagolux::ViewerWindow window(settings, handler->startUrl(), profile);
        window.setWindowIcon(icon);
        if (pagolux::ViewerProbe::enabled())
            new pagolux::ViewerProbe(window, package->memberCount(), handler, engine, pixels);
        window.start();
        rc = QApplication::exec();
    }
    delete profile;
    return rc;
}
