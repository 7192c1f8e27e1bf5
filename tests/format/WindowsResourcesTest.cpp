// The Windows program parts the builder writes in place: the reserved version fields, the
// true-colour icon images, and the PE headers that locate them and the certificate table.

#include "format/IconImage.h"
#include "format/PeImage.h"
#include "format/VersionResource.h"

#include <gtest/gtest.h>

namespace pagolux {
namespace {

using Bytes = std::vector<std::uint8_t>;

const VersionTexts kViewerTexts{u"Pagolux-Viewer", u"Pagolux", u"pagolux-viewer.exe", u"pagolux-viewer"};

TEST(VersionResourceTest, FillsTheReservedFieldsInPlace)
{
    Bytes block = MakeVersionResource(kViewerTexts);
    const std::size_t size = block.size();
    struct Row {
        const char* name;
        std::u16string projectName;
        std::u16string fileName;
        std::u16string expectedName; // as read back
    };
    const std::u16string longName(400, u'x');
    std::u16string pairAtCut(kVersionFieldUnits - 2, u'a');
    pairAtCut += u"\U0001F600"; // its two code units would straddle the last place
    const Row rows[] = {
        {"short", u"Wein Probe", u"Wein Probe.exe", u"Wein Probe"},
        {"umlauts", u"Größe über alles", u"größe.exe", u"Größe über alles"},
        {"longer than the field", longName, u"a.exe", std::u16string(kVersionFieldUnits - 1, u'x')},
        {"surrogate pair at the cut", pairAtCut, u"a.exe", std::u16string(kVersionFieldUnits - 2, u'a')},
        {"shorter again", u"P", u"p.exe", u"P"},
    };
    for (const Row& row : rows) {
        ASSERT_TRUE(
            FillVersionResource(block, {row.projectName, row.projectName, row.fileName, row.fileName}))
            << row.name;
        EXPECT_EQ(block.size(), size) << row.name;
        EXPECT_TRUE(ReadVersionString(block, u"FileDescription") == row.expectedName) << row.name;
        EXPECT_TRUE(ReadVersionString(block, u"ProductName") == row.expectedName) << row.name;
        EXPECT_TRUE(ReadVersionString(block, u"OriginalFilename") == row.fileName) << row.name;
        EXPECT_TRUE(ReadVersionString(block, u"InternalName") == row.fileName) << row.name;
        // The fields around them stay as they were.
        EXPECT_TRUE(ReadVersionString(block, u"FileVersion") == u"2.0") << row.name;
        EXPECT_TRUE(ReadVersionString(block, u"ProductVersion") == u"2.0") << row.name;
    }
}

TEST(VersionResourceTest, ADamagedBlockIsLeftAlone)
{
    const Bytes good = MakeVersionResource(kViewerTexts);
    struct Row {
        const char* name;
        Bytes block;
    };
    Bytes wrongRootLength = good;
    wrongRootLength[0] = 0xFF;
    wrongRootLength[1] = 0xFF;
    Bytes renamedField = good;
    // "ProductName" spelt otherwise: a field the builder needs is missing.
    for (std::size_t i = 0; i + 22 <= renamedField.size(); i += 2)
        if (renamedField[i] == 'P' && renamedField[i + 2] == 'r' && renamedField[i + 14] == 'N')
            renamedField[i] = 'Q';
    const Row rows[] = {
        {"empty", {}},
        {"cut short", Bytes(good.begin(), good.begin() + 200)},
        {"root longer than the block", wrongRootLength},
        {"a field missing", renamedField},
    };
    for (const Row& row : rows) {
        Bytes block = row.block;
        EXPECT_FALSE(FillVersionResource(block, {u"x", u"x", u"y", u"y"})) << row.name;
        EXPECT_EQ(block, row.block) << row.name;
    }
}

TEST(VersionResourceTest, TextsBecomeUtf16)
{
    struct Row {
        std::string utf8;
        std::u16string utf16;
    };
    const Row rows[] = {
        {"Wein", u"Wein"},
        {"Gr\xC3\xB6\xC3\x9F"
         "e",
         u"Größe"},
        {"\xE2\x82\xAC 5", u"€ 5"},
        {"\xF0\x9F\x98\x80", u"\U0001F600"},
        {"a\xFF"
         "b",
         u"a\uFFFDb"},
        {"\xC3", u"\uFFFD"},
    };
    for (const Row& row : rows)
        EXPECT_TRUE(VersionText(row.utf8) == row.utf16) << row.utf8;
}

TEST(IconImageTest, PacksBottomUpWithAMaskForTransparentPixels)
{
    constexpr int kSide = 16;
    std::vector<std::uint32_t> argb(kSide * kSide, 0xFF112233u);
    argb[0] = 0x00000000u;                 // top left: transparent
    argb[kSide * kSide - 1] = 0x80FF0000u; // bottom right: half-transparent red
    const Bytes packed = packTrueColourIcon(kSide, argb);
    ASSERT_EQ(packed.size(), trueColourIconBytes(kSide));
    // The first pixel row in the file is the bottom row: its last pixel is the red one (B G R A).
    const std::size_t bottomRight = 40 + 4 * (kSide - 1);
    EXPECT_EQ(Bytes(packed.begin() + bottomRight, packed.begin() + bottomRight + 4),
              (Bytes{0, 0, 0xFF, 0x80}));
    // The mask's last row is the top row; only its first bit (the transparent pixel) is set.
    const std::size_t mask = 40 + kSide * kSide * 4;
    const std::size_t topRow = mask + 4 * (kSide - 1);
    EXPECT_EQ(packed[topRow], 0x80);
    for (std::size_t i = mask; i < packed.size(); ++i) {
        if (i != topRow) {
            EXPECT_EQ(packed[i], 0) << i;
        }
    }
    EXPECT_EQ(unpackTrueColourIcon(kSide, packed), argb);
    EXPECT_TRUE(unpackTrueColourIcon(24, packed).empty());
    // The 256-pixel image: the largest the viewer reserves.
    EXPECT_EQ(trueColourIconBytes(256), 40u + 256 * 256 * 4 + 32 * 256);
}

// A small PE32+ image: headers, one section holding a resource tree with one version
// resource, then (optionally) trailing bytes.
Bytes peImage(std::uint32_t certificateOffset, std::uint32_t certificateSize, std::size_t trailing)
{
    Bytes b(0x400, 0);
    const auto put16 = [&b](std::size_t at, std::uint32_t v) {
        b[at] = static_cast<std::uint8_t>(v);
        b[at + 1] = static_cast<std::uint8_t>(v >> 8);
    };
    const auto put32 = [&](std::size_t at, std::uint32_t v) {
        put16(at, v & 0xFFFF);
        put16(at + 2, v >> 16);
    };
    b[0] = 'M';
    b[1] = 'Z';
    put32(0x3C, 0x40);
    b[0x40] = 'P';
    b[0x41] = 'E';
    put16(0x46, 1);   // one section
    put16(0x54, 240); // optional header size
    const std::size_t opt = 0x58;
    put16(opt, 0x20B);
    put32(opt + 108, 16);
    put32(opt + 112 + 8 * 2, 0x1000); // resources at RVA 0x1000
    put32(opt + 112 + 8 * 2 + 4, 0x100);
    put32(opt + 112 + 8 * 4, certificateOffset);
    put32(opt + 112 + 8 * 4 + 4, certificateSize);
    const std::size_t section = opt + 240;
    put32(section + 8, 0x200);   // virtual size
    put32(section + 12, 0x1000); // RVA
    put32(section + 16, 0x200);  // raw size
    put32(section + 20, 0x200);  // file offset
    // Resource tree at 0x200: type 16 -> id 1 -> language 0x407 -> data entry -> 8 bytes.
    const std::size_t r = 0x200;
    put16(r + 14, 1);
    put32(r + 16, 16);
    put32(r + 20, 0x80000000u | 0x18);
    put16(r + 0x18 + 14, 1);
    put32(r + 0x18 + 16, 1);
    put32(r + 0x18 + 20, 0x80000000u | 0x30);
    put16(r + 0x30 + 14, 1);
    put32(r + 0x30 + 16, 0x407);
    put32(r + 0x30 + 20, 0x48);
    put32(r + 0x48, 0x1000 + 0x60); // data RVA
    put32(r + 0x48 + 4, 8);
    for (int i = 0; i < 8; ++i)
        b[r + 0x60 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>('A' + i);
    b.resize(b.size() + trailing, 0x55);
    return b;
}

TEST(PeImageTest, FindsResourcesAndWhereTheProgramsDataEnd)
{
    TMemoryStream plain(peImage(0, 0, 0));
    const PeLayout pe = ReadPeLayout(plain);
    EXPECT_EQ(pe.checksumOffset, 0x58 + 64);
    const auto version = FindPeResource(plain, pe, kPeResourceVersion, 1);
    ASSERT_TRUE(version.has_value());
    EXPECT_EQ(version->offset, 0x260);
    EXPECT_EQ(version->size, 8u);
    EXPECT_FALSE(FindPeResource(plain, pe, kPeResourceIcon, 1).has_value());

    struct Row {
        const char* name;
        std::uint32_t certOffset, certSize;
        std::size_t trailing;
        std::int64_t end;
    };
    const Row rows[] = {
        {"unsigned", 0, 0, 100, 0x400 + 100},
        {"table closes the file", 0x400 + 4, 96, 100, 0x400 + 4},
        {"table and the rounding to 8 bytes", 0x400, 93, 96, 0x400},
        {"table in the middle", 0x400, 40, 100, 0x400 + 100},
        {"table beyond the file", 0x400, 400, 100, 0x400 + 100},
    };
    for (const Row& row : rows) {
        TMemoryStream file(peImage(row.certOffset, row.certSize, row.trailing));
        EXPECT_EQ(PeDataEnd(file), row.end) << row.name;
    }
    TMemoryStream notPe(Bytes(300, 0x4D));
    EXPECT_EQ(PeDataEnd(notPe), 300);
    EXPECT_THROW((void)ReadPeLayout(notPe), EPeFormatError);
}

TEST(PeImageTest, ChecksumLeavesOutItsOwnFieldAndCountsEveryOtherByte)
{
    Bytes image = peImage(0, 0, 7); // odd length: the last byte counts as a word of its own
    TMemoryStream file(image);
    const std::uint32_t written = WritePeChecksum(file);
    // Writing the sum into its field does not change the sum.
    EXPECT_EQ(ComputePeChecksum(file, 0x58 + 64), written);
    struct Row {
        const char* name;
        std::size_t at;
    };
    for (const Row& row :
         {Row{"header byte", 0x10}, Row{"resource byte", 0x261}, Row{"last byte", image.size() - 1}}) {
        Bytes changed = image;
        changed[row.at] ^= 0x01;
        TMemoryStream other(changed);
        EXPECT_NE(ComputePeChecksum(other, 0x58 + 64), written) << row.name;
    }
}

} // namespace
} // namespace pagolux
