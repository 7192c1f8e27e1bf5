// Byte layout, CRC, progress reporting, lookup and the component's states.
#include "archive/ZLIBArchive.h"
#include "tests/archive/ArchiveTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace pagolux;
using namespace pagolux::test;
namespace fs = std::filesystem;

namespace {

struct Report {
    std::string msg;
    std::int32_t pct;
    bool operator==(const Report& o) const { return msg == o.msg && pct == o.pct; }
};

std::ostream& operator<<(std::ostream& os, const Report& r)
{
    return os << "(" << r.msg << ", " << r.pct << ")";
}

// Writes count small text files into dir/src and returns their paths.
std::vector<std::string> makeFiles(const TempFolder& dir, int count)
{
    std::vector<std::string> paths;
    for (int i = 0; i < count; ++i) {
        const std::string p = dir / ("src/file" + std::to_string(i) + ".txt");
        writeBytes(p, TextData(100 + static_cast<std::size_t>(i), static_cast<unsigned>(i)));
        paths.push_back(p);
    }
    return paths;
}

} // namespace

TEST(ArchiveFormat, RecordsEncodeLittleEndianAtTheirOffsets)
{
    TArchiveTrailer t{};
    t.ArchiveCRC = 0x11223344;
    t.EntryCount = 5;
    t.Tag = 1;
    t.RegistrySize = 0x0102;
    t.RegistryOffset = -2;
    t.RegistryCompressed = 1;
    std::uint8_t raw[kTrailerSize];
    EncodeTrailer(t, raw);
    const Bytes b(raw, raw + kTrailerSize);
    EXPECT_EQ(getLE32(b, 0), 0x11223344u);
    EXPECT_EQ(getLE32(b, 4), 5u);
    EXPECT_EQ(getLE32(b, 8), 1u);
    EXPECT_EQ(getLE32(b, 12), 0x0102u);
    EXPECT_EQ(getLE32(b, 16), 0xFFFFFFFEu);
    EXPECT_EQ(b[20], 1);
    for (std::size_t i = 21; i < kTrailerSize; ++i)
        EXPECT_EQ(b[i], 0);
    const auto back = DecodeTrailer(raw);
    EXPECT_EQ(back.RegistryOffset, -2);
    EXPECT_EQ(back.ArchiveCRC, t.ArchiveCRC);

    TArchiveEntry e{};
    SetShortString(e.FileName, "index.html");
    // A text longer than the field is refused, never cut; the longest that fits is kept whole.
    EXPECT_THROW(SetShortString(e.FilePath, std::string(256, 'p')), EArchiveError);
    SetShortString(e.FilePath, std::string(255, 'p'));
    e.FileSize = 1000;
    e.StoredSize = 400;
    e.DataOffset = 0x01020304;
    e.FileCRC = 0xCBF43926;
    e.StoredRaw = 0;
    e.Level = 3;
    std::uint8_t rec[kEntrySize];
    EncodeEntry(e, rec);
    const Bytes r(rec, rec + kEntrySize);
    EXPECT_EQ(r[0], 10);
    EXPECT_EQ(std::string(r.begin() + 1, r.begin() + 11), "index.html");
    EXPECT_EQ(r[11], 0);
    EXPECT_EQ(r[256], 255);
    EXPECT_EQ(getLE32(r, 512), 1000u);
    EXPECT_EQ(getLE32(r, 516), 400u);
    EXPECT_EQ(getLE32(r, 520), 0x01020304u);
    EXPECT_EQ(getLE32(r, 524), 0xCBF43926u);
    EXPECT_EQ(r[528], 0);
    EXPECT_EQ(r[529], 3);
    EXPECT_EQ(EntryFilePath(DecodeEntry(rec)), std::string(255, 'p'));
    EXPECT_EQ(EntryFileName(DecodeEntry(rec)), "index.html");
}

