#include "builder/BuildPipeline.h"

#include "archive/ZLIBArchive.h"
#include "builder/ExeWriter.h"
#include "builder/IconPatcher.h"
#include "builder/ProgramStart.h"
#include "format/SettingsBlock.h"
#include "platform/Paths.h"
#include "tests/builder/TestFiles.h"
#include "tests/support/EnvOverride.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/ScriptedInteraction.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <random>
#include <sys/stat.h>

namespace pagolux {
namespace {

using test::Bytes;
namespace fs = std::filesystem;

constexpr std::size_t kViewerSize = 6000;
constexpr std::size_t kMarkerAt = 2500;
constexpr std::size_t kIconAt = 4000;

Bytes iconPattern()
{
    Bytes p(512);
    for (std::size_t i = 0; i < p.size(); ++i)
        p[i] = static_cast<std::uint8_t>((i * 29 + 5) & 0xFF);
    return p;
}

// A program folder with a small stand-in viewer: marker and icon pattern where a real one
// has them, and the matching iconcomp.dat.
void writeProgramFolder(const std::string& folder)
{
    Bytes viewer(kViewerSize, 0x42);
    std::memcpy(&viewer[kMarkerAt], "ORVTEXEH", 8);
    const Bytes icon = iconPattern();
    std::copy(icon.begin(), icon.end(), viewer.begin() + kIconAt);
    test::writeBytes(folder + "ProtoExe.dat", test::encodeProto(viewer));
    Bytes comp = icon;
    comp.insert(comp.begin(), 168, 0);
    test::writeBytes(folder + "iconcomp.dat", comp);
}

class BuildPipelineTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        fs::create_directories(tmp.folder());
        ::setenv("TMPDIR", tmp.folder().c_str(), 1);
        writeProgramFolder(prog.folder());
        fs::create_directories(site / "img");
        test::writeFile(site / "index.html", "<html><title>Start</title></html>");
        test::writeFile(site / "img/a.txt", "some text that compresses some text that compresses");
        request.entries = {site / "index.html", site / "img"};
        request.startIndex = 0;
        request.outputField = out / "ziel";
        request.progPath = prog.folder();
        icon.fill(IconBitmap::White);
        request.icon = &icon;
    }
    BuildOutcome run()
    {
        BuildPipeline pipeline(ui);
        return pipeline.run(request, iconPos, hooks);
    }

    [[nodiscard]] std::vector<std::string> filesIn(const std::string& folder) const
    {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(folder))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    test::EnvOverride tmpdir{"TMPDIR"};
    test::TempFolder tmp, prog, site, out;
    test::ScriptedInteraction ui{MsgResult::Cancel};
    IconBitmap icon;
    BuildRequest request;
    BuildHooks hooks;
    std::int32_t iconPos = 0;
};

