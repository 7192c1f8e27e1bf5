// AddFiles, AddDirectory, WriteRegistry and GetTempFile: round trips of generated trees,
// folder expansion, notices, levels, threads, limits and failure paths.
#include "archive/WorkerThreads_p.h"
#include "archive/ZLIBArchive.h"
#include "tests/archive/ArchiveTestSupport.h"
#include "tests/support/EnvOverride.h"
#include "tests/support/FileSizeLimit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

using namespace pagolux;
using namespace pagolux::test;
namespace fs = std::filesystem;

namespace {

constexpr std::size_t k20MiB = 20971520;

// Counts the temporary files the component asks for.
class CountingArchive : public TZLBArchive {
  public:
    int tempFiles = 0;
    void GetTempFile(std::string& name) override
    {
        ++tempFiles;
        TZLBArchive::GetTempFile(name);
    }
};

// A source stream that fails on its first read.
class BrokenStream : public TMemoryStream {
  public:
    BrokenStream() : TMemoryStream(std::vector<std::uint8_t>(10, 0x78)) {}
    std::int64_t Read(void*, std::int64_t) override { throw EReadError(); }
};

// Fails to read any member whose file name contains "broken".
class FailingSourceArchive : public TZLBArchive {
  protected:
    std::unique_ptr<TStream> OpenMemberStream(const std::string& path, std::int64_t& size) const override
    {
        if (path.find("broken") != std::string::npos) {
            auto broken = std::make_unique<BrokenStream>();
            size = broken->Size();
            return broken;
        }
        return TZLBArchive::OpenMemberStream(path, size);
    }
};

std::map<std::string, Bytes> filesBelow(const fs::path& root)
{
    std::map<std::string, Bytes> out;
    for (const auto& e : fs::recursive_directory_iterator(root))
        if (e.is_regular_file())
            out[fs::relative(e.path(), root).string()] = readBytes(e.path().string());
    return out;
}

// The tree of the round trip: hidden files, empty files, the in-memory limit and one byte
// above it, spaces and UTF-8 in names, nested folders.
std::map<std::string, Bytes> makeTree(const std::string& root, bool withLarge)
{
    std::map<std::string, Bytes> files = {
        {"index.html", TextData(5000)},
        {".hidden", TextData(300, 2)},
        {"empty.txt", {}},
        {"a folder/with spaces.htm", TextData(2000, 3)},
        {"bilder/größe ä.png", RandomData(4000)},
        {"deep/er/und/tiefer/x.css", TextData(70000, 4)},
        {"deep/.versteckt/leer", {}},
        {"noise.bin", RandomData(200000)},
        // A colon in a folder and a backslash in a name are ordinary characters on POSIX.
        {"x:y/back\\slash.txt", TextData(100, 5)},
    };
    if (withLarge) {
        files["big/exactly-20MiB.bin"] = RandomData(k20MiB, 11);
        files["big/one-more-text.txt"] = TextData(k20MiB + 1, 12);
        files["big/one-more-noise.bin"] = RandomData(k20MiB + 1, 13);
    }
    for (const auto& [rel, bytes] : files)
        writeBytes(root + "/" + rel, bytes);
    return files;
}

} // namespace

