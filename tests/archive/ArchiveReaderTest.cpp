// OpenArchive and the readers: damaged, truncated and hostile archives are refused cleanly,
// archives inside other files are found, and extraction never writes bad data or outside
// its folder.
#include "archive/ZLIBArchive.h"
#include "tests/archive/ArchiveTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <set>

using namespace pagolux;
using namespace pagolux::test;
namespace fs = std::filesystem;

namespace {

const std::string kCorrupted = "The archive file appears to be corrupted";
const std::string kFileList = "Unable to read archive file list";

// A small but complete archive made by the writer: three members, compressed registry.
Bytes writerArchive(const TempFolder& dir)
{
    writeBytes(dir / "src/page.html", TextData(3000));
    writeBytes(dir / "src/pic.bin", RandomData(500));
    writeBytes(dir / "src/empty", {});
    TZLBArchive zlb;
    zlb.SavePaths = true;
    zlb.CreateArchive(dir / "w.zlb");
    std::vector<std::string> list{dir / "src/page.html", dir / "src/pic.bin", dir / "src/empty"};
    zlb.AddFiles(list);
    return readBytes(dir / "w.zlb");
}

// The error of opening bytes as an archive (on a memory stream), "(no exception)" if none.
std::string openError(const Bytes& bytes)
{
    TReadOnlyMemoryStream stream(bytes.data(), bytes.size());
    TZLBArchive zlb;
    std::string message = MessageOf([&] { zlb.OpenArchive(stream); });
    if (message != "(no exception)" && (zlb.Count() != 0 || zlb.IsOpen()))
        message += " (left state behind)";
    return message;
}

} // namespace

TEST(ArchiveReader, EveryTruncationIsRefused)
{
    TempFolder dir;
    const Bytes good = writerArchive(dir);
    for (std::size_t len = 0; len < good.size(); ++len) {
        const auto msg = openError(Bytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(len)));
        EXPECT_TRUE(msg == kCorrupted || msg == kFileList) << len << ": " << msg;
    }
    EXPECT_EQ(openError(good), "(no exception)");
    // The same refusal through the file name.
    const std::string name = dir / "cut.zlb";
    writeBytes(name, Bytes(good.begin(), good.end() - 1));
    TZLBArchive zlb;
    EXPECT_EQ(MessageOf([&] { zlb.OpenArchive(name); }), kCorrupted);
    EXPECT_FALSE(zlb.IsOpen());
}

TEST(ArchiveReader, SingleByteChangesFailTheCrc)
{
    TempFolder dir;
    const Bytes good = writerArchive(dir);
    // Every 7th byte, and every byte of the trailer.
    std::set<std::size_t> positions;
    for (std::size_t i = 0; i < good.size(); i += 7)
        positions.insert(i);
    for (std::size_t i = good.size() - kTrailerSize; i < good.size(); ++i)
        positions.insert(i);
    for (const auto at : positions) {
        Bytes bad = good;
        bad[at] ^= 0x5A;
        const auto msg = openError(bad);
        // Bytes of the trailer after its CRC are not covered by it: they are checked by the
        // registry reader (a Tag or a reserved byte may differ without harm).
        if (at >= good.size() - kTrailerSize + 4)
            EXPECT_TRUE(msg == kFileList || msg == "(no exception)") << at << ": " << msg;
        else
            EXPECT_EQ(msg, kCorrupted) << at;
    }
}

