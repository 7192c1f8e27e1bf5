#include "viewer/core/SiteStorage.h"

#include <cstdint>

namespace pagolux::viewer {

std::string siteStorageName(std::string_view projectName, std::string_view startPath)
{
    while (!startPath.empty() && (startPath.back() == '\\' || startPath.back() == '/'))
        startPath.remove_suffix(1);
    const auto slash = startPath.find_last_of("\\/");
    const std::string_view startName =
        slash == std::string_view::npos ? startPath : startPath.substr(slash + 1);

    // FNV-1a over both names with a separator that neither can hold.
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    const auto mix = [&hash](std::string_view text) {
        for (const char c : text) {
            hash ^= static_cast<unsigned char>(c);
            hash *= 0x100000001b3ULL;
        }
    };
    mix(projectName);
    mix(std::string_view("\0", 1));
    mix(startName);

    std::string name;
    for (const char c : projectName) {
        if (name.size() >= 40)
            break;
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
            c == '_')
            name += c;
        else if (c == ' ' && !name.empty() && name.back() != '-')
            name += '-';
    }
    if (name.empty())
        name = "site";
    static constexpr char kHex[] = "0123456789abcdef";
    name += '-';
    for (int shift = 60; shift >= 0; shift -= 4)
        name += kHex[(hash >> shift) & 15];
    return name;
}

} // namespace pagolux::viewer
