// The Windows viewer as a user gets it: pagolux-build --target windows makes a program from a
// site with folders, and Wine runs it on this machine. The self-test fetches every member
// through the pluggable protocol; the window is looked at with xdotool; the icon resource is
// taken out with wrestool and icotool; the PE imports are read with objdump. Wine has no HTML
// engine here, so what the pages look like is not checked.

#include "builder/BuildTarget.h"
#include "builder/IconPatcher.h"
#include "format/ViewerIconArt.h"
#include "icon/IconBitmap.h"
#include "icon/IconBmpFile.h"
#include "project/ProjectFile.h"

#include "tests/builder/TestFiles.h"
#include "tests/icon/TestIcons.h"
#include "tests/support/BuildFolder.h"
#include "tests/support/ChildProcess.h"

#include <gtest/gtest.h>

#include <zlib.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>
#include <sstream>
#include <sys/wait.h>
#include <thread>

namespace pagolux {
namespace {

using test::Bytes;
using test::quote;
using test::runShell;
using Shell = test::ChildResult;
namespace fs = std::filesystem;

// Z:\... as Wine names a file of this machine.
std::string winePath(const std::string& unixPath)
{
    std::string p = "Z:" + unixPath;
    for (char& c : p)
        if (c == '/')
            c = '\\';
    return p;
}

std::string crcHex(const Bytes& b)
{
    char text[16];
    std::snprintf(text, sizeof text, "%08lx", crc32(0L, b.data(), static_cast<uInt>(b.size())));
    return text;
}

// The report's lines as key=value (first "=") or, for member/fetch lines, by URL.
struct Report {
    std::map<std::string, std::string> values;
    std::map<std::string, std::map<std::string, std::string>> members;
    std::map<std::string, std::map<std::string, std::string>> fetches;
};

std::map<std::string, std::string> fields(const std::string& rest)
{
    std::map<std::string, std::string> f;
    std::istringstream in(rest);
    std::string word;
    while (in >> word)
        if (const auto eq = word.find('='); eq != std::string::npos)
            f[word.substr(0, eq)] = word.substr(eq + 1);
    return f;
}

Report parseReport(const std::string& text)
{
    Report r;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("member ", 0) == 0) {
            auto f = fields(line.substr(7));
            r.members[f["url"]] = f;
        } else if (line.rfind("fetch ", 0) == 0) {
            auto f = fields(line.substr(6));
            r.fetches[f["url"]] = f;
        } else if (const auto eq = line.find('='); eq != std::string::npos) {
            r.values[line.substr(0, eq)] = line.substr(eq + 1);
        }
    }
    return r;
}

class WineViewerTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite()
    {
        const bool ci = std::getenv("CI") && std::string(std::getenv("CI")) == "true";
        for (const char* tool : {"wine", "wrestool", "icotool", "xdotool", "x86_64-w64-mingw32-objdump"})
            if (!test::haveProgram(tool))
                missing_ += std::string(missing_.empty() ? "" : ", ") + tool;
        if (!std::getenv("DISPLAY"))
            missing_ += std::string(missing_.empty() ? "" : ", ") + "an X display";
        if (!missing_.empty() && ci)
            FAIL() << "CI needs " << missing_ << " (scripts/install-deps.sh installs them)";
    }

    void SetUp() override
    {
        if (!missing_.empty())
            GTEST_SKIP() << "not installed: " << missing_;
        binDir = test::binDir();
        ASSERT_TRUE(fs::exists(binDir + "windows/ProtoExe.dat")) << "the Windows viewer was not built";
        const char* prefix = std::getenv("PAGOLUX_WINE_PREFIX");
        ASSERT_NE(prefix, nullptr);
        winePrefix = prefix;

        // A site with folders, a name with a space and non-text members.
        fs::create_directories(site / "css");
        fs::create_directories(site / "img");
        fs::create_directories(site / "pages/tief");
        test::writeFile(
            site / "index.html",
            "<!DOCTYPE html><html><head><title>Start</title><link rel=stylesheet href=css/style.css>"
            "</head><body><a href=\"pages/tief/unten.html\">unten</a></body></html>");
        test::writeFile(site / "css/style.css", "body { color: #123456 }\n");
        Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n', 0, 0, 0, 0};
        for (int i = 0; i < 3000; ++i)
            png.push_back(static_cast<std::uint8_t>(i * 7));
        test::writeBytes(site / "img/mein bild.png", png);
        test::writeFile(site / "pages/tief/unten.html",
                        "<html><body><img src=\"../../img/mein%20bild.png\"></body></html>");
        test::writeFile(site / "pages/daten.json", "{\"a\": [1, 2, 3]}");
        test::writeFile(site / "pages/app.js", "window.__x = 1;");

        Project p;
        p.entries = {site / "index.html", site / "css", site / "img", site / "pages"};
        p.startIndex = 0;
        p.settings.projectName = "Wein Probe";
        p.settings.width = 640;
        p.settings.height = 480;
        ProjectFile::write(work / "p.pgx", p);
    }

    Shell build(const std::string& output, const std::string& extra = "--target windows")
    {
        return runShell("XDG_DATA_HOME=" + quote(work / "data") + " TMPDIR=" + quote(work.folder()) + " " +
                        quote(binDir + "pagolux-build") + " " + quote(work / "p.pgx") + " -o " +
                        quote(output) + " " + extra + " --yes");
    }

    [[nodiscard]] std::string wineEnv() const
    {
        return "WINEPREFIX=" + quote(winePrefix) + " WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml=' ";
    }

    // Runs the program's self-test and returns its report.
    Shell selfTest(const std::string& exe, const std::string& report, const std::string& fetch = "")
    {
        std::remove(report.c_str());
        std::string env = wineEnv() + "PAGOLUX_VIEWER_SELFTEST=" + quote(winePath(report)) + " ";
        if (!fetch.empty())
            env += "PAGOLUX_VIEWER_SELFTEST_FETCH=" + quote(fetch) + " ";
        return runShell(env + "timeout 120 wine " + quote(exe));
    }

    // Starts the program with its window in the background; the caller ends it.
    void startWindow(const std::string& exe)
    {
        ASSERT_EQ(runShell(wineEnv() + "nohup timeout 120 wine " + quote(exe) +
                           " >/dev/null 2>&1 & echo $! > " + quote(work / "pid"))
                      .exitCode,
                  0);
    }

    // The X window whose name is exactly title, waiting up to a minute for it.
    std::string findWindow(const std::string& title)
    {
        // xdotool gives up with BadWindow when a window it walks vanishes meanwhile (Wine makes
        // and drops helper windows while starting), so the search is repeated until it answers.
        const Shell r = runShell(
            "for i in $(seq 300); do id=$(xdotool search --onlyvisible --name " + quote("^" + title + "$") +
            " 2>/dev/null | head -1); [ -n \"$id\" ] && { echo $id; break; }; sleep 0.2; done");
        std::string id = r.output;
        while (!id.empty() && (id.back() == '\n' || id.back() == '\r'))
            id.pop_back();
        return id;
    }

    void endWine() { runShell(wineEnv() + "wineserver -k"); }

    static inline std::string missing_;
    std::string binDir;
    std::string winePrefix;
    test::TempFolder site, work;
};