TEST_F(BuildPipelineTest, BuildsAnExecutableWithSettingsArchiveAndIcon)
{
    request.settings.projectName = "Site";
    int listUpdates = 0;
    std::vector<std::int32_t> progress;
    hooks.updateListBox = [&] { ++listUpdates; };
    hooks.progress = [&](std::int32_t p) { progress.push_back(p); };

    const BuildOutcome r = run();
    ASSERT_EQ(r.status, BuildStatus::Succeeded);
    EXPECT_EQ(ui.texts(), std::vector<std::string>{"EXE-Datei wurde erfolgreich erstellt!"});
    EXPECT_EQ(ui.messages[0].caption, "EXE-Datei erstellt");
    EXPECT_EQ(iconPos, static_cast<std::int32_t>(kIconAt));
    EXPECT_EQ(listUpdates, 1);
    EXPECT_FALSE(progress.empty());

    const Bytes exe = test::readBytes(out / "ziel");
    ASSERT_GT(exe.size(), kViewerSize);
    EXPECT_EQ(test::getLE32(exe, kMarkerAt), kViewerSize);
    EXPECT_TRUE(
        std::all_of(exe.begin() + kIconAt, exe.begin() + kIconAt + 512, [](auto b) { return b == 0xFF; }));
    // The settings block follows the viewer; the archive fills the rest.
    TMemoryStream s(Bytes(exe.begin() + kViewerSize, exe.end()));
    const SettingsBlock block = ReadSettingsBlock(s, static_cast<std::int64_t>(exe.size() - kViewerSize));
    EXPECT_EQ(block.settings.projectName, "Site");
    EXPECT_EQ(block.startPath, site / "index.html");
    TZLBArchive archive;
    ASSERT_TRUE(
        archive.OpenEmbeddedArchive(out / "ziel", static_cast<std::int64_t>(kViewerSize) + block.size));
    EXPECT_GE(archive.FindFile(site / "img/a.txt"), 0);
    EXPECT_GE(archive.FindFile(site / "index.html"), 0);

    struct stat st {};
    ASSERT_EQ(::stat((out / "ziel").c_str(), &st), 0);
    EXPECT_TRUE(st.st_mode & S_IXUSR) << "the output is a program";
    EXPECT_EQ(filesIn(out.folder()), std::vector<std::string>{"ziel"}) << "no temporary file left beside it";
    EXPECT_TRUE(filesIn(tmp.folder()).empty()) << "the temporary archive is removed";
}

TEST_F(BuildPipelineTest, RefusedBuildsSearchTheIconButWriteNothing)
{
    struct Row {
        const char* name;
        int startIndex;
        std::string outputField;
        std::string message;
        BuildStatus status;
        std::string startEntry; // replaces the first entry when not empty
    };
    const std::string gone = site / "weg.html";
    const std::string windowsPath = "C:\\web\\seite.html"; // from a project file made on Windows
    const Row rows[] = {
        {"no start file", -1, out / "ziel", kMsgNoStartFile, BuildStatus::NoStartFile, ""},
        {"start index past the entries", 2, out / "ziel", kMsgNoStartFile, BuildStatus::NoStartFile, ""},
        {"start file gone", 0, out / "ziel", kMsgStartFileMissing + gone, BuildStatus::NoStartFile, gone},
        {"start file of another system", 0, out / "ziel", kMsgStartFileMissing + windowsPath,
         BuildStatus::NoStartFile, windowsPath},
        {"empty output name", 0, "", kMsgNoOutputName, BuildStatus::NoOutputName, ""},
        {"output name of blanks", 0, "   \t ", kMsgNoOutputName, BuildStatus::NoOutputName, ""},
    };
    const std::vector<std::string> entries = request.entries;
    for (const auto& row : rows) {
        ui.messages.clear();
        iconPos = 0;
        request.entries = entries;
        if (!row.startEntry.empty())
            request.entries[0] = row.startEntry;
        request.startIndex = row.startIndex;
        request.outputField = row.outputField;
        EXPECT_EQ(run().status, row.status) << row.name;
        EXPECT_EQ(ui.texts(), std::vector<std::string>{row.message}) << row.name;
        EXPECT_EQ(ui.messages.at(0).icon, MsgIcon::Error) << row.name;
        EXPECT_EQ(ui.messages.at(0).caption, "") << row.name;
        EXPECT_EQ(iconPos, static_cast<std::int32_t>(kIconAt)) << row.name << ": the search runs first";
        EXPECT_TRUE(filesIn(tmp.folder()).empty()) << row.name;
        EXPECT_TRUE(filesIn(out.folder()).empty()) << row.name;
    }
}

TEST_F(BuildPipelineTest, TakesTheFirstFreeTemporaryNameAndLeavesOthersAlone)
{
    test::writeFile(tmp / "tf0.zlb", "zero");
    test::writeFile(tmp / "tf1.zlb", "one");
    const BuildOutcome r = run();
    EXPECT_EQ(r.status, BuildStatus::Succeeded);
    EXPECT_EQ(r.tempArchive, tmp / "tf2.zlb");
    EXPECT_EQ(filesIn(tmp.folder()), (std::vector<std::string>{"tf0.zlb", "tf1.zlb"}));
    EXPECT_EQ(test::readBytes(tmp / "tf0.zlb"), test::bytesOf("zero"));
}

