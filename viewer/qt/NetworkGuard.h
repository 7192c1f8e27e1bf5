#pragma once
// What a page may load from the network. Pages may name network addresses for what they show
// (scripts, styles, fonts, images, media, frames) and their scripts may fetch from them: sites
// made for the web need their libraries, fonts and embedded videos. Requests that show nothing
// and only tell a server that the page was opened — pings and beacons, CSP reports,
// prefetches — are refused. The web engine itself already refuses file:// and plain http
// content mixed into our secure pages.

#include <QWebEngineUrlRequestInterceptor>

namespace pagolux {

class NetworkGuard : public QWebEngineUrlRequestInterceptor {
    Q_OBJECT

  public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;

    // Whether a request of this type for url is refused.
    [[nodiscard]] static bool refuses(QWebEngineUrlRequestInfo::ResourceType type, const QUrl& url);

    void interceptRequest(QWebEngineUrlRequestInfo& info) override;
};

} // namespace pagolux