TEST(ArchiveWriter, RoundTripOfAGeneratedTree)
{
    TempFolder dir;
    // The folder of a network mount (GVFS) always holds colons.
    const std::string root = dir / "smb-share:server=nas,share=docs";
    const auto files = makeTree(root, true);

    CountingArchive zlb;
    zlb.SavePaths = true;
    zlb.RecursePaths = true;
    std::vector<std::string> notices;
    zlb.OnErrorLogged = [&](const std::string& m) { notices.push_back(m); };
    zlb.CreateArchive(dir / "site.zlb");
    std::vector<std::string> list{root};
    zlb.AddFiles(list);

    EXPECT_TRUE(list.empty());
    EXPECT_TRUE(zlb.IsOpen());
    EXPECT_TRUE(notices.empty()) << notices.front();
    ASSERT_EQ(zlb.Count(), static_cast<std::int32_t>(files.size())); // every file exactly once
    EXPECT_EQ(zlb.tempFiles, 2); // only the two members above 20 MiB went through a file

    for (std::int32_t i = 0; i < zlb.Count(); ++i) {
        const auto e = zlb.GetFileEntry(i);
        const std::string name = EntryFileName(e);
        if (name == "exactly-20MiB.bin" || name == "one-more-noise.bin" || name == "noise.bin" ||
            name == "empty.txt" || name == "leer") {
            EXPECT_EQ(e.StoredRaw, 1) << name;
            EXPECT_EQ(e.Level, 0) << name;
            EXPECT_EQ(e.StoredSize, e.FileSize) << name;
        } else if (name != "größe ä.png") {
            EXPECT_EQ(e.StoredRaw, 0) << name;
            EXPECT_EQ(e.Level, fcDefault) << name;
            EXPECT_LT(e.StoredSize, e.FileSize) << name;
        }
        EXPECT_EQ(zlb.FindFile(EntryFilePath(e) + name), i);
    }

    zlb.ExtractWithPath = true;
    const std::string out = dir / "out";
    zlb.ExtractAll(out);
    const fs::path extractedRoot = fs::path(out) / fs::path(root).relative_path();
    EXPECT_EQ(filesBelow(extractedRoot), files);

    // A fresh component reads the same archive back.
    TZLBArchive again;
    ASSERT_TRUE(again.OpenArchive(dir / "site.zlb"));
    EXPECT_EQ(again.Count(), zlb.Count());
    EXPECT_NO_THROW(again.VerifyMembers());
}

TEST(ArchiveWriter, ParallelArchiveIsByteIdenticalToOneThread)
{
    TempFolder dir;
    const std::string root = dir / "tree";
    makeTree(root, false);
    for (int i = 0; i < 60; ++i)
        writeBytes(root + "/many/f" + std::to_string(i) + ".html",
                   i % 7 == 0 ? RandomData(1000 + i * 917, i) : TextData(1000 + i * 3001, i));
    writeBytes(root + "/many/broken.txt", TextData(100));
    // Two members above the in-memory limit among the small ones: deflated by the workers at
    // the same time, written in list order.
    writeBytes(root + "/many/large-a.txt", TextData(k20MiB + 5, 21));
    writeBytes(root + "/many/large-b.txt", TextData(k20MiB + 9, 22));

    struct Run {
        Bytes archive;
        std::vector<std::string> events;
    };
    auto build = [&](unsigned threads, const std::string& name) {
        FailingSourceArchive zlb;
        zlb.Threads = threads;
        zlb.SavePaths = true;
        zlb.RecursePaths = true;
        Run run;
        zlb.OnErrorLogged = [&](const std::string& m) { run.events.push_back("notice " + m); };
        zlb.OnProgress = [&](const std::string& m, std::int32_t p) {
            run.events.push_back(m + " " + std::to_string(p));
        };
        zlb.CreateArchive(name);
        std::vector<std::string> list{root, root + "/index.html"};
        zlb.AddFiles(list);
        run.archive = readBytes(name);
        return run;
    };
    const Run one = build(1, dir / "one.zlb");
    // Four workers, then the system refusing every thread start or all but the first: the work
    // falls to the threads there are, and nothing else changes.
    for (const int startsAllowed : {-1, 0, 1}) {
        archive_detail::gThreadStartsLeftForTests = startsAllowed;
        const Run four = build(4, dir / "four.zlb");
        archive_detail::gThreadStartsLeftForTests = -1;
        EXPECT_EQ(one.archive, four.archive) << startsAllowed;
        // The archive names differ only in the final report of each run.
        ASSERT_EQ(one.events.size(), four.events.size()) << startsAllowed;
        for (std::size_t i = 0; i + 1 < one.events.size(); ++i)
            EXPECT_EQ(one.events[i], four.events[i]) << i << " " << startsAllowed;
        fs::remove(dir / "four.zlb");
    }
    {
        TZLBArchive zlb;
        zlb.Threads = 4;
        archive_detail::gThreadStartsLeftForTests = 0;
        const bool opened = zlb.OpenArchive(dir / "one.zlb");
        EXPECT_NO_THROW(zlb.VerifyMembers());
        archive_detail::gThreadStartsLeftForTests = -1;
        EXPECT_TRUE(opened);
    }
    const auto notice = std::count_if(one.events.begin(), one.events.end(), [](const std::string& e) {
        return e.rfind("notice Unable to open file (", 0) == 0 && e.find("broken.txt") != std::string::npos;
    });
    EXPECT_EQ(notice, 1);
    EXPECT_EQ(std::count(one.events.begin(), one.events.end(),
                         "notice " + root + "/index.html already exists in the archive"),
              1);
}