TEST_F(BuildPipelineTest, OutputIsAProgramOnlyItsOwnerMayChangeAndLinksAreWrittenThrough)
{
    // A link at the output name to a program in another folder: the program is replaced, the
    // link stays.
    test::TempFolder elsewhere;
    test::writeFile(elsewhere / "programm", "the user's old program");
    fs::create_symlink(elsewhere / "programm", out / "ziel");
    const mode_t saved = ::umask(0);
    ui.answers = {MsgResult::Yes};
    const BuildOutcome r = run();
    ::umask(saved);
    ASSERT_EQ(r.status, BuildStatus::Succeeded);
    EXPECT_TRUE(fs::is_symlink(out / "ziel"));
    EXPECT_EQ(fs::read_symlink(out / "ziel"), fs::path(elsewhere / "programm"));
    const Bytes exe = test::readBytes(elsewhere / "programm");
    ASSERT_GT(exe.size(), kViewerSize);
    EXPECT_EQ(test::getLE32(exe, kMarkerAt), kViewerSize);
    struct stat st {};
    ASSERT_EQ(::stat((elsewhere / "programm").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0755u) << "even with umask 0 nobody else may write it";
    EXPECT_EQ(filesIn(elsewhere.folder()), std::vector<std::string>{"programm"});
    EXPECT_EQ(filesIn(out.folder()), std::vector<std::string>{"ziel"});
}

TEST_F(BuildPipelineTest, OverwriteQuestionDecides)
{
    struct Row {
        MsgResult answer;
        BuildStatus status;
        bool replaced;
    };
    const Row rows[] = {
        {MsgResult::No, BuildStatus::Declined, false},
        {MsgResult::Cancel, BuildStatus::Declined, false},
        {MsgResult::Yes, BuildStatus::Succeeded, true},
    };
    for (const auto& row : rows) {
        test::writeFile(out / "ziel", "the user's old program");
        ui.messages.clear();
        ui.answers = {row.answer};
        EXPECT_EQ(run().status, row.status);
        ASSERT_FALSE(ui.messages.empty());
        EXPECT_EQ(ui.messages[0].text,
                  "Die EXE-Datei existiert bereits! Wollen Sie die Datei überschreiben?");
        EXPECT_EQ(ui.messages[0].caption, "Datei überschreiben?");
        EXPECT_EQ(ui.messages[0].buttons, MsgButtons::YesNoCancel);
        EXPECT_EQ(ui.messages[0].icon, MsgIcon::Question);
        EXPECT_EQ(ui.messages.size(), row.replaced ? 2u : 1u) << "No and Cancel show nothing further";
        EXPECT_EQ(test::readBytes(out / "ziel") == test::bytesOf("the user's old program"), !row.replaced);
        EXPECT_TRUE(filesIn(tmp.folder()).empty());
    }
}

TEST_F(BuildPipelineTest, FailedAssemblyKeepsTheOldOutputAndReportsFailure)
{
    struct Row {
        const char* name;
        std::function<void(const std::string&)> breakIt;
        std::vector<std::string> messages;
    };
    const Row rows[] = {
        {"no ProtoExe.dat",
         [](const std::string& p) { fs::remove(p + "ProtoExe.dat"); },
         {kMsgProtoNotOpened, kMsgExeFailed}},
        {"ProtoExe.dat without marker",
         [](const std::string& p) {
             test::writeBytes(p + "ProtoExe.dat", test::encodeProto(Bytes(3000, 0x42)));
         },
         {kMsgProtoDamaged, kMsgExeFailed}},
    };
    for (const auto& row : rows) {
        writeProgramFolder(prog.folder());
        row.breakIt(prog.folder());
        test::writeFile(out / "ziel", "old");
        ui.messages.clear();
        ui.started.clear();
        ui.answers = {MsgResult::Yes};
        request.autoStart = true;
        EXPECT_EQ(run().status, BuildStatus::Failed) << row.name;
        std::vector<std::string> texts = ui.texts();
        texts.erase(texts.begin()); // the overwrite question
        EXPECT_EQ(texts, row.messages) << row.name;
        EXPECT_EQ(ui.messages.back().icon, MsgIcon::Error) << row.name;
        EXPECT_EQ(test::readBytes(out / "ziel"), test::bytesOf("old")) << row.name;
        EXPECT_EQ(filesIn(out.folder()), std::vector<std::string>{"ziel"}) << row.name;
        EXPECT_TRUE(filesIn(tmp.folder()).empty()) << row.name;
        EXPECT_TRUE(ui.started.empty()) << row.name << ": a failed build is not started";
    }
}

// A full temporary folder (here a file-size limit: EFBIG; a full disk gives ENOSPC the same way)
// fails the build while packing, whether the archive itself or a large member's temporary file
// cannot be written: a German message says why, the old program keeps every byte, nothing is
// left behind and nothing is started.
TEST_F(BuildPipelineTest, AFailedArchiveWriteFailsTheBuild)
{
    const std::size_t sizes[] = {1200000, 21u * 1024 * 1024};
    for (const std::size_t size : sizes) {
        std::mt19937 rng(7);
        test::Bytes page(size); // random: deflate cannot shorten it
        for (auto& b : page)
            b = static_cast<std::uint8_t>(rng());
        test::writeBytes(site / "index.html", page);
        test::writeFile(out / "ziel", "old");
        ui.messages.clear();
        ui.started.clear();
        ui.answers = {MsgResult::Yes};
        request.autoStart = true;
        BuildOutcome r;
        {
            const test::FileSizeLimit limit(1024 * 1024);
            r = run();
        }
        EXPECT_EQ(r.status, BuildStatus::Failed) << size;
        ASSERT_EQ(ui.messages.size(), 2u) << size;
        EXPECT_EQ(
            ui.messages[1].text,
            std::string(kMsgPackFailed) +
                "Die Datei würde größer, als das System für eine Datei erlaubt.\nOrdner: " + TempFolder())
            << size;
        EXPECT_EQ(ui.messages[1].icon, MsgIcon::Error) << size;
        EXPECT_EQ(test::readBytes(out / "ziel"), test::bytesOf("old")) << size;
        EXPECT_EQ(filesIn(out.folder()), std::vector<std::string>{"ziel"}) << size;
        EXPECT_TRUE(filesIn(tmp.folder()).empty()) << size;
        EXPECT_TRUE(ui.started.empty()) << size;
    }
    EXPECT_EQ(WriteFailureReason(ENOSPC), "Auf dem Datenträger ist kein Platz mehr frei.");
}

// The result is started only when asked, the way its target needs (a Windows program through
// the wine of PATH); a start that fails or is not possible is reported after the success
// message, and the outcome says it was not started.
TEST_F(BuildPipelineTest, AutoStartRunsTheResultOnlyWhenAskedAndTheWayItsTargetNeeds)
{
    test::TempFolder bin;
    test::writeFile(bin / "wine", "#!/bin/sh\n");
    ::chmod((bin / "wine").c_str(), 0755);
    const test::EnvOverride path("PATH");
    const struct {
        const char* name;
        bool autoStart;
        BuildTarget target;
        std::string path;
        bool startFails;
        std::vector<std::vector<std::string>> started;
        std::string message; // after the success message
    } rows[] = {
        {"not asked", false, BuildTarget::Linux, bin.folder(), false, {}, ""},
        {"linux", true, BuildTarget::Linux, bin.folder(), false, {{out / "ziel"}}, ""},
        {"windows through wine",
         true,
         BuildTarget::Windows,
         bin.folder(),
         false,
         {{bin / "wine", out / "ziel"}},
         ""},
        {"windows without wine or opener",
         true,
         BuildTarget::Windows,
         out.folder(),
         false,
         {},
         kMsgWindowsProgramHere},
        {"the start fails",
         true,
         BuildTarget::Linux,
         bin.folder(),
         true,
         {{out / "ziel"}},
         std::string(kMsgStartFailed) + out / "ziel"},
    };
    for (const auto& row : rows) {
        fs::remove(out / "ziel");
        ui.messages.clear();
        ui.started.clear();
        ui.startFails = row.startFails;
        ::setenv("PATH", row.path.c_str(), 1);
        request.autoStart = row.autoStart;
        request.target = row.target;
        const BuildOutcome r = run();
        EXPECT_EQ(r.status, BuildStatus::Succeeded) << row.name;
        EXPECT_EQ(ui.started, row.started) << row.name;
        EXPECT_EQ(r.started, !row.started.empty() && !row.startFails) << row.name;
        std::vector<std::string> expected{kMsgExeCreated};
        if (!row.message.empty())
            expected.push_back(row.message);
        EXPECT_EQ(ui.texts(), expected) << row.name;
    }
}

TEST_F(BuildPipelineTest, MembersThatCouldNotBePackedAreReported)
{
    // A file that is gone, and a path from a project file made on Windows.
    request.entries.push_back(site / "gone.html");
    request.entries.push_back("C:\\web\\seite.html");
    const BuildOutcome r = run();
    EXPECT_EQ(r.status, BuildStatus::Succeeded);
    ASSERT_EQ(r.notPacked.size(), 2u);
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[1].caption, "Warnung");
    EXPECT_NE(ui.messages[1].text.find(kMsgNotPacked), std::string::npos);
    EXPECT_NE(ui.messages[1].text.find("gone.html"), std::string::npos);
    EXPECT_NE(ui.messages[1].text.find("C:\\web\\seite.html"), std::string::npos);
}

