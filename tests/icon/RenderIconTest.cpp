#include "icon/RenderIcon.h"
#include "icon/IconBmpFile.h"
#include "icon/IconError.h"
#include "icon/StandardIcon.h"
#include "tests/support/Files.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <functional>

namespace pagolux {
namespace {

std::uint32_t argbOf(std::uint8_t index)
{
    const PaletteColor& c = IconBitmap::Palette[index];
    return 0xFF000000u | (std::uint32_t{c.red} << 16) | (std::uint32_t{c.green} << 8) | c.blue;
}

// A picture whose pixel (x, y) has the palette colour colourAt(x, y).
DecodedPicture makePicture(int width, int height, const std::function<std::uint8_t(int, int)>& colourAt)
{
    DecodedPicture p;
    p.width = width;
    p.height = height;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            p.pixels.push_back(argbOf(colourAt(x, y)));
        }
    }
    return p;
}

TEST(IconPlacement, GeometryOfTheScaledPicture)
{
    struct Case {
        const char* name;
        int width, height;
        IconPlacement expected;
    };
    const Case cases[] = {
        {"square 32", 32, 32, {32, 32, 0, 0}},
        {"square 1", 1, 1, {32, 32, 0, 0}},
        {"square 7", 7, 7, {32, 32, 0, 0}},
        {"square 1000", 1000, 1000, {32, 32, 0, 0}},
        {"wide 64 x 32: middle half", 64, 32, {64, 32, -16, 0}},
        {"wide 45 x 32: -13 / 2 is -6", 45, 32, {45, 32, -6, 0}},
        {"tall 32 x 100: middle third", 32, 100, {32, 100, 0, -34}},
        {"tall 33 x 32 is wide by one", 33, 32, {33, 32, 0, 0}},
        {"tall 32 x 35: -3 / 2 is -1", 32, 35, {32, 35, 0, -1}},
        {"wide 2 x 1", 2, 1, {64, 32, -16, 0}},
        {"wide 45 x 33 drops the remainder", 45, 33, {43, 32, -5, 0}},
        {"tall 10 x 33", 10, 33, {32, 105, 0, -36}},
        {"very wide 30000 x 1", 30000, 1, {960000, 32, -479984, 0}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(iconPlacement(c.width, c.height), c.expected) << c.name;
    }
}

TEST(IconPlacement, ZeroOrNegativeSizeIsAnError)
{
    EXPECT_THROW((void)iconPlacement(0, 32), EPictureError);
    EXPECT_THROW((void)iconPlacement(32, 0), EPictureError);
    EXPECT_THROW((void)iconPlacement(-5, 10), EPictureError);
}

TEST(RenderIcon, SquarePictureFillsTheSquare)
{
    // 64 x 64 in 2 x 2 blocks: each block becomes one icon pixel, whatever pixel of the
    // block the stretch picks.
    const auto blockColour = [](int bx, int by) { return static_cast<std::uint8_t>((bx + 3 * by) % 16); };
    const DecodedPicture p = makePicture(64, 64, [&](int x, int y) { return blockColour(x / 2, y / 2); });
    const IconBitmap icon = renderIconPixels(p.view());
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            ASSERT_EQ(icon.pixel(x, y), blockColour(x, y)) << x << "," << y;
        }
    }
}

TEST(RenderIcon, SmallSquarePictureRepeatsPixels)
{
    const DecodedPicture p =
        makePicture(8, 8, [](int x, int y) { return static_cast<std::uint8_t>((x + 8 * y) % 16); });
    const IconBitmap icon = renderIconPixels(p.view());
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            ASSERT_EQ(icon.pixel(x, y), (x / 4 + 8 * (y / 4)) % 16) << x << "," << y;
        }
    }
}

