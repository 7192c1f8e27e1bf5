#include "builder/BuildPipeline.h"
#include "project/ProjectEditor.h"

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
#include <csignal>
#include <cstring>
#include <optional>
#include <random>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

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
        request.project.entries = {site / "index.html", site / "img"};
        request.project.startIndex = 0;
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
    request.project.settings.projectName = "Site";
    int listUpdates = 0;
    std::vector<std::int32_t> progress;
    // The pipeline tells the project model once the entries are packed.
    ProjectEditor model("", {});
    model.onChange([&](unsigned changes) { listUpdates += (changes & ProjectEditor::Entries) ? 1 : 0; });
    hooks.project = &model;
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
        {"start file gone", 0, out / "ziel", kMsgStartFileMissing + gone + "\nDie Datei existiert nicht",
         BuildStatus::NoStartFile, gone},
        {"start file of another system", 0, out / "ziel",
         kMsgStartFileMissing + windowsPath + "\nDie Datei existiert nicht", BuildStatus::NoStartFile,
         windowsPath},
        {"start folder without index page", 0, out / "ziel", kMsgStartFolderNoIndex + (site / "img"),
         BuildStatus::NoStartFile, site / "img"},
        {"empty output name", 0, "", kMsgNoOutputName, BuildStatus::NoOutputName, ""},
        {"output name of blanks", 0, "   \t ", kMsgNoOutputName, BuildStatus::NoOutputName, ""},
    };
    const std::vector<std::string> entries = request.project.entries;
    for (const auto& row : rows) {
        ui.messages.clear();
        iconPos = 0;
        request.project.entries = entries;
        if (!row.startEntry.empty())
            request.project.entries[0] = row.startEntry;
        request.project.startIndex = row.startIndex;
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

TEST_F(BuildPipelineTest, StartFolderWithAnIndexPageBuilds)
{
    // "INDEX.HTM" counts as the index page: the program finds it whatever its case.
    fs::remove(site / "index.html");
    test::writeFile(site / "INDEX.HTM", "<title>Start</title>");
    request.project.entries = {site.folder()};
    request.project.startIndex = 0;
    EXPECT_EQ(run().status, BuildStatus::Succeeded);
    EXPECT_TRUE(ui.messages.empty() || ui.messages.at(0).icon != MsgIcon::Error);
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
        // The question names the file it would replace.
        EXPECT_EQ(ui.messages[0].text,
                  "Die EXE-Datei existiert bereits! Wollen Sie die Datei überschreiben?\n" + out / "ziel");
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
         {kMsgProtoNotOpened, std::string(kMsgExeFailed) + "\n" + out / "ziel"}},
        {"ProtoExe.dat without marker",
         [](const std::string& p) {
             test::writeBytes(p + "ProtoExe.dat", test::encodeProto(Bytes(3000, 0x42)));
         },
         {kMsgProtoDamaged, std::string(kMsgExeFailed) + "\n" + out / "ziel"}},
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

// An output that cannot be written: the line after "Datei konnte nicht erstellt werden!" names
// the file and the system's reason, and nothing is left where the output would have been.
TEST_F(BuildPipelineTest, FailedOutputNamesTheFileAndTheReason)
{
    struct Row {
        const char* name;
        std::string output;
        std::string reason;
    };
    test::writeFile(out / "datei", "a file where a folder should be");
    const Row rows[] = {
        {"folder missing", out / "fehlt/ziel", "Der Ordner " + out / "fehlt/ existiert nicht."},
        {"folder is a file", out / "datei/ziel", "Der Ordner " + out / "datei/ existiert nicht."},
        {"file-size limit", out / "ziel", "Die Datei würde größer, als das System für eine Datei erlaubt."},
    };
    for (const Row& row : rows) {
        ui.messages.clear();
        request.outputField = row.output;
        std::optional<test::FileSizeLimit> limit;
        // Enough for the small archive in the temporary folder, too little for viewer and archive.
        if (std::string(row.name) == "file-size limit")
            limit.emplace(kViewerSize);
        const BuildStatus status = run().status;
        limit.reset();
        EXPECT_EQ(status, BuildStatus::Failed) << row.name;
        ASSERT_FALSE(ui.messages.empty()) << row.name;
        EXPECT_EQ(ui.messages.back().text, std::string(kMsgExeFailed) + "\n" + row.output + ": " + row.reason)
            << row.name;
        EXPECT_FALSE(fs::exists(row.output)) << row.name;
    }
    EXPECT_EQ(OutputFailureReason(ENOSPC, "/x/ziel"), "Auf dem Datenträger ist kein Platz mehr frei.");
    EXPECT_EQ(OutputFailureReason(EACCES, "/x/ziel"), "Keine Berechtigung, in den Ordner /x/ zu schreiben.");
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
    request.project.entries.push_back(site / "gone.html");
    request.project.entries.push_back("C:\\web\\seite.html");
    const BuildOutcome r = run();
    EXPECT_EQ(r.status, BuildStatus::Succeeded);
    ASSERT_EQ(r.notPacked.size(), 2u);
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[1].caption, "Warnung");
    EXPECT_NE(ui.messages[1].text.find(kMsgNotPacked), std::string::npos);
    EXPECT_NE(ui.messages[1].text.find("gone.html"), std::string::npos);
    EXPECT_NE(ui.messages[1].text.find("C:\\web\\seite.html"), std::string::npos);
}