TEST(ArchiveFormat, CrcTableAndStreamCrc)
{
    TZLBArchive zlb;
    EXPECT_EQ(zlb.CRCTable()[0], 0u);
    EXPECT_EQ(zlb.CRCTable()[1], 0x77073096u);
    EXPECT_EQ(zlb.CRCTable()[255], 0x2D02EF8Du);

    TMemoryStream check(Bytes{'1', '2', '3', '4', '5', '6', '7', '8', '9', 'X', 'Y'});
    check.SetPosition(4);
    EXPECT_EQ(zlb.StreamCRC(check, 2), 0xCBF43926u); // leaves out "XY"
    EXPECT_EQ(check.Position(), 4);                  // position restored

    // The table loop and zlib agree on data longer than one read chunk.
    const Bytes data = RandomData(300000);
    std::uint32_t crc = 0xFFFFFFFF;
    for (auto b : data)
        crc = zlb.CRCTable()[(crc ^ b) & 0xFF] ^ (crc >> 8);
    TMemoryStream m(data);
    EXPECT_EQ(zlb.StreamCRC(m, 0), crc ^ 0xFFFFFFFFu);
}

TEST(ArchiveFormat, ProgressPercentRoundsHalfToEven)
{
    struct Row {
        double part, whole;
        std::int32_t expected;
    } rows[] = {{1, 8, 12},  {3, 8, 38},        {5, 8, 62},        {7, 8, 88},          {1, 200, 0},
                {3, 200, 2}, {4096, 10640, 38}, {8192, 10640, 77}, {10640, 10640, 100}, {5, 0, 0}};
    for (const auto& r : rows)
        EXPECT_EQ(ProgressPercent(r.part, r.whole), r.expected) << r.part << "/" << r.whole;
}

TEST(ArchiveFormat, EmptyArchiveIsTheEmptyZlibStreamAndATrailer)
{
    TempFolder dir;
    const std::string name = dir / "empty.zlb";
    TZLBArchive zlb;
    zlb.CreateArchive(name);
    std::vector<std::string> none;
    zlb.AddFiles(none);
    const Bytes b = readBytes(name);
    ASSERT_EQ(b.size(), 44u);
    EXPECT_EQ(Bytes(b.begin(), b.begin() + 8), (Bytes{0x78, 0x9C, 0x03, 0x00, 0x00, 0x00, 0x00, 0x01}));
    EXPECT_EQ(getLE32(b, 8), Crc32(0, b.data(), 8));
    EXPECT_EQ(getLE32(b, 12), 0u); // EntryCount
    EXPECT_EQ(getLE32(b, 16), 1u); // Tag
    EXPECT_EQ(getLE32(b, 20), 8u); // RegistrySize
    EXPECT_EQ(getLE32(b, 24), 0u); // RegistryOffset
    EXPECT_EQ(b[28], 1);           // RegistryCompressed
    EXPECT_TRUE(zlb.IsOpen());
    EXPECT_EQ(zlb.Count(), 0);
}

TEST(ArchiveFormat, OpeningTwentyEntriesReportsTheRegistryStages)
{
    TempFolder dir;
    const std::string name = dir / "twenty.zlb";
    {
        TZLBArchive zlb;
        zlb.CreateArchive(name);
        auto files = makeFiles(dir, 20);
        zlb.AddFiles(files);
        ASSERT_EQ(zlb.Trailer().RegistryCompressed, 1);
    }
    TZLBArchive zlb;
    std::vector<Report> reports;
    zlb.OnProgress = [&](const std::string& m, std::int32_t p) { reports.push_back({m, p}); };
    ASSERT_TRUE(zlb.OpenArchive(name));
    const std::vector<Report> expected = {{"", 0},
                                          {"Extracting archive registry", 38},
                                          {"Extracting archive registry", 77},
                                          {"Extracting archive registry", 100},
                                          {name, 0}};
    EXPECT_EQ(reports, expected);
    EXPECT_EQ(zlb.Count(), 20);
}

