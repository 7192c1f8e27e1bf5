#include "builder/IconPatcher.h"

#include "tests/builder/TestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace pagolux {
namespace {

using test::Bytes;

// 512 bytes that look like an icon: a gradient that repeats no 16-byte row.
Bytes pattern()
{
    Bytes p(512);
    for (std::size_t i = 0; i < p.size(); ++i)
        p[i] = static_cast<std::uint8_t>((i * 13 + i / 16) & 0xFF);
    return p;
}

Bytes filler(std::size_t size)
{
    Bytes v(size);
    for (std::size_t i = 0; i < size; ++i)
        v[i] = static_cast<std::uint8_t>((i * 31 + 7) % 251);
    return v;
}

class IconPatcherTest : public ::testing::Test {
  protected:
    void writeIconComp(const Bytes& pixels, std::size_t headerSize = 168)
    {
        Bytes comp = pixels;
        comp.insert(comp.begin(), headerSize, 0x11);
        test::writeBytes(dir / "iconcomp.dat", comp);
    }
    void writeProto(const Bytes& decoded)
    {
        test::writeBytes(dir / "ProtoExe.dat", test::encodeProto(decoded));
    }

    test::TempFolder dir;
};

TEST_F(IconPatcherTest, FindsThePatternWherePlaced)
{
    struct Row {
        const char* name;
        std::size_t protoSize;
        std::vector<std::size_t> at;
        std::int32_t expected;
    };
    const std::vector<Row> rows = {
        {"once in the middle", 10000, {4321}, 4321},
        {"twice: the later one wins", 10000, {1000, 7000}, 7000},
        {"at the very end", 4096, {4096 - 512}, 4096 - 512},
        {"across the reader's block edge", 600000, {(1 << 18) - 100}, (1 << 18) - 100},
        {"twice, the later one across a block edge", 600000, {5, (1 << 19) - 3}, (1 << 19) - 3},
        {"not there", 10000, {}, 0},
    };
    const Bytes kPattern = pattern();
    writeIconComp(kPattern);
    for (const auto& row : rows) {
        Bytes proto = filler(row.protoSize);
        for (const std::size_t at : row.at)
            std::copy(kPattern.begin(), kPattern.end(), proto.begin() + static_cast<long>(at));
        writeProto(proto);
        EXPECT_EQ(RenderIconPos(dir.folder()), row.expected) << row.name;
    }
}

TEST_F(IconPatcherTest, MissingOrShortFilesGiveZero)
{
    const Bytes kPattern = pattern();
    Bytes proto = filler(5000);
    std::copy(kPattern.begin(), kPattern.end(), proto.begin() + 1000);
    writeProto(proto);
    EXPECT_EQ(RenderIconPos(dir.folder()), 0) << "no iconcomp.dat";

    Bytes shortPattern = pattern();
    shortPattern.pop_back();
    writeIconComp(shortPattern);
    EXPECT_EQ(RenderIconPos(dir.folder()), 0) << "iconcomp.dat one byte short";

    writeIconComp(pattern());
    EXPECT_EQ(RenderIconPos(dir.folder()), 1000) << "both present";
    std::filesystem::remove(dir / "ProtoExe.dat");
    EXPECT_EQ(RenderIconPos(dir.folder()), 0) << "no ProtoExe.dat";
}

TEST_F(IconPatcherTest, AllWhiteIconWrites512BytesOf0xFF)
{
    const Bytes before = filler(3000);
    test::writeBytes(dir / "out", before);
    IconBitmap icon;
    icon.fill(IconBitmap::White);
    ASSERT_TRUE(WriteIcon(dir / "out", 1000, icon));
    const Bytes after = test::readBytes(dir / "out");
    ASSERT_EQ(after.size(), before.size()) << "the file must not be emptied or grown";
    EXPECT_TRUE(std::all_of(after.begin() + 1000, after.begin() + 1512, [](auto b) { return b == 0xFF; }));
    EXPECT_TRUE(std::equal(before.begin(), before.begin() + 1000, after.begin()));
    EXPECT_TRUE(std::equal(before.begin() + 1512, before.end(), after.begin() + 1512));
}

TEST_F(IconPatcherTest, TopLeftPixelLandsInTheLastRowOfTheBlock)
{
    test::writeBytes(dir / "out", Bytes(2000, 0x33));
    IconBitmap icon; // all index 0
    icon.setPixel(0, 0, 9);
    ASSERT_TRUE(WriteIcon(dir / "out", 700, icon));
    const Bytes after = test::readBytes(dir / "out");
    for (std::size_t i = 0; i < 512; ++i)
        EXPECT_EQ(after[700 + i], i == 496 ? 0x90 : 0x00) << "byte " << i;
    EXPECT_EQ(after[699], 0x33);
    EXPECT_EQ(after[1212], 0x33);
}

TEST_F(IconPatcherTest, NothingIsWrittenWithoutAPositionOrFile)
{
    const Bytes before = filler(1000);
    test::writeBytes(dir / "out", before);
    IconBitmap icon;
    EXPECT_FALSE(WriteIcon(dir / "out", 0, icon));
    EXPECT_EQ(test::readBytes(dir / "out"), before);
    EXPECT_FALSE(WriteIcon(dir / "missing", 100, icon));
    EXPECT_FALSE(std::filesystem::exists(dir / "missing"));
}

} // namespace
} // namespace pagolux
