// The Linux starter: what it needs from the system (read from the built program with readelf
// and objdump), the size of ProtoExe.dat with every front in it, the handoff to the fronts and
// the engine choice.

#include "viewer/core/Engines.h"
#include "viewer/core/FrontHandoff.h"

#include "tests/support/BuildFolder.h"
#include "tests/support/ChildProcess.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <regex>
#include <set>
#include <sstream>
#include <string>

namespace pagolux {
namespace {

TEST(LinuxStarter, NeedsOnlyTheCLibraryOfGlibc234)
{
    const std::string starter = test::binDir() + "pagolux-viewer";
    const test::ChildResult dynamic = test::runShell("readelf -d " + test::quote(starter));
    ASSERT_EQ(dynamic.exitCode, 0) << dynamic.output;
    std::set<std::string> needed;
    const std::regex neededLine(R"(\(NEEDED\)\s+Shared library: \[([^\]]+)\])");
    for (std::sregex_iterator it(dynamic.output.begin(), dynamic.output.end(), neededLine), end; it != end;
         ++it)
        needed.insert((*it)[1]);
    EXPECT_EQ(needed, std::set<std::string>{"libc.so.6"}) << dynamic.output;

    const test::ChildResult symbols = test::runShell("objdump -T " + test::quote(starter));
    ASSERT_EQ(symbols.exitCode, 0) << symbols.output;
    const std::regex version(R"(\(([A-Z_]+)_([0-9]+)\.([0-9]+)(?:\.[0-9]+)?\))");
    int newestMinor = 0;
    for (std::sregex_iterator it(symbols.output.begin(), symbols.output.end(), version), end; it != end;
         ++it) {
        EXPECT_EQ((*it)[1], "GLIBC") << "a symbol of another library: " << it->str();
        if ((*it)[1] == "GLIBC" && std::stoi((*it)[2]) == 2)
            newestMinor = std::max(newestMinor, std::stoi((*it)[3]));
    }
    EXPECT_GT(newestMinor, 0) << symbols.output;
    EXPECT_LE(newestMinor, 34) << "the starter must run on glibc 2.34";
}

TEST(LinuxStarter, ProtoExeWithEveryFrontStaysSmall)
{
    const auto size = std::filesystem::file_size(test::binDir() + "ProtoExe.dat");
    EXPECT_LE(size, 1536U * 1024U);
}

TEST(FrontHandoff, RoundTripsEveryField)
{
    FrontHandoff h;
    std::snprintf(h.engine, sizeof h.engine, "webkitgtk-6.0");
    h.hostFd = 7;
    h.patched = true;
    h.settingsOffset = 0xFFFFFFF0U;
    h.errorFd = 11;
    h.startedFd = 12;
    for (std::size_t i = 0; i < h.icon.size(); ++i)
        h.icon[i] = static_cast<std::uint8_t>(i * 7);
    char text[kHandoffTextSize];
    encodeHandoff(h, text);
    const auto back = decodeHandoff(text);
    ASSERT_TRUE(back.has_value()) << text;
    EXPECT_STREQ(back->engine, "webkitgtk-6.0");
    EXPECT_EQ(back->hostFd, 7);
    EXPECT_TRUE(back->patched);
    EXPECT_EQ(back->settingsOffset, 0xFFFFFFF0U);
    EXPECT_EQ(back->errorFd, 11);
    EXPECT_EQ(back->startedFd, 12);
    EXPECT_EQ(back->icon, h.icon);

    h.patched = false;
    h.startedFd = -1;
    encodeHandoff(h, text);
    const auto unpatched = decodeHandoff(text);
    ASSERT_TRUE(unpatched.has_value());
    EXPECT_FALSE(unpatched->patched);
    EXPECT_EQ(unpatched->startedFd, -1);
}

TEST(FrontHandoff, RefusesWhatTheStarterDidNotWrite)
{
    const std::string icon(1024, 'a');
    const struct {
        const char* what;
        std::string text;
    } cases[] = {
        {"empty", ""},
        {"no engine", ";3;1;100;2;4;" + icon},
        {"engine name too long", std::string(40, 'x') + ";3;1;100;2;4;" + icon},
        {"field missing", "qt6;3;1;100;2;" + icon},
        {"patched not 0 or 1", "qt6;3;2;100;2;4;" + icon},
        {"negative descriptor", "qt6;-3;1;100;2;4;" + icon},
        {"offset beyond 32 bits", "qt6;3;1;4294967296;2;4;" + icon},
        {"letters in a number", "qt6;3x;1;100;2;4;" + icon},
        {"icon too short", "qt6;3;1;100;2;4;" + icon.substr(2)},
        {"icon too long", "qt6;3;1;100;2;4;" + icon + "aa"},
        {"icon not hex", "qt6;3;1;100;2;4;" + icon.substr(2) + "zz"},
        {"upper-case hex", "qt6;3;1;100;2;4;" + icon.substr(2) + "AB"},
    };
    for (const auto& c : cases)
        EXPECT_FALSE(decodeHandoff(c.text.c_str()).has_value()) << c.what;
    EXPECT_TRUE(decodeHandoff(("qt6;3;1;100;2;4;" + icon).c_str()).has_value());
}

TEST(Engines, OrderAndForcedChoice)
{
    const std::vector<std::string> order(std::begin(engines::kAll), std::end(engines::kAll));
    EXPECT_EQ(order,
              (std::vector<std::string>{"webkit2gtk-4.1", "webkit2gtk-4.0", "webkitgtk-6.0", "qt6", "qt5"}));
    for (const char* engine : engines::kAll) {
        EXPECT_TRUE(engines::tried(engine, nullptr));
        EXPECT_TRUE(engines::tried(engine, ""));
        EXPECT_TRUE(engines::tried(engine, engine));
        EXPECT_FALSE(engines::tried(engine, "qt"));
        EXPECT_FALSE(engines::tried(engine, "webkit"));
    }
    EXPECT_FALSE(engines::tried("qt6", "qt5"));
}

TEST(Engines, AWindowNeedsANamedDisplay)
{
    struct Row {
        const char* display;
        const char* wayland;
        const char* qpa;
        const char* gdk;
        bool named;
    } rows[] = {
        {":0", nullptr, nullptr, nullptr, true},
        {nullptr, "wayland-0", nullptr, nullptr, true},
        {":0", "wayland-0", nullptr, nullptr, true},
        {nullptr, nullptr, "offscreen", nullptr, true},
        {nullptr, nullptr, nullptr, "broadway", true},
        {nullptr, nullptr, nullptr, nullptr, false},
        {"", "", "", "", false},
    };
    for (const Row& r : rows)
        EXPECT_EQ(engines::displayNamed(r.display, r.wayland, r.qpa, r.gdk), r.named)
            << (r.display ? r.display : "-") << " " << (r.wayland ? r.wayland : "-");
}

TEST(Engines, MissingEngineMessageNamesThePackagesAndTheForcedEngine)
{
    char text[4096];
    engines::missingEngineMessage(nullptr, text, sizeof text);
    const std::string plain = text;
    EXPECT_NE(plain.find("libwebkit2gtk-4.1-0"), std::string::npos);
    EXPECT_NE(plain.find("libqt6webenginewidgets6"), std::string::npos);
    EXPECT_EQ(plain.find("PAGOLUX_VIEWER_ENGINE"), std::string::npos);

    engines::missingEngineMessage("qt7", text, sizeof text);
    const std::string forced = text;
    EXPECT_EQ(forced.rfind("Die verlangte Web-Engine \"qt7\"", 0), 0U) << forced;
    EXPECT_NE(forced.find("webkit2gtk-4.1, webkit2gtk-4.0, webkitgtk-6.0, qt6, qt5)"), std::string::npos)
        << forced;
    EXPECT_NE(forced.find("libqt6webenginewidgets6"), std::string::npos);

    // A buffer too small is cut, never overrun, and stays terminated.
    char small[16];
    std::memset(small, 'x', sizeof small);
    EXPECT_EQ(engines::missingEngineMessage(nullptr, small, 10), 9U);
    EXPECT_EQ(small[9], '\0');
    EXPECT_EQ(small[10], 'x');
}

} // namespace
} // namespace pagolux
