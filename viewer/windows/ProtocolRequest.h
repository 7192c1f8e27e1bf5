#pragma once
// The viewer's own URLs as the Windows viewer's pluggable protocol sees them: which member a
// URL names, the URL of a member, how a relative reference resolves against a page, and the
// page served for a name that is not a member. Plain C++ over UTF-8 strings, so that it is
// the same on every system and testable without Windows.

#include <optional>
#include <string>
#include <string_view>

namespace pagolux {
class MemberSource;
namespace viewer {
class SiteAddressSpace;
}
} // namespace pagolux

namespace pagolux::win_protocol {

// The scheme and host of every page: pagolux://site/<folder>/<name>.
inline constexpr char kScheme[] = "pagolux";
inline constexpr char kHost[] = "site";

// The member key a URL names, or nothing: the scheme (any case) must be ours, the host must be
// ours, query and fragment are ignored, %XX escapes are decoded first (a malformed escape
// refuses the URL) and the decoded path must pass viewer_paths::keyFromUrlPath, so an escaped
// "..", "\" , ":" or NUL refuses it just as the plain one does.
[[nodiscard]] std::optional<std::string> keyFromUrl(std::string_view url);

// Resolves a reference against a base URL of ours (RFC 3986, section 5.2): relative paths,
// "../", absolute paths, "?query" and "#fragment". A reference with a scheme of its own is
// returned unchanged. Nothing when the base is not a hierarchical URL.
[[nodiscard]] std::optional<std::string> combineUrl(std::string_view base, std::string_view reference);

// The URL of a decoded site path ("/about/a b.html" -> pagolux://site/about/a%20b.html);
// bytes outside the unreserved set, "/" and a path's sub-delimiters are %XX-escaped.
[[nodiscard]] std::string urlForPath(std::string_view sitePath);

// The German page for a name that is not a member; the path is HTML-escaped.
[[nodiscard]] std::string notFoundPage(std::string_view path);

// The outcome of one request as the protocol answers it.
struct Response {
    int status = 200;     // 200, or 404 for an address that names nothing (the site's own
                          // 404.html or the German page)
    std::string mimeType; // by the member's extension; "text/html" for the 404 page
    std::string body;
    std::string location; // a folder named without its "/": the URL the answer belongs to
                          // (the body is that folder's index page)
};

// What a URL is answered with, by the site's address rules: the member's bytes, a folder's
// index page (with location set when the "/" was missing), or the site's 404.html or the
// German 404 page with status 404.
[[nodiscard]] Response respond(MemberSource& source, const viewer::SiteAddressSpace& site,
                               std::string_view url);

// Whether a new window the browser control asks for (its NewWindow3 flags) was started by the
// user's own click or key: the control marks such a request as user-initiated and as the
// first of that act; a script's timer gets neither.
[[nodiscard]] bool userStartedNewWindow(unsigned long flags);

// The URL actions the viewer's pages never get, whatever the zone's settings say: running or
// downloading ActiveX controls, scripting them, and reading the clipboard.
[[nodiscard]] bool deniedUrlAction(unsigned long action);

} // namespace pagolux::win_protocol