TEST(ArchiveReader, ResealedTrailersWithImpossibleNumbersAreRefused)
{
    TempFolder dir;
    const Bytes good = writerArchive(dir);
    const std::size_t t = good.size() - kTrailerSize;
    const std::uint32_t n = getLE32(good, t + 4);
    const std::uint32_t regOffset = getLE32(good, t + 16);
    struct Row {
        const char* label;
        std::size_t field;
        std::uint32_t value;
        std::string expected;
    } rows[] = {
        {"negative count", 4, 0xFFFFFFFF, kFileList},
        {"huge count", 4, 0x7FFFFFFF, kFileList},
        {"one entry too many", 4, n + 1, kFileList},
        {"negative offset", 16, 0xFFFFFFFF, kFileList},
        {"offset past the end", 16, static_cast<std::uint32_t>(good.size()), kFileList},
        {"offset into the registry", 16, regOffset + 2, kFileList},
        {"offset too early", 16, regOffset - 1, kFileList},
        {"raw registry that is compressed", 20, 0, kFileList},
        {"tag is ignored", 8, 77, "(no exception)"},
        {"registry size is not needed", 12, 0x7FFFFFFF, "(no exception)"},
    };
    for (const auto& r : rows) {
        Bytes bad = good;
        if (r.field == 20)
            bad[t + 20] = static_cast<std::uint8_t>(r.value);
        else
            putLE32(bad, t + r.field, r.value);
        Reseal(bad);
        EXPECT_EQ(openError(bad), r.expected) << r.label;
    }
    // Shorter than a trailer.
    for (std::size_t len : {0, 1, 35})
        EXPECT_EQ(openError(Bytes(len, 0)), kCorrupted) << len;
}

TEST(ArchiveReader, ResealedEntriesThatPointOutsideTheDataAreRefused)
{
    const Crafted base =
        Craft({{"\\d\\", "a.txt", TextData(100), true}, {"\\d\\", "b.txt", TextData(900), false}});
    {
        TReadOnlyMemoryStream ok(base.bytes.data(), base.bytes.size());
        TZLBArchive zlb;
        ASSERT_TRUE(zlb.OpenArchive(ok));
        EXPECT_EQ(zlb.ExtractToMemory("\\d\\b.txt"), TextData(900));
    }
    struct Row {
        const char* label;
        std::size_t entry, field;
        std::uint32_t value;
    } rows[] = {
        {"negative file size", 0, 512, 0xFFFFFFF0},
        {"negative stored size", 1, 516, 0x80000000},
        {"negative offset", 1, 520, 0xFFFFFFFF},
        {"block past the data part", 1, 520, static_cast<std::uint32_t>(base.registryOffset - 5)},
        {"stored size past the data part", 0, 516, static_cast<std::uint32_t>(base.registryOffset + 1)},
        {"raw sizes differ", 0, 512, 101},
        {"compressed size beyond any ratio", 1, 512, 0x7FFFFFFF},
        {"unknown storage", 0, 528, 2},
    };
    for (const auto& r : rows) {
        Bytes bad = base.bytes;
        const std::size_t at = base.entryAt[r.entry] + r.field;
        if (r.field == 528)
            bad[at] = static_cast<std::uint8_t>(r.value);
        else
            putLE32(bad, at, r.value);
        Reseal(bad);
        EXPECT_EQ(openError(bad), kFileList) << r.label;
    }
}

TEST(ArchiveReader, DamagedMemberDataIsAnErrorNotAFile)
{
    TempFolder dir;
    for (bool raw : {true, false}) {
        Crafted c = Craft({{"", "good.txt", TextData(50), true}, {"", "bad.txt", TextData(4000), raw}});
        const std::size_t blockStart = 50;
        c.bytes[blockStart + (raw ? 10 : 40)] ^= 0x21;
        Reseal(c.bytes);
        TReadOnlyMemoryStream archive(c.bytes.data(), c.bytes.size());
        TZLBArchive zlb;
        ASSERT_TRUE(zlb.OpenArchive(archive)) << raw;
        const std::string msg = "The data of bad.txt in the archive is damaged";
        EXPECT_EQ(MessageOf([&] { zlb.ExtractToMemory("bad.txt"); }), msg);
        EXPECT_EQ(MessageOf([&] { zlb.VerifyMembers(); }), msg);
        const std::string out = dir / "out";
        fs::create_directories(out);
        EXPECT_EQ(MessageOf([&] { zlb.ExtractFile(1, out); }), msg);
        EXPECT_TRUE(fs::is_empty(out)) << "neither the file nor a temporary one may remain";
        EXPECT_EQ(zlb.ExtractToMemory("good.txt"), TextData(50));
        fs::remove_all(out);
    }
}

