#include "viewer/EmbeddedRecords.h"

#include "viewer/ViewerIconArt.h"

namespace pagolux {

// 32 bytes, 32-byte aligned: since a 2048-byte block boundary of the file is also a multiple of
// 32, no block boundary can cut the record. Bytes 0-7 are the marker the builder looks for,
// bytes 8-15 our own tag, bytes 16-19 start as all ones and are zeroed by the builder.
struct alignas(32) ViewerMarkerRecord {
    unsigned char bytes[32];
};

struct alignas(16) ViewerIconPixels {
    unsigned char bytes[viewer_icon::kPixelBytes];
};

constexpr ViewerIconPixels makeIconPixels()
{
    ViewerIconPixels p{};
    const auto packed = viewer_icon::packedArt();
    for (int i = 0; i < viewer_icon::kPixelBytes; ++i)
        p.bytes[i] = packed[static_cast<std::size_t>(i)];
    return p;
}

} // namespace pagolux

// Non-const, externally visible and marked used, so they stay in writable initialised data
// exactly once and are never merged with or folded into other constants.
extern "C" {
[[gnu::used]] constinit pagolux::ViewerMarkerRecord pagolux_viewer_marker = {
    {'O',  'R',  'V',  'T',  'E', 'X', 'E', 'H', 'P', 'G', 'L', 'X', 2, 0, 0, 0,
     0xFF, 0xFF, 0xFF, 0xFF, 0,   0,   0,   0,   0,   0,   0,   0,   0, 0, 0, 0}};
[[gnu::used]] constinit pagolux::ViewerIconPixels pagolux_viewer_icon = pagolux::makeIconPixels();
}

namespace pagolux {

MarkerState readMarkerRecord()
{
    const volatile unsigned char* b = pagolux_viewer_marker.bytes;
    unsigned char head[4];
    for (int i = 0; i < 4; ++i)
        head[i] = b[i];
    MarkerState state;
    // Unpatched, the first four bytes still read "ORVT" and bytes 16-19 are all ones.
    const bool stillMarker = head[0] == 'O' && head[1] == 'R' && head[2] == 'V' && head[3] == 'T';
    const bool zeroed = b[16] == 0 && b[17] == 0 && b[18] == 0 && b[19] == 0;
    state.patched = !stillMarker && zeroed;
    state.settingsOffset = static_cast<std::uint32_t>(head[0]) | static_cast<std::uint32_t>(head[1]) << 8 |
                           static_cast<std::uint32_t>(head[2]) << 16 |
                           static_cast<std::uint32_t>(head[3]) << 24;
    return state;
}

std::array<std::uint8_t, 512> readIconPixels()
{
    const volatile unsigned char* b = pagolux_viewer_icon.bytes;
    std::array<std::uint8_t, 512> out{};
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = b[i];
    return out;
}

} // namespace pagolux