// A write that fails (here at a file-size limit, EFBIG, as a full disk gives ENOSPC) is a failure
// of AddFiles, whether it hits the archive or a large member's temporary file: the call raises
// with the system's error, the old archive keeps every byte and no file is left behind.
TEST(ArchiveWriter, FailedWritesFailTheCallAndKeepTheOldArchive)
{
    struct Row {
        const char* name;
        std::size_t size; // of the one member added
        bool text;
        const char* message; // start of the error
    } rows[] = {
        {"member written into the archive", 1200000, false, "Unable to write the archive file ("},
        {"the end of the archive, after the old data", 1000, true, "Unable to write the archive file ("},
        {"temporary file of a large member", k20MiB + 1, false, "Unable to write a temporary file ("},
    };
    for (const Row& r : rows) {
        TempFolder dir;
        const EnvOverride tmpdir("TMPDIR", dir / "tmp");
        fs::create_directories(dir / "tmp");
        fs::create_directories(dir / "out");
        writeBytes(dir / "src/a.txt", TextData(600, 1));
        writeBytes(dir / "src/b.bin", r.text ? TextData(r.size, 2) : RandomData(r.size, 2));
        const std::string name = dir / "out/a.zlb";
        {
            TZLBArchive zlb;
            zlb.CreateArchive(name);
            std::vector<std::string> list{dir / "src/a.txt"};
            zlb.AddFiles(list);
        }
        const Bytes before = readBytes(name);

        TZLBArchive zlb;
        ASSERT_TRUE(zlb.OpenArchive(name));
        std::vector<std::string> notices;
        zlb.OnErrorLogged = [&](const std::string& m) { notices.push_back(m); };
        std::vector<std::string> list{dir / "src/b.bin"};
        std::string message;
        int systemError = -1;
        {
            // Just above the old archive, so the old data fits and the next write does not.
            const FileSizeLimit limit(r.text ? before.size() + 100 : 1024 * 1024);
            try {
                zlb.AddFiles(list);
            } catch (const EArchiveWriteError& e) {
                message = e.what();
                systemError = e.SystemError;
            }
        }
        EXPECT_EQ(message.rfind(r.message, 0), 0u) << r.name << ": " << message;
        EXPECT_EQ(systemError, EFBIG) << r.name;
        EXPECT_TRUE(notices.empty()) << r.name << ": " << notices.front();
        EXPECT_EQ(readBytes(name), before) << r.name;
        EXPECT_EQ(zlb.Count(), 1) << r.name;
        EXPECT_EQ(list.size(), 1u) << r.name << ": the item not added stays in the list";
        EXPECT_TRUE(fs::is_empty(dir / "tmp")) << r.name;
        EXPECT_EQ(std::distance(fs::directory_iterator(dir / "out"), fs::directory_iterator()), 1) << r.name;
    }
}

