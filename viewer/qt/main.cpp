// pagolux-viewer: the program every built executable starts with. It finds its settings block
// through the offset the builder patched into its marker, opens the archive that follows and
// shows the start page. Run unpatched (as built), it explains that it holds no pages.

#include "platform/FileSizeSignal.h"
#include "platform/Paths.h"
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

namespace {

int showError(const QString& text)
{
    if (pagolux::ViewerProbe::enabled()) {
        std::fprintf(stderr, "error=%s\n", text.toUtf8().constData());
        return 2;
    }
    QMessageBox::critical(nullptr, QStringLiteral("Pagolux"), text);
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    pagolux::IgnoreFileSizeSignal();
    pagolux::allowWebEngineForRoot();
    pagolux::ArchiveSchemeHandler::registerScheme();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pagolux"));
    pagolux::installGermanQtTexts(app);
    const QIcon icon(QPixmap::fromImage(pagolux::ViewerWindow::iconImage(pagolux::readIconPixels())));
    QApplication::setWindowIcon(icon);

    const pagolux::MarkerState marker = pagolux::readMarkerRecord();
    if (!marker.patched)
        return showError(QString::fromUtf8(pagolux::kMsgViewerUnpatched));

    std::unique_ptr<pagolux::ViewerPackage> package;
    try {
        package = pagolux::ViewerPackage::open(pagolux::OwnExecutable(), marker.settingsOffset);
    } catch (const pagolux::Exception& e) {
        return showError(QString::fromUtf8(e.what()));
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
            new pagolux::ViewerProbe(window, package->memberCount());
        window.start();
        rc = QApplication::exec();
    }
    delete profile;
    return rc;
}
