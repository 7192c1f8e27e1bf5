#pragma once
// The viewer's web page: it navigates only within pagolux://site/, hands http(s) links to the
// user's browser and refuses everything else (file:// above all). Links that ask for a new
// window open in the same view or, when external, in the browser. Only what an act of the user
// started lets one navigation leave for the browser: the window must have seen the click or
// key (noteUserInput), and the page must still be handling that trusted event. A script in a
// world of its own, which the page's scripts cannot reach, reports the start and the end of
// each trusted click or key event through console lines carrying a secret token; a window.open,
// a redirect or a link click that a page's timer makes after the event has ended (however soon
// after the user's click) never starts the browser.

#include "viewer/qt/DownloadRequest.h"

#include <QElapsedTimer>
#include <QUrl>
#include <QWebEnginePage>

#include <functional>

namespace pagolux {

class ViewerPage : public QWebEnginePage {
    Q_OBJECT

  public:
    using ExternalOpener = std::function<void(const QUrl&)>;

    ViewerPage(QWebEngineProfile* profile, ExternalOpener openExternal, QObject* parent = nullptr);

    // What a navigation to url does: load it here, open it outside, or nothing.
    enum class Route { Load, External, Refuse };
    [[nodiscard]] static Route route(const QUrl& url);

    // Where a download would go by default: the engine's download folder where it exists, else
    // the home folder, and the file's name.
    [[nodiscard]] static QString suggestedPath(const QWebEngineDownloadRequest* download);
    // Sends download to target, a file path the user chose, or cancels it when target is empty.
    static void saveDownload(QWebEngineDownloadRequest* download, const QString& target);

    // The user just clicked or pressed a key in the view showing this page.
    void noteUserInput();
    // Hands url to the browser when the user acted just before, using that act up; returns
    // whether it did.
    bool openExternally(const QUrl& url);

  protected:
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message, int line,
                                  const QString& source) override;
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
    QWebEnginePage* createWindow(WebWindowType type) override;

  private:
    ExternalOpener openExternal_;
    QElapsedTimer lastInput_;
    bool inputPending_ = false;
    QString actToken_;     // secret of the act-reporting script
    QElapsedTimer act_;    // since the start of the trusted event being handled
    bool actOpen_ = false; // a trusted event is being handled right now
};

} // namespace pagolux
