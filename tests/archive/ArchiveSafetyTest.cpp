// Crafted archives and hostile folders: what a reader refuses, what a writer leaves out (with the
// kind of each notice), and what extraction never writes through.

#include "archive/ZLIBArchive.h"
#include "archive/ZlibStreams.h"
#include "cli/zlb/ZlbTool.h"
#include "tests/archive/ArchiveTestSupport.h"
#include "tests/support/EnvOverride.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace pagolux {
namespace {

using namespace pagolux::test;
namespace fs = std::filesystem;

// The archive's bytes as a stream that counts every byte handed out.
class CountingStream : public TStream {
  public:
    explicit CountingStream(Bytes bytes) : data(std::move(bytes)) {}
    std::int64_t Read(void* buffer, std::int64_t count) override
    {
        const auto n = std::max<std::int64_t>(0, std::min<std::int64_t>(count, Size() - pos));
        std::memcpy(buffer, data.data() + pos, static_cast<std::size_t>(n));
        pos += n;
        bytesRead += n;
        return n;
    }
    std::int64_t Write(const void*, std::int64_t) override { throw EWriteError(); }
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override
    {
        const std::int64_t base = origin == TSeekOrigin::soBeginning ? 0
                                  : origin == TSeekOrigin::soCurrent ? pos
                                                                     : Size();
        pos = base + offset;
        return pos;
    }
    std::int64_t Size() override { return static_cast<std::int64_t>(data.size()); }