TEST(ArchiveWriter, AddDirectoryListsSubfolderContentsFirst)
{
    TempFolder dir;
    writeFile(dir / "f/a.txt", "a");
    writeFile(dir / "f/s/b.txt", "b");
    writeFile(dir / "f/s/t/c.txt", "c");
    struct Row {
        bool recurse, save;
        std::vector<std::string> first; // exact leading items
        std::set<std::string> rest;     // the remaining items, in any order
    } rows[] = {
        {true, true, {"f/s/t/c.txt"}, {"f/s/t", "f/s/b.txt", "f/a.txt", "f/s"}},
        {true, false, {}, {"f/s/t/c.txt", "f/s/b.txt", "f/a.txt"}},
        {false, true, {}, {"f/a.txt", "f/s"}},
        {false, false, {}, {"f/a.txt"}},
    };
    for (const auto& r : rows) {
        TZLBArchive zlb;
        zlb.RecursePaths = r.recurse;
        zlb.SavePaths = r.save;
        std::vector<std::string> list{"kept"};
        zlb.AddDirectory(dir / "f/", list);
        ASSERT_EQ(list.size(), 1 + r.first.size() + r.rest.size()) << r.recurse << r.save;
        EXPECT_EQ(list[0], "kept");
        for (std::size_t i = 0; i < r.first.size(); ++i)
            EXPECT_EQ(list[1 + i], dir / r.first[i]);
        std::set<std::string> rest;
        for (std::size_t i = 1 + r.first.size(); i < list.size(); ++i)
            rest.insert(list[i]);
        std::set<std::string> expected;
        for (const auto& e : r.rest)
            expected.insert(dir / e);
        EXPECT_EQ(rest, expected);
        // A subfolder's contents come before the subfolder itself.
        if (r.recurse && r.save) {
            const auto pos = [&](const std::string& rel) {
                return std::find(list.begin(), list.end(), dir / rel) - list.begin();
            };
            EXPECT_LT(pos("f/s/b.txt"), pos("f/s"));
            EXPECT_LT(pos("f/s/t/c.txt"), pos("f/s/t"));
        }
    }
}

TEST(ArchiveWriter, FolderExpansionAndDuplicateNotices)
{
    TempFolder dir;
    writeFile(dir / "one/same.txt", "first");
    writeFile(dir / "two/same.txt", "second");
    writeFile(dir / "one/A.HTM", "upper");
    writeFile(dir / "one/a.htm", "lower");
    writeFile(dir / "one/Ä.txt", "upper umlaut");
    writeFile(dir / "one/ä.txt", "lower umlaut");

    struct Row {
        const char* label;
        bool recurse, save;
        std::vector<std::string> list;
        int entries;
        std::vector<std::string> notices;
    } rows[] = {
        // A folder without RecursePaths is dropped without notice.
        {"no recursion", false, true, {dir / "one", dir / "two/same.txt"}, 1, {}},
        // Without paths, equal names from different folders collide but are both stored.
        {"no paths",
         false,
         false,
         {dir / "one/same.txt", dir / "two/same.txt"},
         2,
         {dir / "two/same.txt already exists in the archive"}},
        // A-Z fold, other letters do not.
        {"case",
         false,
         true,
         {dir / "one/A.HTM", dir / "one/a.htm", dir / "one/Ä.txt", dir / "one/ä.txt"},
         4,
         {dir / "one/a.htm already exists in the archive"}},
        // A listed file that a listed folder also holds is stored twice, with the notice.
        {"folder and file",
         true,
         true,
         {dir / "two", dir / "two/same.txt"},
         2,
         {dir / "two/same.txt already exists in the archive"}},
    };
    for (const auto& r : rows) {
        TZLBArchive zlb;
        zlb.RecursePaths = r.recurse;
        zlb.SavePaths = r.save;
        std::vector<std::string> notices;
        zlb.OnErrorLogged = [&](const std::string& m) { notices.push_back(m); };
        zlb.CreateArchive(dir / (std::string(r.label) + ".zlb"));
        auto list = r.list;
        zlb.AddFiles(list);
        EXPECT_EQ(zlb.Count(), r.entries) << r.label;
        EXPECT_EQ(notices, r.notices) << r.label;
        if (!r.save) {
            for (std::int32_t i = 0; i < zlb.Count(); ++i)
                EXPECT_EQ(EntryFilePath(zlb.GetFileEntry(i)), "") << r.label;
        }
    }
}