TEST(ArchiveReader, VerifyNamesTheFirstDamagedMemberWhateverTheirSizes)
{
    // The members are checked largest first; the error still names the first one in the archive.
    for (unsigned threads : {1u, 2u, 4u}) {
        Crafted c = Craft({{"", "ok.txt", TextData(300), false},
                           {"", "small.txt", TextData(200, 2), true},
                           {"", "big.txt", TextData(90000, 3), false},
                           {"", "huge.bin", RandomData(300000, 4), true}});
        const std::size_t smallAt = getLE32(c.bytes, c.entryAt[1] + 520);
        const std::size_t bigAt = getLE32(c.bytes, c.entryAt[2] + 520);
        const std::size_t hugeAt = getLE32(c.bytes, c.entryAt[3] + 520);
        c.bytes[hugeAt + 1000] ^= 0x01;
        c.bytes[bigAt + 100] ^= 0x10;
        Reseal(c.bytes);
        TReadOnlyMemoryStream archive(c.bytes.data(), c.bytes.size());
        TZLBArchive zlb;
        zlb.Threads = threads;
        ASSERT_TRUE(zlb.OpenArchive(archive));
        EXPECT_EQ(MessageOf([&] { zlb.VerifyMembers(); }), "The data of big.txt in the archive is damaged")
            << threads;

        c.bytes[smallAt + 7] ^= 0x02;
        Reseal(c.bytes);
        ASSERT_TRUE(zlb.OpenArchive(archive));
        EXPECT_EQ(MessageOf([&] { zlb.VerifyMembers(); }), "The data of small.txt in the archive is damaged")
            << threads;
    }
}

TEST(ArchiveReader, VerifyFindsDamageAnywhereInLargeRawMembers)
{
    // Verification takes the CRC of a stored member's whole 64 KiB blocks from the open's CRC
    // pass and reads only the pieces around them. Members start and end at every kind of
    // offset, in a whole archive file and behind 777 bytes of another file.
    constexpr std::size_t kBlock = 64 * 1024;
    TempFolder dir;
    const std::string name = dir / "b.zlb";
    for (bool embedded : {false, true}) {
        for (std::size_t lead : {std::size_t{0}, std::size_t{1}, kBlock - 1, kBlock, kBlock + 700}) {
            for (std::size_t size :
                 {std::size_t{1}, kBlock, kBlock + 1, 2 * kBlock + 3, std::size_t{300000}}) {
                const Crafted c = Craft({{"", "lead.bin", RandomData(lead, 1), true},
                                         {"", "member.bin", RandomData(size, 2), true},
                                         {"", "after.bin", RandomData(1000, 3), true}});
                const std::size_t at = embedded ? 777 : 0;
                const auto check = [&](const Bytes& archive, std::size_t damageAt) {
                    Bytes file = RandomData(at, 4);
                    file.insert(file.end(), archive.begin(), archive.end());
                    if (damageAt != SIZE_MAX) {
                        file[at + lead + damageAt] ^= 0x20;
                        Reseal(file, at);
                    }
                    writeBytes(name, file);
                    TZLBArchive zlb;
                    if (!(embedded ? zlb.OpenEmbeddedArchive(name) : zlb.OpenArchive(name)))
                        return std::string("not opened");
                    return MessageOf([&] { zlb.VerifyMembers(); });
                };
                const auto where =
                    std::to_string(lead) + "+" + std::to_string(size) + (embedded ? " embedded" : "");
                EXPECT_EQ(check(c.bytes, SIZE_MAX), "(no exception)") << where;
                for (std::size_t damageAt : {std::size_t{0}, size / 2, size - 1})
                    EXPECT_EQ(check(c.bytes, damageAt), "The data of member.bin in the archive is damaged")
                        << where << " damaged at " << damageAt;
            }
        }
    }
}

