#pragma once
// How the WebView2 engine's pages are answered: the site lives on a made-up secure origin that
// never reaches the network, and each request to it is answered by the shared site rules from
// the program's own members (as a stream read only as the engine consumes it), with a
// redirect for a folder named without "/", or with the site's or the built-in 404 page. Plain
// C++, so it is the same on every system and testable without Windows.

#include "archive/TStream.h"

#include <memory>
#include <string>
#include <string_view>

namespace pagolux {
class MemberSource;
namespace viewer {
class SiteAddressSpace;
}
} // namespace pagolux

namespace pagolux::win_webview2 {

// The origin of every page, and the request filter that sends all of its requests to us.
inline constexpr char kOrigin[] = "https://pagolux.localhost";
inline constexpr char kFilter[] = "https://pagolux.localhost/*";

// The address of a decoded site path ("/a b.html") on the origin.
[[nodiscard]] std::string urlForPath(std::string_view sitePath);
// The address of a member on the origin.
[[nodiscard]] std::string urlForKey(const viewer::SiteAddressSpace& site, std::string_view key);

// True for an address on the origin (scheme and host in any case, nothing after the host but
// a path, query or fragment).
[[nodiscard]] bool onOrigin(std::string_view url);

// Where a navigation of the engine goes.
enum class Route {
    Load,     // the origin, its blob: addresses or about:blank: the engine shows it
    External, // http(s) elsewhere: the default browser, when the user asked for it
    Refuse,   // anything else (files on disk, other schemes): nowhere
};
[[nodiscard]] Route routeOf(std::string_view url);

// One answer: status, reason phrase, the raw header block ("Name: value" lines joined by
// "\n") and the body as a stream.
struct Answer {
    int status = 200;
    std::string reason;
    std::string headers;
    std::unique_ptr<TStream> body;
};

// The answer for a request to url.
[[nodiscard]] Answer answer(const viewer::SiteAddressSpace& site, MemberSource& source, std::string_view url);

} // namespace pagolux::win_webview2
