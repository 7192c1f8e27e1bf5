#include "viewer/core/ViewerPaths.h"

#include <algorithm>

namespace pagolux::viewer_paths {

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

} // namespace pagolux::viewer_paths
