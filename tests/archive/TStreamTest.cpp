// The stream layer: memory, file, read-only and sub-range streams, the exact-count helpers,
// CopyFrom and the German error texts.
#include "archive/TStream.h"
#include "tests/archive/ArchiveTestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace pagolux;
using namespace pagolux::test;

namespace {

// Records the size of every read, to see how CopyFrom moves its data.
class RecordingStream : public TMemoryStream {
  public:
    using TMemoryStream::TMemoryStream;
    std::vector<std::int64_t> reads;
    std::int64_t Read(void* buffer, std::int64_t count) override
    {
        reads.push_back(count);
        return TMemoryStream::Read(buffer, count);
    }
};

} // namespace

TEST(TStream, ErrorTextsAreTheGermanMessages)
{
    EXPECT_STREQ(EFOpenError("a.txt").what(), "Datei a.txt kann nicht geöffnet werden");
    EXPECT_STREQ(EFCreateError("/x/b.bin").what(), "Datei /x/b.bin kann nicht erstellt werden");
    EXPECT_STREQ(EReadError().what(), "Stream-Read-Fehler");
    EXPECT_STREQ(EWriteError().what(), "Stream-Write-Fehler");
}

TEST(TStream, MemoryStreamReadWriteSeekAndSize)
{
    TMemoryStream m;
    m.WriteBuffer("abcdef", 6);
    EXPECT_EQ(m.Size(), 6);
    EXPECT_EQ(m.Position(), 6);

    struct Row {
        std::int64_t offset;
        TSeekOrigin origin;
        std::int64_t expected;
    } rows[] = {
        {2, TSeekOrigin::soBeginning, 2}, {1, TSeekOrigin::soCurrent, 3},     {-1, TSeekOrigin::soEnd, 5},
        {0, TSeekOrigin::soEnd, 6},       {10, TSeekOrigin::soBeginning, 10},
    };
    for (const auto& r : rows)
        EXPECT_EQ(m.Seek(r.offset, r.origin), r.expected);
    EXPECT_THROW(m.Seek(-1, TSeekOrigin::soBeginning), EStreamError);

    // Reading past the end moves nothing; writing there fills the gap with zeros.
    char c = 0;
    EXPECT_EQ(m.Read(&c, 1), 0);
    m.WriteBuffer("z", 1);
    EXPECT_EQ(m.Size(), 11);
    EXPECT_EQ(m.Bytes()[8], 0);
    EXPECT_EQ(m.Bytes()[10], 'z');

    m.SetSize(3);
    EXPECT_EQ(m.Position(), 3);
    m.SetPosition(0);
    char buf[8] = {};
    EXPECT_EQ(m.Read(buf, 8), 3);
    EXPECT_EQ(std::string(buf, 3), "abc");
}

TEST(TStream, ReadBufferAndWriteBufferFailOnShortTransfers)
{
    TMemoryStream m(Bytes{1, 2, 3});
    std::uint8_t buf[4];
    EXPECT_EQ(messageOf([&] { m.ReadBuffer(buf, 4); }), "Stream-Read-Fehler");

    TReadOnlyMemoryStream ro(buf, sizeof buf);
    EXPECT_EQ(messageOf([&] { ro.WriteBuffer(buf, 1); }), "Stream-Write-Fehler");

    FailingMemoryStream f;
    f.failBeyond = 2;
    EXPECT_THROW(f.WriteBuffer(buf, 3), EWriteError);
}

TEST(TStream, CopyFromZeroCopiesTheWholeSourceFromItsStartInBlocks)
{
    const Bytes data = TextData(150000);
    RecordingStream src{Bytes(data)};
    src.SetPosition(1000); // ignored by a count of 0
    TMemoryStream dst;
    EXPECT_EQ(dst.CopyFrom(src, 0), 150000);
    EXPECT_EQ(dst.Bytes(), data);
    ASSERT_EQ(src.reads.size(), 3u);
    EXPECT_EQ(src.reads[0], 61440);
    EXPECT_EQ(src.reads[1], 61440);
    EXPECT_EQ(src.reads[2], 150000 - 2 * 61440);
}

TEST(TStream, CopyFromCountCopiesFromTheCurrentPositionAndFailsWhenShort)
{
    TMemoryStream src(Bytes{0, 1, 2, 3, 4, 5, 6, 7});
    src.SetPosition(5);
    TMemoryStream dst;
    dst.CopyFrom(src, 2);
    EXPECT_EQ(dst.Bytes(), (Bytes{5, 6}));
    EXPECT_THROW(dst.CopyFrom(src, 5), EReadError);
}

TEST(TStream, FileStreamModes)
{
    TempFolder dir;
    const std::string name = dir / "f.bin";

    EXPECT_EQ(messageOf([&] { TFileStream f(name, TFileMode::fmOpenRead); }),
              "Datei " + name + " kann nicht geöffnet werden");
    EXPECT_EQ(messageOf([&] { TFileStream f(dir / "missing/x.bin", TFileMode::fmCreate); }),
              "Datei " + dir / "missing/x.bin" + " kann nicht erstellt werden");
    EXPECT_THROW(TFileStream(dir.path().string(), TFileMode::fmOpenRead), EFOpenError); // a folder

    {
        TFileStream f(name, TFileMode::fmCreate);
        f.WriteBuffer("0123456789", 10);
        EXPECT_EQ(f.Size(), 10);
    }
    {
        // Opening for read and write keeps the contents.
        TFileStream f(name, TFileMode::fmOpenReadWrite);
        EXPECT_EQ(f.Size(), 10);
        f.Seek(-2, TSeekOrigin::soEnd);
        f.WriteBuffer("AB", 2);
        f.SetSize(12);
    }
    EXPECT_EQ(readBytes(name), (Bytes{'0', '1', '2', '3', '4', '5', '6', '7', 'A', 'B', 0, 0}));
    {
        TFileStream f(name, TFileMode::fmOpenRead);
        std::uint8_t b[4];
        EXPECT_THROW(f.WriteBuffer(b, 1), EWriteError);
        f.SetPosition(10);
        EXPECT_EQ(f.Read(b, 4), 2);
    }
    {
        // Creating empties an existing file.
        TFileStream f(name, TFileMode::fmCreate);
        EXPECT_EQ(f.Size(), 0);
    }
}

TEST(TStream, SubRangeIsBoundedToItsWindow)
{
    const Bytes data{10, 11, 12, 13, 14, 15, 16, 17};
    TMemoryStream base{Bytes(data)};
    TSubRangeStream r(base, 2, 4);
    EXPECT_EQ(r.Size(), 4);
    std::uint8_t buf[8] = {};
    EXPECT_EQ(r.Read(buf, 8), 4);
    EXPECT_EQ(Bytes(buf, buf + 4), (Bytes{12, 13, 14, 15}));
    EXPECT_EQ(r.Read(buf, 1), 0);
    r.Seek(-1, TSeekOrigin::soEnd);
    EXPECT_EQ(r.Read(buf, 8), 1);
    EXPECT_EQ(buf[0], 15);
    EXPECT_THROW(r.WriteBuffer(buf, 1), EWriteError);

    struct Row {
        std::int64_t start, length;
    } bad[] = {{-1, 2}, {0, 9}, {7, 2}, {9, 0}, {2, -1}};
    for (const auto& b : bad)
        EXPECT_THROW(TSubRangeStream(base, b.start, b.length), EReadError) << b.start << "," << b.length;
    EXPECT_NO_THROW(TSubRangeStream(base, 8, 0));
}
