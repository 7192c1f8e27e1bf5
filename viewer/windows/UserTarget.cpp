#include "viewer/windows/UserTarget.h"

#include "viewer/windows/ProtocolRequest.h"

#include <utility>

namespace pagolux::win {
namespace {

char lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string lowerText(std::string_view text)
{
    std::string out;
    for (const char c : text)
        out += lower(c);
    return out;
}

bool isHex(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

char upperHex(char c)
{
    return c >= 'a' && c <= 'f' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool isSchemeChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '+' ||
           c == '-' || c == '.';
}

// Path and query with every escape in one spelling: existing escapes get upper-case hex,
// spaces, controls and bytes beyond ASCII are escaped.
void appendEscaped(std::string& out, std::string_view part)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    for (std::size_t i = 0; i < part.size(); ++i) {
        const auto byte = static_cast<unsigned char>(part[i]);
        if (byte == '%' && i + 2 < part.size() && isHex(part[i + 1]) && isHex(part[i + 2])) {
            out += '%';
            out += upperHex(part[i + 1]);
            out += upperHex(part[i + 2]);
            i += 2;
        } else if (byte <= 0x20 || byte >= 0x7F) {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 0xF];
        } else {
            out += static_cast<char>(byte);
        }
    }
}

// host[:port] in lower case, without the scheme's default port; user information stays as it is.
std::string comparableAuthority(std::string_view authority, std::string_view scheme)
{
    const std::size_t at = authority.rfind('@');
    std::string out(authority.substr(0, at == std::string_view::npos ? 0 : at + 1));
    std::string_view hostPort = at == std::string_view::npos ? authority : authority.substr(at + 1);
    // The port follows the last ":" that is not inside an IPv6 literal's brackets.
    const std::size_t colon = hostPort.rfind(':');
    const std::size_t bracket = hostPort.rfind(']');
    if (colon != std::string_view::npos && (bracket == std::string_view::npos || colon > bracket)) {
        const std::string_view port = hostPort.substr(colon + 1);
        if (port.empty() || (scheme == "http" && port == "80") || (scheme == "https" && port == "443"))
            hostPort = hostPort.substr(0, colon);
    }
    return out + lowerText(hostPort);
}

std::optional<ActTarget> resolved(std::string_view base, std::string_view reference, bool queryReplaced)
{
    auto address = win_protocol::combineUrl(base, reference);
    if (!address)
        return std::nullopt;
    return ActTarget{std::move(*address), queryReplaced};
}

std::optional<ActTarget> formTarget(const PageElement& submitter, std::string_view base)
{
    const auto form = submitter.form();
    if (!form)
        return std::nullopt;
    std::string action = submitter.attribute("formaction");
    if (action.empty())
        action = form->action;
    std::string method = submitter.attribute("formmethod");
    if (method.empty())
        method = form->method;
    return resolved(base, action, lowerText(method) != "post");
}

// Parents are followed this far at most (a document nests far less deeply).
constexpr int kMaxDepth = 4096;

} // namespace

std::optional<ActTarget> targetOf(std::unique_ptr<PageElement> element, Act act, std::string_view base)
{
    for (int depth = 0; element && depth < kMaxDepth; ++depth, element = element->parent()) {
        const std::string tag = lowerText(element->tag());
        if (tag == "a" || tag == "area") {
            const std::string href = element->href();
            // An anchor without an address is no link: what holds it may still be one.
            if (act != Act::Space && !href.empty())
                return resolved(base, href, false);
        } else if (tag == "button") {
            if (lowerText(element->type()) != "submit")
                return std::nullopt;
            return formTarget(*element, base);
        } else if (tag == "input") {
            const std::string type = lowerText(element->type());
            const bool submits = type == "submit" || type == "image";
            const bool textField = type == "text" || type == "search" || type == "email" || type == "url" ||
                                   type == "tel" || type == "password" || type == "number";
            if (!submits && !(textField && act == Act::Enter))
                return std::nullopt;
            return formTarget(*element, base);
        }
    }
    return std::nullopt;
}

std::string comparableAddress(std::string_view url, bool withoutQuery)
{
    url = url.substr(0, url.find('#'));
    if (withoutQuery)
        url = url.substr(0, url.find('?'));

    std::string out;
    std::string scheme;
    const std::size_t colon = url.find(':');
    bool hasScheme = colon != std::string_view::npos && colon > 0;
    for (std::size_t i = 0; hasScheme && i < colon; ++i)
        hasScheme = isSchemeChar(url[i]);
    if (hasScheme) {
        scheme = lowerText(url.substr(0, colon));
        out = scheme + ':';
        url.remove_prefix(colon + 1);
    }
    if (url.substr(0, 2) == "//") {
        url.remove_prefix(2);
        const std::size_t end = url.find_first_of("/?");
        out += "//" + comparableAuthority(url.substr(0, end), scheme);
        url = end == std::string_view::npos ? std::string_view() : url.substr(end);
        // An address without a path names the root.
        if (url.empty() || url.front() == '?')
            out += '/';
    }
    appendEscaped(out, url);
    return out;
}

bool UserActs::fresh(std::uint32_t now) const
{
    // The clock wraps (a tick count of 32 bits): the difference is still right across the wrap.
    return at_ && static_cast<std::uint32_t>(now - *at_) <= kWindowMs;
}

void UserActs::noteAct(std::uint32_t now, std::optional<ActTarget> target)
{
    at_ = now;
    target_ = std::move(target);
}

bool UserActs::takeNavigation(std::string_view url, std::uint32_t now)
{
    if (!fresh(now) || !target_)
        return false;
    const bool replaced = target_->queryReplaced;
    if (comparableAddress(url, replaced) != comparableAddress(target_->address, replaced))
        return false;
    at_.reset();
    target_.reset();
    return true;
}

bool UserActs::takeWindow(std::uint32_t now)
{
    if (!fresh(now))
        return false;
    at_.reset();
    target_.reset();
    return true;
}

} // namespace pagolux::win
