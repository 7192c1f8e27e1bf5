#include "viewer/windows/ProtocolRequest.h"

#include "viewer/core/SiteAddressSpace.h"
#include "viewer/core/ViewerPackage.h"
#include "viewer/core/ViewerPaths.h"

#include <algorithm>
#include <vector>

namespace pagolux::win_protocol {
namespace {

char lowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalsNoCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return lowerAscii(x) == lowerAscii(y); });
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    c = lowerAscii(c);
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

std::optional<std::string> percentDecode(std::string_view s)
{
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '%') {
            out += s[i];
            continue;
        }
        if (i + 2 >= s.size())
            return std::nullopt;
        const int hi = hexDigit(s[i + 1]);
        const int lo = hexDigit(s[i + 2]);
        if (hi < 0 || lo < 0)
            return std::nullopt;
        out += static_cast<char>(hi << 4 | lo);
        i += 2;
    }
    return out;
}

// The parts of a URL in the sense of RFC 3986, appendix B.
struct UrlParts {
    std::optional<std::string_view> scheme;
    std::optional<std::string_view> authority;
    std::string_view path;
    std::optional<std::string_view> query;
    std::optional<std::string_view> fragment;
};

UrlParts split(std::string_view url)
{
    UrlParts p;
    if (const auto hash = url.find('#'); hash != std::string_view::npos) {
        p.fragment = url.substr(hash + 1);
        url = url.substr(0, hash);
    }
    if (const auto q = url.find('?'); q != std::string_view::npos) {
        p.query = url.substr(q + 1);
        url = url.substr(0, q);
    }
    const auto colon = url.find(':');
    const auto firstStop = url.find_first_of("/");
    if (colon != std::string_view::npos && colon > 0 &&
        (firstStop == std::string_view::npos || colon < firstStop)) {
        const std::string_view scheme = url.substr(0, colon);
        const bool valid = std::all_of(scheme.begin(), scheme.end(), [](char c) {
            return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '+' ||
                   c == '-' || c == '.';
        });
        if (valid) {
            p.scheme = scheme;
            url = url.substr(colon + 1);
        }
    }
    if (url.substr(0, 2) == "//") {
        url = url.substr(2);
        const auto slash = url.find('/');
        p.authority = url.substr(0, slash);
        url = slash == std::string_view::npos ? std::string_view() : url.substr(slash);
    }
    p.path = url;
    return p;
}

// RFC 3986, section 5.2.4.
std::string removeDotSegments(std::string_view input)
{
    std::vector<std::string_view> out;
    const bool absolute = !input.empty() && input.front() == '/';
    std::size_t start = absolute ? 1 : 0;
    bool trailingSlash = false;
    while (start <= input.size()) {
        const std::size_t end = std::min(input.find('/', start), input.size());
        const std::string_view seg = input.substr(start, end - start);
        const bool last = end == input.size();
        if (seg == "..") {
            if (!out.empty())
                out.pop_back();
            trailingSlash = last;
        } else if (seg == ".") {
            trailingSlash = last;
        } else {
            out.push_back(seg);
            trailingSlash = false;
        }
        start = end + 1;
    }
    std::string result = absolute ? "/" : "";
    for (std::size_t i = 0; i < out.size(); ++i) {
        if (i > 0)
            result += '/';
        result += out[i];
    }
    if (trailingSlash && (result.empty() || result.back() != '/'))
        result += '/';
    return result;
}

std::string join(const UrlParts& p)
{
    std::string s;
    if (p.scheme)
        s.append(*p.scheme).append(":");
    if (p.authority)
        s.append("//").append(*p.authority);
    s.append(p.path);
    if (p.query)
        s.append("?").append(*p.query);
    if (p.fragment)
        s.append("#").append(*p.fragment);
    return s;
}

} // namespace

std::optional<std::string> keyFromUrl(std::string_view url)
{
    const UrlParts p = split(url);
    if (!p.scheme || !equalsNoCase(*p.scheme, kScheme) || !p.authority || !equalsNoCase(*p.authority, kHost))
        return std::nullopt;
    const auto path = percentDecode(p.path);
    if (!path)
        return std::nullopt;
    return viewer_paths::keyFromUrlPath(*path);
}

std::optional<std::string> combineUrl(std::string_view base, std::string_view reference)
{
    const UrlParts b = split(base);
    if (!b.scheme || !b.authority)
        return std::nullopt;
    const UrlParts r = split(reference);
    if (r.scheme)
        return std::string(reference);
    UrlParts t;
    std::string path;
    t.scheme = b.scheme;
    if (r.authority) {
        t.authority = r.authority;
        path = removeDotSegments(r.path);
        t.query = r.query;
    } else {
        t.authority = b.authority;
        if (r.path.empty()) {
            path = std::string(b.path);
            t.query = r.query ? r.query : b.query;
        } else {
            if (r.path.front() == '/') {
                path = removeDotSegments(r.path);
            } else {
                std::string merged;
                if (b.path.empty())
                    merged = "/";
                else
                    merged = std::string(b.path.substr(0, b.path.rfind('/') + 1));
                merged += r.path;
                path = removeDotSegments(merged);
            }
            t.query = r.query;
        }
    }
    t.fragment = r.fragment;
    t.path = path;
    return join(t);
}

std::string notFoundPage(std::string_view path)
{
    return viewer::notFoundPageHtml(path);
}

std::string urlForPath(std::string_view sitePath)
{
    return std::string(kScheme) + "://" + kHost + viewer::percentEncodePath(sitePath);
}

Response respond(MemberSource& source, const viewer::SiteAddressSpace& site, std::string_view url)
{
    Response r;
    const UrlParts p = split(url);
    const bool ours =
        p.scheme && equalsNoCase(*p.scheme, kScheme) && p.authority && equalsNoCase(*p.authority, kHost);
    viewer::SiteAnswer answer;
    if (ours) {
        answer = site.resolve(p.path);
        if (answer.status == 301) {
            // The folder's index page, answered under the folder's address with its "/".
            r.location = urlForPath(answer.sitePath + "/");
            answer = site.resolve(viewer::percentEncodePath(answer.sitePath + "/"));
        }
    } else {
        answer.status = 404;
        answer.sitePath = std::string(url);
    }
    if (!answer.member.empty()) {
        if (auto bytes = source.read(answer.member)) {
            r.status = answer.status;
            r.mimeType = std::string(viewer::mimeTypeFor(answer.member));
            r.body.assign(bytes->begin(), bytes->end());
            return r;
        }
    }
    r.status = 404;
    r.mimeType = "text/html";
    r.body = notFoundPage(answer.sitePath);
    return r;
}

bool userStartedNewWindow(unsigned long flags)
{
    constexpr unsigned long kUserInited = 0x2, kFirst = 0x4; // NWMF_USERINITED, NWMF_FIRST
    return (flags & kUserInited) != 0 && (flags & kFirst) != 0;
}

bool deniedUrlAction(unsigned long action)
{
    constexpr unsigned long kDownloadMin = 0x1000, kActiveXMax = 0x13FF; // downloads and ActiveX
    constexpr unsigned long kScriptActiveX = 0x1405, kScriptPaste = 0x1407;
    constexpr unsigned long kOverrideSafety = 0x1401; // script ActiveX not marked safe
    return (action >= kDownloadMin && action <= kActiveXMax) || action == kScriptActiveX ||
           action == kScriptPaste || action == kOverrideSafety;
}

} // namespace pagolux::win_protocol
