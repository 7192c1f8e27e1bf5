#include "viewer/qt/EmbeddedRecords.h"

#include "format/ViewerIconArt.h"

namespace pagolux {

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
[[gnu::used]] constinit pagolux::MarkerRecord pagolux_viewer_marker = pagolux::makeMarkerRecord();
[[gnu::used]] constinit pagolux::ViewerIconPixels pagolux_viewer_icon = pagolux::makeIconPixels();
}

namespace pagolux {

MarkerState readMarkerRecord()
{
    return decodeMarkerRecord(pagolux_viewer_marker.bytes);
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
