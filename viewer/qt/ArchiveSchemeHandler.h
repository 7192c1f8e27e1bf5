#pragma once
// Serves a site under pagolux://site/<site path>, answering as a web server with the start
// file's folder as document root would (the rules of SiteAddressSpace): folder addresses, a
// redirect for a folder named without its "/", the site's own 404.html, case-exact names
// first. The scheme is registered before the application object exists as secure (a secure
// context for scripts) and CORS-enabled (XMLHttpRequest, and fetch through the page's bridge).
// It is deliberately not a "local" scheme: a local scheme's pages may read file:// URLs, and
// nothing on disk outside the site may be reachable from a page. Members are read off the
// window's thread and shared between requests (one inflation per member); members too large
// to hold are streamed as the engine consumes them. An unknown address answers a navigation
// with the site's 404.html or the built-in German page, and fails any other request (fetch
// rejects, an image fires onerror).

#include "viewer/core/SharedMemberReader.h"
#include "viewer/core/SiteAddressSpace.h"

#include <QByteArray>
#include <QThreadPool>
#include <QUrl>
#include <QWebEngineUrlSchemeHandler>

#include <cstdint>
#include <string>

namespace pagolux {

class MemberSource;

class ArchiveSchemeHandler : public QWebEngineUrlSchemeHandler {
    Q_OBJECT

  public:
    static constexpr char kScheme[] = "pagolux";
    static constexpr char kHost[] = "site";
    // Members up to this size are held in memory and shared; larger ones are streamed.
    static constexpr std::int64_t kSharedMemberLimit = 256LL * 1024 * 1024;

    // Must run before the QApplication is created.
    static void registerScheme();
    // The URL of a decoded site path ("/about/a b.html" -> pagolux://site/about/a%20b.html).
    [[nodiscard]] static QUrl urlForPath(const std::string& sitePath);

    ArchiveSchemeHandler(MemberSource& source, viewer::SiteAddressSpace site, QObject* parent = nullptr);
    // Waits for the reads still running.
    ~ArchiveSchemeHandler() override;
    void requestStarted(QWebEngineUrlRequestJob* job) override;

    [[nodiscard]] const viewer::SiteAddressSpace& site() const { return site_; }
    // Members above limit bytes are streamed instead of shared (kSharedMemberLimit by default).
    void setSharedMemberLimit(std::int64_t limit) { sharedLimit_ = limit; }
    // The address of the start page.
    [[nodiscard]] QUrl startUrl() const { return urlForPath(site_.startUrlPath()); }
    // The bytes inflated for requests so far (each shared member counts once).
    [[nodiscard]] std::int64_t bytesInflated() const { return reader_.bytesInflated(); }

  private:
    MemberSource& source_;
    viewer::SiteAddressSpace site_;
    SharedMemberReader reader_;
    QThreadPool readers_;
    std::int64_t sharedLimit_ = kSharedMemberLimit;
};

} // namespace pagolux