TEST(ArchiveReader, VerifyReadsAgainWhenTheFileChangedSinceItWasOpened)
{
    TempFolder dir;
    const std::string name = dir / "c.zlb";
    const Crafted good = Craft({{"", "member.bin", RandomData(300000, 2), true}});
    Bytes bad = good.bytes;
    bad[200000] ^= 0x01;
    Reseal(bad);
    writeBytes(name, good.bytes);
    // An old time, so that rewriting the file below surely changes it.
    fs::last_write_time(name, fs::file_time_type::clock::now() - std::chrono::hours(1));
    for (unsigned threads : {1u, 2u}) {
        TZLBArchive zlb;
        zlb.Threads = threads;
        ASSERT_TRUE(zlb.OpenArchive(name));
        EXPECT_NO_THROW(zlb.VerifyMembers());
        writeBytes(name, bad); // same size, same inode, different data
        EXPECT_EQ(MessageOf([&] { zlb.VerifyMembers(); }), "The data of member.bin in the archive is damaged")
            << threads;
        writeBytes(name, good.bytes);
        fs::last_write_time(name, fs::file_time_type::clock::now() - std::chrono::hours(2));
    }
}

TEST(ArchiveReader, RawRegistryOpensWithoutRegistryProgress)
{
    TempFolder dir;
    const Crafted c = Craft({{"\\x\\", "a", TextData(10), true}});
    writeBytes(dir / "r.zlb", c.bytes);
    TZLBArchive zlb;
    std::vector<std::string> messages;
    zlb.OnProgress = [&](const std::string& m, std::int32_t) { messages.push_back(m); };
    ASSERT_TRUE(zlb.OpenArchive(dir / "r.zlb"));
    EXPECT_EQ(messages, (std::vector<std::string>{"", dir / "r.zlb"}));
    EXPECT_EQ(zlb.ExtractToMemory("\\x\\a"), TextData(10));
}

TEST(ArchiveReader, ArchiveAtTheEndOfAnotherFile)
{
    TempFolder dir;
    const Bytes archive = writerArchive(dir);
    const Bytes junk = RandomData(12345, 99);
    Bytes host = junk;
    host.insert(host.end(), archive.begin(), archive.end());
    const std::string hostName = dir / "viewer";
    writeBytes(hostName, host);

    {
        TReadOnlyMemoryStream s(host.data(), host.size());
        EXPECT_EQ(TZLBArchive::FindArchiveStart(s), static_cast<std::int64_t>(junk.size()));
    }
    EXPECT_EQ(openError(host), kCorrupted); // not an archive as a whole file

    for (std::int64_t start : {std::int64_t{-1}, static_cast<std::int64_t>(junk.size())}) {
        TZLBArchive zlb;
        zlb.SavePaths = true;
        ASSERT_TRUE(zlb.OpenEmbeddedArchive(hostName, start));
        EXPECT_EQ(zlb.ArchiveStart(), static_cast<std::int64_t>(junk.size()));
        ASSERT_EQ(zlb.Count(), 3);
        EXPECT_EQ(zlb.ExtractToMemory(dir / "src/page.html"), TextData(3000));
        EXPECT_EQ(zlb.ExtractToMemory(dir / "src/pic.bin"), RandomData(500));
        EXPECT_TRUE(zlb.ExtractToMemory(dir / "src/empty").empty());
        EXPECT_NO_THROW(zlb.VerifyMembers());
        std::vector<std::string> list;
        EXPECT_EQ(MessageOf([&] { zlb.AddFiles(list); }), "An archive inside another file cannot be changed");
    }
    // A wrong start offset gives the CRC error, and so does damage in the embedded range.
    for (std::int64_t start : {std::int64_t{0}, static_cast<std::int64_t>(junk.size() + 1),
                               static_cast<std::int64_t>(host.size() + 10)}) {
        TZLBArchive zlb;
        EXPECT_EQ(MessageOf([&] { zlb.OpenEmbeddedArchive(hostName, start); }), kCorrupted) << start;
    }
    Bytes damaged = host;
    damaged[junk.size() + 5] ^= 1;
    writeBytes(hostName, damaged);
    TZLBArchive zlb;
    EXPECT_EQ(MessageOf([&] { zlb.OpenEmbeddedArchive(hostName); }), kCorrupted);
    // Damage in the host before the archive does not matter.
    damaged = host;
    damaged[100] ^= 1;
    writeBytes(hostName, damaged);
    EXPECT_TRUE(zlb.OpenEmbeddedArchive(hostName));
}

