// The pagolux-zlb tool: every command, its output, exit codes and that failures leave nothing
// half-written behind.
#include "cli/zlb/ZlbTool.h"
#include "archive/ZLIBArchive.h"
#include "tests/archive/ArchiveTestSupport.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace pagolux;
using namespace pagolux::test;
namespace fs = std::filesystem;

namespace {

struct Result {
    int code;
    std::string out, err;
};

Result run(const std::vector<std::string>& args, bool progress = false)
{
    std::ostringstream out, err;
    ZlbToolOptions options;
    options.progress = progress;
    const int code = RunZlbTool(args, out, err, options);
    return {code, out.str(), err.str()};
}

std::size_t countLines(const std::string& s)
{
    return static_cast<std::size_t>(std::count(s.begin(), s.end(), '\n'));
}

void makeSite(const TempFolder& dir)
{
    writeBytes(dir / "site/index.html", TextData(4000));
    writeBytes(dir / "site/img/logo.bin", RandomData(900));
    writeBytes(dir / "site/css/s.css", TextData(700, 5));
    writeBytes(dir / "site/.hidden", TextData(10, 6));
}

} // namespace

TEST(ZlbTool, CreateListVerifyExtractRoundTrip)
{
    TempFolder dir;
    makeSite(dir);
    const std::string archive = dir / "site.zlb";
    auto r = run({"create", archive, dir / "site"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, ""); // no progress line without a terminal
    EXPECT_EQ(r.out,
              archive + ": 4 members, data part " +
                  std::to_string(
                      DecodeTrailer(readBytes(archive).data() + fs::file_size(archive) - 36).RegistryOffset) +
                  " bytes\n");

    r = run({"list", archive});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(countLines(r.out), 1u + 4u + 1u);
    std::string folder = dir / "site/img/";
    std::replace(folder.begin(), folder.end(), '/', '\\');
    EXPECT_NE(r.out.find("stored " +
                         [] {
                             char b[9];
                             std::snprintf(b, sizeof b, "%08x", Crc32(0, RandomData(900).data(), 900));
                             return std::string(b);
                         }() +
                         "  " + folder + "logo.bin\n"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("4 members, 5610 bytes"), std::string::npos) << r.out;

    r = run({"verify", archive});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, archive + ": OK, 4 members\n");

    r = run({"extract", archive, dir / "out"});
    ASSERT_EQ(r.code, 0) << r.err;
    const fs::path base = fs::path(dir / "out") / fs::path(dir / "site").relative_path();
    EXPECT_EQ(readBytes((base / "index.html").string()), TextData(4000));
    EXPECT_EQ(readBytes((base / "img/logo.bin").string()), RandomData(900));
    EXPECT_EQ(readBytes((base / ".hidden").string()), TextData(10, 6));
}

TEST(ZlbTool, CreateOptions)
{
    TempFolder dir;
    makeSite(dir);
    ASSERT_EQ(run({"create", "--level", "none", "--no-paths", dir / "n.zlb", dir / "site"}).code, 0);
    TZLBArchive zlb;
    ASSERT_TRUE(zlb.OpenArchive(dir / "n.zlb"));
    EXPECT_EQ(zlb.Count(), 4);
    for (std::int32_t i = 0; i < zlb.Count(); ++i) {
        EXPECT_EQ(zlb.GetFileEntry(i).StoredRaw, 1);
        EXPECT_EQ(EntryFilePath(zlb.GetFileEntry(i)), "");
    }
    ASSERT_EQ(run({"create", "--no-recurse", dir / "r.zlb", dir / "site", dir / "site/index.html"}).code, 0);
    ASSERT_TRUE(zlb.OpenArchive(dir / "r.zlb"));
    EXPECT_EQ(zlb.Count(), 1);
    ASSERT_EQ(
        run({"create", "--level", "max", "--threads", "1", dir / "m.zlb", dir / "site/index.html"}).code, 0);
    ASSERT_TRUE(zlb.OpenArchive(dir / "m.zlb"));
    EXPECT_EQ(zlb.GetFileEntry(0).Level, fcMaximum);

    // "--" ends the options: a name that starts with "-" is a path, not an option.
    writeBytes(dir / "-x.txt", TextData(50));
    ASSERT_EQ(run({"create", "--threads", "256", "--", dir / "d.zlb", dir / "-x.txt"}).code, 0);
    ASSERT_TRUE(zlb.OpenArchive(dir / "d.zlb"));
    EXPECT_EQ(EntryFileName(zlb.GetFileEntry(0)), "-x.txt");
    {
        // Relative names as a user types them, from inside the folder.
        const auto cwd = fs::current_path();
        fs::current_path(dir.path());
        const auto r = run({"create", "--", "-a.zlb", "-x.txt"});
        fs::current_path(cwd);
        ASSERT_EQ(r.code, 0) << r.err;
        ASSERT_TRUE(zlb.OpenArchive(dir / "-a.zlb"));
        EXPECT_EQ(zlb.Count(), 1);
    }

    // An existing archive is replaced as a whole.
    ASSERT_EQ(run({"create", dir / "m.zlb", dir / "site/css"}).code, 0);
    ASSERT_TRUE(zlb.OpenArchive(dir / "m.zlb"));
    EXPECT_EQ(zlb.Count(), 1);
    EXPECT_EQ(EntryFileName(zlb.GetFileEntry(0)), "s.css");
}

TEST(ZlbTool, ProgressLineOnlyWhenAsked)
{
    TempFolder dir;
    makeSite(dir);
    writeBytes(dir / "site/big.bin", RandomData(300000));
    const auto r = run({"create", dir / "p.zlb", dir / "site"}, true);
    ASSERT_EQ(r.code, 0);
    EXPECT_NE(r.err.find("\rUpdating " + dir / "site/big.bin" + " "), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("p.zlb"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.back(), '\n');
    EXPECT_EQ(countLines(r.err), 1u);
}

TEST(ZlbTool, FailuresGiveOneLineAndLeaveNothingBehind)
{
    TempFolder dir;
    makeSite(dir);
    const std::string archive = dir / "a.zlb";
    writeFile(archive, "previous content");
    const std::string kThreadsUsage = "pagolux-zlb: --threads needs a number from 0 to 256";

    struct Row {
        std::vector<std::string> args;
        int code;
        std::string firstLine;
    } rows[] = {
        {{"create", archive, dir / "site", dir / "missing.txt"},
         1,
         "pagolux-zlb: Unable to open file (" + dir / "missing.txt" + ")"},
        {{"list", archive}, 1, "pagolux-zlb: The archive file appears to be corrupted"},
        {{"verify", dir / "nothing.zlb"}, 1, "pagolux-zlb: Archive file not found"},
        {{"create", "--level", "best", archive, dir / "site"},
         2,
         "pagolux-zlb: --level needs one of none, fastest, default, max"},
        {{"create", archive}, 2, "pagolux-zlb: create needs an archive name and at least one path"},
        {{"create", "--threads", "-1", archive, dir / "site"}, 2, kThreadsUsage},
        {{"create", "--threads", "4294967297", archive, dir / "site"}, 2, kThreadsUsage},
        {{"create", "--threads", "257", archive, dir / "site"}, 2, kThreadsUsage},
        {{"create", "--threads", "2x", archive, dir / "site"}, 2, kThreadsUsage},
        {{"create", archive, dir / "site", "--threads"}, 2, kThreadsUsage},
        // After "--" the archive name is the next word, so only one path is left.
        {{"create", "--", archive}, 2, "pagolux-zlb: create needs an archive name and at least one path"},
        {{"frobnicate"}, 2, "pagolux-zlb: unknown command frobnicate"},
        {{}, 2, "pagolux-zlb: missing command"},
    };
    for (const auto& r : rows) {
        const auto res = run(r.args);
        EXPECT_EQ(res.code, r.code) << r.firstLine;
        EXPECT_EQ(res.err.substr(0, res.err.find('\n')), r.firstLine);
        if (r.code == 1) {
            EXPECT_EQ(countLines(res.err), 1u) << res.err;
        }
        EXPECT_EQ(res.out, "");
    }
    EXPECT_EQ(readBytes(archive),
              (Bytes{'p', 'r', 'e', 'v', 'i', 'o', 'u', 's', ' ', 'c', 'o', 'n', 't', 'e', 'n', 't'}));
    std::size_t entries = 0;
    for (const auto& e : fs::directory_iterator(dir.path())) {
        (void)e;
        ++entries;
    }
    EXPECT_EQ(entries, 2u) << "only site/ and a.zlb: no temporary file remains";
}

TEST(ZlbTool, VerifyFindsADamagedMemberAndReadsExecutables)
{
    TempFolder dir;
    const Crafted c = Craft({{"", "a.txt", TextData(100), true}, {"", "b.txt", TextData(3000), false}});
    Bytes host = RandomData(5000, 3); // an "executable" with the archive at its end
    host.insert(host.end(), c.bytes.begin(), c.bytes.end());
    writeBytes(dir / "prog", host);
    auto r = run({"verify", dir / "prog"});
    EXPECT_EQ(r.code, 0) << r.err;
    r = run({"list", dir / "prog"});
    EXPECT_NE(r.out.find("b.txt"), std::string::npos);
    r = run({"extract", dir / "prog", dir / "x"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(readBytes(dir / "x/b.txt"), TextData(3000));

    Bytes bad = host;
    bad[5000 + 100 + 50] ^= 0x10; // inside b.txt's compressed block
    Reseal(bad, 5000);
    writeBytes(dir / "prog", bad);
    r = run({"verify", dir / "prog"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "pagolux-zlb: The data of b.txt in the archive is damaged\n");
}

TEST(ZlbTool, CreateInTheFolderItPacksLeavesOutItsOwnFiles)
{
    // "create a.zlb ." twice: the second run finds the first archive and its own temporary
    // file in the folder; neither may become a member.
    TempFolder dir;
    makeSite(dir);
    const std::string archive = dir / "site/a.zlb";
    for (int round = 0; round < 2; ++round) {
        const auto r = run({"create", archive, dir / "site"});
        ASSERT_EQ(r.code, 0) << r.err;
        EXPECT_EQ(r.out.rfind(archive + ": 4 members", 0), 0u) << round << " " << r.out;
    }
    const auto r = run({"list", archive});
    EXPECT_EQ(r.out.find("a.zlb"), std::string::npos) << r.out;
    EXPECT_EQ(folderEntries(dir / "site").size(), 5u); // the four files, the archive, no leftovers
}

TEST(ZlbTool, ExtractRefusesALinkPlantedInTheTarget)
{
    TempFolder dir;
    makeSite(dir);
    const std::string archive = dir / "site.zlb";
    ASSERT_EQ(run({"create", archive, dir / "site"}).code, 0);
    // Another user links the first stored folder of the tree to a folder of the victim.
    const std::string victim = dir / "home";
    fs::create_directories(victim);
    writeFile(victim + "/keep", "keep");
    const fs::path out = dir / "out";
    const fs::path first = *fs::path(dir / "site").relative_path().begin();
    fs::create_directories(out);
    fs::create_symlink(victim, out / first);

    const auto r = run({"extract", archive, out.string()});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("symbolic link"), std::string::npos) << r.err;
    EXPECT_EQ(folderEntries(victim), std::vector<std::string>{"keep"});
    EXPECT_EQ(readFile(victim + "/keep"), "keep");
}
