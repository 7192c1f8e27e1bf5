#include "icon/TrueColourIcons.h"

#include "icon/IconError.h"
#include "icon/StandardIcon.h"
#include "tests/support/Files.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

namespace pagolux {
namespace {

constexpr std::uint32_t kRed = 0xFFFF0000u;
constexpr std::uint32_t kBlue = 0xFF0000FFu;

DecodedPicture pictureOf(int width, int height, std::vector<std::uint32_t> pixels)
{
    DecodedPicture p;
    p.width = width;
    p.height = height;
    p.pixels = std::move(pixels);
    return p;
}

TEST(TrueColourIconsTest, PictureCoversTheSquareCentred)
{
    struct Row {
        const char* name;
        DecodedPicture picture;
        int side;
        // Expected colour at (x, y) of the image.
        std::uint32_t (*expected)(int x, int y, int side);
    };
    const Row rows[] = {
        // Wide: the height fits, the sides overhang. 4 x 1, red red blue blue: the middle two
        // columns are seen, red on the left half, blue on the right.
        {"wide", pictureOf(4, 1, {kRed, kRed, kBlue, kBlue}), 16,
         [](int x, int, int side) { return x < side / 2 ? kRed : kBlue; }},
        // Tall: the width fits. 1 x 2, red above blue.
        {"tall", pictureOf(1, 2, {kRed, kBlue}), 24,
         [](int, int y, int side) { return y < side / 2 ? kRed : kBlue; }},
        // A 2 x 2 picture enlarged to 256: four clean quarters.
        {"enlarged", pictureOf(2, 2, {kRed, kBlue, kBlue, kRed}), 256,
         [](int x, int y, int side) { return (x < side / 2) == (y < side / 2) ? kRed : kBlue; }},
    };
    for (const Row& row : rows) {
        const TrueColourImage image = drawTrueColourImage(row.picture.view(), row.side);
        ASSERT_EQ(image.argb.size(), static_cast<std::size_t>(row.side * row.side)) << row.name;
        for (int y = 0; y < row.side; ++y)
            for (int x = 0; x < row.side; ++x)
                ASSERT_EQ(image.argb[static_cast<std::size_t>(y * row.side + x)],
                          row.expected(x, y, row.side))
                    << row.name << " at " << x << "," << y;
    }
}

TEST(TrueColourIconsTest, ReducingKeepsTransparencyWithoutDarkening)
{
    // 32 x 32: the left 15 columns opaque white, the rest fully transparent (black beneath).
    std::vector<std::uint32_t> pixels(32 * 32);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            pixels[static_cast<std::size_t>(y * 32 + x)] = x < 15 ? 0xFFFFFFFFu : 0x00000000u;
    const DecodedPicture picture = pictureOf(32, 32, pixels);
    // 24 pixels: column 11 covers source columns 14.67 to 16, a quarter of it white.
    const TrueColourImage image = drawTrueColourImage(picture.view(), 24);
    const std::uint32_t edge = image.argb[11];
    EXPECT_EQ(edge >> 24, 64u);               // a quarter opaque
    EXPECT_EQ(edge & 0x00FFFFFFu, 0xFFFFFFu); // and still white, not grey
    EXPECT_EQ(image.argb[0], 0xFFFFFFFFu);
    EXPECT_EQ(image.argb[23], 0u);
    EXPECT_EQ(drawTrueColourIcons(picture.view()).size(), 4u);
    // An empty picture gives transparent images, not a crash.
    EXPECT_EQ(drawTrueColourImage(DecodedPicture{}.view(), 16).argb, std::vector<std::uint32_t>(256, 0));
}

TEST(TrueColourIconsTest, KeptPictureRoundTripsAndDamageIsNamed)
{
    test::TempFolder dir;
    const std::string path = dir / "theicon32.bmp";
    const TrueColourImage image = drawTrueColourImage(StandardIcon::picture().view(), 256);
    saveTrueColourPicture(image, path);
    const DecodedPicture back = loadTrueColourPicture(path);
    EXPECT_EQ(back.width, 256);
    EXPECT_EQ(back.height, 256);
    EXPECT_EQ(back.pixels, image.argb);

    const std::string bytes = test::readFile(path);
    struct Row {
        const char* name;
        std::string content;
    };
    const Row rows[] = {
        {"empty", ""},
        {"cut short", bytes.substr(0, bytes.size() / 2)},
        {"not a bitmap", "GIF89a" + bytes.substr(6)},
        {"4 bits a pixel", bytes.substr(0, 28) + '\x04' + bytes.substr(29)},
    };
    for (const Row& row : rows) {
        test::writeFile(path, row.content);
        try {
            (void)loadTrueColourPicture(path);
            ADD_FAILURE() << row.name << ": read";
        } catch (const EIconFileError& e) {
            EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << row.name;
        }
    }
    EXPECT_THROW((void)loadTrueColourPicture(dir / "fehlt.bmp"), EIconFileError);
}

} // namespace
} // namespace pagolux
