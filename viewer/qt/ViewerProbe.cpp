#include "viewer/qt/ViewerProbe.h"

#include "viewer/qt/ArchiveSchemeHandler.h"
#include "viewer/qt/ViewerWindow.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMenuBar>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <cstdio>
#include <cstdlib>

namespace pagolux {
namespace {

void line(const QString& key, const QString& value)
{
    std::printf("%s=%s\n", key.toUtf8().constData(), value.toUtf8().constData());
    std::fflush(stdout);
}

} // namespace

bool ViewerProbe::enabled()
{
    return std::getenv("PAGOLUX_VIEWER_PROBE") != nullptr;
}

ViewerProbe::ViewerProbe(ViewerWindow& window, int memberCount, const ArchiveSchemeHandler* handler,
                         const QString& engine, const std::array<std::uint8_t, 512>& icon)
    : QObject(&window), window_(window), memberCount_(memberCount), handler_(handler), engine_(engine),
      icon_(icon)
{
    connect(window.view(), &QWebEngineView::loadFinished, this, [this](bool ok) {
        if (reported_)
            lastLoaded_ = window_.view()->url();
        report(ok);
    });
    // The save dialog answered: a folder (the file goes there under its suggested name), or
    // empty for "Abbrechen".
    if (qEnvironmentVariableIsSet("PAGOLUX_VIEWER_PROBE_SAVE")) {
        const QString folder = qEnvironmentVariable("PAGOLUX_VIEWER_PROBE_SAVE");
        window.setSaveChooser([folder](const QString& suggested) {
            return folder.isEmpty() ? QString() : QDir(folder).filePath(QFileInfo(suggested).fileName());
        });
    }
    // What became of each download goes to the page's window.__downloads, where a probe
    // script waits for it.
    connect(&window, &ViewerWindow::downloadEnded, this,
            [this](const QString& name, bool cancelled, const QString& error) {
                const QString note = cancelled         ? "abgebrochen " + name
                                     : error.isEmpty() ? "gespeichert " + name
                                                       : "fehlgeschlagen " + name + ": " + error;
                window_.view()->page()->runJavaScript(
                    "(window.__downloads = window.__downloads || []).push(decodeURIComponent('" +
                    QString::fromLatin1(QUrl::toPercentEncoding(note)) + "'))");
            });
    // Never hang a test: give up after a minute.
    QTimer::singleShot(60000, this, [] {
        line("timeout", "1");
        QApplication::exit(3);
    });
}

void ViewerProbe::report(bool ok)
{
    if (reported_)
        return;
    reported_ = true;
    QWebEngineView* view = window_.view();
    line("engine", engine_);
    line("loaded", ok ? "1" : "0");
    reportedUrl_ = view->url();
    line("url", view->url().toString());
    line("title", view->title());
    line("windowTitle", window_.windowTitle());
    line("size", QString("%1x%2").arg(window_.width()).arg(window_.height()));
    line("maximized", window_.isMaximized() || (window_.windowState() & Qt::WindowMaximized) ? "1" : "0");
    line("fixed", window_.minimumSize() == window_.maximumSize() ? "1" : "0");
    line("menu", window_.menuWidget() && !window_.menuBar()->actions().isEmpty() ? "1" : "0");
    QStringList tools;
    if (window_.toolBar())
        for (QAction* a : window_.toolBar()->actions())
            tools.append(a->objectName());
    line("toolbar", tools.join(','));
    QStringList commands;
    for (QAction* a : window_.actions())
        commands.append(a->objectName());
    line("commands", commands.join(','));
    line("statusbar", window_.findChild<QStatusBar*>() ? "1" : "0");
    line("members", QString::number(memberCount_));
    // One of Qt's own texts, to see which language the dialogs speak.
    line("qtCancel", QCoreApplication::translate("QPlatformTheme", "Cancel"));
    line("icon", QByteArray(reinterpret_cast<const char*>(icon_.data()), 512).toHex());
    const QByteArray script = qgetenv("PAGOLUX_VIEWER_PROBE_SCRIPT");
    if (script.isEmpty()) {
        QApplication::exit(0);
        return;
    }
    view->page()->runJavaScript(QString::fromUtf8(script));
    poll(400);
}

void ViewerProbe::poll(int attemptsLeft)
{
    window_.view()->page()->runJavaScript(
        "typeof window.__probe === 'string' ? window.__probe : null",
        [this, attemptsLeft](const QVariant& v) {
            if (v.userType() == QMetaType::QString) {
                line("script", v.toString());
                if (handler_)
                    line("inflated", QString::number(handler_->bytesInflated()));
                if (const auto* bar = window_.findChild<QStatusBar*>())
                    line("statusText", bar->currentMessage());
                QApplication::exit(0);
            } else if (!lastLoaded_.isEmpty() && lastLoaded_ != reportedUrl_) {
                // The script led to another page (a PDF in the engine's viewer, say), which
                // will never answer: its address is the result.
                line("navigated", lastLoaded_.toString());
                QApplication::exit(0);
            } else if (attemptsLeft <= 0) {
                line("script", "<no result>");
                QApplication::exit(4);
            } else {
                QTimer::singleShot(50, this, [this, attemptsLeft] { poll(attemptsLeft - 1); });
            }
        });
}

} // namespace pagolux
