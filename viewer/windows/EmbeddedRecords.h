#pragma once
// The two things the builder patches in a copy of the Windows viewer: the marker record in
// initialised data, and the pixels of the icon resource (the only copy of the icon pixels in
// the file, so that the patch changes the icon Explorer and the window show).

#include "format/ExeLayout.h"

#include <windows.h>

#include <array>
#include <cstdint>
#include <optional>

namespace pagolux::win {

[[nodiscard]] MarkerState readMarkerRecord();

// The 512 XOR pixel bytes of the 32 x 32 icon resource as the loaded file holds them.
[[nodiscard]] std::optional<std::array<std::uint8_t, 512>> readIconPixels(HINSTANCE instance);

} // namespace pagolux::win