// Members read as streams through one open handle of the host file, as the viewer does for large
// members: stored windows, inflated readers with seeks in both directions, and damage found.
TEST(ArchiveReader, MembersReadAsStreamsThroughAnOpenFile)
{
    TempFolder dir;
    const Bytes text = TextData(300000, 3);
    const Bytes random = RandomData(200000, 4);
    writeBytes(dir / "src/text.html", text);
    writeBytes(dir / "src/clip.bin", random);
    writeBytes(dir / "src/empty", {});
    const Bytes junk = RandomData(777, 5);
    {
        TZLBArchive zlb;
        zlb.CreateArchive(dir / "a.zlb");
        std::vector<std::string> list{dir / "src/text.html", dir / "src/clip.bin", dir / "src/empty"};
        zlb.AddFiles(list);
    }
    Bytes host = junk;
    const Bytes archive = readBytes(dir / "a.zlb");
    host.insert(host.end(), archive.begin(), archive.end());
    writeBytes(dir / "host", host);

    struct Case {
        const char* name;
        const Bytes* content;
        bool deflated;
    };
    const Bytes none;
    const Case cases[] = {{"text.html", &text, true}, {"clip.bin", &random, false}, {"empty", &none, false}};
    TZLBArchive zlb;
    ASSERT_TRUE(zlb.OpenEmbeddedArchive(dir / "host"));
    TFileStream file(dir / "host", TFileMode::fmOpenRead);
    for (const Case& c : cases) {
        const std::int32_t i = zlb.FindFile(c.name);
        ASSERT_GE(i, 0) << c.name;
        const TArchiveEntry e = zlb.GetFileEntry(i);
        const TMemberLocation l = zlb.MemberLocation(i);
        EXPECT_EQ(l.Offset, static_cast<std::int64_t>(junk.size()) + e.DataOffset) << c.name;
        EXPECT_EQ(l.StoredSize, e.StoredSize) << c.name;
        EXPECT_EQ(l.FileSize, static_cast<std::int64_t>(c.content->size())) << c.name;
        EXPECT_EQ(l.Deflated, c.deflated) << c.name;
        EXPECT_EQ(l.FileCRC, e.FileCRC) << c.name;

        // The stored window holds exactly the member's stored bytes and nothing beyond.
        auto stored = zlb.MemberStoredStream(i, file);
        Bytes storedBytes(static_cast<std::size_t>(stored->Size()) + 10);
        const auto got = stored->Read(storedBytes.data(), static_cast<std::int64_t>(storedBytes.size()));
        EXPECT_EQ(got, e.StoredSize) << c.name;
        EXPECT_TRUE(std::equal(storedBytes.begin(), storedBytes.begin() + got,
                               host.begin() + static_cast<std::ptrdiff_t>(l.Offset)))
            << c.name;

        // Read whole in odd pieces, then seek back and forth and compare each piece.
        auto reader = zlb.MemberReader(i, file);
        EXPECT_EQ(reader->Size(), l.FileSize);
        Bytes all;
        std::uint8_t piece[7777];
        for (std::int64_t n; (n = reader->Read(piece, sizeof piece)) > 0;)
            all.insert(all.end(), piece, piece + n);
        EXPECT_EQ(all, *c.content) << c.name;
        if (c.content->empty())
            continue;
        for (const std::int64_t at : {std::int64_t{150000}, std::int64_t{10}, std::int64_t{199990},
                                      std::int64_t{70000}, std::int64_t{0}}) {
            EXPECT_EQ(reader->Seek(at, TSeekOrigin::soBeginning), at);
            const auto n = reader->Read(piece, 100);
            ASSERT_EQ(n, std::min<std::int64_t>(100, l.FileSize - at)) << c.name << " at " << at;
            EXPECT_TRUE(std::equal(piece, piece + n, c.content->begin() + at)) << c.name << " at " << at;
        }
    }

    // A changed byte in a member: a reader that reads it from the start raises at the latest when
    // it reaches the end (raw: the CRC; deflated: the zlib data or its check).
    for (const Case& c : {cases[0], cases[1]}) {
        const TMemberLocation l = zlb.MemberLocation(zlb.FindFile(c.name));
        Bytes bad = host;
        bad[static_cast<std::size_t>(l.Offset + l.StoredSize / 2)] ^= 0x10;
        TMemoryStream badFile(bad);
        auto reader = zlb.MemberReader(zlb.FindFile(c.name), badFile);
        Bytes sink(static_cast<std::size_t>(l.FileSize));
        EXPECT_EQ(MessageOf([&] { reader->ReadBuffer(sink.data(), l.FileSize); }),
                  std::string("The data of ") + c.name + " in the archive is damaged");
    }
    // A handle too short for the member's window is refused when the stream is asked for.
    TMemoryStream shortFile(Bytes(host.begin(), host.begin() + 1000));
    EXPECT_EQ(MessageOf([&] { zlb.MemberReader(zlb.FindFile("clip.bin"), shortFile); }),
              "The data of clip.bin in the archive is damaged");
    EXPECT_EQ(MessageOf([&] { zlb.MemberLocation(3); }), "Index out of bounds");
}