TEST(ArchiveWriter, LevelNoneStoresEverythingRawButCompressesTheRegistry)
{
    TempFolder dir;
    writeBytes(dir / "t.txt", TextData(10000));
    writeBytes(dir / "e.txt", {});
    TZLBArchive zlb;
    zlb.CompressionLevel = fcNone;
    zlb.CreateArchive(dir / "n.zlb");
    std::vector<std::string> list{dir / "t.txt", dir / "e.txt"};
    zlb.AddFiles(list);
    ASSERT_EQ(zlb.Count(), 2);
    for (std::int32_t i = 0; i < 2; ++i) {
        const auto e = zlb.GetFileEntry(i);
        EXPECT_EQ(e.StoredRaw, 1);
        EXPECT_EQ(e.Level, 0);
        EXPECT_EQ(e.StoredSize, e.FileSize);
    }
    EXPECT_EQ(zlb.GetFileEntry(1).DataOffset, 10000);
    EXPECT_EQ(zlb.Trailer().RegistryCompressed, 1);
    const Bytes b = readBytes(dir / "n.zlb");
    EXPECT_EQ(b[10000], 0x78); // the level-0 registry stream right after the data part
    EXPECT_EQ(b[10001], 0x01);
}

TEST(ArchiveWriter, UnreadableMembersAreReportedAndSkipped)
{
    TempFolder dir;
    writeFile(dir / "good1.txt", "good one");
    writeFile(dir / "broken.txt", "will not read");
    writeFile(dir / "good2.txt", "good two");
    FailingSourceArchive zlb;
    std::vector<std::string> notices;
    zlb.OnErrorLogged = [&](const std::string& m) { notices.push_back(m); };
    zlb.CreateArchive(dir / "a.zlb");
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0); // opening it would wait for a writer
    std::vector<std::string> list{dir / "good1.txt", dir / "broken.txt", dir / "missing.txt", dir / "pipe",
                                  dir / "good2.txt"};
    zlb.AddFiles(list);
    EXPECT_EQ(notices, (std::vector<std::string>{"Unable to open file (" + dir / "broken.txt" + ")",
                                                 "Unable to open file (" + dir / "missing.txt" + ")",
                                                 "Unable to open file (" + dir / "pipe" + ")"}));
    ASSERT_EQ(zlb.Count(), 2);
    EXPECT_EQ(zlb.ExtractToMemory("good2.txt"), (Bytes{'g', 'o', 'o', 'd', ' ', 't', 'w', 'o'}));
    // No data of the failed members sits between the two good ones.
    EXPECT_EQ(zlb.GetFileEntry(1).DataOffset, zlb.GetFileEntry(0).StoredSize);
}

