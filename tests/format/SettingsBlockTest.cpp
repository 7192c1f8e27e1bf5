#include "format/SettingsBlock.h"

#include "archive/TStream.h"
#include "tests/builder/TestFiles.h"

#include <gtest/gtest.h>

namespace pagolux {
namespace {

using test::Bytes;
using test::bytesOf;

Bytes concat(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const auto& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

TEST(SettingsBlock, DefaultSettingsGiveThe56ByteExample)
{
    const Bytes expected = concat({
        {0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01},
        {0x58, 0x02, 0x00, 0x00, 0xB8, 0x01, 0x00, 0x00, 0x01, 0x00},
        {0x0B, 0x00, 0x00, 0x00},
        bytesOf("Pagolux 2.0"),
        {0x11, 0x00, 0x00, 0x00},
        bytesOf("D:\\web\\index.html"),
    });
    ASSERT_EQ(expected.size(), 56u);
    EXPECT_EQ(EncodeSettingsBlock(BuildSettings{}, "D:\\web\\index.html"), expected);
}

TEST(SettingsBlock, EmptyProjectNamePutsTheStartLengthAtOffset24)
{
    BuildSettings s;
    s.projectName.clear();
    const Bytes block = EncodeSettingsBlock(s, "/a/b.html");
    ASSERT_EQ(block.size(), 28u + 9u);
    EXPECT_EQ(test::getLE32(block, 20), 0u);
    EXPECT_EQ(test::getLE32(block, 24), 9u);
    EXPECT_EQ(Bytes(block.begin() + 28, block.end()), bytesOf("/a/b.html"));
}

TEST(SettingsBlock, EveryFieldLandsAtItsOffset)
{
    struct Row {
        const char* name;
        BuildSettings settings;
        std::size_t offset;
        Bytes expected;
    };
    auto with = [](auto change) {
        BuildSettings s;
        change(s);
        return s;
    };
    const std::vector<Row> rows = {
        {"maximum size clears offset 18", with([](BuildSettings& s) { s.definedSize = false; }), 18, {0x00}},
        {"maximum size still writes width",
         with([](BuildSettings& s) { s.definedSize = false; }),
         10,
         {0x58, 0x02, 0x00, 0x00}},
        {"fixed size sets offset 19", with([](BuildSettings& s) { s.fixedSize = true; }), 19, {0x01}},
        {"status bar off", with([](BuildSettings& s) { s.elements[0] = false; }), 0, {0x00, 0x01}},
        {"exit button off", with([](BuildSettings& s) { s.elements[9] = false; }), 8, {0x01, 0x00}},
        {"width 1280", with([](BuildSettings& s) { s.width = 1280; }), 10, {0x00, 0x05, 0x00, 0x00}},
        {"negative height written as is",
         with([](BuildSettings& s) { s.height = -2; }),
         14,
         {0xFE, 0xFF, 0xFF, 0xFF}},
    };
    for (const auto& row : rows) {
        const Bytes block = EncodeSettingsBlock(row.settings, "x");
        ASSERT_GE(block.size(), row.offset + row.expected.size()) << row.name;
        EXPECT_EQ(Bytes(block.begin() + static_cast<long>(row.offset),
                        block.begin() + static_cast<long>(row.offset + row.expected.size())),
                  row.expected)
            << row.name;
    }
}

TEST(SettingsBlock, ReadsBackWhatWasWrittenAndItsSize)
{
    BuildSettings s;
    s.elements = {true, false, true, false, true, false, true, false, true, false};
    s.width = 777;
    s.height = 333;
    s.definedSize = false;
    s.fixedSize = true;
    s.projectName = "Mein Handbuch";
    Bytes block = EncodeSettingsBlock(s, "/home/u/site/index.html");
    const std::size_t blockSize = block.size();
    block.insert(block.end(), {0xAA, 0xBB}); // the archive that follows
    TMemoryStream in(block);
    const SettingsBlock read = ReadSettingsBlock(in, static_cast<std::int64_t>(block.size()));
    EXPECT_EQ(read.settings, s);
    EXPECT_EQ(read.startPath, "/home/u/site/index.html");
    EXPECT_EQ(read.size, static_cast<std::int64_t>(blockSize));
}

TEST(SettingsBlock, EveryTruncationIsRefused)
{
    const Bytes block = EncodeSettingsBlock(BuildSettings{}, "D:\\web\\index.html");
    for (std::size_t cut = 0; cut < block.size(); ++cut) {
        TMemoryStream in(Bytes(block.begin(), block.begin() + static_cast<long>(cut)));
        EXPECT_THROW((void)ReadSettingsBlock(in, static_cast<std::int64_t>(cut)), ESettingsBlockError) << cut;
    }
}

TEST(SettingsBlock, ImpossibleLengthsAreRefusedBeforeAllocating)
{
    struct Row {
        const char* name;
        std::size_t at;
        std::uint32_t value;
    };
    const Row rows[] = {
        {"negative name length", 20, 0xFFFFFFFFu}, {"huge name length", 20, 0x7FFFFFFFu},
        {"name length one past the end", 20, 33},  {"negative path length", 35, 0x80000000u},
        {"path length one too many", 35, 18},
    };
    for (const auto& row : rows) {
        Bytes block = EncodeSettingsBlock(BuildSettings{}, "D:\\web\\index.html");
        test::putLE32(block, row.at, row.value);
        TMemoryStream in(block);
        EXPECT_THROW((void)ReadSettingsBlock(in, static_cast<std::int64_t>(block.size())),
                     ESettingsBlockError)
            << row.name;
    }
}

} // namespace
} // namespace pagolux