// Pictures at scale 1 along their long side: icon column x (or row y) shows source column
// x - left (or row y - top).
TEST(RenderIcon, OverhangIsCutOffOnBothSides)
{
    struct Case {
        const char* name;
        int width, height;
        int firstColumn, firstRow;
    };
    const Case cases[] = {
        {"64 x 32 shows columns 16 to 47", 64, 32, 16, 0}, {"45 x 32 shows columns 6 to 37", 45, 32, 6, 0},
        {"32 x 100 shows rows 34 to 65", 32, 100, 0, 34},  {"32 x 33 shows rows 0 to 31", 32, 33, 0, 0},
        {"34 x 32 shows columns 1 to 32", 34, 32, 1, 0},
    };
    for (const Case& c : cases) {
        // A colour that differs between neighbouring columns and rows and along 16 of them.
        const auto colour = [](int x, int y) { return static_cast<std::uint8_t>((x + 5 * y) % 16); };
        const DecodedPicture p = makePicture(c.width, c.height, colour);
        const IconBitmap icon = renderIconPixels(p.view());
        for (int y = 0; y < 32; ++y) {
            for (int x = 0; x < 32; ++x) {
                ASSERT_EQ(icon.pixel(x, y), colour(x + c.firstColumn, y + c.firstRow))
                    << c.name << " at " << x << "," << y;
            }
        }
    }
}

TEST(RenderIcon, TwoPixelWidePictureSplitsTheIconInHalves)
{
    // 2 x 1 scales to 64 x 32 at left -16: each source pixel covers 32 columns, 16 of them visible.
    const DecodedPicture p =
        makePicture(2, 1, [](int x, int) { return static_cast<std::uint8_t>(x == 0 ? 9 : 12); });
    const IconBitmap icon = renderIconPixels(p.view());
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            ASSERT_EQ(icon.pixel(x, y), x < 16 ? 9 : 12) << x << "," << y;
        }
    }
}

TEST(RenderIcon, LargeStripesShrinkWithoutMixing)
{
    // 320 x 320 with 10-pixel stripes: every icon column shows exactly one stripe colour.
    const DecodedPicture p =
        makePicture(320, 320, [](int x, int) { return static_cast<std::uint8_t>((x / 10) % 2 ? 4 : 14); });
    const IconBitmap icon = renderIconPixels(p.view());
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            ASSERT_EQ(icon.pixel(x, y), x % 2 ? 4 : 14) << x << "," << y;
        }
    }
}

TEST(RenderIcon, ColoursTakeTheNearestPaletteEntryWithoutDithering)
{
    // A flat field of a colour between palette entries must come out as one flat index:
    // dithering would mix two indices.
    struct Case {
        std::uint32_t argb;
        std::uint8_t expected;
    };
    const Case cases[] = {
        {0xFF646464, 7},  // grey 100
        {0xFFAAAAAA, 8},  // grey 170
        {0xFFC81E1E, 9},  // dark red
        {0xFF0000C8, 12}, // mid blue
        {0xFF3C3C3C, 0},  // grey 60
    };
    for (const Case& c : cases) {
        DecodedPicture p;
        p.width = 40;
        p.height = 40;
        p.pixels.assign(1600, c.argb);
        const IconBitmap icon = renderIconPixels(p.view());
        IconBitmap expected;
        expected.fill(c.expected);
        EXPECT_EQ(icon, expected) << std::hex << c.argb;
    }
}

TEST(RenderIcon, TransparentPartsShowWhite)
{
    // A 16-colour icon whose left half is masked out: the transparent pixels carry black
    // colour values, and still come out white.
    DecodedPicture p = makePicture(32, 32, [](int, int) { return std::uint8_t{1}; });
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 16; ++x) {
            p.pixels[static_cast<std::size_t>(y * 32 + x)] = 0x00000000;
        }
    }
    const IconBitmap icon = renderIconPixels(p.view());
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            ASSERT_EQ(icon.pixel(x, y), x < 16 ? IconBitmap::White : 1) << x << "," << y;
        }
    }
}