// An archive is extended the same way in a file (a temporary file renamed over it) and in a
// stream (in place): the same bytes, the old entries and data kept. In a stream, a write that
// fails puts the old registry and trailer back, so the stream holds the old archive again.
TEST(ArchiveWriter, ExtendingAnArchiveKeepsItsEntriesAndData)
{
    TempFolder dir;
    writeBytes(dir / "a.txt", TextData(3000, 1));
    writeBytes(dir / "b.txt", TextData(4000, 2));
    writeBytes(dir / "c.txt", TextData(5000, 3));
    const std::string name = dir / "x.zlb";
    TArchiveEntry oldA{}, oldB{};
    Bytes oldData;
    FailingMemoryStream memory;
    {
        TZLBArchive zlb;
        zlb.CreateArchive(name);
        std::vector<std::string> list{dir / "a.txt", dir / "b.txt"};
        zlb.AddFiles(list);
        oldA = zlb.GetFileEntry(0);
        oldB = zlb.GetFileEntry(1);
        const Bytes b = readBytes(name);
        oldData.assign(b.begin(), b.begin() + zlb.Trailer().RegistryOffset);

        TZLBArchive inMemory;
        inMemory.CreateArchive(memory);
        list = {dir / "a.txt", dir / "b.txt"};
        inMemory.AddFiles(list);
        EXPECT_EQ(memory.Bytes(), b) << "the same archive in a stream as in a file";
        EXPECT_EQ(messageOf([&] { inMemory.CreateArchive(memory); }), "File already exists");
    }
    {
        const Bytes before = memory.Bytes();
        TZLBArchive zlb;
        ASSERT_TRUE(zlb.OpenArchive(memory));
        memory.writes = 0;
        memory.failWriteNumber = 1; // the new member's block
        std::vector<std::string> list{dir / "c.txt"};
        EXPECT_EQ(messageOf([&] { zlb.AddFiles(list); }), "Unable to write the archive file (stream)");
        memory.failWriteNumber = -1;
        EXPECT_EQ(memory.Bytes(), before);
        EXPECT_EQ(list.size(), 1u);
        EXPECT_EQ(zlb.Count(), 2);
        EXPECT_EQ(zlb.ExtractToMemory("b.txt"), TextData(4000, 2));
    }
    for (const bool inStream : {false, true}) {
        TZLBArchive zlb;
        ASSERT_TRUE(inStream ? zlb.OpenArchive(memory) : zlb.OpenArchive(name));
        std::vector<std::string> list{dir / "c.txt"};
        zlb.AddFiles(list);
        ASSERT_EQ(zlb.Count(), 3);
        const auto a = zlb.GetFileEntry(0);
        EXPECT_EQ(std::memcmp(&oldA, &a, sizeof oldA), 0);
        const auto b = zlb.GetFileEntry(1);
        EXPECT_EQ(std::memcmp(&oldB, &b, sizeof oldB), 0);
        EXPECT_EQ(zlb.GetFileEntry(2).DataOffset, static_cast<std::int32_t>(oldData.size()));
        const Bytes now = inStream ? memory.Bytes() : readBytes(name);
        EXPECT_TRUE(std::equal(oldData.begin(), oldData.end(), now.begin()));
        EXPECT_EQ(zlb.ExtractToMemory("c.txt"), TextData(5000, 3));
    }
    EXPECT_EQ(memory.Bytes(), readBytes(name));

    // A member already in the opened archive is noticed (case aside), stored again, and a lookup
    // still finds the first of the two.
    TZLBArchive zlb;
    ASSERT_TRUE(zlb.OpenArchive(memory));
    std::vector<std::string> notices;
    zlb.OnErrorLogged = [&](const std::string& m) { notices.push_back(m); };
    writeBytes(dir / "sub/B.TXT", TextData(10, 4));
    std::vector<std::string> list{dir / "sub/B.TXT"};
    zlb.AddFiles(list);
    EXPECT_EQ(notices, (std::vector<std::string>{dir / "sub/B.TXT already exists in the archive"}));
    ASSERT_EQ(zlb.Count(), 4);
    EXPECT_EQ(zlb.FindFile("b.txt"), 1);
    EXPECT_EQ(zlb.FindFile("B.TXT"), 1);
    EXPECT_EQ(zlb.FindFile("c.txt"), 2);
    EXPECT_EQ(zlb.FindFile("d.txt"), -1);
}

