#include "viewer/qt/ViewerWindow.h"

#include "format/Palette.h"
#include "format/ViewerIconArt.h"
#include "viewer/qt/ArchiveSchemeHandler.h"
#include "viewer/qt/ViewerPage.h"

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QEvent>
#include <QFileDialog>
#include <QMenuBar>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QStatusBar>
#include <QToolBar>
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
#include <QWebEngineDownloadRequest>
#else
#include <QWebEngineDownloadItem>
#endif
#include <QWebEngineHistory>
#include <QWebEngineProfile>
#include <QWebEngineView>

#include <algorithm>

namespace pagolux {
namespace {

// Sizes outside this range are made reasonable rather than trusted.
constexpr int kMinSide = 64;
constexpr int kMaxSide = 16384;

// Flags in settings-block order.
enum Element { StatusBar, ToolBar, Print, Exit, About, Back, Forward, Home, Reload, ExitButton };

} // namespace

QImage ViewerWindow::iconImage(const std::array<std::uint8_t, 512>& pixels)
{
    QImage image(32, 32, QImage::Format_Indexed8);
    QVector<QRgb> table;
    for (const PaletteColor& c : kIconPalette)
        table.append(qRgb(c.red, c.green, c.blue));
    image.setColorTable(table);
    for (int y = 0; y < 32; ++y) {
        const std::uint8_t* row = &pixels[static_cast<std::size_t>((31 - y) * 16)];
        uchar* line = image.scanLine(y);
        for (int x = 0; x < 32; ++x)
            line[x] = static_cast<uchar>(x % 2 == 0 ? row[x / 2] >> 4 : row[x / 2] & 0x0F);
    }
    return image;
}

ViewerWindow::ViewerWindow(const BuildSettings& settings, const QUrl& home, QWebEngineProfile* profile,
                           QWidget* parent)
    : QMainWindow(parent), settings_(settings), home_(home)
{
    setObjectName("ViewerWindow");
    setWindowTitle(QString::fromUtf8(settings_.projectName.data(),
                                     static_cast<qsizetype>(settings_.projectName.size())));
    const auto on = [this](Element e) { return settings_.elements[static_cast<std::size_t>(e)]; };

    view_ = new QWebEngineView(this);
    view_->setObjectName("WebView");
    page_ = new ViewerPage(
        profile, [](const QUrl& url) { QDesktopServices::openUrl(url); }, view_);
    view_->setPage(page_);
    setCentralWidget(view_);
    // The start page is asked for before the menus and bars are made: the engine starts its
    // page process meanwhile. The page is loaded before the window is shown, too: the engine's
    // widget it creates changes the window's native surface, and a window shown before that is
    // mapped again, losing the maximised state a window manager gave it.
    view_->load(home_);
    chooseSave_ = [this](const QString& suggested) {
        return QFileDialog::getSaveFileName(this, tr("Speichern unter"), suggested);
    };
    // Nothing a user clicks may do nothing: every download asks where it goes.
    connect(
        profile, &QWebEngineProfile::downloadRequested, this, [this](QWebEngineDownloadRequest* download) {
            if (download->page() != page_)
                return;
            const QString target = chooseSave_ ? chooseSave_(ViewerPage::suggestedPath(download)) : QString();
            if (target.isEmpty()) {
                const QString name = download->downloadFileName();
                ViewerPage::saveDownload(download, target);
                emit downloadEnded(name, true, {});
                return;
            }
            ViewerPage::saveDownload(download, target);
            watchDownload(download);
        });
    // The engine's widget inside the view receives the input, and it is made anew at times:
    // the application's events are watched instead.
    qApp->installEventFilter(this);

    QAction* print = on(Print) ? addCommand("actionPrint", tr("Drucken..."), QKeySequence::Print) : nullptr;
    QAction* exit = on(Exit) ? addCommand("actionExit", tr("Beenden"), QKeySequence::Quit) : nullptr;
    QAction* back = on(Back) ? addCommand("actionBack", tr("Zurück"), QKeySequence::Back) : nullptr;
    QAction* forward =
        on(Forward) ? addCommand("actionForward", tr("Vorwärts"), QKeySequence::Forward) : nullptr;
    QAction* homeAct =
        on(Home) ? addCommand("actionHome", tr("Startseite"), QKeySequence(QStringLiteral("Alt+Home")))
                 : nullptr;
    QAction* reload =
        on(Reload) ? addCommand("actionReload", tr("Neu laden"), QKeySequence::Refresh) : nullptr;
    QAction* about = on(About)
                         ? addCommand("actionAbout", tr("Über..."), QKeySequence(QKeySequence::HelpContents))
                         : nullptr;
    QAction* exitButton =
        on(ExitButton) ? addCommand("actionExitButton", tr("Beenden"), QKeySequence()) : nullptr;

    if (print)
        connect(print, &QAction::triggered, this, &ViewerWindow::printPage);
    for (QAction* a : {exit, exitButton})
        if (a)
            connect(a, &QAction::triggered, this, &QWidget::close);
    if (back)
        connect(back, &QAction::triggered, view_, &QWebEngineView::back);
    if (forward)
        connect(forward, &QAction::triggered, view_, &QWebEngineView::forward);
    if (homeAct)
        connect(homeAct, &QAction::triggered, this, &ViewerWindow::goHome);
    if (reload)
        connect(reload, &QAction::triggered, view_, &QWebEngineView::reload);
    if (about)
        connect(about, &QAction::triggered, this, &ViewerWindow::showAbout);
    // Back and forward are usable exactly when the history has such a step.
    connect(view_, &QWebEngineView::urlChanged, this, [this, back, forward] {
        if (back)
            back->setEnabled(view_->history()->canGoBack());
        if (forward)
            forward->setEnabled(view_->history()->canGoForward());
    });
    if (back)
        back->setEnabled(false);
    if (forward)
        forward->setEnabled(false);

    // A fixed-size window has no menu; its commands stay reachable through the toolbar (where
    // "Über..." joins them) and their shortcuts (F1 for "Über...").
    if (!settings_.fixedSize) {
        QMenu* file = nullptr;
        for (QAction* a : {print, exit})
            if (a) {
                if (!file)
                    file = menuBar()->addMenu(tr("&Datei"));
                file->addAction(a);
            }
        QMenu* nav = nullptr;
        for (QAction* a : {back, forward, homeAct, reload})
            if (a) {
                if (!nav)
                    nav = menuBar()->addMenu(tr("&Ansicht"));
                nav->addAction(a);
            }
        if (about)
            menuBar()->addMenu(tr("&Hilfe"))->addAction(about);
    }

    if (on(ToolBar)) {
        QList<QAction*> tools;
        for (QAction* a :
             {back, forward, homeAct, reload, print, settings_.fixedSize ? about : nullptr, exitButton})
            if (a)
                tools.append(a);
        if (!tools.isEmpty()) {
            toolBar_ = addToolBar(tr("Werkzeuge"));
            toolBar_->setObjectName("ToolBar");
            toolBar_->setMovable(false);
            toolBar_->setToolButtonStyle(Qt::ToolButtonTextOnly);
            toolBar_->addActions(tools);
        }
    }

    if (on(StatusBar)) {
        statusBar()->setObjectName("StatusBar");
        // Leaving a link clears only the link's own text, not what the window said meanwhile.
        connect(page_, &QWebEnginePage::linkHovered, statusBar(), [this](const QString& url) {
            if (!url.isEmpty())
                statusBar()->showMessage(displayUrl(QUrl(url)));
            else if (linkShown_)
                statusBar()->clearMessage();
            linkShown_ = !url.isEmpty();
        });
        connect(view_, &QWebEngineView::loadProgress, statusBar(), [this](int p) {
            if (p < 100)
                statusBar()->showMessage(tr("Lade... %1 %").arg(p));
            else
                statusBar()->clearMessage();
        });
    } else {
        setStatusBar(nullptr);
    }
}

ViewerWindow::~ViewerWindow()
{
    // The page must go before the profile its owner deletes after us.
    delete view_;
    view_ = nullptr;
}

void ViewerWindow::watchDownload(QWebEngineDownloadRequest* download)
{
    const auto ended = [this, download] {
        const QString name = download->downloadFileName();
        if (download->state() == QWebEngineDownloadRequest::DownloadCompleted) {
            // findChild: statusBar() would make one where the settings have none.
            if (auto* bar = findChild<QStatusBar*>()) {
                bar->showMessage(tr("Gespeichert: %1").arg(name));
                linkShown_ = false;
            }
            emit downloadEnded(name, false, {});
            return;
        }
        // Accepted, so not cancelled by the user: the engine gave up, for instance on a folder
        // it cannot make.
        const QString reason = download->interruptReasonString().isEmpty()
                                   ? tr("Die Datei konnte dort nicht angelegt werden")
                                   : download->interruptReasonString();
        emit downloadEnded(name, false, reason);
        auto* box = new QMessageBox(QMessageBox::Warning, windowTitle(),
                                    tr("Die Datei \u201E%1\u201C konnte nicht gespeichert werden.").arg(name),
                                    QMessageBox::Ok, this);
        box->setInformativeText(reason);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
    };
    if (download->isFinished())
        return ended();
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    connect(download, &QWebEngineDownloadRequest::isFinishedChanged, this, ended);
#else
    connect(download, &QWebEngineDownloadItem::finished, this, ended);
#endif
}

QAction* ViewerWindow::addCommand(const char* name, const QString& text, const QKeySequence& key)
{
    auto* action = new QAction(text, this);
    action->setObjectName(name);
    if (!key.isEmpty())
        action->setShortcut(key);
    addAction(action); // shortcuts work also without a menu
    return action;
}

bool ViewerWindow::eventFilter(QObject* watched, QEvent* event)
{
    const auto type = event->type();
    if (type == QEvent::MouseButtonRelease || type == QEvent::KeyPress) {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget && view_ && (widget == view_ || view_->isAncestorOf(widget)))
            if (auto* page = qobject_cast<ViewerPage*>(view_->page()))
                page->noteUserInput();
    }
    return QMainWindow::eventFilter(watched, event);
}

