#include "viewer/windows/WebView2Request.h"

#include "viewer/core/ViewerPackage.h"
#include "viewer/core/ViewerPaths.h"
#include "viewer/windows/ProtocolRequest.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace pagolux::win_webview2 {
namespace {

constexpr std::string_view kOriginView{kOrigin};

bool startsWithNoCase(std::string_view s, std::string_view prefix)
{
    return s.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), s.begin(), [](char a, char b) {
               const auto lower = [](char c) {
                   return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
               };
               return lower(a) == lower(b);
           });
}

// The same address in the viewer's own scheme, whose rules decide which member it names.
std::string inOwnScheme(std::string_view url)
{
    return std::string(win_protocol::kScheme) + "://" + win_protocol::kHost +
           std::string(url.substr(kOriginView.size()));
}

Answer fromBytes(int status, const std::string& mimeType, const std::string& bytes)
{
    Answer a;
    a.status = status;
    a.reason = status == 200 ? "OK" : "Not Found";
    a.headers = "Content-Type: " + mimeType + "\nContent-Length: " + std::to_string(bytes.size());
    a.body = std::make_unique<TMemoryStream>(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
    return a;
}

} // namespace

std::string urlForKey(std::string_view key)
{
    const std::string own = win_protocol::urlForKey(key);
    const std::size_t prefix =
        std::string_view(win_protocol::kScheme).size() + 3 + std::string_view(win_protocol::kHost).size();
    return std::string(kOrigin) + own.substr(prefix);
}

bool onOrigin(std::string_view url)
{
    if (!startsWithNoCase(url, kOriginView))
        return false;
    return url.size() == kOriginView.size() || url[kOriginView.size()] == '/' ||
           url[kOriginView.size()] == '?' || url[kOriginView.size()] == '#';
}

Route routeOf(std::string_view url)
{
    if (onOrigin(url) || url == "about:blank")
        return Route::Load;
    if (startsWithNoCase(url, "http://") || startsWithNoCase(url, "https://"))
        return Route::External;
    return Route::Refuse;
}

Answer answer(MemberSource& source, std::string_view url)
{
    if (!onOrigin(url))
        return fromBytes(404, "text/html", win_protocol::notFoundPage(url));
    const std::string own = inOwnScheme(url);
    if (const auto key = win_protocol::keyFromUrl(own)) {
        if (const auto size = source.size(*key)) {
            Answer a;
            a.reason = "OK";
            a.headers = "Content-Type: " + viewer_paths::mimeTypeFor(*key) +
                        "\nContent-Length: " + std::to_string(*size);
            a.body = source.stream(*key);
            if (a.body)
                return a;
        }
    }
    const win_protocol::Response r = win_protocol::respond(source, own);
    return fromBytes(r.status, r.mimeType, r.body);
}

} // namespace pagolux::win_webview2