TEST_F(WineViewerTest, SelfTestServesEveryMemberAndRefusesTheRest)
{
    const std::string exe = work / "probe.exe";
    const Shell b = build(exe);
    ASSERT_EQ(b.exitCode, 0) << b.output;

    const std::string base = "pagolux://site/";
    const std::vector<std::string> refused = {
        base + "nicht-da.html",
        base + "../../windows/win.ini",
        base + "%2e%2e/%2e%2e/windows/win.ini",
        base + "css%5c..%5c..%5cwindows%5cwin.ini",
        base + "index.html%00.txt",
        base + "C:%2fwindows%2fwin.ini",
        "pagolux://anderswo/index.html",
    };
    std::string fetch;
    for (const auto& u : refused)
        fetch += u + " ";
    const std::string report = work / "report.txt";
    const Shell r = selfTest(exe, report, fetch);
    ASSERT_TRUE(fs::exists(report)) << r.output;
    const std::string text = test::readFile(report);
    const Report rep = parseReport(text);
    EXPECT_EQ(r.exitCode, 0) << text;
    EXPECT_EQ(rep.values.at("result"), "ok") << text;
    EXPECT_EQ(rep.values.at("title"), "Wein Probe");
    EXPECT_EQ(rep.values.at("size"), "640x480");
    EXPECT_EQ(rep.values.at("elements"), "1111111111");
    EXPECT_EQ(rep.values.at("archive"), "ok");

    struct Member {
        std::string url;
        fs::path file;
        std::string mime;
    };
    std::string sitePath = site.folder();
    while (!sitePath.empty() && sitePath.back() == '/')
        sitePath.pop_back();
    const std::string root = base + sitePath.substr(1) + "/";
    const std::vector<Member> expected = {
        {root + "index.html", site / "index.html", "text/html"},
        {root + "css/style.css", site / "css/style.css", "text/css"},
        {root + "img/mein%20bild.png", site / "img/mein bild.png", "image/png"},
        {root + "pages/tief/unten.html", site / "pages/tief/unten.html", "text/html"},
        {root + "pages/daten.json", site / "pages/daten.json", "application/json"},
        {root + "pages/app.js", site / "pages/app.js", "text/javascript"},
    };
    EXPECT_EQ(rep.values.at("members"), std::to_string(expected.size()));
    EXPECT_EQ(rep.values.at("served"), std::to_string(expected.size()));
    EXPECT_EQ(rep.values.at("startUrl"), expected[0].url);
    for (const Member& m : expected) {
        ASSERT_TRUE(rep.members.count(m.url)) << m.url << "\n" << text;
        const auto& f = rep.members.at(m.url);
        const Bytes bytes = test::readBytes(m.file);
        EXPECT_EQ(f.at("result"), "00000000") << m.url;
        EXPECT_EQ(f.at("mime"), m.mime) << m.url;
        EXPECT_EQ(f.at("bytes"), std::to_string(bytes.size())) << m.url;
        EXPECT_EQ(f.at("crc"), crcHex(bytes)) << m.url;
        EXPECT_EQ(f.at("match"), "1") << m.url;
        EXPECT_EQ(f.at("status"), "200") << m.url;
    }
    for (const auto& u : refused) {
        ASSERT_TRUE(rep.fetches.count(u)) << u << "\n" << text;
        const auto& f = rep.fetches.at(u);
        EXPECT_EQ(f.at("status"), "404") << u;
        EXPECT_EQ(f.at("mime"), "text/html") << u;
        // The German 404 page, never a file of the machine.
        EXPECT_NE(f.at("bytes"), "0") << u;
    }
}

TEST_F(WineViewerTest, IconResourceCarriesThePatchedPixels)
{
    // A red current icon: the builder writes its pixels over the viewer's.
    fs::create_directories(work / "data/pagolux");
    const IconBitmap redIcon = test::iconOf([](int, int) { return 9; });
    IconBmpFile::save(redIcon, work / "data/pagolux/theicon.bmp");

    const std::string exe = work / "icon.exe";
    const Shell b = build(exe);
    ASSERT_EQ(b.exitCode, 0) << b.output;

    const Shell x = runShell("wrestool -x --type=14 -o " + quote(work / "icon.ico") + " " + quote(exe));
    ASSERT_EQ(x.exitCode, 0) << x.output;
    const Shell list = runShell("icotool -l " + quote(work / "icon.ico"));
    EXPECT_NE(list.output.find("--width=32 --height=32 --bit-depth=4"), std::string::npos) << list.output;
    // The group icon alone does not hold pixels; the RT_ICON image does.
    const Shell img =
        runShell("wrestool -x --type=3 --raw -o " + quote(work / "image.bin") + " " + quote(exe));
    ASSERT_EQ(img.exitCode, 0) << img.output;
    const Bytes image = test::readBytes(work / "image.bin");
    ASSERT_GE(image.size(), 104u + 512u);
    const Bytes pixels(image.begin() + 104, image.begin() + 104 + 512);
    const Bytes red(512, 0x99); // palette index 9 is pure red
    EXPECT_EQ(pixels, red);
    const auto art = viewer_icon::packedArt();
    EXPECT_NE(pixels, Bytes(art.begin(), art.end()));

    // The program sees the same pixels in its own icon resource.
    const std::string report = work / "icon.txt";
    selfTest(exe, report);
    const Report rep = parseReport(test::readFile(report));
    EXPECT_EQ(rep.values.at("icon"), std::string(1024, '9'));
}