TEST(ArchiveReader, ExtractionStaysInsideItsFolder)
{
    TempFolder dir;
    // where: the written file below the target folder, or empty when it is refused. On POSIX a
    // colon and a backslash inside a name are ordinary characters.
    struct Row {
        std::string path, name, where;
    } rows[] = {
        {"\\site\\img\\", "a.gif", "site/img/a.gif"},
        {"\\", "root.txt", "root.txt"},
        {"", "plain.txt", "plain.txt"},
        {"rel\\dir\\", "r.txt", "rel/dir/r.txt"},
        {"C:\\win\\", "x.txt", "C:/win/x.txt"},
        {"\\smb-share:server=nas,share=docs\\", "a:b.html", "smb-share:server=nas,share=docs/a:b.html"},
        {"\\ok\\", "back\\slash.txt", "ok/back\\slash.txt"},
        {"\\..\\..\\evil\\", "x.txt", ""},
        {"\\a\\..\\", "x.txt", ""},
        {"\\a\\\\b\\", "x.txt", ""},
        {"\\a/..\\", "x.txt", ""},
        {"\\.\\", "x.txt", ""},
        {"\\ok\\", "..", ""},
        {"\\ok\\", "sub/x.txt", ""},
        {"\\ok\\", "", ""},
        {"\\ok\\", std::string("nul\0x", 5), ""},
    };
    std::vector<CraftMember> members;
    for (const auto& r : rows)
        members.push_back({r.path, r.name, TextData(20), true});
    writeBytes(dir / "p.zlb", Craft(members).bytes);
    const std::string out = dir / "box/out";
    fs::create_directories(out);

    TZLBArchive zlb;
    zlb.ExtractWithPath = true;
    ASSERT_TRUE(zlb.OpenArchive(dir / "p.zlb"));
    for (std::int32_t i = 0; i < zlb.Count(); ++i) {
        const auto& r = rows[static_cast<std::size_t>(i)];
        if (!r.where.empty()) {
            const std::string written = zlb.ExtractFile(i, out);
            EXPECT_EQ(written, out + "/" + r.where) << i;
            EXPECT_EQ(readBytes(written), TextData(20));
        } else {
            EXPECT_THROW(zlb.ExtractFile(i, out), EArchiveError) << r.path << r.name;
        }
    }
    // Nothing outside the target folder.
    std::size_t outside = 0;
    for (const auto& e : fs::recursive_directory_iterator(dir.path()))
        if (e.is_regular_file() && e.path() != fs::path(dir / "p.zlb") &&
            e.path().string().rfind(out, 0) != 0)
            ++outside;
    EXPECT_EQ(outside, 0u);

    // Without paths only the name counts: a hostile folder is harmless then.
    zlb.ExtractWithPath = false;
    EXPECT_EQ(zlb.ExtractFile(7, out), out + "/x.txt");
}

