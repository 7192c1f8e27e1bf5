#include "controls/placement/ProfileFile.h"
#include "tests/support/Files.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

namespace pagolux {
namespace {

using test::readFile;
using test::TempFolder;
using test::writeFile;

ProfileFile withText(const std::string& text)
{
    ProfileFile f("/nonexistent/for/tests.INI");
    f.setText(text);
    return f;
}

TEST(ProfileFileRead, LookupRules)
{
    const ProfileFile f = withText("; comment=1\r\n"
                                   "[Other]\r\n"
                                   "Key=other\r\n"
                                   "[  tmainform ]\r\n"
                                   "  Key  =   padded value  \r\n"
                                   "Empty=\r\n"
                                   "Quoted=\"a b\"\r\n"
                                   "Single='x'\r\n"
                                   "Mixed=\"x'\r\n"
                                   "Twice=\"\"q\"\"\r\n"
                                   "Key=second\r\n"
                                   "NoEquals\r\n"
                                   "[Last]\r\n");
    struct Row {
        const char* section;
        const char* key;
        std::string expected;
    };
    const Row rows[] = {
        {"TMainForm", "key", "padded value"},
        {"TMAINFORM", "KEY", "padded value"},
        {"Other", "Key", "other"},
        {"TMainForm", "Empty", ""},
        {"TMainForm", "Quoted", "a b"},
        {"TMainForm", "Single", "x"},
        {"TMainForm", "Mixed", "\"x'"},
        {"TMainForm", "Twice", "\"q\""},
        {"TMainForm", "Missing", "dflt"},
        {"Nowhere", "Key", "dflt"},
        {"Last", "Key", "dflt"},
        {"TMainForm", "NoEquals", "dflt"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(f.readString(row.section, row.key, "dflt"), row.expected) << row.section << "/" << row.key;
}

TEST(ProfileFileRead, LongValuesAreCutToTheBuffer)
{
    const ProfileFile f = withText("[S]\nK=" + std::string(3000, 'v') + "\n");
    EXPECT_EQ(f.readString("S", "K", "").size(), ProfileFile::kValueBufferSize - 1);
}

TEST(ProfileFileWrite, KeysReplacedInPlaceOthersKept)
{
    ProfileFile f =
        withText("[A]\r\nx=1\r\n\r\n[TMainForm]\r\n; note\r\nFlags=0\r\nshowcmd=1\r\n\r\n[B]\r\ny=2\r\n");
    f.writeString("TMainForm", "ShowCmd", "3");       // replaced in place, spelling kept
    f.writeString("TMainForm", "NormPos", "1,2,3,4"); // new key: end of section, before blanks
    f.writeString("New", "k", "v");                   // new section at the end
    EXPECT_TRUE(f.modified());
    EXPECT_EQ(
        f.text(),
        "[A]\nx=1\n\n[TMainForm]\n; note\nFlags=0\nshowcmd=3\nNormPos=1,2,3,4\n\n[B]\ny=2\n[New]\nk=v\n");
}

TEST(ProfileFileWrite, SameValueIsNoChangeAndLineBreaksCannotSplitALine)
{
    ProfileFile f = withText("[S]\nk=v\n");
    f.writeString("S", "k", "v");
    EXPECT_FALSE(f.modified());
    f.writeString("S", "k", "a\nb=c\r\n[X]");
    EXPECT_EQ(f.readString("S", "k", ""), "a b=c  [X]");
    EXPECT_EQ(f.readString("X", "k", "none"), "none");
}

// What is written reads back as the same text: line ends with stray CRs lose all of them at
// once, not one more at every save.
TEST(ProfileFileWrite, WrittenTextReadsBackUnchanged)
{
    for (const std::string text : {"[S]\r\r\nk=v\r\r\r\n", "[S]\nk=a\rb\n", "k=\r\n\r\n[S]\r"}) {
        const std::string once = withText(text).text();
        EXPECT_EQ(withText(once).text(), once) << testing::PrintToString(text);
    }
    EXPECT_EQ(withText("[S]\r\r\nk=v\r\r\n").text(), "[S]\nk=v\n");
}

TEST(ProfileFileDisk, SaveCreatesTheFolderAndReplacesTheFile)
{
    TempFolder temp;
    const std::string path = temp / "cfg/sub/app.INI";
    {
        ProfileFile f(path);
        EXPECT_EQ(f.readString("S", "k", "none"), "none");
        f.writeString("S", "k", "v");
        ASSERT_TRUE(f.save());
    }
    EXPECT_EQ(readFile(path), "[S]\nk=v\n");
    ProfileFile again(path);
    EXPECT_EQ(again.readString("S", "k", ""), "v");
    EXPECT_TRUE(again.save()); // unchanged: nothing to write
}

TEST(ProfileFileDisk, FailedSaveKeepsTheOldFile)
{
    TempFolder temp;
    const std::string folder = temp / "ro";
    std::filesystem::create_directory(folder);
    const std::string path = folder + "/app.INI";
    writeFile(path, "[S]\nk=old\n");
    ASSERT_EQ(::chmod(folder.c_str(), 0555), 0);
    const auto refused = test::runUnprivileged([&] {
        ProfileFile f(path);
        f.writeString("S", "k", "new");
        return !f.save();
    });
    ASSERT_TRUE(refused.has_value());
    EXPECT_TRUE(*refused);
    EXPECT_EQ(readFile(path), "[S]\nk=old\n");
}

TEST(ProfileFilePath, ExecutableBaseNameWithIni)
{
    EXPECT_EQ(ProfileFile::defaultPath("/home/u/.config/", "/usr/lib/pagolux/pagolux"),
              "/home/u/.config/pagolux.INI");
    EXPECT_EQ(ProfileFile::defaultPath("/c", "/x/my.app.exe"), "/c/my.app.INI");
    EXPECT_EQ(ProfileFile::defaultPath("/c/", "/x/.hidden"), "/c/.hidden.INI");
}

} // namespace
} // namespace pagolux
