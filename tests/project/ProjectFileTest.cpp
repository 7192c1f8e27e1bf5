#include "project/ProjectFile.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/Files.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace pagolux {
namespace {

using test::readFile;
using test::TempFolder;
using test::writeFile;

// Builds expected file bytes field by field, independently of the writer.
class Bytes {
  public:
    Bytes& raw(std::string_view s)
    {
        data_.append(s);
        return *this;
    }
    Bytes& i32(std::int32_t v)
    {
        const auto u = static_cast<std::uint32_t>(v);
        for (int shift = 0; shift < 32; shift += 8)
            data_.push_back(static_cast<char>((u >> shift) & 0xFFu));
        return *this;
    }
    Bytes& u8(std::uint8_t v)
    {
        data_.push_back(static_cast<char>(v));
        return *this;
    }
    Bytes& str(std::string_view s)
    {
        i32(static_cast<std::int32_t>(s.size()));
        return raw(s);
    }
    // Elements, width, height, defined size, fixed size, name.
    Bytes& settings(std::initializer_list<std::uint8_t> elements, std::int32_t w, std::int32_t h,
                    std::uint8_t def, std::uint8_t fixed, std::string_view name)
    {
        for (std::uint8_t e : elements)
            u8(e);
        return i32(w).i32(h).u8(def).u8(fixed).str(name);
    }
    [[nodiscard]] const std::string& str() const { return data_; }
    [[nodiscard]] std::size_t size() const { return data_.size(); }

