// pagolux-build as a user runs it: exit codes, the one failure line, the overwrite rule, and
// which icon lands in the output.

#include "builder/IconPatcher.h"
#include "icon/IconBitmap.h"
#include "icon/IconBmpFile.h"
#include "project/ProjectFile.h"

#include "tests/builder/TestFiles.h"
#include "tests/support/Bitmaps.h"
#include "tests/support/BuildFolder.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/OtherUser.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace pagolux {
namespace {

using test::Bytes;
using test::quote;
namespace fs = std::filesystem;

struct CliResult {
    int exitCode = -1;
    std::string out; // stdout and stderr together
};

// A 32 x 32 24-bit bitmap file in one colour.
Bytes solidBmp(std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
    return test::bmp24File(32, 32, [=](int, int) { return test::Rgb{r, g, b}; });
}

class BuildCliTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        binDir = test::binDir();
        fs::create_directories(site / "sub");
        test::writeFile(site / "index.html", "<title>x</title>");
        test::writeFile(site / "sub/b.html", "<title>b</title>");
        Project p;
        p.entries = {site / "index.html", site / "sub"};
        p.startIndex = 0;
        ProjectFile::write(work / "p.pgx", p);
    }

    // The shell command line that runs pagolux-build with args, its temporary files in tmp.
    [[nodiscard]] std::string cliCommand(const std::string& args, const std::string& tmp) const
    {
        return "XDG_DATA_HOME=" + quote(work / "data") + " TMPDIR=" + quote(tmp) + " " +
               quote(binDir + "pagolux-build") + " " + args;
    }

    CliResult runCommand(const std::string& cmd, std::optional<std::uint64_t> fileSizeLimit = {})
    {
        const test::ChildResult child = test::runShell(cmd, fileSizeLimit);
        return CliResult{child.signal != 0 ? 128 + child.signal : child.exitCode, child.output};
    }

    CliResult run(const std::string& args, std::optional<std::uint64_t> fileSizeLimit = {})
    {
        return runCommand(cliCommand(args, work.folder()), fileSizeLimit);
    }

    [[nodiscard]] Bytes iconBytesOf(const std::string& exe) const
    {
        const std::int32_t pos = RenderIconPos(binDir);
        const Bytes file = test::readBytes(exe);
        if (pos == 0 || file.size() < static_cast<std::size_t>(pos) + 512)
            return {};
        return Bytes(file.begin() + pos, file.begin() + pos + 512);
    }

    std::string binDir;
    test::TempFolder site, work;
};

TEST_F(BuildCliTest, BuildsAndPrintsSuccess)
{
    const CliResult r = run(quote(work / "p.pgx") + " -o " + quote(work / "out"));
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_EQ(r.out, "EXE-Datei wurde erfolgreich erstellt!\n");
    EXPECT_GT(fs::file_size(work / "out"), fs::file_size(binDir + "ProtoExe.dat"));
    EXPECT_FALSE(fs::exists(work / "tf0.zlb"));
}

TEST_F(BuildCliTest, FailuresExitNonZeroWithOneLine)
{
    struct Row {
        const char* name;
        std::string args;
        std::string expectedStart;
    };
    const Row rows[] = {
        {"no arguments", "", "pagolux-build: usage: pagolux-build PROJECT.pgx -o OUTPUT"},
        {"no output", quote(work / "p.pgx"), "pagolux-build: usage:"},
        {"unknown option", quote(work / "p.pgx") + " -o x --frobnicate", "pagolux-build: usage:"},
        {"missing project", quote(work / "none.pgx") + " -o " + quote(work / "out"), "pagolux-build: "},
        {"output folder missing", quote(work / "p.pgx") + " -o " + quote(work / "no/out"),
         "pagolux-build: Datei konnte nicht erstellt werden! " + work / "no/out" + ": Der Ordner " +
             work / "no/" + " existiert nicht."},
        {"a picture as project", quote(work / "bild.png") + " -o " + quote(work / "out"),
         "pagolux-build: " + work / "bild.png" + ": keine Projektdatei"},
        {"damaged project", quote(work / "kaputt.pgx") + " -o " + quote(work / "out"),
         "pagolux-build: Die Projektdatei kaputt.pgx ist beschädigt"},
        {"unreadable icon",
         quote(work / "p.pgx") + " -o " + quote(work / "out") + " --icon " + quote(work / "p.pgx"),
         "pagolux-build: Unbekannte Dateiendung"},
    };
    test::writeFile(work / "bild.png", "\x89PNG\r\n\x1a\n");
    test::writeFile(work / "kaputt.pgx", "EXE-HTML 1.0\x01");
    for (const auto& row : rows) {
        const CliResult r = run(row.args);
        EXPECT_NE(r.exitCode, 0) << row.name;
        EXPECT_EQ(r.out.rfind(row.expectedStart, 0), 0u) << row.name << ": " << r.out;
        EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1) << row.name << ": " << r.out;
        EXPECT_FALSE(fs::exists(work / "out")) << row.name;
    }
}