    Bytes data;
    std::int64_t pos = 0;
    std::int64_t bytesRead = 0;
};

// Rewrites entry k of a crafted archive with a raw registry and seals the CRC again.
void setEntry(Crafted& c, std::size_t k, const std::function<void(TArchiveEntry&)>& change)
{
    TArchiveEntry e = DecodeEntry(c.bytes.data() + c.entryAt[k]);
    change(e);
    EncodeEntry(e, c.bytes.data() + c.entryAt[k]);
    Reseal(c.bytes);
}

// Appends the trailer (a compressed registry when registrySize > 0) and its archive CRC.
void seal(Bytes& archive, std::int32_t entryCount, std::int32_t registryOffset, std::int32_t registrySize)
{
    TArchiveTrailer t{};
    t.EntryCount = entryCount;
    t.Tag = 1;
    t.RegistryOffset = registryOffset;
    t.RegistrySize = registrySize;
    t.RegistryCompressed = registrySize > 0 ? 1 : 0;
    std::uint8_t raw[kTrailerSize];
    EncodeTrailer(t, raw);
    archive.insert(archive.end(), raw, raw + kTrailerSize);
    Reseal(archive);
}

TEST(ArchiveSafety, MembersThatShareOrLeaveTheDataPartAreRefused)
{
    // Three members of 1,000 bytes each, stored raw back to back at 0, 1000 and 2000.
    const Bytes content = TextData(1000);
    struct Case {
        const char* what;
        std::function<void(Crafted&)> change;
        bool opens;
    };
    const Case cases[] = {
        {"as written", [](Crafted&) {}, true},
        {"second member on the first's bytes",
         [](Crafted& c) { setEntry(c, 1, [](TArchiveEntry& e) { e.DataOffset = 0; }); }, false},
        {"second member starting inside the first",
         [](Crafted& c) { setEntry(c, 1, [](TArchiveEntry& e) { e.DataOffset = 999; }); }, false},
        {"third member reaching into the registry",
         [](Crafted& c) { setEntry(c, 2, [](TArchiveEntry& e) { e.DataOffset = 2001; }); }, false},
        {"an empty member at any offset",
         [](Crafted& c) {
             setEntry(c, 1, [](TArchiveEntry& e) {
                 e.StoredSize = 0;
                 e.FileSize = 0;
                 e.FileCRC = 0;
                 e.DataOffset = 500;
             });
         },
         true},
    };
    for (const auto& k : cases) {
        Crafted c = Craft({{"", "a", content}, {"", "b", content}, {"", "c", content}});
        k.change(c);
        TMemoryStream s;
        s.WriteBuffer(c.bytes.data(), static_cast<std::int64_t>(c.bytes.size()));
        TZLBArchive zlb;
        if (k.opens)
            EXPECT_NO_THROW(zlb.OpenArchive(s)) << k.what;
        else
            EXPECT_THROW(zlb.OpenArchive(s), EArchiveError) << k.what;
    }
}

TEST(ArchiveSafety, OneDeflatedBlockNamedManyTimesIsRefusedBeforeAnyInflating)
{
    // 40 entries pointing at one deflated block of 4 MB zeros: opened, every check would
    // inflate 160 MB from a file of a few KB.
    const Bytes zeros(4 * 1024 * 1024, 0);
    std::vector<CraftMember> members{{"", "m0", zeros, false}};
    Crafted c = Craft(members);
    const TArchiveEntry first = DecodeEntry(c.bytes.data() + c.entryAt[0]);
    // Rebuild the registry with 40 copies of the entry under other names.
    Bytes data(c.bytes.begin(), c.bytes.begin() + static_cast<std::ptrdiff_t>(c.registryOffset));
    Bytes archive = data;
    for (int i = 0; i < 40; ++i) {
        TArchiveEntry e = first;
        SetShortString(e.FileName, "m" + std::to_string(i));
        std::uint8_t rec[kEntrySize];
        EncodeEntry(e, rec);
        archive.insert(archive.end(), rec, rec + kEntrySize);
    }
    seal(archive, 40, static_cast<std::int32_t>(data.size()), 0);

    CountingStream s(archive);
    TZLBArchive zlb;
    EXPECT_THROW(zlb.OpenArchive(s), EArchiveError);
    // The CRC pass and the registry, nothing inflated beyond the file's own bytes.
    EXPECT_LE(s.bytesRead, 2 * s.Size());
    EXPECT_FALSE(zlb.IsOpen());
}

TEST(ArchiveSafety, ARegistryClaimingMoreEntriesThanItsBytesHoldIsRefused)
{
    // 400,000 all-zero entries deflate to about 200 KB: opened, they would take 212 MB.
    struct Case {
        std::int32_t claimed;
        std::int32_t present;
        bool named; // entries with names, as a real archive's, or all zero bytes
        bool opens;
    };
    const Case cases[] = {{400000, 400000, false, false}, {400000, 10, true, false}, {3, 3, true, true}};
    for (const auto& k : cases) {
        Bytes registry(static_cast<std::size_t>(k.present) * kEntrySize, 0);
        for (std::size_t i = 0; k.named && i < static_cast<std::size_t>(k.present); ++i) {
            // Names differ, as a real archive's do; every member is empty.
            const std::string name = "f" + std::to_string(i);
            registry[i * kEntrySize] = static_cast<std::uint8_t>(name.size());
            std::memcpy(registry.data() + i * kEntrySize + 1, name.data(), name.size());
            registry[i * kEntrySize + 528] = 1; // stored raw
        }
        Bytes archive;
        DeflateBuffer(fcMaximum, registry.data(), registry.size(), archive, 0);
        seal(archive, k.claimed, 0, static_cast<std::int32_t>(archive.size()));

        CountingStream s(archive);
        TZLBArchive zlb;
        if (k.opens) {
            EXPECT_NO_THROW(zlb.OpenArchive(s));
            EXPECT_EQ(zlb.Count(), k.claimed);
        } else {
            EXPECT_THROW(zlb.OpenArchive(s), EArchiveError) << k.claimed << " entries";
            EXPECT_EQ(zlb.Count(), 0);
        }
        // Never more read than the file holds, once for its CRC and once for the registry.
        EXPECT_LE(s.bytesRead, 2 * s.Size()) << k.claimed << " entries";
    }
}

// Runs the zlb tool with args in a forked child (without args: the child exits at once) and
// returns its peak resident memory in bytes; -1 when it did not end by exiting. The child starts
// with this process's resident pages, so only the difference to an idle child is the tool's.
long peakMemoryOfZlbTool(const std::vector<std::string>& args)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        std::ostringstream out, err;
        ::_exit(args.empty() || RunZlbTool(args, out, err, {}) == 0 ? 0 : 1);
    }
    int status = 0;
    rusage usage{};
    if (pid < 0 || ::wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status))
        return -1;
    return usage.ru_maxrss * 1024L;
}

