#pragma once
// Serves the viewer's pages from memory under pagolux://site/<member path>. The scheme is
// registered before the application object exists as secure (a secure context for scripts)
// and CORS-enabled (XMLHttpRequest, and fetch through the page's bridge). It is deliberately
// not a "local" scheme: a local scheme's pages may read file:// URLs, and nothing on disk
// outside the archive may be reachable from a page. A name that is not a member answers 404: a small page for
// a navigation, a failed request for everything else (fetch rejects, an image fires onerror). Nothing outside
// the archive is ever read.

#include <QByteArray>
#include <QUrl>
#include <QWebEngineUrlSchemeHandler>

#include <string>

namespace pagolux {

class MemberSource;

class ArchiveSchemeHandler : public QWebEngineUrlSchemeHandler {
    Q_OBJECT

  public:
    static constexpr char kScheme[] = "pagolux";
    static constexpr char kHost[] = "site";

    // Must run before the QApplication is created.
    static void registerScheme();
    // The URL of a member key ("\web\index.html" -> pagolux://site/web/index.html).
    [[nodiscard]] static QUrl urlForKey(const std::string& key);
    // The HTML of the page shown for a name that is not a member.
    [[nodiscard]] static QByteArray notFoundPage(const QString& path);

    explicit ArchiveSchemeHandler(MemberSource& source, QObject* parent = nullptr);
    void requestStarted(QWebEngineUrlRequestJob* job) override;

  private:
    MemberSource& source_;
};

} // namespace pagolux