QString ViewerWindow::displayUrl(const QUrl& url) const
{
    // Addresses of the program are site paths, never folders of the computer the program was
    // built on; other addresses are shown as they are.
    if (url.scheme() != QLatin1String(ArchiveSchemeHandler::kScheme))
        return url.toDisplayString();
    QString path = url.path(QUrl::FullyDecoded);
    if (path.startsWith(QLatin1Char('/')))
        path = path.mid(1);
    if (url.hasFragment())
        path += QLatin1Char('#') + url.fragment(QUrl::FullyDecoded);
    return path;
}

QSize ViewerWindow::requestedSize() const
{
    return {std::clamp<int>(settings_.width, kMinSide, kMaxSide),
            std::clamp<int>(settings_.height, kMinSide, kMaxSide)};
}

void ViewerWindow::start()
{
    const QSize size = requestedSize();
    resize(size);
    if (!settings_.definedSize) {
        setWindowState(windowState() | Qt::WindowMaximized);
        show();
        return;
    }
    if (settings_.fixedSize)
        setFixedSize(size);
    show();
}

void ViewerWindow::goHome()
{
    view_->load(home_);
}

void ViewerWindow::printPage()
{
    if (!printer_)
        printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    QPrintDialog dialog(printer_.get(), this);
    dialog.setWindowTitle(tr("Drucken"));
    if (dialog.exec() == QDialog::Accepted)
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
        view_->print(printer_.get());
#else
        view_->page()->print(printer_.get(), [](bool) {});
#endif
}

void ViewerWindow::showAbout()
{
    const QString name = windowTitle();
    QMessageBox::about(this, tr("Über %1").arg(name),
                       tr("<h3>%1</h3><p>Erstellt mit Pagolux 2.0.</p>").arg(name.toHtmlEscaped()));
}

} // namespace pagolux
