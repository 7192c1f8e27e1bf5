#pragma once
// The two records the builder patches in a copy of this program: the marker record, whose
// first four bytes receive the offset of the settings block, and the icon pixel bytes.
// Both live in initialised data and are read through volatile accesses, so what the program
// sees at run time is what the file holds, never a value the compiler folded in.

#include "format/ExeLayout.h"

#include <array>
#include <cstdint>

namespace pagolux {

// Reads the marker record as it stands in the loaded program.
[[nodiscard]] MarkerState readMarkerRecord();

// The program's icon pixels (512 bytes, bottom row first, 4 bits a pixel).
[[nodiscard]] std::array<std::uint8_t, 512> readIconPixels();

} // namespace pagolux
