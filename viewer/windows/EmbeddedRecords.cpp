#include "viewer/windows/EmbeddedRecords.h"

#include "viewer/windows/resource.h"

#include <cstring>

// Non-const, externally visible and marked used, so it stays in writable initialised data
// exactly once and is never merged with or folded into other constants.
extern "C" {
[[gnu::used]] constinit pagolux::MarkerRecord pagolux_viewer_marker = pagolux::makeMarkerRecord();
}

namespace pagolux::win {

MarkerState readMarkerRecord()
{
    return decodeMarkerRecord(pagolux_viewer_marker.bytes);
}

std::optional<std::array<std::uint8_t, 512>> readIconPixels(HINSTANCE instance)
{
    // The group entry names the RT_ICON resource that holds the 32 x 32 image.
    HRSRC group =
        FindResourceW(instance, MAKEINTRESOURCEW(IDI_VIEWER), MAKEINTRESOURCEW(14)); // RT_GROUP_ICON
    if (!group)
        return std::nullopt;
    HGLOBAL groupData = LoadResource(instance, group);
    auto* dir = groupData ? static_cast<PBYTE>(LockResource(groupData)) : nullptr;
    if (!dir)
        return std::nullopt;
    const int id = LookupIconIdFromDirectoryEx(dir, TRUE, 32, 32, 0);
    HRSRC icon =
        id > 0 ? FindResourceW(instance, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(3)) : nullptr; // RT_ICON
    if (!icon)
        return std::nullopt;
    HGLOBAL iconData = LoadResource(instance, icon);
    const auto* bytes = iconData ? static_cast<const unsigned char*>(LockResource(iconData)) : nullptr;
    // BITMAPINFOHEADER (40 bytes) and 16 palette entries (64 bytes) come before the pixels.
    constexpr DWORD kPixelsAt = 40 + 64;
    if (!bytes || SizeofResource(instance, icon) < kPixelsAt + 512)
        return std::nullopt;
    std::array<std::uint8_t, 512> out{};
    const volatile unsigned char* p = bytes + kPixelsAt;
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = p[i];
    return out;
}

} // namespace pagolux::win
