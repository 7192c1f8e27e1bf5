#include "icon/StandardIcon.h"

#include "icon/TrueColourIcons.h"

#include <array>
#include <string_view>

namespace pagolux {

namespace {

// One hexadecimal digit per pixel, the palette index; row 0 at the top.
// 0 black, 2 green, 4 navy, 7 dark grey, 8 light grey, 9 red, A lime, C blue, E cyan, F white.
constexpr std::array<std::string_view, IconBitmap::Height> Art = {
    "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF", "FFFF000000000000FFFFFFFFFFFFFFFF",
    "FFFF0FFFFFFFFFF08FFFFFFFFFFFFFFF", "FFFF0FFFFFFFFFF088FFFF7FFFFFFFFF",
    "FFFF0FFFFFFFFFF0888FFF7FFFFFFFFF", "FFFF0FF9999999908888FF7FFFFFFFFF",
    "FFFF0FF99999999088888F7FFFFFFFFF", "FFFF0FFFFFFFFFF00000007FFFFFFFFF",
    "FFFF0FFFFFFFFFFFFFFFF07FFFFFFFFF", "FFFF0FF444444444444FF07FFFFFFFFF",
    "FFFF0FFFFFFFFFFFFFFFF07FFFFFFFFF", "FFFF0FF4444444444FFFF07FFFFFFFFF",
    "FFFF0FFFFFFFFFFFFFFFF07FFFFFFFFF", "FFFF0FF444444444444FF07FFFFFFFFF",
    "FFFF0FFFFFFFFFFFFFFF44444FFFFFFF", "FFFF0FF44444444FFF44CCCCC44FFFFF",
    "FFFF0FFFFFFFFFFF44ECCCCCCCC44FFF", "FFFF0FF4444444444ECCCA2CCCCC4FFF",
    "FFFF0FFFFFFFFFF4CCCCA2AACCCCC4FF", "FFFF0FF444444FF4CCCA2AAAACCCC4FF",
    "FFFF0FFFFFFFFF4CCCCCAAAACCACCC4F", "FFFF0FFFFFFFFF4CCCCCCAACCAACCC4F",
    "FFFF0FFFFFFFFF4CCCCCCCCCAAACCC4F", "FFFF0FFFFFFFFF4CCCCACCCCAACCCC4F",
    "FFFF0FFFFFFFFF4CCCAA2CCCCCCCCC4F", "FFFF0FFFFFFFFFF4CCC2ACCCCCCCC4FF",
    "FFFF0FFFFFFFFFF4CCCCCCCCCCCCC4FF", "FFFF0FFFFFFFFFFF4CCCCCCCCCCC4FFF",
    "FFFF00000000000044CCCCCCCCC44FFF", "FFFFFF77777777777744CCCCC44FFFFF",
    "FFFFFFFFFFFFFFFFFFFF44444FFFFFFF", "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF",
};

constexpr std::uint8_t hexValue(char c)
{
    return static_cast<std::uint8_t>(c <= '9' ? c - '0' : c - 'A' + 10);
}

constexpr bool artIsWellFormed()
{
    for (std::string_view row : Art) {
        if (row.size() != IconBitmap::Width) {
            return false;
        }
        for (char c : row) {
            if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))) {
                return false;
            }
        }
    }
    return true;
}
static_assert(artIsWellFormed(), "each row of the default icon holds 32 hexadecimal digits");

} // namespace

IconBitmap StandardIcon::bitmap()
{
    IconBitmap icon;
    for (int y = 0; y < IconBitmap::Height; ++y) {
        for (int x = 0; x < IconBitmap::Width; ++x) {
            icon.setPixel(x, y, hexValue(Art[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)]));
        }
    }
    return icon;
}

DecodedPicture StandardIcon::picture()
{
    return pictureOfIcon(bitmap());
}

} // namespace pagolux
