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
}

namespace pagolux::win_protocol {

// The scheme and host of every page: pagolux://site/<folder>/<name>.
inline constexpr char kScheme[] = "pagolux";
inline constexpr char kHost[] = "site";

// The member key a URL names, or nothing: the scheme (any case) must be ours, the host must be
// ours, query and fragment are ignored, %XX escapes are decoded first (a malformed escape
// refuses the URL) and the decoded path must pass viewer_paths::keyFromUrlPath, so an escaped
// "..", "\" , ":" or NUL refuses it just as the plain one does.
[[nodiscard]] std::optional<std::string> keyFromUrl(std::string_view url);

// The path part of a URL after decoding its escapes ("" for a URL that is not ours).
[[nodiscard]] std::string decodedPath(std::string_view url);

// The URL of a member key; bytes outside the unreserved set and "/" are %XX-escaped.
[[nodiscard]] std::string urlForKey(std::string_view key);

// Resolves a reference against a base URL of ours (RFC 3986, section 5.2): relative paths,
// "../", absolute paths, "?query" and "#fragment". A reference with a scheme of its own is
// returned unchanged. Nothing when the base is not a hierarchical URL.
[[nodiscard]] std::optional<std::string> combineUrl(std::string_view base, std::string_view reference);

// The German page for a name that is not a member; the path is HTML-escaped.
[[nodiscard]] std::string notFoundPage(std::string_view path);

// The outcome of one request as the protocol answers it.
struct Response {
    int status = 200;     // 200, or 404 for a name that is not a member (or not allowed)
    std::string mimeType; // by the member's extension; "text/html" for the 404 page
    std::string body;
};

// What a URL is answered with: the member's bytes, or the German 404 page.
[[nodiscard]] Response respond(MemberSource& source, std::string_view url);

} // namespace pagolux::win_protocol
