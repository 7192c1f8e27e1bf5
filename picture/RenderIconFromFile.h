#pragma once
// One call for programs without a window (the command-line builder): read a picture file and
// render it into the icon. Needs a QGuiApplication (the "offscreen" platform will do), created
// by the caller, because the SVG and metafile rendering paints with Qt.

#include "icon/IconBitmap.h"
#include "icon/TrueColourIcons.h"

#include <string>

namespace pagolux {

// Throws EPictureError when the file cannot be read or has no size.
[[nodiscard]] IconBitmap renderIconFromFile(const std::string& path);

// The 16-colour icon and the true-colour images of a Windows program, from one reading.
struct IconSetFromFile {
    IconBitmap bitmap;
    TrueColourIcons images;
};
[[nodiscard]] IconSetFromFile renderIconSetFromFile(const std::string& path);

} // namespace pagolux