TEST(ArchiveSafety, AHugeClaimedRegistryCostsTheToolLittleMemory)
{
    // Two million all-zero entries (about 1 GB once inflated) in a registry of about 1 MB. The
    // registry is compressed piece by piece so the test itself stays small.
    constexpr std::int32_t kClaimed = 2'000'000;
    TMemoryStream compressed;
    {
        TCompressionStream z(fcMaximum, compressed);
        const Bytes zeros(1024 * kEntrySize, 0);
        for (std::int32_t done = 0; done < kClaimed; done += 1024)
            z.WriteBuffer(zeros.data(), static_cast<std::int64_t>(zeros.size()));
        z.Finish();
    }
    Bytes archive = compressed.TakeBytes();
    ASSERT_LT(archive.size(), 1024u * 1024u);
    seal(archive, kClaimed, 0, static_cast<std::int32_t>(archive.size()));
    TempFolder dir;
    const std::string name = dir / "claims.zlb";
    writeBytes(name, archive);

    const long idle = peakMemoryOfZlbTool({});
    ASSERT_GT(idle, 0);
    for (const char* command : {"list", "verify"}) {
        const long peak = peakMemoryOfZlbTool({command, name});
        ASSERT_GT(peak, 0) << command;
        EXPECT_LT(peak - idle, 64L * 1024 * 1024) << command;
    }
}

// An archive of the given (folder, name, content) members with a raw registry.
std::string writeCrafted(const TempFolder& dir, const std::vector<CraftMember>& members)
{
    const std::string name = dir / "crafted.zlb";
    writeBytes(name, Craft(members).bytes);
    return name;
}

TEST(ArchiveSafety, ExtractionNeverWritesThroughALinkPlantedInTheTarget)
{
    TempFolder dir;
    const std::string outside = dir / "outside";
    fs::create_directories(outside);
    writeFile(outside + "/victim", "keep me");
    const std::string archive =
        writeCrafted(dir, {{"sub\\", "victim", bytesOf("planted")}, {"", "top", bytesOf("payload")}});

    struct Case {
        const char* what;
        const char* linkName; // below the target folder
        std::string linkTo;
        bool extractionFails;
    };
    const Case cases[] = {
        // A folder of a member is a link out of the target: refused.
        {"folder link", "sub", outside, true},
        // The member's own name is a link: the link is replaced, what it names stays.
        {"file link", "top", outside + "/victim", false},
    };
    for (const auto& k : cases) {
        const std::string target = dir / "target";
        fs::remove_all(target);
        fs::create_directories(target);
        fs::create_symlink(k.linkTo, target + "/" + k.linkName);
        TZLBArchive zlb;
        zlb.ExtractWithPath = true;
        zlb.OpenArchive(archive);
        if (k.extractionFails)
            EXPECT_THROW(zlb.ExtractAll(target), EArchiveError) << k.what;
        else
            EXPECT_NO_THROW(zlb.ExtractAll(target)) << k.what;
        EXPECT_EQ(readFile(outside + "/victim"), "keep me") << k.what;
        EXPECT_EQ(folderEntries(outside).size(), 1u) << k.what;
        if (!k.extractionFails) {
            EXPECT_FALSE(fs::is_symlink(target + "/top")) << k.what;
            EXPECT_EQ(readFile(target + "/top"), "payload") << k.what;
        }
    }
}

TEST(ArchiveSafety, AFolderSwappedForALinkDuringExtractionDoesNotLeadOutOfTheTarget)
{
    // Another user who can write into the target swaps a folder level for a link to a folder
    // of his choosing after extraction has walked past it, before the member is written (here:
    // while the replace question is open). The member must still land in the folder that was
    // walked, and nothing outside may change.
    struct Case {
        const char* memberFolder; // in the archive
        const char* swapped;      // the level below the target that becomes a link
        const char* below;        // the rest of the member's folder under the swapped level
    };
    const Case cases[] = {
        {"sub\\", "sub", ""},
        {"a\\b\\", "a", "/b"},
    };
    for (const auto& k : cases) {
        TempFolder dir;
        const std::string outside = dir / "outside";
        fs::create_directories(outside + k.below);
        writeFile(outside + k.below + "/victim", "keep me");
        const std::string archive = writeCrafted(dir, {{k.memberFolder, "victim", bytesOf("planted")}});
        const std::string target = dir / "target";
        const std::string walked = target + "/" + k.swapped + k.below;
        fs::create_directories(walked);
        writeFile(walked + "/victim", "old");

        TZLBArchive zlb;
        zlb.ExtractWithPath = true;
        zlb.OpenArchive(archive);
        int asked = 0;
        zlb.OnReplaceFile = [&](const std::string&, bool& replace) {
            ++asked;
            fs::rename(target + "/" + k.swapped, target + "/moved");
            fs::create_symlink(outside, target + "/" + k.swapped);
            replace = true;
        };
        EXPECT_NO_THROW(zlb.ExtractAll(target)) << k.memberFolder;
        EXPECT_EQ(asked, 1) << k.memberFolder;
        EXPECT_EQ(readFile(outside + k.below + "/victim"), "keep me") << k.memberFolder;
        EXPECT_EQ(folderEntries(outside + k.below).size(), 1u) << k.memberFolder;
        EXPECT_EQ(readFile(target + "/moved" + k.below + "/victim"), "planted") << k.memberFolder;
        EXPECT_EQ(folderEntries(target + "/moved" + k.below).size(), 1u) << k.memberFolder;
    }
}

