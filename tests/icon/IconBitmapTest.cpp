#include "icon/IconBitmap.h"
#include "tests/icon/TestIcons.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace pagolux {
namespace {

TEST(IconBitmap, PaletteHasDarkGreyBeforeLightGrey)
{
    EXPECT_EQ(IconBitmap::Palette[7], (PaletteColor{128, 128, 128}));
    EXPECT_EQ(IconBitmap::Palette[8], (PaletteColor{192, 192, 192}));
    EXPECT_EQ(IconBitmap::Palette[IconBitmap::White], (PaletteColor{255, 255, 255}));
    EXPECT_EQ(IconBitmap::Palette[IconBitmap::Black], (PaletteColor{0, 0, 0}));
}

TEST(IconBitmap, AllWhiteGivesAllFF)
{
    IconBitmap icon;
    icon.fill(IconBitmap::White);
    for (std::uint8_t b : icon.pixelBytes()) {
        ASSERT_EQ(b, 0xFF);
    }
}

TEST(IconBitmap, TopLeftPixelIsHighNibbleOfFirstByteOfLastRow)
{
    IconBitmap icon;
    icon.setPixel(0, 0, 9);
    const auto bytes = icon.pixelBytes();
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        ASSERT_EQ(bytes[i], i == 496 ? 0x90 : 0x00) << "byte " << i;
    }
}

TEST(IconBitmap, PixelPositionsMapToBytesAndNibbles)
{
    struct Case {
        int x, y;
        std::size_t byte;
        std::uint8_t value;
    };
    const Case cases[] = {
        {1, 0, 496, 0x0A},                     // right pixel of the first pair of the top row: low nibble
        {0, 31, 0, 0xA0},                      // bottom row comes first
        {31, 31, 15, 0x0A},                    // last pixel of the bottom row
        {30, 31, 15, 0xA0}, {2, 1, 481, 0xA0}, // second row from the top is the next-to-last block row
        {31, 0, 511, 0x0A},
    };
    for (const Case& c : cases) {
        IconBitmap icon;
        icon.setPixel(c.x, c.y, 10);
        const auto bytes = icon.pixelBytes();
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            ASSERT_EQ(bytes[i], i == c.byte ? c.value : 0) << "pixel " << c.x << "," << c.y << " byte " << i;
        }
    }
}

TEST(IconBitmap, PixelBytesRoundTrip)
{
    const IconBitmap icon = test::iconOf([](int x, int y) { return (x * 7 + y * 3) % 16; });
    const IconBitmap back = IconBitmap::fromPixelBytes(icon.pixelBytes());
    EXPECT_EQ(back, icon);
    EXPECT_EQ(back.pixel(5, 9), (5 * 7 + 9 * 3) % 16);
}

TEST(IconBitmap, RejectsPositionsOutsideAndIndicesAbove15)
{
    IconBitmap icon;
    EXPECT_THROW(icon.setPixel(-1, 0, 1), std::out_of_range);
    EXPECT_THROW(icon.setPixel(0, 32, 1), std::out_of_range);
    EXPECT_THROW(icon.setPixel(32, 0, 1), std::out_of_range);
    EXPECT_THROW((void)icon.pixel(0, -1), std::out_of_range);
    EXPECT_THROW(icon.setPixel(0, 0, 16), std::out_of_range);
    EXPECT_THROW(icon.fill(16), std::out_of_range);
    EXPECT_EQ(icon, IconBitmap{}) << "a refused change leaves the bitmap as it was";
}

TEST(IconBitmap, NearestColourForColoursBetweenPaletteEntries)
{
    struct Case {
        const char* name;
        std::uint8_t r, g, b;
        std::uint8_t expected;
    };
    const Case cases[] = {
        {"exact dark grey", 128, 128, 128, 7},
        {"between black and dark grey, nearer grey", 100, 100, 100, 7},
        {"between black and dark grey, nearer black", 60, 60, 60, 0},
        {"between the greys, nearer light grey", 170, 170, 170, 8},
        {"between the greys, nearer dark grey", 150, 150, 150, 7},
        {"between light grey and white", 230, 230, 230, 15},
        {"dark red nearer red than maroon", 200, 30, 30, 9},
        {"very dark red nearer black", 60, 0, 0, 0},
        {"tie between black and maroon takes the lower index", 64, 0, 0, 0},
        {"mid blue nearer blue", 0, 0, 200, 12},
        {"dull yellow nearer yellow", 230, 230, 40, 11},
        {"olive", 120, 130, 10, 3},
        {"orange nearer red", 255, 100, 0, 9},
        {"pink nearer magenta", 240, 60, 220, 13},
        {"teal", 10, 120, 140, 6},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IconBitmap::nearestColorIndex(c.r, c.g, c.b), c.expected) << c.name;
    }
}

TEST(IconBitmap, EveryPaletteColourIsItsOwnNearest)
{
    for (std::uint8_t i = 0; i < 16; ++i) {
        const PaletteColor& c = IconBitmap::Palette[i];
        EXPECT_EQ(IconBitmap::nearestColorIndex(c.red, c.green, c.blue), i);
    }
}

} // namespace
} // namespace pagolux