TEST(ArchiveWriter, RawRegistryFallbackCutsThePartialCompressedRegistry)
{
    TempFolder dir;
    std::vector<std::string> list = OneByteFiles(dir, 200);
    TZLBArchive zlb;
    zlb.CompressionLevel = fcNone; // 106,400 registry bytes: one full buffer is written first
    zlb.CreateArchive(dir / "a.zlb");
    zlb.AddFiles(list);
    ASSERT_EQ(zlb.Count(), 200);

    FailingMemoryStream dest;
    dest.WriteBuffer("DATA", 4);
    dest.failWriteNumber = 3; // the data, one full compressed buffer, then the failure
    zlb.WriteRegistry(dest);
    const Bytes& b = dest.Bytes();
    ASSERT_EQ(b.size(), 4 + 200 * kEntrySize + kTrailerSize);
    const auto t = DecodeTrailer(b.data() + b.size() - kTrailerSize);
    EXPECT_EQ(t.RegistryCompressed, 0);
    EXPECT_EQ(t.RegistrySize, 0);
    EXPECT_EQ(t.RegistryOffset, 4);
    EXPECT_EQ(t.EntryCount, 200);
    EXPECT_EQ(t.Tag, 1);
    EXPECT_EQ(t.ArchiveCRC, Crc32(0, b.data(), b.size() - kTrailerSize));
    for (std::int32_t i = 0; i < 200; ++i) {
        const auto e = DecodeEntry(b.data() + 4 + static_cast<std::size_t>(i) * kEntrySize);
        const auto held = zlb.GetFileEntry(i);
        EXPECT_EQ(std::memcmp(&e, &held, sizeof e), 0) << i;
    }
}

// Gives the bytes of a member named "changing" a different content from its second opening on:
// the file changed between the read that deflated it and the copy into the archive.
class ChangingSourceArchive : public TZLBArchive {
  protected:
    std::unique_ptr<TStream> OpenMemberStream(const std::string& path, std::int64_t& size) const override
    {
        if (path.find("changing") == std::string::npos || ++opens == 1)
            return TZLBArchive::OpenMemberStream(path, size);
        auto changed = std::make_unique<TMemoryStream>(RandomData(k20MiB + 1, 99));
        size = changed->Size();
        return changed;
    }

  private:
    mutable std::atomic<int> opens{0};
};

// The archive CRC is counted while AddFiles writes; where the writing goes back (a raw registry
// after a failed compressed one, a large raw member cut off because its source changed), the
// archive must still open anew and check.
TEST(ArchiveWriter, ArchivesWrittenWithACutStillCarryTheirCrc)
{
    TempFolder dir;
    {
        FailingMemoryStream memory;
        memory.failWriteNumber = 3; // the members, one full compressed registry buffer, then the failure
        TZLBArchive zlb;
        zlb.CompressionLevel = fcNone;
        zlb.CreateArchive(memory);
        std::vector<std::string> list = OneByteFiles(dir, 200);
        zlb.AddFiles(list);
        EXPECT_EQ(zlb.Trailer().RegistryCompressed, 0) << "the raw fallback ran";
        TMemoryStream copy(memory.Bytes());
        TZLBArchive fresh;
        ASSERT_NO_THROW(fresh.OpenArchive(copy)) << "raw registry";
        EXPECT_EQ(fresh.Count(), 200);
    }
    {
        writeBytes(dir / "a.txt", TextData(3000, 1));
        writeBytes(dir / "changing.bin", RandomData(k20MiB + 1, 2));
        writeBytes(dir / "c.txt", TextData(4000, 3));
        TMemoryStream memory;
        ChangingSourceArchive zlb;
        std::vector<std::string> notices;
        zlb.OnErrorLogged = [&](const std::string& m) { notices.push_back(m); };
        zlb.CreateArchive(memory);
        std::vector<std::string> list{dir / "a.txt", dir / "changing.bin", dir / "c.txt"};
        zlb.AddFiles(list);
        EXPECT_EQ(notices,
                  (std::vector<std::string>{"Unable to open file (" + (dir / "changing.bin") + ")"}));
        EXPECT_EQ(zlb.Count(), 2);
        TMemoryStream copy(memory.Bytes());
        TZLBArchive fresh;
        ASSERT_NO_THROW(fresh.OpenArchive(copy)) << "cut member";
        EXPECT_NO_THROW(fresh.VerifyMembers());
        EXPECT_EQ(fresh.ExtractToMemory("c.txt"), TextData(4000, 3));
    }
}