TEST(RenderIcon, PartlyTransparentPixelsAreBlendedOverWhite)
{
    EXPECT_EQ(workingBitmapIndex(0x80000000), 7) << "half-transparent black is mid grey over white";
    EXPECT_EQ(workingBitmapIndex(0x40000000), 8) << "quarter-opaque black is light grey over white";
    EXPECT_EQ(workingBitmapIndex(0x10000000), IconBitmap::White);
    EXPECT_EQ(workingBitmapIndex(0xFF000000), IconBitmap::Black);
    EXPECT_EQ(workingBitmapIndex(0x00FF0000), IconBitmap::White) << "alpha 0 is white whatever the colour";
}

TEST(RenderIcon, RowStrideIsHonoured)
{
    // A 32 x 32 picture inside a 40-pixel-wide buffer: the 8 extra pixels per row are junk.
    std::vector<std::uint32_t> buffer(40 * 32, argbOf(13));
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            buffer[static_cast<std::size_t>(y * 40 + x)] = argbOf(static_cast<std::uint8_t>(y % 16));
        }
    }
    const IconBitmap icon = renderIconPixels(PictureView{32, 32, buffer.data(), 40});
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            ASSERT_EQ(icon.pixel(x, y), y % 16);
        }
    }
    EXPECT_THROW((void)renderIconPixels(PictureView{32, 32, buffer.data(), 31}), EPictureError);
    EXPECT_THROW((void)renderIconPixels(PictureView{32, 32, nullptr, 32}), EPictureError);
}

TEST(RenderIcon, SavesTheIconAndLeavesEverythingOnAnEmptyPicture)
{
    test::TempFolder dir;
    const std::string file = dir / "theicon.bmp";
    const DecodedPicture p =
        makePicture(16, 16, [](int x, int y) { return static_cast<std::uint8_t>((x ^ y) % 16); });
    IconBitmap iconBmp;
    RenderIcon(iconBmp, p.view(), file);
    EXPECT_EQ(iconBmp, renderIconPixels(p.view()));
    EXPECT_EQ(test::readBytes(file), IconBmpFile::encode(iconBmp));

    const IconBitmap before = iconBmp;
    const auto fileBefore = test::readBytes(file);
    DecodedPicture empty;
    empty.width = 0;
    empty.height = 10;
    EXPECT_THROW(RenderIcon(iconBmp, empty.view(), file), EPictureError);
    EXPECT_EQ(iconBmp, before);
    EXPECT_EQ(test::readBytes(file), fileBefore);
}

TEST(RenderIcon, FailedSaveStillUpdatesTheBitmap)
{
    test::TempFolder dir;
    const std::string file = dir / "missing-folder/theicon.bmp";
    const DecodedPicture p = makePicture(32, 32, [](int, int) { return std::uint8_t{10}; });
    IconBitmap iconBmp;
    try {
        RenderIcon(iconBmp, p.view(), file);
        FAIL() << "saving into a missing folder must fail";
    } catch (const EIconCreateError& e) {
        EXPECT_EQ(std::string(e.what()), "Datei " + file + " kann nicht erstellt werden");
    }
    EXPECT_EQ(iconBmp.pixel(3, 3), 10);
}

TEST(StandardIcon, IsAnOpaqueDesignedPictureThatRendersToItself)
{
    const DecodedPicture p = StandardIcon::picture();
    ASSERT_EQ(p.width, 32);
    ASSERT_EQ(p.height, 32);
    ASSERT_EQ(p.pixels.size(), 1024u);
    bool used[16] = {};
    for (std::uint32_t px : p.pixels) {
        ASSERT_EQ(px >> 24, 0xFFu) << "the default picture has no transparent pixel";
    }
    const IconBitmap bitmap = StandardIcon::bitmap();
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            used[bitmap.pixel(x, y)] = true;
        }
    }
    int colours = 0;
    for (bool u : used) {
        colours += u ? 1 : 0;
    }
    EXPECT_GE(colours, 6) << "a picture, not a flat field";
    EXPECT_EQ(renderIconPixels(p.view()), bitmap);
}

} // namespace
} // namespace pagolux