// The notices of one AddFiles as (kind, path) pairs, and the archive's member paths.
struct Packed {
    std::vector<std::pair<TNoticeKind, std::string>> notices;
    std::vector<std::string> members; // FilePath + FileName, "\" turned into "/"
};

Packed pack(const TempFolder& dir, std::vector<std::string> list, TStream* into = nullptr,
            std::vector<std::string> exclude = {})
{
    Packed p;
    TZLBArchive zlb;
    zlb.SavePaths = true;
    zlb.RecursePaths = true;
    zlb.ExcludeFiles = std::move(exclude);
    zlb.OnNotice = [&](const TArchiveNotice& n) { p.notices.emplace_back(n.Kind, n.Path); };
    TMemoryStream memory;
    zlb.CreateArchive(into ? *into : memory);
    zlb.AddFiles(list);
    for (std::int32_t i = 0; i < zlb.Count(); ++i) {
        const auto e = zlb.GetFileEntry(i);
        std::string key = EntryFilePath(e) + EntryFileName(e);
        std::replace(key.begin(), key.end(), '\\', '/');
        p.members.push_back(key);
    }
    (void)dir;
    return p;
}

TEST(ArchiveSafety, EachItemLeftOutIsNoticedWithItsKind)
{
    TempFolder dir;
    const std::string site = dir / "site";
    fs::create_directories(site + "/js");
    writeFile(site + "/index.html", "start");
    writeFile(site + "/js/app.js", "code");
    fs::create_directories(dir / "empty");
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
    const std::string missing = dir / "gone.html";

    writeFile(dir / "twice.html", "x");
    const Packed p =
        pack(dir, {site, dir / "twice.html", dir / "twice.html", dir / "empty", dir / "pipe", missing});
    const std::vector<std::pair<TNoticeKind, std::string>> expected{
        {TNoticeKind::Duplicate, dir / "twice.html"},
        {TNoticeKind::EmptyFolder, dir / "empty"},
        {TNoticeKind::NotRegularFile, dir / "pipe"},
        {TNoticeKind::Missing, missing},
    };
    auto got = p.notices;
    auto want = expected;
    std::sort(got.begin(), got.end());
    std::sort(want.begin(), want.end());
    EXPECT_EQ(got, want);
    EXPECT_EQ(std::count(p.members.begin(), p.members.end(), site + "/js/app.js"), 1);
}

TEST(ArchiveSafety, AnUnreadableFileIsNoticedWithTheSystemsReason)
{
    struct Refusing : TZLBArchive {
        std::unique_ptr<TStream> OpenMemberStream(const std::string& path, std::int64_t&) const override
        {
            throw EFOpenError(path, EACCES);
        }
    };
    TempFolder dir;
    writeFile(dir / "secret.html", "x");
    Refusing zlb;
    std::vector<TArchiveNotice> notices;
    zlb.OnNotice = [&](const TArchiveNotice& n) { notices.push_back(n); };
    TMemoryStream s;
    zlb.CreateArchive(s);
    std::vector<std::string> list{dir / "secret.html"};
    zlb.AddFiles(list);
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0].Kind, TNoticeKind::Unreadable);
    EXPECT_EQ(notices[0].SystemError, EACCES);
    EXPECT_EQ(notices[0].Path, dir / "secret.html");
    EXPECT_EQ(zlb.Count(), 0);
}

