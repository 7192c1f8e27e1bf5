#include "viewer/core/ViewerPaths.h"

#include <algorithm>
#include <array>
#include <utility>

namespace pagolux::viewer_paths {
namespace {

char lowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

std::string keyFromStartPath(std::string_view startPath)
{
    // Only a real drive ("D:") is dropped; elsewhere a colon is part of a folder's name
    // (network mounts such as "smb-share:server=nas,share=docs").
    const bool drive =
        startPath.size() >= 2 && startPath[1] == ':' &&
        ((startPath[0] >= 'A' && startPath[0] <= 'Z') || (startPath[0] >= 'a' && startPath[0] <= 'z'));
    if (drive)
        startPath.remove_prefix(2);
    std::string key(startPath);
    std::replace(key.begin(), key.end(), '/', '\\');
    return key;
}

std::optional<std::string> keyFromUrlPath(std::string_view urlPath)
{
    if (urlPath.empty() || urlPath.front() != '/')
        return std::nullopt;
    if (urlPath.find_first_of(std::string_view("\\\0", 2)) != std::string_view::npos)
        return std::nullopt;
    std::size_t start = 1;
    while (start <= urlPath.size()) {
        const std::size_t end = std::min(urlPath.find('/', start), urlPath.size());
        const std::string_view segment = urlPath.substr(start, end - start);
        if (segment == "." || segment == "..")
            return std::nullopt;
        start = end + 1;
    }
    std::string key(urlPath);
    std::replace(key.begin(), key.end(), '/', '\\');
    return key;
}

std::string urlPathFromKey(std::string_view key)
{
    std::string path(key);
    std::replace(path.begin(), path.end(), '\\', '/');
    if (path.empty() || path.front() != '/')
        path.insert(path.begin(), '/');
    return path;
}

std::string mimeTypeFor(std::string_view key)
{
    static constexpr std::array<std::pair<std::string_view, std::string_view>, 26> kTypes{{
        {"html", "text/html"},        {"htm", "text/html"},      {"xhtml", "application/xhtml+xml"},
        {"css", "text/css"},          {"js", "text/javascript"}, {"mjs", "text/javascript"},
        {"json", "application/json"}, {"txt", "text/plain"},     {"xml", "text/xml"},
        {"png", "image/png"},         {"jpg", "image/jpeg"},     {"jpeg", "image/jpeg"},
        {"gif", "image/gif"},         {"svg", "image/svg+xml"},  {"ico", "image/x-icon"},
        {"bmp", "image/bmp"},         {"webp", "image/webp"},    {"pdf", "application/pdf"},
        {"woff", "font/woff"},        {"woff2", "font/woff2"},   {"ttf", "font/ttf"},
        {"mp3", "audio/mpeg"},        {"ogg", "audio/ogg"},      {"wav", "audio/wav"},
        {"mp4", "video/mp4"},         {"webm", "video/webm"},
    }};
    const auto slash = key.find_last_of("\\/");
    const auto name = slash == std::string_view::npos ? key : key.substr(slash + 1);
    const auto dot = name.rfind('.');
    if (dot == std::string_view::npos)
        return "application/octet-stream";
    std::string ext(name.substr(dot + 1));
    std::transform(ext.begin(), ext.end(), ext.begin(), lowerAscii);
    for (const auto& [e, type] : kTypes)
        if (e == ext)
            return std::string(type);
    return "application/octet-stream";
}

} // namespace pagolux::viewer_paths
