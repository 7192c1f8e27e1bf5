#pragma once
// The true-colour images of a Windows program's icon, drawn from the picture the user chose:
// at each side of kTrueColourIconSides the picture covers the square, centred, what overhangs
// cut off (as for the 16-colour icon), each target pixel the area-weighted mean of the source
// pixels it covers, with transparency kept. The window and pagolux-build decode the picture
// and hand its pixels over; the builder writes the images. Plain C++.
//
// The window keeps the user's picture between runs as "theicon32.bmp" beside "theicon.bmp":
// the picture drawn at 256 x 256, 32 bits a pixel with alpha.

#include "icon/RenderIcon.h"

#include <cstdint>
#include <string>
#include <vector>

namespace pagolux {

struct TrueColourImage {
    int side = 0;
    std::vector<std::uint32_t> argb; // side * side pixels 0xAARRGGBB, row 0 at the top
};

using TrueColourIcons = std::vector<TrueColourImage>;

// The picture drawn into a square of side pixels. An empty picture gives transparent pixels.
[[nodiscard]] TrueColourImage drawTrueColourImage(PictureView picture, int side);

// The 16-colour icon as opaque pixels: the source of the images when no picture is kept.
[[nodiscard]] DecodedPicture pictureOfIcon(const IconBitmap& icon);

// One image per side of kTrueColourIconSides.
[[nodiscard]] TrueColourIcons drawTrueColourIcons(PictureView picture);

// The images of the current icon: drawn from the kept picture at keptPicturePath when it can be
// read, else from the 16-colour icon (the standard art when the user chose none).
[[nodiscard]] TrueColourIcons currentTrueColourIcons(const std::string& keptPicturePath,
                                                     const IconBitmap& icon);

// The kept picture: written as a 32-bit bitmap file (EIconCreateError when that fails); read
// back as decoded pixels (EIconFileError naming the file when it is missing or damaged).
void saveTrueColourPicture(const TrueColourImage& image, const std::string& path);
[[nodiscard]] DecodedPicture loadTrueColourPicture(const std::string& path);

} // namespace pagolux
