#include "viewer/qt/ViewerPage.h"

#include "viewer/qt/ArchiveSchemeHandler.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
#include <QWebEngineDownloadRequest>
#else
#include <QWebEngineDownloadItem>
#endif
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>

namespace pagolux {
namespace {

// Catches the first navigation of a page opened for a new window and redirects it: our own
// pages into the main view, external ones to the browser. It then deletes itself.
class NewWindowCatcher : public QWebEnginePage {
  public:
    NewWindowCatcher(QWebEngineProfile* profile, ViewerPage* main)
        : QWebEnginePage(profile, main), main_(main)
    {
    }

  protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType, bool) override
    {
        switch (ViewerPage::route(url)) {
        case ViewerPage::Route::Load:
            main_->load(url);
            break;
        case ViewerPage::Route::External:
            main_->openExternally(url);
            break;
        case ViewerPage::Route::Refuse:
            break;
        }
        deleteLater();
        return false;
    }

  private:
    ViewerPage* main_;
};

// How long after a click or key press a navigation still counts as the user's (the engine
// delivers it a few milliseconds later; its own user activation lasts five seconds).
constexpr qint64 kUserActMs = 2000;
// The longest a page's handling of one trusted event counts as the user's act, should its end
// never be reported (a handler that loops).
constexpr qint64 kActMs = 1000;

// Runs in a world of its own: reports the start of every trusted click or key event and, once
// the page's handlers and the default action have run, its end. %1 is the page's secret.
constexpr char kActReporter[] = R"JS(
(() => {
  const token = '%1';
  const mark = (event) => {
    if (!event.isTrusted)
      return;
    console.info(token + ' act');
    setTimeout(() => console.info(token + ' end'), 0);
  };
  for (const type of ['click', 'auxclick', 'keydown', 'keyup'])
    window.addEventListener(type, mark, true);
})();
)JS";

// This web engine's fetch() knows only its built-in schemes; XMLHttpRequest serves ours. The
// wrapper answers fetch() for pagolux: URLs through XMLHttpRequest with a real Response, and
// leaves every other URL to the engine. A missing member rejects, as a network error does.
constexpr char kFetchBridge[] = R"JS(
(() => {
  const engineFetch = window.fetch;
  window.fetch = function (input, init) {
    const request = input instanceof Request ? input : null;
    const url = new URL(request ? request.url : String(input), document.baseURI);
    if (url.protocol !== 'pagolux:')
      return engineFetch.apply(this, arguments);
    const method = ((init && init.method) || (request && request.method) || 'GET').toUpperCase();
    const signal = (init && init.signal) || (request && request.signal);
    return new Promise((resolve, reject) => {
      if (signal && signal.aborted)
        return reject(new DOMException('The operation was aborted.', 'AbortError'));
      const xhr = new XMLHttpRequest();
      xhr.open(method, url.href, true);
      xhr.responseType = 'arraybuffer';
      xhr.onload = () => {
        const headers = new Headers();
        const type = xhr.getResponseHeader('Content-Type');
        if (type)
          headers.set('Content-Type', type);
        const body = method === 'HEAD' ? null : xhr.response;
        resolve(new Response(body, { status: xhr.status || 200, headers }));
      };
      xhr.onerror = () => reject(new TypeError('Failed to fetch'));
      xhr.onabort = () => reject(new DOMException('The operation was aborted.', 'AbortError'));
      if (signal)
        signal.addEventListener('abort', () => xhr.abort());
      xhr.send();
    });
  };
})();
)JS";

} // namespace

