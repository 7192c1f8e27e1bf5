#include "project/ProjectEditor.h"
#include "project/ProjectFile.h"
#include "tests/support/Files.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace pagolux {
namespace {

using test::readFile;
using test::TempFolder;
using test::writeFile;

const OutputChoice kDefaultOutput{"/home/anna/ziel", BuildTarget::Linux, false};

class ProjectEditorTest : public ::testing::Test {
  protected:
    ProjectEditorTest()
    {
        editor.onChange([this](unsigned changes) { heard.push_back(changes); });
    }

    [[nodiscard]] std::string favouritesFile() const { return temp / "folders.dat"; }

    TempFolder temp;
    ProjectEditor editor{temp / "folders.dat", kDefaultOutput};
    std::vector<unsigned> heard;
};

TEST_F(ProjectEditorTest, StartFileFollowsItsEntryWhenEntriesComeAndGo)
{
    struct Case {
        const char* what;
        std::vector<std::string> names;
        int start;
        std::vector<int> remove;
        std::vector<std::string> left;
        int expectedStart;
    };
    const Case cases[] = {
        {"start after the removed line moves up with it", {"a", "b", "c", "d"}, 2, {0}, {"b", "c", "d"}, 1},
        {"old start line past the new end: the first entry", {"a", "b", "c"}, 2, {0}, {"b", "c"}, 0},
        {"start before the removed line stays", {"a", "b", "c"}, 0, {2}, {"a", "b"}, 0},
        {"start removed: first remaining", {"a", "b", "c"}, 1, {1}, {"a", "c"}, 0},
        {"start removed, an equal entry remains: it takes over", {"a", "b", "a"}, 0, {0}, {"b", "a"}, 1},
        {"equal entries: the last one is the start", {"a", "b", "a", "c"}, 2, {1}, {"a", "a", "c"}, 1},
        {"two removed at once, in any order", {"a", "b", "c"}, 2, {1, 0}, {"c"}, 0},
        {"lines outside the entries are skipped", {"a", "b"}, 1, {5, -1}, {"a", "b"}, 1},
        {"everything removed: no start", {"a", "b"}, 1, {0, 1}, {}, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        editor.reset();
        editor.add("/w/", c.names);
        EXPECT_EQ(editor.startIndex(), 0); // adding to a project without start picks the first
        editor.setStart(c.start);
        editor.remove(c.remove);
        std::vector<std::string> left;
        for (const std::string& name : c.left)
            left.push_back("/w/" + name);
        EXPECT_EQ(editor.entries(), left);
        EXPECT_EQ(editor.startIndex(), c.expectedStart);
    }
}

TEST_F(ProjectEditorTest, AddingKeepsTheStartAndPutsTheFolderOnTopOfTheFavourites)
{
    editor.add("/one/", {"a.html", "b.html"});
    editor.setStart(1);
    editor.add("/two/", {"c.html"});
    editor.add("/one/", {"b.html"});
    EXPECT_EQ(editor.entries(),
              (std::vector<std::string>{"/one/a.html", "/one/b.html", "/two/c.html", "/one/b.html"}));
    // The start file stays on its entry: the last equal one.
    EXPECT_EQ(editor.startIndex(), 3);
    EXPECT_EQ(editor.favourites(), (std::vector<std::string>{"/one/", "/two/"}));
    EXPECT_EQ(readFile(favouritesFile()), "/one/\r\n/two/\r\n");

    // Nothing to add, or no folder to add from: neither the list nor the file change, but the
    // views are rebuilt.
    writeFile(favouritesFile(), "kept\r\n");
    heard.clear();
    EXPECT_EQ(editor.add("/three/", {}), 0u);
    EXPECT_EQ(editor.add("", {"x.html"}), 0u);
    EXPECT_EQ(heard, (std::vector<unsigned>{ProjectEditor::Entries, ProjectEditor::Entries}));
    EXPECT_EQ(editor.startIndex(), 3);
    EXPECT_EQ(editor.entries().size(), 4u);
    EXPECT_EQ(editor.favourites(), (std::vector<std::string>{"/one/", "/two/"}));
    EXPECT_EQ(readFile(favouritesFile()), "kept\r\n");
}

TEST_F(ProjectEditorTest, FavouritesLoadAndSurviveAFileThatCannotBeWritten)
{
    writeFile(favouritesFile(), "/one/\r\n/two/\r\n\r\n/two/\r\n");
    editor.loadFavourites();
    EXPECT_EQ(editor.favourites(), (std::vector<std::string>{"/one/", "/two/", "", "/two/"}));
    std::filesystem::remove(favouritesFile());
    std::filesystem::create_directory(favouritesFile()); // a folder where the file should be
    editor.add("/two/", {"a.html"});
    // Only the later of two equal lines moves; the list keeps the change without the file.
    EXPECT_EQ(editor.favourites(), (std::vector<std::string>{"/two/", "/one/", "/two/", ""}));
}

TEST_F(ProjectEditorTest, ListenersHearWhatChangedAndNothingForNoChange)
{
    editor.add("/w/", {"a", "b"});
    editor.setStart(1);
    editor.setStart(1); // already the start
    editor.setStart(7); // no such line
    BuildSettings s = editor.settings();
    editor.setSettings(s); // the same settings
    s.width = 5000;
    editor.setSettings(s);
    editor.setOutput(editor.output());
    editor.setOutput({"/x", BuildTarget::Windows, true});
    EXPECT_EQ(heard,
              (std::vector<unsigned>{ProjectEditor::Entries | ProjectEditor::Favourites, ProjectEditor::Start,
                                     ProjectEditor::Settings, ProjectEditor::Output}));
    EXPECT_EQ(editor.settings().width, BuildSettings::kMaxExtent); // kept in the spin range
}

TEST_F(ProjectEditorTest, NewResetsEntriesSettingsOutputAndTitle)
{
    editor.add("/w/", {"a"});
    BuildSettings s;
    s.projectName = "Alt";
    s.fixedSize = false;
    editor.setSettings(s);
    editor.setOutput({"/x/prog.exe", BuildTarget::Windows, true});
    editor.setFileName("/w/alt.pgx");
    editor.reset();
    EXPECT_TRUE(editor.entries().empty());
    EXPECT_EQ(editor.startIndex(), -1);
    EXPECT_EQ(editor.settings(), BuildSettings::afterNew());
    EXPECT_EQ(editor.output(), kDefaultOutput);
    EXPECT_EQ(editor.fileName(), "");
    // The favourites belong to the program, not to the project.
    EXPECT_EQ(editor.favourites(), std::vector<std::string>{"/w/"});
}

TEST_F(ProjectEditorTest, OutputChoiceComesBackAfterNewAndOpen)
{
    writeFile(temp / "index.html", "<p>");
    editor.add(temp.path().string() + "/", {"index.html"});
    const OutputChoice chosen{temp / "prog.exe", BuildTarget::Windows, true};
    editor.setOutput(chosen);
    editor.save(temp / "p.pgx");
    EXPECT_EQ(editor.fileName(), temp / "p.pgx");
    editor.reset();
    ASSERT_EQ(editor.output(), kDefaultOutput);
    EXPECT_TRUE(editor.open(temp / "p.pgx").empty());
    EXPECT_EQ(editor.output(), chosen);
    EXPECT_EQ(editor.entries(), std::vector<std::string>{temp / "index.html"});
    EXPECT_EQ(editor.startIndex(), 0);
}

TEST_F(ProjectEditorTest, OlderFileKeepsTheCurrentOutputAndIsSavedBackUnchanged)
{
    Project older;
    older.entries = {temp / "a.html"};
    older.startIndex = 0;
    ProjectFile::write(temp / "old.pgx", older);
    const std::string bytes = readFile(temp / "old.pgx");
    const OutputChoice current{temp / "current", BuildTarget::Linux, true};
    editor.setOutput(current);

    editor.open(temp / "old.pgx");
    EXPECT_EQ(editor.output(), current);
    editor.save(temp / "old.pgx");
    EXPECT_EQ(readFile(temp / "old.pgx"), bytes);

    // Once the output choice changes, it is saved with the project.
    editor.setOutput({temp / "neu", BuildTarget::Linux, false});
    editor.save(temp / "old.pgx");
    EXPECT_EQ(ProjectFile::read(temp / "old.pgx").output,
              (OutputChoice{temp / "neu", BuildTarget::Linux, false}));
}

TEST_F(ProjectEditorTest, OpenReportsMissingEntriesAndRefusedFilesChangeNothing)
{
    writeFile(temp / "here.html", "x");
    Project p;
    p.entries = {temp / "here.html", temp / "gone.html", "C:\\web\\seite.html"};
    p.startIndex = 7; // outside the entries: no start file
    ProjectFile::write(temp / "p.pgx", p);
    EXPECT_EQ(editor.open(temp / "p.pgx"),
              (std::vector<std::string>{temp / "gone.html", "C:\\web\\seite.html"}));
    EXPECT_EQ(editor.startIndex(), -1);

    const Project before = editor.project();
    heard.clear();
    writeFile(temp / "bild.png", "\x89PNG");
    for (const std::string& refused : {temp / "bild.png", temp / "fehlt.pgx"}) {
        EXPECT_THROW(editor.open(refused), ProjectFileError) << refused;
        EXPECT_EQ(editor.project(), before);
        EXPECT_EQ(editor.fileName(), temp / "p.pgx");
    }
    EXPECT_TRUE(heard.empty());
}

TEST_F(ProjectEditorTest, FailedSaveKeepsTheTitle)
{
    editor.setFileName(temp / "p.pgx");
    EXPECT_THROW(editor.save(temp / "no/such/folder/q.pgx"), ProjectFileError);
    EXPECT_EQ(editor.fileName(), temp / "p.pgx");
}

TEST_F(ProjectEditorTest, PackedEntriesKeepTheStartAndTellTheViews)
{
    editor.add("/w/", {"a", "b"});
    editor.setStart(1);
    heard.clear();
    editor.entriesPacked();
    EXPECT_EQ(editor.startIndex(), 1);
    EXPECT_EQ(heard, std::vector<unsigned>{ProjectEditor::Entries});
}

} // namespace
} // namespace pagolux