TEST(ArchiveFormat, WritingReportsMembersRegistryAndStateChanges)
{
    TempFolder dir;
    const std::string big = dir / "src/big.bin";
    writeBytes(big, RandomData(200000)); // several full 64 KiB buffers of output
    TZLBArchive zlb;
    std::vector<Report> reports;
    int opened = 0;
    zlb.OnProgress = [&](const std::string& m, std::int32_t p) { reports.push_back({m, p}); };
    zlb.OnArchiveOpened = [&](TZLBArchive& sender) {
        EXPECT_EQ(&sender, &zlb);
        ++opened;
    };
    zlb.CreateArchive(dir / "a.zlb");
    EXPECT_EQ(opened, 1);
    std::vector<std::string> list{big};
    zlb.AddFiles(list);
    EXPECT_EQ(opened, 2);
    ASSERT_GE(reports.size(), 5u);
    EXPECT_EQ(reports.front(), (Report{"", 0})); // CreateArchive's closing
    const std::string updating = "Updating " + big;
    std::vector<std::int32_t> member;
    for (const auto& r : reports)
        if (r.msg == updating)
            member.push_back(r.pct);
    ASSERT_EQ(member.size(), 3u); // 200,000 random bytes fill three 65,536-byte buffers
    EXPECT_TRUE(std::is_sorted(member.begin(), member.end()));
    EXPECT_GT(member.front(), 0);
    EXPECT_LE(member.back(), 100);
    // Closing before the re-open, and the re-open's end; a one-entry registry fits in one step.
    const std::vector<Report> tail = {{"", 0}, {"Extracting archive registry", 100}, {dir / "a.zlb", 0}};
    EXPECT_EQ(std::vector<Report>(reports.end() - 3, reports.end()), tail);
}

TEST(ArchiveFormat, StatesAndTheirMessages)
{
    TempFolder dir;
    TZLBArchive zlb;
    EXPECT_EQ(zlb.CompressionLevel, fcDefault);
    EXPECT_FALSE(zlb.SavePaths);
    EXPECT_FALSE(zlb.RecursePaths);
    EXPECT_FALSE(zlb.CheckCRC);
    EXPECT_FALSE(zlb.ExtractWithPath);

    EXPECT_EQ(messageOf([&] { (void)zlb.FindFile("x"); }), "No archive is currently open");
    std::vector<std::string> list;
    EXPECT_EQ(messageOf([&] { zlb.AddFiles(list); }), "No archive is currently open");
    EXPECT_EQ(messageOf([&] { (void)zlb.GetFileEntry(0); }), "Index out of bounds");

    // An empty name: no archive, a stage-5 report with the empty name, no OnArchiveOpened.
    std::vector<Report> reports;
    bool opened = false;
    zlb.OnProgress = [&](const std::string& m, std::int32_t p) { reports.push_back({m, p}); };
    zlb.OnArchiveOpened = [&](TZLBArchive&) { opened = true; };
    zlb.CreateArchive("");
    EXPECT_FALSE(opened);
    EXPECT_EQ(zlb.ArchiveName(), "");
    EXPECT_FALSE(zlb.OpenArchive(""));
    EXPECT_EQ(reports, (std::vector<Report>{{"", 0}, {"", 0}}));

    // An existing file: "File already exists", and nothing may then be written under its name.
    const std::string existing = dir / "exists.zlb";
    writeFile(existing, "not an archive");
    EXPECT_EQ(messageOf([&] { zlb.CreateArchive(existing); }), "File already exists");
    EXPECT_FALSE(opened);
    EXPECT_EQ(zlb.ArchiveName(), existing);
    EXPECT_EQ(zlb.FindFile("x"), -1);
    list = {existing};
    EXPECT_EQ(messageOf([&] { zlb.AddFiles(list); }), "No archive is currently open");
    EXPECT_EQ(readBytes(existing),
              (Bytes{'n', 'o', 't', ' ', 'a', 'n', ' ', 'a', 'r', 'c', 'h', 'i', 'v', 'e'}));

    EXPECT_EQ(messageOf([&] { zlb.OpenArchive(dir / "missing.zlb"); }), "Archive file not found");
    EXPECT_EQ(zlb.ArchiveName(), dir / "missing.zlb");
    EXPECT_EQ(messageOf([&] { zlb.AddFiles(list); }), "No archive is currently open");
}