  private:
    std::string data_;
};

const std::string kProjectPath = "/home/anna/web/site.pgx";

Project sampleProject()
{
    Project p;
    p.entries = {"/home/anna/web/index.html", "/home/anna/web/img/logo.gif", "/tmp/other.css",
                 "/home/anna/web/img/"};
    p.startIndex = 0;
    p.settings.elements = {true, false, true, false, true, false, true, false, true, false};
    p.settings.width = 800;
    p.settings.height = 600;
    p.settings.definedSize = false;
    p.settings.fixedSize = true;
    p.settings.projectName = "Meine Seite";
    return p;
}

TEST(ProjectFileBytes, EmptyProjectIs55BytesWithTheDefaultName)
{
    Project empty;
    empty.settings.fixedSize = true;
    const std::string bytes = ProjectFile::serialize(empty, kProjectPath);
    const Bytes expected = Bytes()
                               .raw("EXE-HTML 1.0")
                               .i32(-1)
                               .i32(0)
                               .settings({1, 1, 1, 1, 1, 1, 1, 1, 1, 1}, 600, 440, 1, 1, "Pagolux 2.0");
    EXPECT_EQ(bytes.size(), 55u);
    EXPECT_EQ(bytes, expected.str());
}

TEST(ProjectFileBytes, EntriesBesideTheProjectAreStoredByNameOthersInFull)
{
    const Bytes expected = Bytes()
                               .raw("EXE-HTML 1.0")
                               .i32(0)
                               .i32(4)
                               .str("index.html")
                               .str("/home/anna/web/img/logo.gif")
                               .str("/tmp/other.css")
                               .str("/home/anna/web/img/")
                               .settings({1, 0, 1, 0, 1, 0, 1, 0, 1, 0}, 800, 600, 0, 1, "Meine Seite");
    EXPECT_EQ(ProjectFile::serialize(sampleProject(), kProjectPath), expected.str());
}

TEST(ProjectFileBytes, SizeFollowsTheFormula)
{
    const Project p = sampleProject();
    std::size_t expected = 44 + p.settings.projectName.size();
    for (const std::string& e : p.entries)
        expected += 4 + ProjectFile::storedEntry(e, kProjectPath).size();
    EXPECT_EQ(ProjectFile::serialize(p, kProjectPath).size(), expected);
}

TEST(ProjectFileBytes, ReadingTheHandBuiltVectorGivesTheProject)
{
    const Bytes file = Bytes()
                           .raw("EXE-HTML 1.0")
                           .i32(2)
                           .i32(2)
                           .str("a.html")
                           .str("/elsewhere/b.html")
                           .settings({0, 1, 0, 1, 0, 1, 0, 1, 0, 1}, 300, 200, 1, 0, "Test");
    const Project p = ProjectFile::parse(file.str(), "/srv/proj/x.pgx");
    EXPECT_EQ(p.entries, (std::vector<std::string>{"/srv/proj/a.html", "/elsewhere/b.html"}));
    EXPECT_EQ(p.startIndex, 2);
    EXPECT_EQ(p.startFile(), std::nullopt);
    EXPECT_EQ(p.settings.elements,
              (std::array<bool, 10>{false, true, false, true, false, true, false, true, false, true}));
    EXPECT_EQ(p.settings.width, 300);
    EXPECT_EQ(p.settings.height, 200);
    EXPECT_TRUE(p.settings.definedSize);
    EXPECT_FALSE(p.settings.fixedSize);
    EXPECT_EQ(p.settings.projectName, "Test");
}

TEST(ProjectFileBytes, NonZeroFlagBytesCountAsSet)
{
    const Bytes file = Bytes()
                           .raw("EXE-HTML 1.0")
                           .i32(0)
                           .i32(0)
                           .settings({2, 0, 255, 0, 0, 0, 0, 0, 0, 7}, 600, 440, 9, 128, "");
    const Project p = ProjectFile::parse(file.str(), kProjectPath);
    EXPECT_EQ(p.settings.elements,
              (std::array<bool, 10>{true, false, true, false, false, false, false, false, false, true}));
    EXPECT_TRUE(p.settings.definedSize);
    EXPECT_TRUE(p.settings.fixedSize);
    EXPECT_EQ(p.settings.projectName, "");
}

TEST(ProjectFileBytes, WidthAndHeightAreClampedToTheSpinRange)
{
    struct Row {
        std::int32_t stored, expected;
    };
    for (const Row row : {Row{2000, 1280}, Row{1280, 1280}, Row{1281, 1280}, Row{64, 64}, Row{63, 64},
                          Row{0, 64}, Row{-5, 64}, Row{INT32_MIN, 64}, Row{INT32_MAX, 1280}, Row{777, 777}}) {
        const Bytes file = Bytes()
                               .raw("EXE-HTML 1.0")
                               .i32(-1)
                               .i32(0)
                               .settings({1, 1, 1, 1, 1, 1, 1, 1, 1, 1}, row.stored, row.stored, 1, 0, "n");
        const Project p = ProjectFile::parse(file.str(), kProjectPath);
        EXPECT_EQ(p.settings.width, row.expected) << row.stored;
        EXPECT_EQ(p.settings.height, row.expected) << row.stored;
    }
}

TEST(ProjectFileBytes, FileEndingAfterTheEntriesKeepsTheCurrentSettings)
{
    BuildSettings current;
    current.width = 1000;
    current.projectName = "Vorher";
    current.elements[3] = false;
    const Bytes file = Bytes().raw("EXE-HTML 1.0").i32(0).i32(1).str("a.html");
    const Project p = ProjectFile::parse(file.str(), kProjectPath, current);
    EXPECT_EQ(p.entries, std::vector<std::string>{"/home/anna/web/a.html"});
    EXPECT_EQ(p.settings, current);
}

TEST(ProjectFileBytes, TrailingBytesAfterTheNameAreIgnored)
{
    Bytes file = Bytes()
                     .raw("EXE-HTML 1.0")
                     .i32(-1)
                     .i32(0)
                     .settings({1, 1, 1, 1, 1, 1, 1, 1, 1, 1}, 600, 440, 1, 0, "n");
    file.raw("garbage");
    const Project p = ProjectFile::parse(file.str(), kProjectPath);
    EXPECT_EQ(p.settings.projectName, "n");
    EXPECT_EQ(p.output, std::nullopt);
}

TEST(ProjectFileOutput, BlockComesAfterTheOlderLayoutAndReadsBack)
{
    struct Row {
        OutputChoice output;
        const char* stored; // the name as the block holds it
    };
    const Row rows[] = {
        {{"/home/anna/web/ziel", BuildTarget::Linux, false}, "ziel"},
        {{"/home/anna/bin/Mein Programm.exe", BuildTarget::Windows, true},
         "/home/anna/bin/Mein Programm.exe"},
        {{"", BuildTarget::Windows, false}, ""},
    };
    for (const Row& row : rows) {
        Project without = sampleProject();
        Project with = without;
        with.output = row.output;
        const std::string older = ProjectFile::serialize(without, kProjectPath);
        const std::string bytes = ProjectFile::serialize(with, kProjectPath);
        // Everything a reader of the older layout reads is unchanged; the block follows.
        ASSERT_EQ(bytes.substr(0, older.size()), older) << row.stored;
        Bytes block;
        block.str(row.stored).u8(row.output.target == BuildTarget::Windows ? 1 : 0).u8(row.output.autoStart);
        const std::string expected =
            Bytes().raw("PGXO").i32(static_cast<std::int32_t>(block.size())).raw(block.str()).str();
        EXPECT_EQ(bytes.substr(older.size()), expected) << row.stored;
        EXPECT_EQ(ProjectFile::parse(bytes, kProjectPath), with) << row.stored;
        EXPECT_EQ(ProjectFile::serialize(ProjectFile::parse(bytes, kProjectPath), kProjectPath), bytes);
    }
}

TEST(ProjectFileOutput, FileWithoutTheBlockRoundTripsByteForByte)
{
    const std::string older = Bytes()
                                  .raw("EXE-HTML 1.0")
                                  .i32(0)
                                  .i32(1)
                                  .str("a.html")
                                  .settings({1, 0, 1, 0, 1, 0, 1, 0, 1, 0}, 700, 500, 1, 1, "Alt")
                                  .str();
    const Project p = ProjectFile::parse(older, kProjectPath);
    EXPECT_EQ(p.output, std::nullopt);
    EXPECT_EQ(ProjectFile::serialize(p, kProjectPath), older);
}

TEST(ProjectFileOutput, DamagedBlockIsIgnoredAndThePagesStay)
{
    Project with = sampleProject();
    with.output = OutputChoice{"/tmp/out/ziel.exe", BuildTarget::Windows, true};
    const std::string bytes = ProjectFile::serialize(with, kProjectPath);
    Project without = with;
    without.output.reset();
    const std::size_t olderSize = ProjectFile::serialize(without, kProjectPath).size();
    // Cut anywhere inside the block: the project reads as one without it.
    for (std::size_t cut = olderSize; cut < bytes.size(); ++cut)
        EXPECT_EQ(ProjectFile::parse(bytes.substr(0, cut), kProjectPath), without) << cut;
    // A block size larger than the file, or smaller than its fields.
    for (std::int32_t size : {1000, 2, -1}) {
        std::string lying = bytes;
        const std::string sizeBytes = Bytes().i32(size).str();
        lying.replace(olderSize + 4, 4, sizeBytes);
        EXPECT_EQ(ProjectFile::parse(lying, kProjectPath), without) << size;
    }
}

TEST(ProjectFileMagic, EveryVariationIsRejected)
{
    const std::string valid = ProjectFile::serialize(sampleProject(), kProjectPath);
    std::vector<std::string> variants = {"exe-html 1.0", "EXE-HTML 1.1", "EXE-HTML 2.0",
                                         "EXE-HTML1.0 ", "Exe-Html 1.0", "EXE-HTML 1.0"};
    variants.back()[8] = '\0';
    for (std::size_t i = 0; i < 12; ++i) {
        for (int delta : {1, -1, 0x20, 0x80}) {
            std::string v(ProjectFile::kMagic);
            v[i] = static_cast<char>(v[i] + delta);
            variants.push_back(v);
        }
    }
    for (const std::string& magic : variants) {
        std::string bytes = valid;
        bytes.replace(0, 12, magic);
        try {
            (void)ProjectFile::parse(bytes, kProjectPath);
            ADD_FAILURE() << "accepted magic \"" << magic << "\"";
        } catch (const ProjectFileError& e) {
            EXPECT_EQ(e.kind(), ProjectFileError::Kind::NotAProject);
            EXPECT_STREQ(e.what(), "Die Datei ist keine gültige \"Pagolux 1.0\"-Datei!");
        }
    }
}

TEST(ProjectFileMagic, FilesShorterThanTheMagicAreNoProjects)
{
    for (std::size_t n = 0; n < 12; ++n) {
        try {
            (void)ProjectFile::parse(std::string(ProjectFile::kMagic.substr(0, n)), kProjectPath);
            ADD_FAILURE() << n;
        } catch (const ProjectFileError& e) {
            EXPECT_EQ(e.kind(), ProjectFileError::Kind::NotAProject) << n;
        }
    }
}

TEST(ProjectFileDamage, EveryTruncationLoadsConsistentlyOrIsRejected)
{
    const Project original = sampleProject();
    const std::string valid = ProjectFile::serialize(original, kProjectPath);
    std::size_t endOfEntries = 20;
    for (const std::string& e : original.entries)
        endOfEntries += 4 + ProjectFile::storedEntry(e, kProjectPath).size();
    BuildSettings current;
    current.projectName = "aktuell";

    for (std::size_t n = 0; n < valid.size(); ++n) {
        const std::string cut = valid.substr(0, n);
        if (n == endOfEntries) {
            const Project p = ProjectFile::parse(cut, kProjectPath, current);
            EXPECT_EQ(p.entries, original.entries);
            EXPECT_EQ(p.settings, current);
            continue;
        }
        try {
            (void)ProjectFile::parse(cut, kProjectPath, current);
            ADD_FAILURE() << "truncation to " << n << " bytes was accepted";
        } catch (const ProjectFileError& e) {
            EXPECT_EQ(e.kind(),
                      n < 12 ? ProjectFileError::Kind::NotAProject : ProjectFileError::Kind::Damaged)
                << n;
            if (n >= 12) {
                EXPECT_EQ(std::string(e.what()).rfind("Die Projektdatei site.pgx ist beschädigt: ", 0), 0u)
                    << e.what();
            }
        }
    }
    EXPECT_EQ(ProjectFile::parse(valid, kProjectPath), original);
}

TEST(ProjectFileDamage, HostileCountsAndLengthsAreRejected)
{
    struct Row {
        const char* name;
        std::string bytes;
    };
    const Bytes head = Bytes().raw("EXE-HTML 1.0").i32(0);
    const std::vector<Row> rows = {
        {"negative count", Bytes(head).i32(-1).str()},
        {"minimum count", Bytes(head).i32(INT32_MIN).str()},
        {"huge count", Bytes(head).i32(INT32_MAX).str()},
        {"count beyond the file", Bytes(head).i32(3).str("a").str("b").str()},
        {"negative length", Bytes(head).i32(1).i32(-4).raw("abcd").str()},
        {"huge length", Bytes(head).i32(1).i32(INT32_MAX).raw("abcd").str()},
        {"length one past the end", Bytes(head).i32(1).i32(5).raw("abcd").str()},
        {"header without count", Bytes(head).raw("\1\0").str()},
        {"settings cut inside the elements", Bytes(head).i32(0).raw("\1\1\1").str()},
        {"name length beyond the file", Bytes(head)
                                                .i32(0)
                                                .settings({1, 1, 1, 1, 1, 1, 1, 1, 1, 1}, 600, 440, 1, 0, "")
                                                .str()
                                                .substr(0, 20 + 20) +
                                            Bytes().i32(100).raw("short").str()},
        {"negative name length",
         Bytes(head).i32(0).settings({1, 1, 1, 1, 1, 1, 1, 1, 1, 1}, 600, 440, 1, 0, "").str().substr(0, 40) +
             Bytes().i32(-1).str()},
    };
    for (const Row& row : rows) {
        try {
            (void)ProjectFile::parse(row.bytes, kProjectPath);
            ADD_FAILURE() << row.name << " was accepted";
        } catch (const ProjectFileError& e) {
            EXPECT_EQ(e.kind(), ProjectFileError::Kind::Damaged) << row.name;
        }
    }
}

TEST(ProjectFileEntries, FolderComparisonIsExactForFoldersThatDoNotExistHere)
{
    // Folders that differ in case are different folders on a file system that keeps case;
    // without both on the disk nothing shows they are one.
    struct Row {
        const char* entry;
        const char* project;
        const char* stored;
    };
    const Row rows[] = {
        {"/d/web/a.html", "/D/WEB/p.pgx", "/d/web/a.html"},
        {"/d/caf\xc3\xa9/a.html", "/d/caf\xc3\x89/p.pgx", "/d/caf\xc3\xa9/a.html"},
        {"/d/web/sub/a.html", "/d/web/p.pgx", "/d/web/sub/a.html"},
        {"/d/a.html", "/d/web/p.pgx", "/d/a.html"},
        {"/d/web/", "/d/web/p.pgx", "/d/web/"}, // the project's own folder keeps its full path
        {"/d/web/a.html", "/d/web/p.pgx", "a.html"},
        {"/d/caf\xc3\xa9/a.html", "/d/caf\xc3\xa9/p.pgx", "a.html"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(ProjectFile::storedEntry(row.entry, row.project), row.stored)
            << row.entry << " in " << row.project;
    EXPECT_TRUE(ProjectFile::sameFolder("/d/web/", "/d/web/"));
    EXPECT_FALSE(ProjectFile::sameFolder("/d/web/", "/D/WEB/"));
    EXPECT_FALSE(ProjectFile::sameFolder("/d/web/", "/d/web"));
}

TEST(ProjectFileEntries, LoadingJoinsBareNamesOnly)
{
    struct Row {
        const char* stored;
        const char* project;
        const char* loaded;
    };
    const Row rows[] = {
        {"a.html", "/new/place/p.pgx", "/new/place/a.html"},
        {"", "/new/place/p.pgx", ""},
        {"/abs/a.html", "/new/place/p.pgx", "/abs/a.html"},
        {"rel/a.html", "/new/place/p.pgx", "rel/a.html"},
        {"a.html", "p.pgx", "a.html"},
        // Full paths written by Windows name no file here and are kept as written.
        {"C:\\web\\seite.html", "/new/place/p.pgx", "C:\\web\\seite.html"},
        {"d:seite.html", "/new/place/p.pgx", "d:seite.html"},
        {"\\\\nas\\web\\seite.html", "/new/place/p.pgx", "\\\\nas\\web\\seite.html"},
        // A colon or backslash further in is an ordinary character of a Linux name.
        {"ab:c.html", "/new/place/p.pgx", "/new/place/ab:c.html"},
        {"a\\b.html", "/new/place/p.pgx", "/new/place/a\\b.html"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(ProjectFile::loadedEntry(row.stored, row.project), row.loaded) << row.stored;
}

// A project written by the Windows program: ANSI (Windows-1252) bytes in the name and the
// entries, bare names beside the project and full Windows paths elsewhere. Read and written
// back in the same folder it gives the same bytes.
TEST(ProjectFileEntries, WindowsMadeFileKeepsItsBytes)
{
    const std::string name = "\xDC"
                             "bung f\xFCr M\xE4rz \x80"; // "Übung für März €"
    const std::string bytes = Bytes()
                                  .raw("EXE-HTML 1.0")
                                  .i32(1)
                                  .i32(3)
                                  .str("seite.html")
                                  .str("\xDC"
                                       "bung.html")
                                  .str("C:\\web\\bild.gif")
                                  .settings({1, 1, 1, 1, 1, 1, 1, 1, 1, 1}, 600, 440, 1, 0, name)
                                  .str();
    const Project p = ProjectFile::parse(bytes, kProjectPath);
    EXPECT_EQ(p.entries, (std::vector<std::string>{"/home/anna/web/seite.html",
                                                   "/home/anna/web/\xDC"
                                                   "bung.html",
                                                   "C:\\web\\bild.gif"}));
    EXPECT_EQ(p.settings.projectName, name);
    EXPECT_EQ(ProjectFile::serialize(p, kProjectPath), bytes);
}

TEST(ProjectFileEntries, SavingNeverChangesTheEntriesInMemory)
{
    const Project p = sampleProject();
    const Project copy = p;
    (void)ProjectFile::serialize(p, kProjectPath);
    EXPECT_EQ(p, copy);
}

class ProjectFileOnDisk : public ::testing::Test {
  protected:
    TempFolder temp;
};

TEST_F(ProjectFileOnDisk, RoundTripAndSavingTwiceGiveIdenticalFiles)
{
    Project p = sampleProject();
    p.entries = {temp / "index.html", temp / "sub/pic.png", "/usr/share/doc/", ""};
    p.startIndex = -1;
    const std::string path = temp / "p.pgx";
    ProjectFile::write(path, p);
    const std::string first = readFile(path);
    ProjectFile::write(path, p);
    EXPECT_EQ(readFile(path), first);
    const Project back = ProjectFile::read(path);
    EXPECT_EQ(back, p);
    EXPECT_EQ(back.startIndex, -1);
    EXPECT_EQ(back.startFile(), std::nullopt);
}

TEST_F(ProjectFileOnDisk, FoldersDifferingInCaseKeepTheirOwnFiles)
{
    // "Site" and "site" side by side: a page of one, saved in a project of the other, must
    // come back as the page it was, not as the other folder's file of the same name.
    std::filesystem::create_directories(temp / "Site");
    std::filesystem::create_directories(temp / "site");
    writeFile(temp / "Site/index.html", "gross");
    writeFile(temp / "site/index.html", "klein");
    Project p;
    p.entries = {temp / "Site/index.html", temp / "site/index.html"};
    p.startIndex = 0;
    for (const char* folder : {"site", "Site"}) {
        const std::string path = temp / (std::string(folder) + "/p.pgx");
        ProjectFile::write(path, p);
        EXPECT_EQ(ProjectFile::read(path).entries, p.entries) << folder;
    }
    // The same folder reached under another spelling (a link, as a file system that ignores
    // case would give) is one folder: its entries are stored by name.
    ASSERT_EQ(::symlink((temp / "site").c_str(), (temp / "SITE").c_str()), 0);
    EXPECT_EQ(ProjectFile::storedEntry(temp / "site/index.html", temp / "SITE/p.pgx"), "index.html");
}

TEST_F(ProjectFileOnDisk, ProjectCopiedWithItsFilesPointsIntoTheNewFolder)
{
    std::filesystem::create_directories(temp / "old/sub");
    std::filesystem::create_directories(temp / "new");
    Project p = sampleProject();
    p.entries = {temp / "old/index.html", temp / "old/style.css", temp / "old/sub/x.png"};
    p.startIndex = 1;
    ProjectFile::write(temp / "old/site.pgx", p);
    std::filesystem::copy_file(temp / "old/site.pgx", temp / "new/site.pgx");
    const Project moved = ProjectFile::read(temp / "new/site.pgx");
    EXPECT_EQ(moved.entries, (std::vector<std::string>{temp / "new/index.html", temp / "new/style.css",
                                                       temp / "old/sub/x.png"}));
    EXPECT_EQ(moved.startFile(), temp / "new/style.css");
}

TEST_F(ProjectFileOnDisk, MissingFileCannotBeOpened)
{
    try {
        (void)ProjectFile::read(temp / "fehlt.pgx");
        FAIL();
    } catch (const ProjectFileError& e) {
        EXPECT_EQ(e.kind(), ProjectFileError::Kind::CannotOpen);
        EXPECT_STREQ(e.what(), "Projekt öffnen: Konnte die Datei fehlt.pgx nicht öffnen!");
    }
}

TEST_F(ProjectFileOnDisk, WriteProtectedFileCanBeOpened)
{
    const std::string path = temp / "ro.pgx";
    ProjectFile::write(path, sampleProject());
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    EXPECT_EQ(ProjectFile::read(path).settings.projectName, "Meine Seite");
}

// What a save that cannot replace the file says, and what stays on the disk. The file rules
// themselves (links, owner, in-place writes) are the platform's and tested there.
TEST_F(ProjectFileOnDisk, FailedSavesSayWhyAndKeepTheOldFile)
{
    Project big = sampleProject();
    big.entries.assign(200, std::string(500, 'x'));
    struct Row {
        const char* name;
        const char* file;    // inside the scratch folder
        unsigned fileMode;   // of the existing file, 0 for none
        unsigned folderMode; // of its folder "d"
        bool unprivileged;   // saved by user 65534 in a child when the tests run as root
        rlim_t sizeLimit;
        ProjectFileError::Kind kind;
        const char* message;
    };
    const Row rows[] = {
        {"missing folder", "no/such/p.pgx", 0, 0755, false, 0, ProjectFileError::Kind::CannotCreate,
         "Projekt speichern: Konnte die Datei p.pgx nicht erstellen!"},
        {"write-protected file", "d/p.pgx", 0444, 0755, false, 0, ProjectFileError::Kind::CannotCreate,
         "Projekt speichern: Konnte die Datei p.pgx nicht erstellen!"},
        {"write-protected file in a read-only folder", "d/p.pgx", 0444, 0555, true, 0,
         ProjectFileError::Kind::CannotCreate, "Projekt speichern: Konnte die Datei p.pgx nicht erstellen!"},
        {"size limit", "d/p.pgx", 0644, 0755, false, 4096, ProjectFileError::Kind::WriteFailed,
         "Projekt speichern: Die Datei p.pgx konnte nicht geschrieben werden. Die Datei würde größer, als "
         "das System für eine Datei erlaubt. Die bisherige Datei ist unverändert."},
        {"size limit, in place in a read-only folder", "d/p.pgx", 0644, 0555, true, 4096,
         ProjectFileError::Kind::WriteFailed,
         "Projekt speichern: Die Datei p.pgx konnte nicht geschrieben werden. Die Datei würde größer, als "
         "das System für eine Datei erlaubt. Die bisherige Datei ist unverändert."},
    };
    const bool root = ::geteuid() == 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TempFolder scratch;
        const std::string folder = scratch / "d";
        const std::string path = scratch / row.file;
        std::filesystem::create_directory(folder);
        std::string before;
        if (row.fileMode != 0) {
            ProjectFile::write(path, sampleProject());
            before = readFile(path);
            ASSERT_EQ(::chmod(path.c_str(), row.fileMode), 0);
        }
        if (row.unprivileged && root) {
            ASSERT_EQ(::chown(folder.c_str(), 65534, 65534), 0);
            if (row.fileMode != 0) {
                ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0);
            }
        }
        ASSERT_EQ(::chmod(folder.c_str(), row.folderMode), 0);
        const auto failsAsExpected = [&] {
            std::optional<test::FileSizeLimit> limit;
            if (row.sizeLimit != 0)
                limit.emplace(row.sizeLimit);
            try {
                ProjectFile::write(path, big);
            } catch (const ProjectFileError& e) {
                EXPECT_EQ(e.kind(), row.kind);
                EXPECT_STREQ(e.what(), row.message);
                return e.kind() == row.kind && std::string(e.what()) == row.message;
            }
            ADD_FAILURE() << "saved";
            return false;
        };
        if (row.unprivileged && root) {
            const auto asExpected = test::runUnprivileged(failsAsExpected);
            ASSERT_TRUE(asExpected.has_value()) << "could not run the unprivileged check";
            EXPECT_TRUE(*asExpected);
        } else {
            failsAsExpected();
        }
        ASSERT_EQ(::chmod(folder.c_str(), 0755), 0);
        if (row.fileMode != 0) {
            EXPECT_EQ(readFile(path), before);
        }
        std::size_t files = 0;
        for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(folder))
            ++files;
        EXPECT_EQ(files, row.fileMode != 0 ? 1u : 0u) << "no temporary file stays";
    }
    EXPECT_FALSE(std::filesystem::exists(temp / "no"));
}

TEST_F(ProjectFileOnDisk, FileInAReadOnlyFolderIsSavedInPlace)
{
    const std::string folder = temp / "ro";
    std::filesystem::create_directory(folder);
    const std::string path = folder + "/p.pgx";
    ProjectFile::write(path, sampleProject());
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(folder.c_str(), 65534, 65534), 0);
        ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0);
    }
    ASSERT_EQ(::chmod(folder.c_str(), 0555), 0);
    Project other = sampleProject();
    other.entries.push_back("/x");
    const auto saved = test::runUnprivileged([&] {
        try {
            ProjectFile::write(path, other);
            return true;
        } catch (const ProjectFileError&) {
            return false;
        }
    });
    ASSERT_TRUE(saved.has_value()) << "could not run the unprivileged check";
    EXPECT_TRUE(*saved);
    EXPECT_EQ(ProjectFile::read(path), other);
}

