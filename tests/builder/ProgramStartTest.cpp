// Starting a freshly built program: the way is chosen by the target and by what PATH holds
// (wine, xdg-open), and a start that is not possible or fails is told to the user.

#include "builder/ProgramStart.h"

#include "tests/builder/TestFiles.h"
#include "tests/support/ScriptedInteraction.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace pagolux {
namespace {

namespace fs = std::filesystem;

// An executable (or, with mode 0644, a plain) file `name` in folder.
void putProgram(const std::string& folder, const std::string& name, mode_t mode = 0755)
{
    fs::create_directories(folder);
    test::writeFile(folder + "/" + name, "#!/bin/sh\n");
    ::chmod((folder + "/" + name).c_str(), mode);
}

TEST(ProgramStart, FindOnPathTakesTheFirstExecutableFileInAnAbsoluteFolder)
{
    test::TempFolder dir;
    putProgram(dir / "plain", "wine", 0644);
    fs::create_directories(dir / "folder/wine"); // a folder of that name is no program
    putProgram(dir / "first", "wine");
    putProgram(dir / "second", "wine");
    const std::string plain = dir / "plain", folder = dir / "folder", first = dir / "first",
                      second = dir / "second";
    const struct {
        const char* name;
        std::string path;
        std::string found;
    } rows[] = {
        {"first of two", first + ":" + second, first + "/wine"},
        {"trailing slash", first + "/:" + second, first + "/wine"},
        {"not executable, then found", plain + ":" + second, second + "/wine"},
        {"a folder named wine, then found", folder + ":" + second, second + "/wine"},
        {"empty parts skipped", "::" + second + ":", second + "/wine"},
        {"only a plain file", plain, ""},
        {"nowhere", dir / "none", ""},
        {"empty PATH", "", ""},
    };
    for (const auto& row : rows)
        EXPECT_EQ(findOnPath("wine", row.path), row.found) << row.name;

    // A relative folder (the current folder, "" or ".") is never searched.
    const fs::path before = fs::current_path();
    fs::current_path(first);
    EXPECT_EQ(findOnPath("wine", ".:"), "");
    EXPECT_EQ(findOnPath("wine", "::"), "");
    fs::current_path(before);
    EXPECT_EQ(findOnPath("first/wine", dir.folder()), "") << "a name with a slash is no program name";
    EXPECT_EQ(findOnPath("", first), "");
}

TEST(ProgramStart, TheWayFollowsTheTargetAndWhatIsInstalled)
{
    test::TempFolder dir;
    putProgram(dir / "wine-only", "wine");
    putProgram(dir / "opener-only", "xdg-open");
    putProgram(dir / "both", "wine");
    putProgram(dir / "both", "xdg-open");
    fs::create_directories(dir / "empty");
    const std::string output = dir / "out/ziel.exe";
    const struct {
        const char* name;
        BuildTarget target;
        std::string path;
        bool startFails;
        std::vector<std::string> command; // what is started; empty: nothing
        std::string message;              // the error box shown, "" for none
    } rows[] = {
        {"linux output runs itself", BuildTarget::Linux, dir / "both", false, {output}, ""},
        {"linux output without wine", BuildTarget::Linux, dir / "empty", false, {output}, ""},
        {"windows output through wine",
         BuildTarget::Windows,
         dir / "wine-only",
         false,
         {dir / "wine-only/wine", output},
         ""},
        {"wine before the opener",
         BuildTarget::Windows,
         dir / "opener-only:" + dir / "both",
         false,
         {dir / "both/wine", output},
         ""},
        {"no wine: the desktop's opener",
         BuildTarget::Windows,
         dir / "opener-only",
         false,
         {dir / "opener-only/xdg-open", output},
         ""},
        {"neither: a clear message", BuildTarget::Windows, dir / "empty", false, {}, kMsgWindowsProgramHere},
        {"linux start fails",
         BuildTarget::Linux,
         dir / "empty",
         true,
         {output},
         std::string(kMsgStartFailed) + output},
        {"wine start fails",
         BuildTarget::Windows,
         dir / "wine-only",
         true,
         {dir / "wine-only/wine", output},
         std::string(kMsgStartFailed) + dir / "wine-only/wine " + output},
    };
    for (const auto& row : rows) {
        test::ScriptedInteraction ui{MsgResult::Cancel};
        ui.startFails = row.startFails;
        const bool started = startBuiltProgram(ui, row.target, output, row.path);
        EXPECT_EQ(started, !row.command.empty() && !row.startFails) << row.name;
        if (row.command.empty())
            EXPECT_TRUE(ui.started.empty()) << row.name;
        else
            EXPECT_EQ(ui.started, std::vector<std::vector<std::string>>{row.command}) << row.name;
        if (row.message.empty()) {
            EXPECT_TRUE(ui.messages.empty()) << row.name;
        } else {
            ASSERT_EQ(ui.messages.size(), 1u) << row.name;
            EXPECT_EQ(ui.messages[0].text, row.message) << row.name;
            EXPECT_EQ(ui.messages[0].caption, kCaptionStart) << row.name;
            EXPECT_EQ(ui.messages[0].icon, MsgIcon::Error) << row.name;
        }
    }
}

} // namespace
} // namespace pagolux
