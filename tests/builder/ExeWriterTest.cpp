#include "builder/ExeWriter.h"

#include "format/SettingsBlock.h"
#include "tests/builder/TestFiles.h"
#include "tests/support/ScriptedInteraction.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace pagolux {
namespace {

using test::Bytes;
using test::bytesOf;

// A decoded prototype of `size` bytes (a pattern that holds every byte value, 0xFF included)
// with the marker at each of `markers`.
Bytes makeViewer(std::size_t size, std::initializer_list<std::size_t> markers)
{
    Bytes v(size);
    for (std::size_t i = 0; i < size; ++i)
        v[i] = static_cast<std::uint8_t>((i * 7 + 3) & 0xFF);
    for (const std::size_t at : markers)
        std::memcpy(&v[at], "ORVTEXEH", 8);
    return v;
}

// What the assembly should produce: viewer with the patches at `patched`, block, archive.
Bytes expectedOutput(Bytes viewer, std::initializer_list<std::size_t> patched, const Bytes& block,
                     const Bytes& archive)
{
    const auto n = static_cast<std::uint32_t>(viewer.size());
    for (const std::size_t at : patched) {
        test::putLE32(viewer, at, n);
        for (std::size_t i = at + 16; i < at + 20 && i < viewer.size(); ++i)
            viewer[i] = 0;
    }
    viewer.insert(viewer.end(), block.begin(), block.end());
    viewer.insert(viewer.end(), archive.begin(), archive.end());
    return viewer;
}

class ExeWriterTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        archive = bytesOf("pretend archive bytes, copied unchanged");
        archive.resize(5000, 0x5A); // more than two copy blocks
        test::writeBytes(dir / "tf0.zlb", archive);
        settings.projectName = "Handbuch";
        block = EncodeSettingsBlock(settings, startPath);
    }

    ExeWriteResult build(const Bytes& decodedViewer)
    {
        test::writeBytes(dir / "ProtoExe.dat", test::encodeProto(decodedViewer));
        return WriteExe(dir / "ProtoExe.dat", dir / "tf0.zlb", dir / "out", startPath, settings, ui);
    }

    test::TempFolder dir;
    test::ScriptedInteraction ui{MsgResult::Cancel};
    BuildSettings settings;
    std::string startPath = "/home/u/site/index.html";
    Bytes archive;
    Bytes block;
};

TEST_F(ExeWriterTest, JoinsDecodedViewerSettingsBlockAndArchive)
{
    const Bytes viewer = makeViewer(5000, {3000});
    const ExeWriteResult r = build(viewer);
    EXPECT_TRUE(r.ok);
    EXPECT_TRUE(r.markerFound);
    EXPECT_EQ(r.viewerSize, 5000);
    EXPECT_EQ(test::readBytes(dir / "out"), expectedOutput(viewer, {3000}, block, archive));
    EXPECT_TRUE(ui.messages.empty());
}