TEST_F(ProjectFileOnDisk, SymbolicLinkSurvivesASave)
{
    const std::string real = temp / "real.pgx";
    const std::string link = temp / "link.pgx";
    ProjectFile::write(real, Project{});
    std::filesystem::create_symlink(real, link);
    ProjectFile::write(link, sampleProject());
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ProjectFile::read(real).settings.projectName, "Meine Seite");
}

TEST_F(ProjectFileOnDisk, ExistingFileKeepsItsPermissions)
{
    const std::string path = temp / "p.pgx";
    ProjectFile::write(path, Project{});
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    ProjectFile::write(path, sampleProject());
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST_F(ProjectFileOnDisk, DamagedFileOnDiskIsReportedWithItsName)
{
    const std::string path = temp / "kaputt.pgx";
    writeFile(path, Bytes().raw("EXE-HTML 1.0").i32(0).i32(5).str());
    try {
        (void)ProjectFile::read(path);
        FAIL();
    } catch (const ProjectFileError& e) {
        EXPECT_EQ(e.kind(), ProjectFileError::Kind::Damaged);
        EXPECT_EQ(std::string(e.what()),
                  "Die Projektdatei kaputt.pgx ist beschädigt: die Zahl der Einträge (5) ist ungültig.");
    }
}

} // namespace
} // namespace pagolux