TEST_F(BuildPipelineTest, WhatCouldNotBePackedIsListedInGermanOneLinePerFile)
{
    test::TempFolder extra;
    fs::create_directories(extra / "leer");
    test::writeFile(extra / "x.html", "x");
    // The start page also lies in an added folder: packed once, no line for it.
    request.project.entries = {site / "index.html", site.path().string(), site / "gone.html",
                               extra / "x.html",    extra / "x.html",     extra / "leer"};
    const BuildOutcome r = run();
    EXPECT_EQ(r.status, BuildStatus::Succeeded);
    TZLBArchive archive;
    ASSERT_TRUE(archive.OpenEmbeddedArchive(out / "ziel"));
    std::int32_t startPages = 0;
    for (std::int32_t i = 0; i < archive.Count(); ++i)
        startPages += EntryFileName(archive.GetFileEntry(i)) == "index.html" ? 1 : 0;
    EXPECT_EQ(startPages, 1);
    std::vector<std::string> lines = r.notPacked;
    std::sort(lines.begin(), lines.end());
    std::vector<std::string> expected{
        site / "gone.html" + " kann nicht gelesen werden: Die Datei existiert nicht",
        extra / "leer" + " ist ein Ordner ohne lesbare Dateien",
        extra / "x.html" + " ist zweimal im Projekt",
    };
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(lines, expected);
    ASSERT_EQ(ui.messages.size(), 2u);
    for (const auto& line : expected)
        EXPECT_NE(ui.messages[1].text.find(line), std::string::npos) << line;
}

TEST_F(BuildPipelineTest, AFolderPathLongerThanAnArchiveEntryFailsTheBuild)
{
    // Cut to 255 bytes, the path would name another file or none: the program could not find it.
    const std::string deep = site / std::string(200, 'd') + "/" + std::string(60, 'e');
    fs::create_directories(deep);
    test::writeFile(deep + "/page.html", "deep");
    request.project.entries.push_back(deep + "/page.html");
    const BuildOutcome r = run();
    EXPECT_EQ(r.status, BuildStatus::Failed);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text.find(kMsgExeCreated), std::string::npos);
    EXPECT_NE(ui.messages[0].text.find(deep + "/page.html"), std::string::npos) << ui.messages[0].text;
    EXPECT_TRUE(filesIn(out.folder()).empty());
}

