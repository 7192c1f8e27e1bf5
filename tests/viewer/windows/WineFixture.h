#pragma once
// The fixture of the Wine tests: a site with folders packed by pagolux-build --target windows,
// Wine with a prefix of the build's own, and the self-test report the program writes.

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
#include <pwd.h>
#include <set>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace pagolux {

using test::Bytes;
using test::quote;
using test::runShell;
using Shell = test::ChildResult;
namespace fs = std::filesystem;

// Z:\... as Wine names a file of this machine.
inline std::string winePath(const std::string& unixPath)
{
    std::string p = "Z:" + unixPath;
    for (char& c : p)
        if (c == '/')
            c = '\\';
    return p;
}

inline std::string crcHex(const Bytes& b)
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

inline std::map<std::string, std::string> fields(const std::string& rest)
{
    std::map<std::string, std::string> f;
    std::istringstream in(rest);
    std::string word;
    while (in >> word)
        if (const auto eq = word.find('='); eq != std::string::npos)
            f[word.substr(0, eq)] = word.substr(eq + 1);
    return f;
}

inline Report parseReport(const std::string& text)
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
        fs::create_directories(site / "ueber");
        test::writeFile(site / "ueber/index.html", "<title>Über</title>");
        test::writeFile(site / "404.html", "<title>Eigene 404</title>");

        Project p;
        p.entries = {site / "index.html", site / "css",   site / "img",
                     site / "pages",      site / "ueber", site / "404.html"};
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

    // Runs the program's self-test and returns its report; extraEnv goes before the program.
    Shell selfTest(const std::string& exe, const std::string& report, const std::string& fetch = "",
                   const std::string& extraEnv = "")
    {
        std::remove(report.c_str());
        std::string env = wineEnv() + extraEnv + " PAGOLUX_VIEWER_SELFTEST=" + quote(winePath(report)) + " ";
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

} // namespace pagolux
