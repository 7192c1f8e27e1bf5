// A built program and the window's preview, started by an ordinary user as every user starts
// them: with Chromium's sandbox on. Each runs in an X server of the user's own (xvfb-run) with
// a clean environment, so nothing of the test run (which switches the sandbox off for root)
// reaches it.
#include "project/Project.h"
#include "project/ProjectFile.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/OrdinaryUser.h"

#include <QColor>
#include <QGuiApplication>
#include <QImage>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace pagolux::test {
namespace {

// A page a user recognises: its title, and a magenta body that fills the view.
constexpr const char* PageTitle = "Im Sandkasten";

class SandboxUser : public ::testing::Test {
  protected:
    void SetUp() override
    {
        user = ordinaryUser();
        if (!user.problem.empty())
            GTEST_FAIL() << "no ordinary user: " << user.problem;
        for (const char* program : {"xvfb-run", "Xvfb"})
            ASSERT_TRUE(haveProgram(program)) << program << " is missing (scripts/install-deps.sh)";
        // Under /tmp, open to every user: the build folder may lie below /root.
        std::string pattern = "/tmp/pagolux-sandbox-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        work = pattern;
        fs::permissions(work, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                  fs::perms::others_read | fs::perms::others_exec);
        // A readable copy of the build's programs and the files they take from their folder.
        const char* binDir = std::getenv("PAGOLUX_BIN_DIR");
        ASSERT_NE(binDir, nullptr) << "CTest sets PAGOLUX_BIN_DIR";
        const fs::path bin = binDir;
        fs::create_directories(work / "bin");
        for (const char* file : {"pagolux", "pagolux-build", "ProtoExe.dat", "iconcomp.dat"})
            fs::copy_file(bin / file, work / "bin" / file);
        fs::create_directories(work / "site");
        std::ofstream(work / "site/index.html")
            << "<html><head><title>" << PageTitle
            << "</title></head><body style='background:#ff00ff;margin:0;height:100vh'>Hallo</body></html>";
        // The user's own home and a folder it may write its screenshots to.
        for (const char* folder : {"home", "shots"}) {
            fs::create_directories(work / folder);
            if (!user.prefix.empty()) {
                ASSERT_EQ(
                    runShell("chown " + quote(user.name) + " " + quote((work / folder).string())).exitCode,
                    0);
            }
        }
        fs::permissions(work / "site",
                        fs::perms::owner_all | fs::perms::others_read | fs::perms::others_exec);
    }
    void TearDown() override
    {
        std::error_code ec;
        if (!work.empty())
            fs::remove_all(work, ec);
    }

    // Runs command as the user in an X server of its own, with nothing but what it needs.
    ChildResult asUser(const std::string& command, const std::string& extraEnv = {}) const
    {
        return runShell("cd " + quote(work.string()) + " && " + user.prefix +
                        "env -i HOME=" + quote((work / "home").string()) +
                        " PATH=/usr/bin:/bin LC_ALL=C.UTF-8 QTWEBENGINE_CHROMIUM_FLAGS=--disable-gpu " +
                        extraEnv + " xvfb-run -a -s '-screen 0 1280x1024x24 -nolisten tcp' " + command +
                        " 2>&1");
    }

    OrdinaryUser user;
    fs::path work;
};

TEST_F(SandboxUser, BuiltProgramShowsItsPage)
{
    Project project;
    project.entries = {(work / "site/index.html").string()};
    project.startIndex = 0;
    ProjectFile::write((work / "p.pgx").string(), project);
    const ChildResult build = runShell(
        "HOME=" + quote((work / "home").string()) + " " + quote((work / "bin/pagolux-build").string()) + " " +
        quote((work / "p.pgx").string()) + " -o " + quote((work / "out").string()) + " 2>&1");
    ASSERT_EQ(build.exitCode, 0) << build.output;
    fs::permissions(work / "out", fs::perms::others_read | fs::perms::others_exec, fs::perm_options::add);

    const ChildResult run = asUser(quote((work / "out").string()), "PAGOLUX_VIEWER_PROBE=1");
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find(std::string("\ntitle=") + PageTitle + "\n"), std::string::npos) << run.output;
}

TEST_F(SandboxUser, PreviewShowsThePage)
{
    const ChildResult run = asUser(quote((work / "bin/pagolux").string()) + " --screenshot " +
                                   quote((work / "shots").string()) + " " + quote((work / "site").string()));
    ASSERT_EQ(run.exitCode, 0) << run.output;
    // One of the pages ("Vorschau") shows the page: a large magenta area.
    int mostMagenta = 0;
    for (const auto& shot : fs::directory_iterator(work / "shots")) {
        const QImage image(QString::fromStdString(shot.path().string()));
        int magenta = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                magenta += image.pixelColor(x, y) == QColor(255, 0, 255) ? 1 : 0;
        mostMagenta = std::max(mostMagenta, magenta);
    }
    EXPECT_GT(mostMagenta, 100 * 100) << run.output;
}

} // namespace
} // namespace pagolux::test
