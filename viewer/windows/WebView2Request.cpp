#include "viewer/windows/WebView2Request.h"

#include "viewer/core/SiteAddressSpace.h"
#include "viewer/core/ViewerPackage.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace pagolux::win_webview2 {
namespace {

constexpr std::string_view kOriginView{kOrigin};

char lowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool startsWithNoCase(std::string_view s, std::string_view prefix)
{
    return s.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), s.begin(),
                      [](char a, char b) { return lowerAscii(a) == lowerAscii(b); });
}

Answer fromBytes(int status, std::string reason, std::string headers, const std::string& mimeType,
                 const std::string& bytes)
{
    Answer a;
    a.status = status;
    a.reason = std::move(reason);
    a.headers = std::move(headers) + "Content-Type: " + mimeType +
                "\nContent-Length: " + std::to_string(bytes.size());
    a.body = std::make_unique<TMemoryStream>(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
    return a;
}

const char* reasonFor(int status)
{
    return status == 200 ? "OK" : status == 301 ? "Moved Permanently" : "Not Found";
}

} // namespace

std::string urlForPath(std::string_view sitePath)
{
    return std::string(kOrigin) + viewer::percentEncodePath(sitePath);
}

std::string urlForKey(const viewer::SiteAddressSpace& site, std::string_view key)
{
    return urlForPath(site.urlPathOf(key));
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
    // A blob: address of the origin holds what the site's own scripts made (a file to save).
    if (onOrigin(url) || url == "about:blank" || (startsWithNoCase(url, "blob:") && onOrigin(url.substr(5))))
        return Route::Load;
    if (startsWithNoCase(url, "http://") || startsWithNoCase(url, "https://"))
        return Route::External;
    return Route::Refuse;
}

Answer answer(const viewer::SiteAddressSpace& site, MemberSource& source, std::string_view url)
{
    if (!onOrigin(url))
        return fromBytes(404, reasonFor(404), "", "text/html", viewer::notFoundPageHtml(url));
    std::string path(url.substr(kOriginView.size()));
    if (path.empty() || path[0] != '/')
        path.insert(0, "/");
    const viewer::SiteAnswer found = site.resolve(path);
    if (found.status == 301)
        return fromBytes(301, reasonFor(301), "Location: " + std::string(kOrigin) + found.location + "\n",
                         "text/html", "");
    if (!found.member.empty()) {
        const auto size = source.size(found.member);
        auto body = size ? source.stream(found.member) : nullptr;
        if (body) {
            Answer a;
            a.status = found.status;
            a.reason = reasonFor(found.status);
            a.headers = "Content-Type: " + found.mimeType + "\nContent-Length: " + std::to_string(*size);
            a.body = std::move(body);
            return a;
        }
    }
    return fromBytes(404, reasonFor(404), "", "text/html", viewer::notFoundPageHtml(found.sitePath));
}

} // namespace pagolux::win_webview2
