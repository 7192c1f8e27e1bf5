#pragma once
// The viewer's web page: it navigates only within pagolux://site/, hands http(s) links to the
// user's browser and refuses everything else (file:// above all). Links that ask for a new
// window open in the same view or, when external, in the browser. Only an act of the user
// (a click or a key press in the view, told through noteUserInput) lets one navigation leave
// for the browser: scripts that open windows, redirect, submit forms or click links on their
// own never start the browser.

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

    // The user just clicked or pressed a key in the view showing this page.
    void noteUserInput();
    // Hands url to the browser when the user acted just before, using that act up; returns
    // whether it did.
    bool openExternally(const QUrl& url);

  protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
    QWebEnginePage* createWindow(WebWindowType type) override;

  private:
    ExternalOpener openExternal_;
    QElapsedTimer lastInput_;
    bool inputPending_ = false;
};

} // namespace pagolux