TEST(ArchiveFormat, FindFileMatchesFolderAndNameWithoutAsciiCase)
{
    TempFolder dir;
    writeFile(dir / "site/Index.HTM", "a");
    writeFile(dir / "site/img/Ä.gif", "b");
    writeFile(dir / "site/img/x.gif", "c");
    TZLBArchive zlb;
    zlb.SavePaths = true;
    zlb.RecursePaths = true;
    zlb.CreateArchive(dir / "a.zlb");
    std::vector<std::string> list{dir / "site/Index.HTM", dir / "site/img/Ä.gif", dir / "site/img/x.gif"};
    zlb.AddFiles(list);
    const std::string folder = dir.path().string();
    const auto upper = [](std::string s) {
        for (auto& c : s)
            if (c >= 'a' && c <= 'z')
                c = static_cast<char>(c - 'a' + 'A');
        return s;
    };
    struct Row {
        std::string name;
        std::int32_t expected;
    } rows[] = {
        {folder + "/site/index.htm", 0}, {upper(folder + "/site/index.htm"), 0},
        {folder + "/site/img/Ä.gif", 1}, {folder + "/site/img/ä.gif", -1}, // only A-Z fold
        {folder + "/site/img/X.GIF", 2}, {"x.gif", -1},                    // the folder is part of the key
    };
    for (const auto& r : rows)
        EXPECT_EQ(zlb.FindFile(r.name), r.expected) << r.name;
    // Backslashes, as the archive stores them, find the same entry.
    std::string backslashed = folder + "/site/img/x.gif";
    std::replace(backslashed.begin(), backslashed.end(), '/', '\\');
    EXPECT_EQ(zlb.FindFile(backslashed), 2);
    const auto e = zlb.GetFileEntry(2);
    std::string storedFolder = folder + "/site/img/";
    std::replace(storedFolder.begin(), storedFolder.end(), '/', '\\');
    EXPECT_EQ(EntryFilePath(e), storedFolder);
    EXPECT_EQ(EntryFileName(e), "x.gif");
}

TEST(ArchiveFormat, RegistryWritingReportsTheBytesTaken)
{
    TempFolder dir;
    std::vector<std::string> list = OneByteFiles(dir, 200);
    TZLBArchive zlb;
    zlb.CompressionLevel = fcNone; // 106,400 registry bytes fill the 64 KiB buffer once
    std::vector<std::int32_t> registry;
    zlb.OnProgress = [&](const std::string& m, std::int32_t p) {
        if (m == "Writing archive registry")
            registry.push_back(p);
    };
    zlb.CreateArchive(dir / "r.zlb");
    zlb.AddFiles(list);
    // One full buffer, reported with the share of the registry the compressor had taken then
    // (zlib may have taken all of it already), never the constant 0.
    ASSERT_EQ(registry.size(), 1u);
    EXPECT_GE(registry[0], 50);
    EXPECT_LE(registry[0], 100);
}

TEST(ArchiveFormat, DestructionClosesSilently)
{
    TempFolder dir;
    std::vector<Report> reports;
    {
        TZLBArchive zlb;
        zlb.OnProgress = [&](const std::string& m, std::int32_t p) { reports.push_back({m, p}); };
        zlb.CreateArchive(dir / "pending.zlb");
        ASSERT_EQ(reports.size(), 1u); // CreateArchive's own closing
    }
    EXPECT_EQ(reports.size(), 1u);
    EXPECT_FALSE(fs::exists(dir / "pending.zlb")) << "nothing is written before AddFiles";
}