TEST(ArchiveReader, ExtractionEventsAndReplacing)
{
    TempFolder dir;
    writeBytes(dir / "p.zlb", Craft({{"\\f\\", "a.txt", TextData(30), false}}).bytes);
    TZLBArchive zlb;
    ASSERT_TRUE(zlb.OpenArchive(dir / "p.zlb"));
    std::vector<std::string> files, streams, asked;
    bool allow = false;
    zlb.OnFileExtracted = [&](const std::string& f) { files.push_back(f); };
    zlb.OnStreamExtracted = [&](const std::string& f) { streams.push_back(f); };
    zlb.OnReplaceFile = [&](const std::string& f, bool& replace) {
        asked.push_back(f);
        EXPECT_TRUE(replace);
        replace = allow;
    };

    const std::string target = dir / "a.txt";
    EXPECT_TRUE(zlb.ExtractToFile(0, target));
    EXPECT_TRUE(asked.empty());
    writeFile(target, "mine");
    EXPECT_EQ(zlb.ExtractFile(0, dir.path().string()), "");
    EXPECT_EQ(readBytes(target), (Bytes{'m', 'i', 'n', 'e'}));
    allow = true;
    EXPECT_EQ(zlb.ExtractFile(0, dir.path().string()), target);
    EXPECT_EQ(readBytes(target), TextData(30));
    EXPECT_EQ(asked, (std::vector<std::string>{target, target}));
    EXPECT_EQ(files, (std::vector<std::string>{target, target}));

    TMemoryStream m;
    zlb.ExtractToStream("\\f\\A.TXT", m);
    EXPECT_EQ(m.Bytes(), TextData(30));
    EXPECT_EQ(streams, (std::vector<std::string>{"\\f\\a.txt"}));
    EXPECT_EQ(MessageOf([&] { zlb.ExtractToStream("\\f\\b.txt", m); }), "\\f\\b.txt is not in the archive");
    EXPECT_EQ(MessageOf([&] { zlb.ExtractToMemory(1); }), "Index out of bounds");
}

TEST(ArchiveReader, LargeArchivesAreCheckedInSlices)
{
    TempFolder dir;
    writeBytes(dir / "big.bin", RandomData(18 * 1024 * 1024, 5));
    {
        TZLBArchive zlb;
        zlb.CreateArchive(dir / "big.zlb");
        std::vector<std::string> list{dir / "big.bin"};
        zlb.AddFiles(list);
    }
    const Bytes good = readBytes(dir / "big.zlb");
    for (unsigned threads : {1u, 2u, 3u}) {
        for (std::size_t at : {std::size_t{0}, good.size() / 2, good.size() - kTrailerSize - 1}) {
            Bytes bad = good;
            bad[at] ^= 0x80;
            writeBytes(dir / "bad.zlb", bad);
            TZLBArchive zlb;
            zlb.Threads = threads;
            EXPECT_EQ(MessageOf([&] { zlb.OpenArchive(dir / "bad.zlb"); }), kCorrupted)
                << threads << " " << at;
        }
        TZLBArchive zlb;
        zlb.Threads = threads;
        EXPECT_TRUE(zlb.OpenArchive(dir / "big.zlb")) << threads;
        EXPECT_NO_THROW(zlb.VerifyMembers());
    }
}
