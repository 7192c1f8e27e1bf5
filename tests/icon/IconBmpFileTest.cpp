#include "icon/IconBmpFile.h"
#include "icon/IconError.h"
#include "tests/icon/TestIcons.h"
#include "tests/support/Files.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace pagolux {
namespace {

IconBitmap patternIcon()
{
    return test::iconOf([](int x, int y) { return (x / 2 + y * 3) % 16; });
}

TEST(IconBmpFile, WritesAStandardFourBitBitmap)
{
    IconBitmap icon;
    icon.setPixel(0, 0, 9);
    const std::vector<std::uint8_t> d = IconBmpFile::encode(icon);
    ASSERT_EQ(d.size(), 630u);
    EXPECT_EQ(d[0], 'B');
    EXPECT_EQ(d[1], 'M');
    EXPECT_EQ(test::getLE32(d, 2), 630u) << "file size";
    EXPECT_EQ(test::getLE32(d, 6), 0u) << "reserved";
    EXPECT_EQ(test::getLE32(d, 10), 118u) << "pixel offset";
    EXPECT_EQ(test::getLE32(d, 14), 40u) << "information header size";
    EXPECT_EQ(test::getLE32(d, 18), 32u) << "width";
    EXPECT_EQ(test::getLE32(d, 22), 32u) << "height, positive: bottom-up";
    EXPECT_EQ(d[26] | (d[27] << 8), 1) << "planes";
    EXPECT_EQ(d[28] | (d[29] << 8), 4) << "bits per pixel";
    EXPECT_EQ(test::getLE32(d, 30), 0u) << "no compression";
    EXPECT_EQ(test::getLE32(d, 34), 512u) << "image size";
    EXPECT_EQ(test::getLE32(d, 46), 16u) << "colours used";
    for (std::size_t i = 0; i < 16; ++i) {
        const PaletteColor& c = IconBitmap::Palette[i];
        const std::size_t at = 54 + 4 * i;
        EXPECT_EQ(d[at], c.blue) << i;
        EXPECT_EQ(d[at + 1], c.green) << i;
        EXPECT_EQ(d[at + 2], c.red) << i;
        EXPECT_EQ(d[at + 3], 0) << i;
    }
    for (std::size_t i = 118; i < 630; ++i) {
        ASSERT_EQ(d[i], i == 118 + 496 ? 0x90 : 0) << "byte " << i;
    }
}

TEST(IconBmpFile, ReadsBackWhatItWrites)
{
    const IconBitmap icon = patternIcon();
    EXPECT_EQ(IconBmpFile::decode(IconBmpFile::encode(icon)), icon);
}

TEST(IconBmpFile, ReadsTopDownRows)
{
    const IconBitmap icon = patternIcon();
    std::vector<std::uint8_t> d = IconBmpFile::encode(icon);
    test::putLE32(d, 22, static_cast<std::uint32_t>(-32));
    // Reverse the row order of the pixel block.
    std::vector<std::uint8_t> flipped(d.begin(), d.begin() + 118);
    for (int row = 31; row >= 0; --row) {
        const auto start = d.begin() + 118 + row * 16;
        flipped.insert(flipped.end(), start, start + 16);
    }
    EXPECT_EQ(IconBmpFile::decode(flipped), icon);
}

TEST(IconBmpFile, MapsAForeignColourTableToTheNearestPaletteColours)
{
    // Colour table in reverse palette order, shortened to two entries, and with slightly
    // off colours: pixel values 0 and 1 mean palette 15 and 14.
    IconBitmap source;
    source.setPixel(4, 4, 1);
    std::vector<std::uint8_t> d = IconBmpFile::encode(source);
    test::putLE32(d, 46, 2);
    const std::uint8_t table[8] = {250, 250, 250, 0, /* near white */ 250, 240, 10, 0 /* near cyan */};
    std::copy(std::begin(table), std::end(table), d.begin() + 54);
    const IconBitmap read = IconBmpFile::decode(d);
    EXPECT_EQ(read.pixel(4, 4), 14);
    EXPECT_EQ(read.pixel(0, 0), 15);
    EXPECT_EQ(read.pixel(31, 31), 15);
}

TEST(IconBmpFile, AcceptsALargerInformationHeaderAndPixelsFurtherOn)
{
    const IconBitmap icon = patternIcon();
    const std::vector<std::uint8_t> plain = IconBmpFile::encode(icon);
    // 108-byte header: 68 extra header bytes before the colour table, pixels 100 bytes later.
    std::vector<std::uint8_t> d(plain.begin(), plain.begin() + 54);
    d.insert(d.end(), 68, 0);
    d.insert(d.end(), plain.begin() + 54, plain.begin() + 118);
    d.insert(d.end(), 32, 0xEE); // a gap
    d.insert(d.end(), plain.begin() + 118, plain.end());
    test::putLE32(d, 14, 108);
    test::putLE32(d, 10, 14 + 108 + 64 + 32);
    EXPECT_EQ(IconBmpFile::decode(d), icon);
}

TEST(IconBmpFile, EveryTruncationIsRefused)
{
    const std::vector<std::uint8_t> d = IconBmpFile::encode(patternIcon());
    for (std::size_t n = 0; n < d.size(); ++n) {
        const std::vector<std::uint8_t> part(d.begin(), d.begin() + static_cast<std::ptrdiff_t>(n));
        EXPECT_THROW((void)IconBmpFile::decode(part), EIconFileError) << "length " << n;
    }
}

TEST(IconBmpFile, RefusesWhatIsNotA32By32FourBitBitmap)
{
    struct Case {
        const char* name;
        std::size_t at;
        std::uint32_t value;
        int width; // bytes to write: 1, 2 or 4
    };
    const Case cases[] = {
        {"wrong magic", 0, 'P', 1},
        {"width 33", 18, 33, 4},
        {"width 16", 18, 16, 4},
        {"height 64", 22, 64, 4},
        {"height -31", 22, static_cast<std::uint32_t>(-31), 4},
        {"8 bits per pixel", 28, 8, 2},
        {"1 bit per pixel", 28, 1, 2},
        {"two planes", 26, 2, 2},
        {"run-length compressed", 30, 2, 4},
        {"17 colours", 46, 17, 4},
        {"huge colour count", 46, 0xFFFFFFFF, 4},
        {"12-byte core header", 14, 12, 4},
        {"huge header size", 14, 0xFFFFFFFF, 4},
        {"header size beyond the file", 14, 124, 4},
        {"pixel offset past the end", 10, 119, 4},
        {"pixel offset at 4 GiB", 10, 0xFFFFFFF0, 4},
        {"pixel offset inside the header", 10, 20, 4},
        {"one colour but pixels use more", 46, 1, 4},
    };
    const std::vector<std::uint8_t> good = IconBmpFile::encode(patternIcon());
    for (const Case& c : cases) {
        std::vector<std::uint8_t> d = good;
        for (int i = 0; i < c.width; ++i) {
            d[c.at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(c.value >> (8 * i));
        }
        EXPECT_THROW((void)IconBmpFile::decode(d), EIconFileError) << c.name;
    }
}

TEST(IconBmpFile, SaveAndLoadThroughTheFileSystem)
{
    test::TempFolder dir;
    const std::string file = dir / "theicon.bmp";
    const IconBitmap icon = patternIcon();
    IconBmpFile::save(icon, file);
    EXPECT_EQ(IconBmpFile::load(file), icon);
    EXPECT_EQ(test::readBytes(file), IconBmpFile::encode(icon));

    // Saving again replaces the file and leaves no temporary file beside it.
    IconBitmap other;
    other.fill(11);
    IconBmpFile::save(other, file);
    EXPECT_EQ(IconBmpFile::load(file), other);
    EXPECT_EQ(test::folderEntries(dir.folder()), std::vector<std::string>{"theicon.bmp"});
}

TEST(IconBmpFile, SaveKeepsPermissionsAndSymbolicLinks)
{
    namespace fs = std::filesystem;
    test::TempFolder dir;
    const std::string real = dir / "real.bmp";
    const std::string link = dir / "theicon.bmp";
    IconBmpFile::save(IconBitmap{}, real);
    fs::permissions(real, fs::perms::owner_read | fs::perms::owner_write);
    fs::create_symlink(real, link);

    IconBmpFile::save(patternIcon(), link);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(IconBmpFile::load(real), patternIcon());
    EXPECT_EQ(fs::status(real).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
}

TEST(IconBmpFile, FailedSaveLeavesNoTraceAndNamesTheFile)
{
    test::TempFolder dir;
    // The target is a non-empty folder: the final rename must fail.
    const std::string target = dir / "theicon.bmp";
    std::filesystem::create_directory(target);
    test::writeBytes(target + "/keep", {1, 2, 3});
    try {
        IconBmpFile::save(patternIcon(), target);
        FAIL() << "rename over a folder must fail";
    } catch (const EIconCreateError& e) {
        EXPECT_EQ(std::string(e.what()), "Datei " + target + " kann nicht erstellt werden");
    }
    EXPECT_EQ(test::folderEntries(dir.folder()), std::vector<std::string>{"theicon.bmp"});
    EXPECT_EQ(test::readBytes(target + "/keep"), (std::vector<std::uint8_t>{1, 2, 3}));

    EXPECT_THROW(IconBmpFile::save(patternIcon(), dir / "no/such/folder/theicon.bmp"), EIconCreateError);
}

TEST(IconBmpFile, LoadRefusesMissingOversizedAndForeignFiles)
{
    test::TempFolder dir;
    EXPECT_THROW((void)IconBmpFile::load(dir / "missing.bmp"), EIconFileError);
    EXPECT_THROW((void)IconBmpFile::load(dir.folder()), EIconFileError) << "a folder";

    // A valid icon followed by junk up to just over the size limit.
    std::vector<std::uint8_t> big = IconBmpFile::encode(patternIcon());
    big.resize(IconBmpFile::MaxAcceptedFileSize + 1, 0xAB);
    test::writeBytes(dir / "big.bmp", big);
    EXPECT_THROW((void)IconBmpFile::load(dir / "big.bmp"), EIconFileError);
    // At the limit it is still read: trailing bytes after the pixels are allowed.
    big.resize(IconBmpFile::MaxAcceptedFileSize);
    test::writeBytes(dir / "limit.bmp", big);
    EXPECT_EQ(IconBmpFile::load(dir / "limit.bmp"), patternIcon());

    test::writeBytes(dir / "text.bmp", {'h', 'e', 'l', 'l', 'o'});
    EXPECT_THROW((void)IconBmpFile::load(dir / "text.bmp"), EIconFileError);
}

} // namespace
} // namespace pagolux
