#pragma once
// Writing the user's icon into a built executable: RenderIconPos finds where the viewer's
// 512 icon pixel bytes lie in the decoded prototype, WriteIcon overwrites them in an output.
// Both are silent: a failure leaves the executable with the viewer's own icon.

#include "format/ExeLayout.h"
#include "icon/IconBitmap.h"

#include <cstdint>
#include <string>

namespace pagolux {

// The offset of the last occurrence of the icon pattern ("iconcomp.dat" at offset 168, 512
// bytes) in the decoded "ProtoExe.dat", both taken from progPath (ending in a separator);
// 0 when either file is missing or too short, or the pattern does not occur. Reads the
// prototype once, in blocks.
[[nodiscard]] std::int32_t RenderIconPos(const std::string& progPath);

// The same search with explicit file names.
[[nodiscard]] std::int32_t FindIconPos(const std::string& iconCompPath, const std::string& protoPath);

// Writes icon's 512 pixel bytes (bottom row first) at iconPos into outputName without
// emptying it. Does nothing for iconPos 0. Returns whether all 512 bytes were written.
bool WriteIcon(const std::string& outputName, std::int32_t iconPos, const IconBitmap& icon);

} // namespace pagolux