TEST(ArchiveSafety, AFolderPathLongerThanAnEntryHoldsIsNoticedNeverCut)
{
    TempFolder dir;
    // Two folders whose paths agree in their first 255 bytes: cut, both files would be one key.
    const std::string common = dir / std::string(120, 'a') + "/" + std::string(150, 'b');
    const std::string one = common + "1/page.html";
    const std::string two = common + "2/page.html";
    const std::string fits = dir / "short/page.html";
    for (const auto& f : {one, two, fits}) {
        fs::create_directories(fs::path(f).parent_path());
        writeFile(f, f);
    }
    const Packed p = pack(dir, {one, two, fits});
    const std::vector<std::pair<TNoticeKind, std::string>> expected{{TNoticeKind::PathTooLong, one},
                                                                    {TNoticeKind::PathTooLong, two}};
    EXPECT_EQ(p.notices, expected);
    EXPECT_EQ(p.members, std::vector<std::string>{fits});
}

TEST(ArchiveSafety, LinksInAFolderArePackedOnlyWhereTheyStayInside)
{
    TempFolder dir;
    const std::string site = dir / "site";
    fs::create_directories(site + "/pages");
    fs::create_directories(dir / "private");
    writeFile(site + "/pages/a.html", "inside");
    writeFile(dir / "private/key", "secret");
    fs::create_symlink(site + "/pages/a.html", site + "/alias.html");
    fs::create_symlink(dir / "private/key", site + "/key");
    fs::create_symlink(dir / "private", site + "/private");

    const Packed p = pack(dir, {site});
    auto members = p.members;
    std::sort(members.begin(), members.end());
    EXPECT_EQ(members, (std::vector<std::string>{site + "/alias.html", site + "/pages/a.html"}));
    auto notices = p.notices;
    std::sort(notices.begin(), notices.end());
    const std::vector<std::pair<TNoticeKind, std::string>> expected{
        {TNoticeKind::LinkOutside, site + "/key"}, {TNoticeKind::LinkOutside, site + "/private"}};
    EXPECT_EQ(notices, expected);
}

TEST(ArchiveSafety, TheArchivesOwnFilesAreNeverPacked)
{
    TempFolder dir;
    const std::string site = dir / "site";
    fs::create_directories(site);
    writeFile(site + "/index.html", "start");
    writeFile(site + "/old.zlb", "the archive being replaced");
    // The archive is written into a file inside the folder it packs.
    const std::string scratch = site + "/.new.zlb.tmp";
    TFileStream file(scratch, TFileMode::fmCreate);
    const Packed p = pack(dir, {site}, &file, {site + "/old.zlb"});
    EXPECT_EQ(p.members, std::vector<std::string>{site + "/index.html"});
    EXPECT_TRUE(p.notices.empty());
}

TEST(ArchiveSafety, ALargeMembersSpoolFileIsNeverWrittenThroughALink)
{
    // Another user replaces the new spool file by a link to a file of ours before it is opened.
    struct Raced : TZLBArchive {
        std::string victim;
        void GetTempFile(std::string& name) override
        {
            TZLBArchive::GetTempFile(name);
            fs::remove(name);
            fs::create_symlink(victim, name);
        }
    };
    TempFolder dir;
    const test::EnvOverride tmpdir("TMPDIR", dir.path().string());
    writeFile(dir / "victim", "keep");
    writeBytes(dir / "big.bin", TextData(21 * 1024 * 1024)); // above the in-memory limit
    Raced zlb;
    zlb.victim = dir / "victim";
    TMemoryStream s;
    zlb.CreateArchive(s);
    std::vector<std::string> list{dir / "big.bin"};
    EXPECT_THROW(zlb.AddFiles(list), EArchiveWriteError);
    EXPECT_EQ(readFile(dir / "victim"), "keep");

    // Unraced, the spool file's name is gone as soon as it is open: nothing stays behind.
    TZLBArchive plain;
    TMemoryStream t;
    plain.CreateArchive(t);
    list = {dir / "big.bin"};
    plain.AddFiles(list);
    EXPECT_EQ(plain.Count(), 1);
    auto names = folderEntries(dir.path().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"big.bin", "victim"}));
}

} // namespace
} // namespace pagolux