TEST_F(BuildPipelineTest, AStartFileThatIsAFifoIsRefusedWithoutWaiting)
{
    // Opened for reading like a file, a FIFO waits for a writer forever.
    ASSERT_EQ(::mkfifo((site / "start.html").c_str(), 0600), 0);
    request.project.entries = {site / "start.html"};
    const BuildOutcome r = run();
    EXPECT_EQ(r.status, BuildStatus::NoStartFile);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text,
              std::string(kMsgStartFileMissing) + site / "start.html" +
                  "\nKeine gewöhnliche Datei (eine benannte Pipe, ein Gerät oder ein Ordner)");
}

// The names "tf<N>.zlb" in folder, whatever they are (files, links).
std::vector<std::string> scratchNames(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder))
        if (e.path().filename().string().rfind("tf", 0) == 0)
            names.push_back(e.path().string());
    return names;
}

TEST_F(BuildPipelineTest, TheScratchArchiveCannotBeReadOrReplacedByOthers)
{
    // While packing, no other user may read the pages through the scratch archive.
    bool othersCouldRead = false;
    hooks.progress = [&](std::int32_t) {
        for (const auto& name : scratchNames(tmp.folder())) {
            struct stat st {};
            if (::lstat(name.c_str(), &st) == 0 && (st.st_mode & 077) != 0)
                othersCouldRead = true;
        }
    };
    // Between packing and assembling, another user puts his own archive at every scratch name.
    test::TempFolder foreign;
    test::writeFile(foreign / "evil.html", "injected");
    std::vector<std::string> foreignList{foreign / "evil.html"};
    {
        TZLBArchive evil;
        evil.SavePaths = true;
        evil.CreateArchive(foreign / "evil.zlb");
        evil.AddFiles(foreignList);
    }
    // The model is told right after packing: the moment another user could swap the archive.
    ProjectEditor model("", OutputChoice{});
    model.onChange([&](unsigned) {
        for (int n = 0; n < 4; ++n) {
            const std::string name = tmp / ("tf" + std::to_string(n) + ".zlb");
            fs::remove(name);
            fs::copy_file(foreign / "evil.zlb", name);
        }
    });
    hooks.project = &model;
    const BuildOutcome r = run();
    ASSERT_EQ(r.status, BuildStatus::Succeeded);
    EXPECT_FALSE(othersCouldRead);

    const Bytes exe = test::readBytes(out / "ziel");
    TMemoryStream s(Bytes(exe.begin() + kViewerSize, exe.end()));
    const SettingsBlock block = ReadSettingsBlock(s, static_cast<std::int64_t>(exe.size() - kViewerSize));
    TZLBArchive archive;
    ASSERT_TRUE(
        archive.OpenEmbeddedArchive(out / "ziel", static_cast<std::int64_t>(kViewerSize) + block.size));
    EXPECT_GE(archive.FindFile(site / "index.html"), 0);
    EXPECT_LT(archive.FindFile(foreign / "evil.html"), 0);
}

TEST_F(BuildPipelineTest, AKilledBuildLeavesNoScratchArchive)
{
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Killed at the first report from the archive (the one before it comes before packing).
        int reports = 0;
        hooks.progress = [&reports](std::int32_t) {
            if (++reports == 2)
                ::raise(SIGKILL);
        };
        (void)run();
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the build was to be killed while packing";
    EXPECT_TRUE(scratchNames(tmp.folder()).empty());
    // And the next build does not trip over anything.
    EXPECT_EQ(run().status, BuildStatus::Succeeded);
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
    EXPECT_EQ(run().status, BuildStatus::Failed);
    ASSERT_EQ(ui.messages.size(), 2u); // the overwrite question, then the failure
    EXPECT_EQ(ui.messages[1].text,
              std::string(kMsgPackFailed) + "Der Ordner existiert nicht.\nOrdner: " + tmp / "missing/");
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