TEST_F(BuildCliTest, ExitStatusThreeWhenEntriesCouldNotBePacked)
{
    // The program is built, but a file of the project is gone: the status tells the script.
    Project p;
    p.entries = {site / "index.html", site / "sub", site / "weg.html"};
    p.startIndex = 0;
    ProjectFile::write(work / "p.pgx", p);
    const CliResult r = run(quote(work / "p.pgx") + " -o " + quote(work / "out"));
    EXPECT_EQ(r.exitCode, 3) << r.out;
    EXPECT_NE(r.out.find(site / "weg.html" + " kann nicht gelesen werden: Die Datei existiert nicht\n"),
              std::string::npos)
        << r.out;
    EXPECT_TRUE(fs::exists(work / "out"));
}

TEST_F(BuildCliTest, AFifoAsProjectOrStartFileEndsWithAnErrorInsteadOfWaiting)
{
    // Opened as a file, a FIFO would wait for a writer forever.
    ASSERT_EQ(::mkfifo((work / "fifo.pgx").c_str(), 0600), 0);
    ASSERT_EQ(::mkfifo((site / "fifo.html").c_str(), 0600), 0);
    Project p;
    p.entries = {site / "fifo.html", site / "index.html"};
    p.startIndex = 0;
    ProjectFile::write(work / "start.pgx", p);
    struct Row {
        const char* name;
        std::string project;
        std::string expected;
    };
    const Row rows[] = {
        {"project", work / "fifo.pgx", "pagolux-build: "},
        {"start file", work / "start.pgx",
         "pagolux-build: Die Startdatei fehlt oder kann nicht gelesen werden: " + site / "fifo.html" +
             " Keine gewöhnliche Datei"},
    };
    for (const auto& row : rows) {
        const CliResult r = run(quote(row.project) + " -o " + quote(work / "out"));
        EXPECT_EQ(r.exitCode, 1) << row.name << ": " << r.out;
        EXPECT_EQ(r.out.rfind(row.expected, 0), 0u) << row.name << ": " << r.out;
        EXPECT_FALSE(fs::exists(work / "out")) << row.name;
    }
}

TEST_F(BuildCliTest, ExistingOutputNeedsYes)
{
    test::writeFile(work / "out", "keep me");
    CliResult r = run(quote(work / "p.pgx") + " -o " + quote(work / "out"));
    EXPECT_NE(r.exitCode, 0);
    EXPECT_EQ(r.out.rfind("pagolux-build: Die EXE-Datei existiert bereits!", 0), 0u) << r.out;
    EXPECT_EQ(test::readBytes(work / "out"), test::bytesOf("keep me"));

    r = run(quote(work / "p.pgx") + " -o " + quote(work / "out") + " --yes");
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_NE(test::readBytes(work / "out"), test::bytesOf("keep me"));
}

TEST_F(BuildCliTest, UsesTheCurrentIconOrThePictureGiven)
{
    IconBitmap green;
    green.fill(10);
    fs::create_directories(work / "data/pagolux");
    IconBmpFile::save(green, work / "data/pagolux/theicon.bmp");
    ASSERT_EQ(run(quote(work / "p.pgx") + " -o " + quote(work / "current")).exitCode, 0);
    EXPECT_EQ(iconBytesOf(work / "current"), Bytes(512, 0xAA)) << "the per-user theicon.bmp";

    test::writeBytes(work / "red.bmp", solidBmp(255, 0, 0));
    const CliResult r =
        run(quote(work / "p.pgx") + " -o " + quote(work / "picture") + " --icon " + quote(work / "red.bmp"));
    ASSERT_EQ(r.exitCode, 0) << r.out;
    EXPECT_EQ(iconBytesOf(work / "picture"), Bytes(512, 0x99)) << "the picture, rendered";
    EXPECT_EQ(IconBmpFile::load(work / "data/pagolux/theicon.bmp"), green) << "--icon is for this build only";
}