TEST(ArchiveWriter, AFailingReopenKeepsTheNewArchive)
{
    TempFolder dir;
    writeFile(dir / "a.txt", "content");
    const std::string name = dir / "a.zlb";
    TZLBArchive zlb;
    int opened = 0;
    zlb.OnArchiveOpened = [&](TZLBArchive&) {
        if (++opened == 2)
            throw std::runtime_error("handler failed");
    };
    zlb.CreateArchive(name);
    std::vector<std::string> list{dir / "a.txt"};
    EXPECT_EQ(MessageOf([&] { zlb.AddFiles(list); }), "Unable to read archive file list");
    EXPECT_FALSE(zlb.IsOpen());
    TZLBArchive other;
    ASSERT_TRUE(other.OpenArchive(name));
    EXPECT_EQ(other.Count(), 1);
}

TEST(ArchiveWriter, MembersAndArchivesBeyondTheInt32LimitAreRefusedBeforeWriting)
{
    TempFolder dir;
    auto sparse = [&](const std::string& name, std::int64_t size) {
        TFileStream f(name, TFileMode::fmCreate);
        f.SetSize(size);
    };
    sparse(dir / "huge.bin", std::int64_t{1} << 31);
    sparse(dir / "half1.bin", 1200LL * 1024 * 1024);
    sparse(dir / "half2.bin", 1200LL * 1024 * 1024);
    writeFile(dir / "small.txt", "small");
    struct Row {
        std::vector<std::string> list;
        std::string message;
    } rows[] = {
        {{dir / "small.txt", dir / "huge.bin"},
         dir / "huge.bin" + " is larger than 2 GiB, the size limit of the ZLB format"},
        {{dir / "half1.bin", dir / "half2.bin"},
         "The archive would exceed 2 GiB, the size limit of the ZLB format"},
    };
    for (const auto& r : rows) {
        TZLBArchive zlb;
        zlb.CreateArchive(dir / "big.zlb");
        auto list = r.list;
        EXPECT_EQ(MessageOf([&] { zlb.AddFiles(list); }), r.message);
        EXPECT_FALSE(fs::exists(dir / "big.zlb"));
        std::size_t files = 0; // the four sources and no temporary file
        for (const auto& e : fs::directory_iterator(dir.path()))
            files += e.is_regular_file();
        EXPECT_EQ(files, 4u);
    }
}

TEST(ArchiveWriter, GetTempFileMakesANewEmptyFileInTheTemporaryFolder)
{
    TempFolder dir;
    const char* old = std::getenv("TMPDIR");
    const std::string saved = old ? old : "";
    ::setenv("TMPDIR", dir.path().string().c_str(), 1);
    TZLBArchive zlb;
    std::string a, b;
    zlb.GetTempFile(a);
    zlb.GetTempFile(b);
    if (old)
        ::setenv("TMPDIR", saved.c_str(), 1);
    else
        ::unsetenv("TMPDIR");
    EXPECT_NE(a, b);
    for (const auto& n : {a, b}) {
        EXPECT_EQ(fs::path(n).parent_path(), dir.path());
        EXPECT_EQ(fs::path(n).filename().string().rfind("ZLB", 0), 0u) << n;
        EXPECT_TRUE(fs::exists(n));
        EXPECT_EQ(fs::file_size(n), 0u);
    }
}
