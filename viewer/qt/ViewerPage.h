#pragma once
// The viewer's web page: it navigates only within pagolux://site/, hands http(s) links to the
// user's browser and refuses everything else (file:// above all). Links that ask for a new
// window open in the same view or, when external, in the browser.

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

  protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
    QWebEnginePage* createWindow(WebWindowType type) override;

  private:
    ExternalOpener openExternal_;
};

} // namespace pagolux