TEST_F(WineViewerTest, ImportsOnlyWindowsSystemDlls)
{
    const Shell r = runShell("x86_64-w64-mingw32-objdump -p " +
                             quote(binDir + "../windows-viewer/bin/pagolux-viewer.exe") +
                             " | sed -n 's/^\\s*DLL Name: //p'");
    ASSERT_EQ(r.exitCode, 0) << r.output;
    const std::set<std::string> system = {"ADVAPI32.dll", "COMCTL32.dll", "KERNEL32.dll", "msvcrt.dll",
                                          "ole32.dll",    "OLEAUT32.dll", "SHELL32.dll",  "urlmon.dll",
                                          "USER32.dll",   "GDI32.dll"};
    std::istringstream in(r.output);
    std::string dll;
    int count = 0;
    while (std::getline(in, dll)) {
        ++count;
        EXPECT_TRUE(system.count(dll)) << "imports " << dll;
    }
    EXPECT_GE(count, 5) << r.output;
    const Shell f = runShell("x86_64-w64-mingw32-objdump -f " +
                             quote(binDir + "../windows-viewer/bin/pagolux-viewer.exe"));
    EXPECT_NE(f.output.find("pei-x86-64"), std::string::npos) << f.output;
}

TEST_F(WineViewerTest, WindowHasTheProjectTitleAndSize)
{
    // Width and height are the client area (toolbar, page, status bar); without a window
    // manager Wine's X window is exactly that, plus the menu bar where there is one.
    struct Row {
        const char* name;
        int width;
        int height;
        bool fixed;
    };
    const Row rows[] = {{"sizeable", 640, 480, false}, {"fixed, no menu", 500, 300, true}};
    for (const Row& row : rows) {
        Project p = ProjectFile::read(work / "p.pgx");
        p.settings.width = row.width;
        p.settings.height = row.height;
        p.settings.fixedSize = row.fixed;
        ProjectFile::write(work / "p.pgx", p);
        const std::string exe = work / "window.exe";
        ASSERT_EQ(build(exe).exitCode, 0);
        startWindow(exe);
        const std::string id = findWindow("Wein Probe");
        ASSERT_FALSE(id.empty()) << row.name << ": no window named \"Wein Probe\"";
        const Shell g = runShell("xdotool getwindowgeometry --shell " + id);
        EXPECT_NE(g.output.find("WIDTH=" + std::to_string(row.width) + "\n"), std::string::npos)
            << row.name << g.output;
        // Wine's X window also holds the menu bar, which Windows counts to the frame.
        const auto at = g.output.find("HEIGHT=");
        ASSERT_NE(at, std::string::npos) << g.output;
        const int height = std::atoi(g.output.c_str() + at + 7);
        if (row.fixed)
            EXPECT_EQ(height, row.height) << row.name;
        else
            EXPECT_TRUE(height > row.height && height <= row.height + 40) << row.name << ": " << height;
        endWine();
    }
}

TEST_F(WineViewerTest, DamagedProgramShowsItsErrorAndExitsNonZero)
{
    const std::string exe = work / "broken.exe";
    ASSERT_EQ(build(exe).exitCode, 0);
    Bytes bytes = test::readBytes(exe);
    bytes.resize(bytes.size() - 40); // the archive's end is gone
    test::writeBytes(exe, bytes);

    const std::string report = work / "broken.txt";
    const Shell r = selfTest(exe, report);
    EXPECT_EQ(r.exitCode, 2);
    const Report rep = parseReport(test::readFile(report));
    EXPECT_EQ(rep.values.at("error").rfind("Die Seiten dieses Programms fehlen oder sind beschädigt.", 0), 0u)
        << rep.values.at("error");

    // Without the self-test the error is a window of its own; confirming it ends the program.
    const Shell shown =
        runShell(wineEnv() + "timeout 120 wine " + quote(exe) +
                 " & sleep 0; "
                 "id=$(timeout 60 xdotool search --sync --onlyvisible --name '^Pagolux$' | head -1); "
                 "[ -n \"$id\" ] && xdotool windowfocus --sync $id key Return; wait $!; echo rc=$?");
    EXPECT_NE(shown.output.find("rc=1"), std::string::npos) << shown.output;
}

TEST_F(WineViewerTest, UnpatchedViewerExplainsItHoldsNoPages)
{
    // The viewer as built, decoded from ProtoExe.dat.
    Bytes proto = test::readBytes(binDir + "windows/ProtoExe.dat");
    for (auto& b : proto)
        b = static_cast<std::uint8_t>(b - 1);
    const std::string exe = work / "plain.exe";
    test::writeBytes(exe, proto);
    const std::string report = work / "plain.txt";
    const Shell r = selfTest(exe, report);
    EXPECT_EQ(r.exitCode, 2);
    const Report rep = parseReport(test::readFile(report));
    EXPECT_EQ(rep.values.at("error").rfind("Dieses Programm enthält keine Seiten.", 0), 0u);
}

} // namespace
} // namespace pagolux

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
