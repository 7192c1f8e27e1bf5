#include "viewer/core/SiteAddressSpace.h"

#include <algorithm>
#include <array>
#include <utility>

namespace pagolux::viewer {
namespace {

char lowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string lowered(std::string_view text)
{
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), lowerAscii);
    return out;
}

// The folder part of a key, "\" at its end ("\a\b.html" -> "\a\"; "b.html" -> "").
std::string folderOf(std::string_view key)
{
    const auto slash = key.rfind('\\');
    return slash == std::string_view::npos ? std::string() : std::string(key.substr(0, slash + 1));
}

// The parent of a folder key ("\a\b\" -> "\a\", "\" -> "", "a\" -> "").
std::string parentOf(std::string_view folder)
{
    folder.remove_suffix(1);
    return folderOf(folder);
}

// The longest folder prefix both share.
std::string sharedFolder(std::string_view a, std::string_view b)
{
    std::size_t end = 0;
    for (std::size_t i = 0; i < std::min(a.size(), b.size()) && a[i] == b[i]; ++i)
        if (a[i] == '\\')
            end = i + 1;
    return std::string(a.substr(0, end));
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string htmlEscaped(std::string_view text)
{
    std::string out;
    for (const char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&#39;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

} // namespace

SiteAddressSpace::SiteAddressSpace(std::vector<std::string> memberKeys, std::string startKey)
    : keys_(std::move(memberKeys))
{
    for (std::size_t i = 0; i < keys_.size(); ++i) {
        const std::string& key = keys_[i];
        exact_.insert(key);
        folded_.emplace(lowered(key), i); // keeps the first of several spellings
        for (std::size_t pos = key.find('\\'); pos != std::string::npos; pos = key.find('\\', pos + 1)) {
            folders_.insert(key.substr(0, pos + 1));
            foldedFolders_.insert(lowered(key.substr(0, pos + 1)));
        }
    }

    // The start is a member (exact, else by case), or a folder whose index page starts.
    std::string startFolderKey = startKey;
    if (!startFolderKey.empty() && startFolderKey.back() != '\\')
        startFolderKey += '\\';
    if (exact_.count(startKey) != 0) {
        startMember_ = startKey;
        rootFolder_ = folderOf(startKey);
    } else if (foldedFolders_.count(lowered(startFolderKey)) != 0) {
        startIsFolder_ = true;
        rootFolder_ = startFolderKey;
        // The folder as the archive spells it, when the start path differs in case.
        if (folders_.count(startFolderKey) == 0)
            for (const auto& folder : folders_)
                if (lowered(folder) == lowered(startFolderKey))
                    rootFolder_ = folder;
    } else if (auto it = folded_.find(lowered(startKey)); it != folded_.end()) {
        startMember_ = keys_[it->second];
        rootFolder_ = folderOf(startMember_);
    } else {
        rootFolder_ = folderOf(startKey);
    }

    // The folder every member lies in bounds how far lookups climb above the site root.
    std::string shared = rootFolder_;
    for (const auto& key : keys_)
        shared = sharedFolder(shared, folderOf(key));
    for (std::string folder = rootFolder_;; folder = parentOf(folder)) {
        searchFolders_.push_back(folder);
        if (folder.size() <= shared.size())
            break;
    }

    if (startIsFolder_)
        startMember_ = indexOf("");
}

std::string SiteAddressSpace::startUrlPath() const
{
    if (startIsFolder_ || startMember_.empty())
        return "/";
    return urlPathOf(startMember_);
}

std::string SiteAddressSpace::findMember(std::string_view rel, bool foldCase) const
{
    for (const auto& folder : searchFolders_) {
        const std::string key = folder + std::string(rel);
        if (!foldCase) {
            if (exact_.count(key) != 0)
                return key;
        } else if (auto it = folded_.find(lowered(key)); it != folded_.end()) {
            return keys_[it->second];
        }
    }
    return {};
}

bool SiteAddressSpace::isFolder(std::string_view rel, bool foldCase) const
{
    for (const auto& folder : searchFolders_) {
        const std::string key = folder + std::string(rel) + '\\';
        if (foldCase ? foldedFolders_.count(lowered(key)) != 0 : folders_.count(key) != 0)
            return true;
    }
    return false;
}

std::string SiteAddressSpace::indexOf(const std::string& folderRel) const
{
    // The root's index lies in the start folder only: a parent folder's index page is another
    // site's.
    if (folderRel.empty()) {
        for (const bool foldCase : {false, true}) {
            for (const auto name : kIndexNames) {
                const std::string key = rootFolder_ + std::string(name);
                if (!foldCase && exact_.count(key) != 0)
                    return key;
                if (auto it = folded_.find(lowered(key)); foldCase && it != folded_.end())
                    return keys_[it->second];
            }
        }
        return {};
    }
    for (const bool foldCase : {false, true})
        for (const auto name : kIndexNames)
            if (auto member = findMember(folderRel + '\\' + std::string(name), foldCase); !member.empty())
                return member;
    return {};
}

SiteAnswer SiteAddressSpace::resolve(std::string_view encodedUrlPath) const
{
    const auto cut = encodedUrlPath.find_first_of("?#");
    if (cut != std::string_view::npos)
        encodedUrlPath = encodedUrlPath.substr(0, cut);
    const std::string decoded = percentDecode(encodedUrlPath);

    SiteAnswer answer;
    // Fold "." and ".." as a browser does, never climbing above the root; empty segments
    // ("//") name nothing and are dropped.
    std::vector<std::string_view> segments;
    bool folderAddress = decoded.empty() || decoded.back() == '/';
    const std::string_view path(decoded);
    for (std::size_t start = 0; start <= path.size();) {
        const std::size_t end = std::min(path.find('/', start), path.size());
        const std::string_view segment = path.substr(start, end - start);
        const bool last = end == path.size();
        if (segment == "..") {
            if (!segments.empty())
                segments.pop_back();
            folderAddress = folderAddress || last;
        } else if (segment == ".") {
            folderAddress = folderAddress || last;
        } else if (!segment.empty()) {
            segments.push_back(segment);
        }
        start = end + 1;
    }
    std::string rel;
    answer.sitePath = "/";
    for (std::size_t i = 0; i < segments.size(); ++i) {
        if (i > 0) {
            rel += '\\';
            answer.sitePath += '/';
        }
        rel += segments[i];
        answer.sitePath += segments[i];
    }
    if (folderAddress && !segments.empty())
        answer.sitePath += '/';

    const auto serve = [&answer](std::string member) {
        answer.mimeType = std::string(mimeTypeFor(member));
        answer.member = std::move(member);
        return answer;
    };

    // A backslash or NUL would smuggle a separator or end a name early: it names nothing.
    const bool unsafe = decoded.find_first_of(std::string_view("\\\0", 2)) != std::string::npos;
    if (!unsafe) {
        if (segments.empty()) {
            std::string member = indexOf("");
            return serve(member.empty() ? startMember_ : member);
        }
        if (folderAddress) {
            if (std::string member = indexOf(rel); !member.empty())
                return serve(std::move(member));
        } else {
            for (const bool foldCase : {false, true}) {
                if (std::string member = findMember(rel, foldCase); !member.empty())
                    return serve(std::move(member));
                // A folder named without its "/": relative links inside it need the slash.
                if (isFolder(rel, foldCase)) {
                    answer.status = 301;
                    answer.location = percentEncodePath(answer.sitePath) + '/';
                    return answer;
                }
            }
        }
    }

    answer.status = 404;
    answer.mimeType = "text/html";
    const std::string ownPage = rootFolder_ + std::string(kNotFoundName);
    if (exact_.count(ownPage) != 0)
        answer.member = ownPage;
    else if (auto it = folded_.find(lowered(ownPage)); it != folded_.end())
        answer.member = keys_[it->second];
    return answer;
}

std::string SiteAddressSpace::urlPathOf(std::string_view memberKey) const
{
    if (exact_.count(std::string(memberKey)) == 0)
        return {};
    std::string path = "/";
    for (const auto& folder : searchFolders_) {
        if (memberKey.substr(0, folder.size()) == folder) {
            path += memberKey.substr(folder.size());
            break;
        }
    }
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

std::string_view mimeTypeFor(std::string_view name)
{
    static constexpr std::array<std::pair<std::string_view, std::string_view>, 58> kTypes{{
        {"html", "text/html"},
        {"htm", "text/html"},
        {"xhtml", "application/xhtml+xml"},
        {"css", "text/css"},
        {"js", "text/javascript"},
        {"mjs", "text/javascript"},
        {"cjs", "text/javascript"},
        {"json", "application/json"},
        {"map", "application/json"},
        {"webmanifest", "application/manifest+json"},
        {"wasm", "application/wasm"},
        {"txt", "text/plain"},
        {"md", "text/markdown"},
        {"csv", "text/csv"},
        {"vtt", "text/vtt"},
        {"xml", "application/xml"},
        {"xsl", "application/xml"},
        {"rss", "application/rss+xml"},
        {"atom", "application/atom+xml"},
        {"png", "image/png"},
        {"apng", "image/apng"},
        {"jpg", "image/jpeg"},
        {"jpeg", "image/jpeg"},
        {"jfif", "image/jpeg"},
        {"gif", "image/gif"},
        {"svg", "image/svg+xml"},
        {"ico", "image/x-icon"},
        {"cur", "image/x-icon"},
        {"bmp", "image/bmp"},
        {"webp", "image/webp"},
        {"avif", "image/avif"},
        {"tif", "image/tiff"},
        {"tiff", "image/tiff"},
        {"pdf", "application/pdf"},
        {"woff", "font/woff"},
        {"woff2", "font/woff2"},
        {"ttf", "font/ttf"},
        {"otf", "font/otf"},
        {"eot", "application/vnd.ms-fontobject"},
        {"mp3", "audio/mpeg"},
        {"ogg", "audio/ogg"},
        {"oga", "audio/ogg"},
        {"opus", "audio/ogg"},
        {"wav", "audio/wav"},
        {"flac", "audio/flac"},
        {"m4a", "audio/mp4"},
        {"aac", "audio/aac"},
        {"mp4", "video/mp4"},
        {"m4v", "video/mp4"},
        {"webm", "video/webm"},
        {"ogv", "video/ogg"},
        {"mov", "video/quicktime"},
        {"zip", "application/zip"},
        {"gz", "application/gzip"},
        {"epub", "application/epub+zip"},
        {"ics", "text/calendar"},
        {"yaml", "application/yaml"},
        {"yml", "application/yaml"},
    }};
    const auto slash = name.find_last_of("\\/");
    if (slash != std::string_view::npos)
        name.remove_prefix(slash + 1);
    const auto dot = name.rfind('.');
    if (dot == std::string_view::npos)
        return "application/octet-stream";
    const std::string ext = lowered(name.substr(dot + 1));
    for (const auto& [e, type] : kTypes)
        if (e == ext)
            return type;
    return "application/octet-stream";
}

std::string notFoundPageHtml(std::string_view sitePath)
{
    return "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>404 - Seite nicht gefunden</title>"
           "</head><body><h1>404 - Seite nicht gefunden</h1><p>Diese Seite ist nicht in "
           "diesem Programm enthalten:</p><p><code>" +
           htmlEscaped(sitePath) + "</code></p></body></html>";
}

std::string percentDecode(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 &&
            hexValue(text[i + 2]) >= 0) {
            out += static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string percentEncodePath(std::string_view path)
{
    static constexpr std::string_view kKept = "-._~/!$&'()*+,;=:@";
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : path) {
        const auto u = static_cast<unsigned char>(c);
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
            kKept.find(c) != std::string_view::npos) {
            out += c;
        } else {
            out += '%';
            out += kHex[u >> 4];
            out += kHex[u & 15];
        }
    }
    return out;
}

} // namespace pagolux::viewer
