#include "project/PrefFolders.h"
#include "platform/Paths.h"
#include "tests/support/EnvOverride.h"
#include "tests/support/Files.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace pagolux {
namespace {

using test::readFile;
using test::TempFolder;
using test::writeFile;
using Lines = std::vector<std::string>;

TEST(PrefFoldersParse, ReadingRules)
{
    struct Row {
        const char* name;
        std::string bytes;
        Lines lines;
    };
    const std::vector<Row> rows = {
        {"empty file", "", {}},
        {"one line with CR LF", "/a/\r\n", {"/a/"}},
        {"last line without end", "/a/\r\n/b/", {"/a/", "/b/"}},
        {"CR alone ends a line", "/a/\r/b/\r", {"/a/", "/b/"}},
        {"LF-only file is one line", "/a/\n/b/\n/c/\n", {"/a/\n/b/\n/c/\n"}},
        {"LF inside a line", "/a/\n/b/\r\n", {"/a/\n/b/"}},
        {"only one LF belongs to the end", "/a/\r\n\n/b/\r\n", {"/a/", "\n/b/"}},
        {"empty lines kept", "/a/\r\n\r\n\r\n/b/\r\n", {"/a/", "", "", "/b/"}},
        {"single empty line", "\r\n", {""}},
        {"CR CR", "\r\r", {"", ""}},
        {"Ctrl-Z ends the file", "/a/\r\n\x1a/b/\r\n", {"/a/"}},
        {"Ctrl-Z inside a line", "/a\x1a/\r\n", {"/a"}},
        {"Ctrl-Z first", "\x1a/a/\r\n", {}},
        {"duplicates and case kept", "/A/\r\n/a/\r\n/a/\r\n", {"/A/", "/a/", "/a/"}},
        {"bytes kept as they are",
         std::string("/\xe4\xf6\x00x/\r\n", 8),
         {std::string("/\xe4\xf6\x00x/", 6)}},
    };
    for (const Row& row : rows)
        EXPECT_EQ(PrefFolders::parse(row.bytes), row.lines) << row.name;
}

TEST(PrefFoldersParse, WritingUsesCrLfAndReadsBack)
{
    const Lines lines = {"/a/", "", "/b c/", "/d\n/"};
    const std::string bytes = PrefFolders::serialize(lines);
    EXPECT_EQ(bytes, "/a/\r\n\r\n/b c/\r\n/d\n/\r\n");
    EXPECT_EQ(PrefFolders::parse(bytes), lines);
    EXPECT_EQ(PrefFolders::serialize({}), "");
}

TEST(PrefFoldersMoveToTop, ListRules)
{
    struct Row {
        const char* name;
        Lines before;
        std::string folder;
        Lines after;
    };
    const std::vector<Row> rows = {
        {"into an empty list", {}, "/a/", {"/a/"}},
        {"already first", {"/a/", "/b/"}, "/a/", {"/a/", "/b/"}},
        {"third moves to the top", {"/a/", "/b/", "/c/", "/d/"}, "/c/", {"/c/", "/a/", "/b/", "/d/"}},
        {"new folder", {"/a/", "/b/"}, "/n/", {"/n/", "/a/", "/b/"}},
        {"case differs: a new line", {"/a/", "/B/"}, "/b/", {"/b/", "/a/", "/B/"}},
        {"only the later duplicate goes", {"/x/", "/d/", "/y/", "/d/"}, "/d/", {"/d/", "/x/", "/d/", "/y/"}},
        {"empty line as folder", {"/a/", ""}, "", {"", "/a/"}},
    };
    for (const Row& row : rows) {
        Lines lines = row.before;
        PrefFolders::moveToTop(lines, row.folder);
        EXPECT_EQ(lines, row.after) << row.name;
    }
}

TEST(PrefFoldersFile, SaveLoadAndFailures)
{
    TempFolder temp;
    const std::string path = temp / "folders.dat";
    EXPECT_EQ(PrefFolders::load(path), Lines{}); // missing file: empty list

    const Lines lines = {"/home/u/web/", "", "/tmp/"};
    ASSERT_TRUE(PrefFolders::save(path, lines));
    EXPECT_EQ(readFile(path), "/home/u/web/\r\n\r\n/tmp/\r\n");
    EXPECT_EQ(PrefFolders::load(path), lines);

    // Writing into a folder that does not exist fails quietly; nothing appears.
    EXPECT_FALSE(PrefFolders::save(temp / "missing/folders.dat", lines));
    EXPECT_FALSE(std::filesystem::exists(temp / "missing"));

    // A file written by another tool with LF line ends is one line.
    writeFile(path, "/a/\n/b/\n");
    EXPECT_EQ(PrefFolders::load(path), Lines{"/a/\n/b/\n"});
}

// The list is saved as the user's files are: a write-protected file is skipped (the list keeps
// the change, the file its bytes), a writable one in a read-only folder is written in place.
TEST(PrefFoldersFile, WriteProtectionAndReadOnlyFolders)
{
    struct Row {
        const char* name;
        unsigned fileMode;
        unsigned folderMode;
        bool saved;
    };
    const Row rows[] = {
        {"write-protected file", 0444, 0755, false},
        {"write-protected file in a read-only folder", 0444, 0555, false},
        {"writable file in a read-only folder", 0644, 0555, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TempFolder temp;
        const std::string folder = temp / "ro";
        std::filesystem::create_directory(folder);
        const std::string path = folder + "/folders.dat";
        ASSERT_TRUE(PrefFolders::save(path, {"/old/"}));
        ASSERT_EQ(::chmod(path.c_str(), row.fileMode), 0);
        if (::geteuid() == 0) {
            // Saved by user 65534, who owns the files, so that the folder's bits apply.
            ASSERT_EQ(::chown(folder.c_str(), 65534, 65534), 0);
            ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0);
        }
        ASSERT_EQ(::chmod(folder.c_str(), row.folderMode), 0);
        const auto saved = test::runUnprivileged([&] { return PrefFolders::save(path, {"/new/", "/old/"}); });
        ASSERT_TRUE(saved.has_value()) << "could not run the unprivileged check";
        EXPECT_EQ(*saved, row.saved);
        EXPECT_EQ(readFile(path), row.saved ? "/new/\r\n/old/\r\n" : "/old/\r\n");
    }
}

TEST(UserFolders, XdgVariablesAndTheirDefaults)
{
    test::EnvOverride data("XDG_DATA_HOME"), config("XDG_CONFIG_HOME"), home("HOME");
    ::setenv("HOME", "/home/tester", 1);
    ::setenv("XDG_DATA_HOME", "/x/data", 1);
    ::setenv("XDG_CONFIG_HOME", "/x/config/", 1);
    EXPECT_EQ(UserDataFolder(false), "/x/data/pagolux/");
    EXPECT_EQ(UserConfigFolder(), "/x/config/");
    ::unsetenv("XDG_DATA_HOME");
    ::setenv("XDG_CONFIG_HOME", "", 1);
    EXPECT_EQ(UserDataFolder(false), "/home/tester/.local/share/pagolux/");
    EXPECT_EQ(UserConfigFolder(), "/home/tester/.config/");
    ::setenv("XDG_DATA_HOME", "relative/path", 1); // not absolute: ignored
    EXPECT_EQ(UserDataFolder(false), "/home/tester/.local/share/pagolux/");
}

TEST(UserFolders, EnsureFolderCreatesMissingParents)
{
    TempFolder temp;
    const std::string folder = temp / "a/b/c/";
    EXPECT_TRUE(EnsureFolder(folder));
    EXPECT_TRUE(std::filesystem::is_directory(folder));
    EXPECT_TRUE(EnsureFolder(folder)); // already there
    writeFile(temp / "file", "x");
    EXPECT_FALSE(EnsureFolder(temp / "file/sub/"));
}

} // namespace
} // namespace pagolux