// Under `ulimit -f` the output cannot be written in full: the build fails with its message
// instead of being killed by SIGXFSZ, and neither the output nor a temporary file is left.
TEST_F(BuildCliTest, FileSizeLimitIsAnOrdinaryFailure)
{
    const std::uint64_t limit = fs::file_size(binDir + "ProtoExe.dat") / 2;
    const CliResult r = run(quote(work / "p.pgx") + " -o " + quote(work / "out"), limit);
    EXPECT_EQ(r.exitCode, 1) << "128 + 25 is the signal's exit: " << r.out;
    EXPECT_EQ(r.out.rfind("pagolux-build: ", 0), 0u) << r.out;
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1) << r.out;
    std::vector<std::string> left;
    for (const auto& e : fs::directory_iterator(work.folder()))
        left.push_back(e.path().filename().string());
    EXPECT_EQ(left, std::vector<std::string>{"p.pgx"}) << "the output or a temporary file was left";

    // The same for pagolux-zlb: 256 KiB that do not compress, stored, against a 64 KiB limit.
    const std::string big = (fs::path(site.folder()) / "big.bin").string();
    Bytes noise(256 * 1024);
    std::uint32_t x = 1;
    for (auto& b : noise) {
        x = x * 1664525u + 1013904223u;
        b = static_cast<std::uint8_t>(x >> 24);
    }
    test::writeBytes(big, noise);
    const test::ChildResult zlb =
        test::runShell("TMPDIR=" + quote(work.folder()) + " " + quote(binDir + "pagolux-zlb") +
                           " create --level none " + quote(work / "a.zlb") + " " + quote(big),
                       64 * 1024);
    EXPECT_EQ(zlb.signal, 0) << zlb.output;
    EXPECT_EQ(zlb.exitCode, 1) << zlb.output;
    EXPECT_EQ(zlb.output.rfind("pagolux-zlb: ", 0), 0u) << zlb.output;
    EXPECT_FALSE(fs::exists(work / "a.zlb"));
    left.clear();
    for (const auto& e : fs::directory_iterator(work.folder()))
        left.push_back(e.path().filename().string());
    EXPECT_EQ(left, std::vector<std::string>{"p.pgx"}) << "a temporary file was left";
}

// An output folder that cannot take the program: the one line after "Datei konnte nicht erstellt
// werden!" names the output and the system's reason, and the folder is left as it was. Root sees
// no write protection in the permission bits, so the folder is made unwritable in a private
// mount namespace (a read-only bind mount, a 64 KiB tmpfs the program cannot fit in), and the
// permission case runs the build as the second local user.
TEST_F(BuildCliTest, ReadOnlyOrFullOutputFolderNamesThePathAndTheReason)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root: private mount namespaces and a second local user";
    if (!test::haveProgram("unshare"))
        GTEST_SKIP() << "unshare is not installed";
    const std::string folder = work / "ziel";
    const std::string output = folder + "/out";
    struct Row {
        const char* name;
        std::string prepare; // shell commands inside the namespace that make the folder unwritable
        std::string reason;
    };
    const Row rows[] = {
        {"read-only folder",
         "mount --bind " + quote(folder) + " " + quote(folder) + " && mount -o remount,bind,ro " +
             quote(folder),
         "Der Datenträger ist schreibgeschützt."},
        {"full disk", "mount -t tmpfs -o size=64k tmpfs " + quote(folder),
         "Auf dem Datenträger ist kein Platz mehr frei."},
    };
    for (const Row& row : rows) {
        fs::create_directories(folder);
        // Exit 125 when the namespace cannot be made; after the build, anything left in the
        // folder is listed, so a leftover temporary file shows in the output.
        const std::string script = row.prepare + " || exit 125; " +
                                   cliCommand(quote(work / "p.pgx") + " -o " + quote(output), work.folder()) +
                                   "; rc=$?; ls -A " + quote(folder) + "; exit $rc";
        const CliResult r = runCommand("unshare -m --propagation private sh -c " + quote(script));
        if (r.exitCode == 125)
            GTEST_SKIP() << "no private mount namespace here: " << r.out;
        EXPECT_EQ(r.exitCode, 1) << row.name << ": " << r.out;
        EXPECT_EQ(r.out,
                  "pagolux-build: Datei konnte nicht erstellt werden! " + output + ": " + row.reason + "\n")
            << row.name;
        EXPECT_TRUE(fs::is_empty(folder)) << row.name;
    }

    // A folder the user may not write into: the reason names the folder.
    const int other = test::otherUserId();
    if (other < 0)
        GTEST_SKIP() << "the second local user cannot be created";
    const std::string otherTmp = work / "tmp-other";
    fs::create_directories(otherTmp);
    ASSERT_EQ(::chown(otherTmp.c_str(), static_cast<uid_t>(other), static_cast<gid_t>(-1)), 0);
    fs::permissions(folder, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                fs::perms::others_read | fs::perms::others_exec);
    const std::string cmd = cliCommand(quote(work / "p.pgx") + " -o " + quote(output), otherTmp);
    const CliResult r = runCommand("runuser -u " + std::string(test::kOtherUser) + " -- sh -c " + quote(cmd));
    EXPECT_EQ(r.exitCode, 1) << r.out;
    EXPECT_EQ(r.out, "pagolux-build: Datei konnte nicht erstellt werden! " + output +
                         ": Keine Berechtigung, in den Ordner " + folder + "/ zu schreiben.\n");
    EXPECT_TRUE(fs::is_empty(folder));
}

} // namespace
} // namespace pagolux