// The archive goes in inside the system where it can, in pieces of 8 MiB; where the system
// cannot copy between the two files (the temporary folder on another file system, such as a
// tmpfs in memory) it goes through the process.
TEST_F(ExeWriterTest, LargeArchiveIsCopiedWholeAlsoFromAnotherFileSystem)
{
    Bytes large(20u * 1024 * 1024 + 12345);
    for (std::size_t i = 0; i < large.size(); ++i)
        large[i] = static_cast<std::uint8_t>((i * 131) ^ (i >> 13));
    std::string inMemory = "/dev/shm/pagolux-test-XXXXXX";
    const int fd = ::mkstemp(inMemory.data());
    if (fd >= 0)
        ::close(fd);
    const std::string places[] = {dir / "tf1.zlb", fd >= 0 ? inMemory : dir / "tf2.zlb"};
    const Bytes viewer = makeViewer(5000, {3000});
    test::writeBytes(dir / "ProtoExe.dat", test::encodeProto(viewer));
    for (const std::string& place : places) {
        test::writeBytes(place, large);
        const ExeWriteResult r = WriteExe(dir / "ProtoExe.dat", place, dir / "out", startPath, settings, ui);
        EXPECT_TRUE(r.ok) << place;
        EXPECT_TRUE(test::readBytes(dir / "out") == expectedOutput(viewer, {3000}, block, large)) << place;
        std::filesystem::remove(place);
    }
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(ExeWriterTest, MarkerPlacesAcrossBlocks)
{
    struct Row {
        const char* name;
        std::size_t size;
        std::initializer_list<std::size_t> markers;
        std::initializer_list<std::size_t> patched;
    };
    const Row rows[] = {
        {"marker at the very start", 3000, {0}, {0}},
        {"twice in one block: both patched", 3000, {100, 1500}, {100, 1500}},
        {"a later block's occurrence stays", 7000, {100, 4100}, {100}},
        {"cut by the block boundary is still found", 5000, {2045}, {2045}},
        {"zero field beyond the block edge is written", 5000, {2040}, {2040}},
        {"straddling one plus one in the next block", 5000, {2044, 3000}, {2044}},
        {"last bytes of the viewer: patch clipped to it", 3000, {2990}, {2990}},
        {"prototype of exactly 2048 bytes", 2048, {2000}, {2000}},
    };
    for (const auto& row : rows) {
        const Bytes viewer = makeViewer(row.size, row.markers);
        const ExeWriteResult r = build(viewer);
        EXPECT_TRUE(r.ok) << row.name;
        EXPECT_EQ(test::readBytes(dir / "out"), expectedOutput(viewer, row.patched, block, archive))
            << row.name;
    }
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(ExeWriterTest, StoredZeroByteDecodesTo0xFF)
{
    Bytes viewer = makeViewer(64, {8});
    viewer[40] = 0xFF;
    viewer[41] = 0x00;
    (void)build(viewer);
    const Bytes out = test::readBytes(dir / "out");
    ASSERT_GE(out.size(), 64u);
    EXPECT_EQ(out[40], 0xFF);
    EXPECT_EQ(out[41], 0x00);
}

TEST_F(ExeWriterTest, ViewerWithoutMarkerFailsWithItsMessage)
{
    const ExeWriteResult r = build(makeViewer(3000, {}));
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.markerFound);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Datei ProtoEXE.dat ist fehlerhaft!");
    EXPECT_EQ(ui.messages[0].caption, "");
    EXPECT_EQ(ui.messages[0].icon, MsgIcon::Information);
}

TEST_F(ExeWriterTest, MissingPrototypeIsReportedAndNothingIsAssembled)
{
    const ExeWriteResult r =
        WriteExe(dir / "ProtoExe.dat", dir / "tf0.zlb", dir / "out", startPath, settings, ui);
    EXPECT_FALSE(r.ok);
    ASSERT_EQ(ui.texts(), std::vector<std::string>{"Konnte Datei ProtoExe.dat nicht öffnen!"});
    EXPECT_EQ(ui.messages[0].icon, MsgIcon::Information);
    EXPECT_TRUE(test::readBytes(dir / "out").empty());
}

TEST_F(ExeWriterTest, MissingArchiveIsReported)
{
    std::filesystem::remove(dir / "tf0.zlb");
    const ExeWriteResult r = build(makeViewer(3000, {10}));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(ui.texts(), std::vector<std::string>{"Konnte ZLB-Datei nicht öffnen!"});
}

TEST_F(ExeWriterTest, OutputThatCannotBeCreatedIsAFailureWithoutOwnMessage)
{
    test::writeBytes(dir / "ProtoExe.dat", test::encodeProto(makeViewer(100, {0})));
    const ExeWriteResult r =
        WriteExe(dir / "ProtoExe.dat", dir / "tf0.zlb", dir / "no-such-folder/out", startPath, settings, ui);
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(ui.messages.empty());
}

} // namespace
} // namespace pagolux
