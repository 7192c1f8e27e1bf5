#pragma once
// One call for programs without a window (the command-line builder): read a picture file and
// render it into the icon. Needs a QGuiApplication (the "offscreen" platform will do), created
// by the caller, because the SVG and metafile rendering paints with Qt.

#include "icon/IconBitmap.h"

#include <string>

namespace pagolux {

// Throws EPictureError when the file cannot be read or has no size.
[[nodiscard]] IconBitmap renderIconFromFile(const std::string& path);

} // namespace pagolux