TEST_F(BuildPipelineTest, WithoutIconPatternTheViewerKeepsItsOwnIcon)
{
    fs::remove(prog / "iconcomp.dat");
    EXPECT_EQ(run().status, BuildStatus::Succeeded);
    EXPECT_EQ(iconPos, 0);
    const Bytes exe = test::readBytes(out / "ziel");
    const Bytes pattern = iconPattern();
    EXPECT_TRUE(std::equal(pattern.begin(), pattern.end(), exe.begin() + kIconAt));
}

TEST_F(BuildPipelineTest, ArchiveErrorPropagatesAndLeavesNoOutput)
{
    // The temporary folder does not exist: the archive cannot be created.
    ::setenv("TMPDIR", (tmp / "missing").c_str(), 1);
    test::writeFile(out / "ziel", "old");
    ui.answers = {MsgResult::Yes};
    EXPECT_THROW((void)run(), Exception);
    EXPECT_EQ(test::readBytes(out / "ziel"), test::bytesOf("old"));
    EXPECT_EQ(filesIn(out.folder()), std::vector<std::string>{"ziel"});
}

TEST(BuildPipelineNames, OutputNameFromTheField)
{
    test::TempFolder dir;
    test::writeFile(dir / "with \"quote", "x");
    struct Row {
        std::string field;
        std::string expected;
    };
    const Row rows[] = {
        {"/home/u/ziel", "/home/u/ziel"},
        {"  /home/u/ziel  ", "/home/u/ziel"},
        {"\"/home/u/mein ziel\" -x", "/home/u/mein ziel"},
        {"/home/u/mein ziel", "/home/u/mein ziel"},
        {"   ", ""},
        {"", ""},
        {dir / "with \"quote", dir / "with \"quote"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(BuildPipeline::ReadOutputName(row.field), row.expected) << row.field;
}

TEST(BuildPipelineNames, TemporaryFolderFollowsTmpdir)
{
    const test::EnvOverride tmpdir("TMPDIR", "/var/tmp");
    EXPECT_EQ(TempFolder(), "/var/tmp/");
    ::setenv("TMPDIR", "", 1);
    EXPECT_EQ(TempFolder(), "/tmp/");
    ::unsetenv("TMPDIR");
    EXPECT_EQ(TempFolder(), "/tmp/");
}

} // namespace
} // namespace pagolux