ViewerPage::ViewerPage(QWebEngineProfile* profile, ExternalOpener openExternal, QObject* parent)
    : QWebEnginePage(profile, parent), openExternal_(std::move(openExternal))
{
    QWebEngineSettings* s = settings();
    s->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
    s->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    s->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, true);
    // PDF members show in the engine's own PDF viewer.
    s->setAttribute(QWebEngineSettings::PluginsEnabled, true);
    s->setAttribute(QWebEngineSettings::PdfViewerEnabled, true);
    // The window shows the program's own icon, never a page's: the engine need not fetch and
    // decode page icons.
    s->setAttribute(QWebEngineSettings::AutoLoadIconsForPage, false);

    QWebEngineScript bridge;
    bridge.setName("pagolux-fetch");
    bridge.setSourceCode(QString::fromLatin1(kFetchBridge));
    bridge.setInjectionPoint(QWebEngineScript::DocumentCreation);
    bridge.setWorldId(QWebEngineScript::MainWorld);
    bridge.setRunsOnSubFrames(true);
    scripts().insert(bridge);

    actToken_ = QString::number(QRandomGenerator::system()->generate64(), 36) +
                QString::number(QRandomGenerator::system()->generate64(), 36);
    QWebEngineScript reporter;
    reporter.setName("pagolux-act");
    reporter.setSourceCode(QString::fromLatin1(kActReporter).arg(actToken_));
    reporter.setInjectionPoint(QWebEngineScript::DocumentCreation);
    reporter.setWorldId(QWebEngineScript::ApplicationWorld);
    reporter.setRunsOnSubFrames(true);
    scripts().insert(reporter);
}

void ViewerPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message,
                                          int line, const QString& source)
{
    if (message.startsWith(actToken_)) {
        const QStringView what = QStringView(message).mid(actToken_.size());
        if (what == QLatin1String(" act")) {
            actOpen_ = true;
            act_.start();
        } else if (what == QLatin1String(" end")) {
            actOpen_ = false;
        }
        return;
    }
    QWebEnginePage::javaScriptConsoleMessage(level, message, line, source);
}

ViewerPage::Route ViewerPage::route(const QUrl& url)
{
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String(ArchiveSchemeHandler::kScheme))
        return url.host() == QLatin1String(ArchiveSchemeHandler::kHost) ? Route::Load : Route::Refuse;
    if (scheme == QLatin1String("http") || scheme == QLatin1String("https"))
        return Route::External;
    // about:blank and inline frames built by scripts stay possible; data: documents are
    // allowed only inside frames (checked by the caller).
    if (url.toString() == QLatin1String("about:blank"))
        return Route::Load;
    return Route::Refuse;
}

bool ViewerPage::acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame)
{
    switch (route(url)) {
    case Route::Load:
        return true;
    case Route::External:
        // Only a link click or form submission the user made leaves for the browser; a frame,
        // a script's redirect, click or submit is simply not followed.
        if (isMainFrame && (type == NavigationTypeLinkClicked || type == NavigationTypeFormSubmitted))
            openExternally(url);
        return false;
    case Route::Refuse:
        break;
    }
    return false;
}

QWebEnginePage* ViewerPage::createWindow(WebWindowType)
{
    return new NewWindowCatcher(profile(), this);
}

QString ViewerPage::suggestedPath(const QWebEngineDownloadRequest* download)
{
    // The engine names ~/Downloads also where there is none; the dialog, given a folder that does
    // not exist, would open in the working folder instead. The home folder is the better guess.
    QString folder = download->downloadDirectory();
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = QDir::homePath();
    return QDir(folder).filePath(download->downloadFileName());
}

void ViewerPage::saveDownload(QWebEngineDownloadRequest* download, const QString& target)
{
    if (target.isEmpty()) {
        download->cancel();
        return;
    }
    const QFileInfo info(target);
    download->setDownloadDirectory(info.absolutePath());
    download->setDownloadFileName(info.fileName());
    download->accept();
}

void ViewerPage::noteUserInput()
{
    lastInput_.start();
    inputPending_ = true;
}

bool ViewerPage::openExternally(const QUrl& url)
{
    if (!openExternal_ || !inputPending_ || lastInput_.elapsed() > kUserActMs || !actOpen_ ||
        act_.elapsed() > kActMs)
        return false;
    inputPending_ = false;
    actOpen_ = false;
    openExternal_(url);
    return true;
}

} // namespace pagolux
