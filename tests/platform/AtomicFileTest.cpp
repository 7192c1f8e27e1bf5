// The sibling temporary file and its rename under each rule: what replaces the target, which
// permission bits it ends with, what stays when the work is abandoned.
#include "platform/AtomicFile.h"

#include "tests/support/Files.h"
#include "tests/support/OtherUser.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace pagolux {
namespace {

using test::readFile;
using test::TempFolder;
using test::writeFile;
namespace fs = std::filesystem;

unsigned modeOf(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0u;
}

std::size_t entriesIn(const TempFolder& temp)
{
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(temp.folder()))
        ++n;
    return n;
}

TEST(AtomicFile, RulesDecideTheLinkAndTheModeOfTheReplacedFile)
{
    struct Row {
        const char* name;
        AtomicFileRules rules;
        bool throughLink;   // the target is a symbolic link to real
        bool linkSurvives;  // afterwards the link is still a link and real has the bytes
        unsigned modeAfter; // of the file that now holds the bytes
    };
    const ::mode_t mask = ::umask(022);
    const Row rows[] = {
        {"defaults keep the mode", {}, false, false, 0640},
        {"defaults follow the link", {}, true, true, 0640},
        {"fixed mode less the umask", {0777, false, true, true}, false, false, 0755},
        {"fixed mode through the link", {0777, false, true, true}, true, true, 0755},
        {"link itself replaced", {0666, false, false, false}, true, false, 0644},
    };
    for (const auto& row : rows) {
        TempFolder temp;
        const std::string real = temp / "real";
        const std::string link = temp / "link";
        writeFile(real, "old");
        ASSERT_EQ(::chmod(real.c_str(), 0640), 0);
        std::string target = real;
        if (row.throughLink) {
            fs::create_symlink(real, link);
            target = link;
        }
        {
            AtomicFile file(target, row.rules);
            EXPECT_EQ(fs::path(file.name()).parent_path(), fs::path(temp.folder()).parent_path()) << row.name;
            file.write("new");
            file.commit();
            EXPECT_TRUE(file.name().empty()) << row.name;
        }
        const std::string holder = row.throughLink && !row.linkSurvives ? link : real;
        EXPECT_EQ(readFile(holder), "new") << row.name;
        EXPECT_EQ(modeOf(holder), row.modeAfter) << row.name;
        if (row.throughLink) {
            EXPECT_EQ(fs::is_symlink(link), row.linkSurvives) << row.name;
            if (!row.linkSurvives) {
                EXPECT_EQ(readFile(real), "old") << row.name;
            }
        }
        EXPECT_EQ(entriesIn(temp), row.throughLink ? 2u : 1u) << row.name << ": no temporary file stays";
    }
    ::umask(mask);
}

TEST(AtomicFile, AbandonedOrFailedWorkLeavesTheOldFileAndNoTemporaryFile)
{
    TempFolder temp;
    const std::string path = temp / "p.dat";
    writeFile(path, "old");
    {
        AtomicFile file(path);
        file.write("half");
        ASSERT_TRUE(fs::exists(file.name()));
    }
    EXPECT_EQ(readFile(path), "old");
    EXPECT_EQ(entriesIn(temp), 1u);

    // A folder in the target's place cannot be replaced by a file.
    const std::string folder = temp / "sub";
    fs::create_directory(folder);
    fs::create_directory(folder + "/inside");
    try {
        AtomicFile file(folder);
        file.write("x");
        file.commit();
        FAIL() << "the rename over a full folder succeeded";
    } catch (const AtomicWriteError& e) {
        EXPECT_EQ(e.stage(), AtomicWriteError::Stage::Rename);
    }
    EXPECT_TRUE(fs::is_directory(folder));
    EXPECT_EQ(entriesIn(temp), 2u);

    try {
        writeFileAtomically(temp / "missing/p.dat", "x");
        FAIL() << "a file appeared in a missing folder";
    } catch (const AtomicWriteError& e) {
        EXPECT_EQ(e.stage(), AtomicWriteError::Stage::Create);
    }
}

TEST(AtomicFile, ScratchNamesInAFolder)
{
    TempFolder temp;
    const std::string a = createUniqueFile(temp.folder(), "ZLB", 0600);
    const std::string b = createUniqueFile(temp.folder(), "ZLB", 0600);
    EXPECT_NE(a, b);
    for (const auto& n : {a, b}) {
        EXPECT_EQ(n.rfind(temp.folder() + "ZLB", 0), 0u) << n;
        EXPECT_EQ(fs::file_size(n), 0u) << n;
        EXPECT_EQ(modeOf(n) & 0077, 0u) << n << ": private to the owner";
    }
    {
        ScratchFile scratch(a);
    }
    EXPECT_FALSE(fs::exists(a));
    {
        ScratchFile kept(b);
        kept.release();
    }
    EXPECT_TRUE(fs::exists(b));

    EXPECT_THROW((void)createUniqueFile(temp / "missing/", "ZLB", 0600), AtomicWriteError);
}

TEST(AtomicFile, NumberedScratchFilesAreCreatedExclusivelyAndPrivately)
{
    TempFolder temp;
    writeFile(temp / "victim", "keep");
    // A file left by a killed run, and a link another user planted at the next name.
    writeFile(temp / "tf0.zlb", "left over");
    fs::create_symlink(temp / "victim", temp / "tf1.zlb");
    int fd = -1;
    const std::string name = createNumberedFile(temp.folder(), "tf", ".zlb", fd);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(name, temp / "tf2.zlb");
    EXPECT_EQ(modeOf(name), 0600u);
    ASSERT_EQ(::write(fd, "data", 4), 4);
    ::close(fd);
    EXPECT_EQ(readFile(temp / "victim"), "keep");
    EXPECT_EQ(readFile(temp / "tf0.zlb"), "left over");
    EXPECT_EQ(readFile(name), "data");
    EXPECT_THROW((void)createNumberedFile(temp / "missing/", "tf", ".zlb", fd), AtomicWriteError);
}

TEST(AtomicFile, ALinkOfAnotherUserInASharedStickyFolderIsNotFollowed)
{
    if (test::otherUserId() < 0)
        GTEST_SKIP() << "needs root to create a second local user";
    struct Row {
        const char* name;
        unsigned folderMode;
        bool followed; // the kernel's rule for links in sticky, world-writable folders
    };
    const Row rows[] = {
        {"sticky, world-writable (like /tmp)", 01777, false},
        {"world-writable without the sticky bit", 0777, true},
    };
    for (const auto& row : rows) {
        TempFolder temp;
        writeFile(temp / "victim", "keep");
        const std::string shared = temp / "shared";
        fs::create_directory(shared);
        ASSERT_EQ(::chmod(shared.c_str(), row.folderMode), 0);
        ASSERT_TRUE(test::runAsOtherUser("ln -s '" + temp / "victim" + "' '" + shared + "/out'")) << row.name;

        EXPECT_EQ(resolveTarget(shared + "/out") == temp / "victim", row.followed) << row.name;
        try {
            writeFileAtomically(shared + "/out", "program");
        } catch (const AtomicWriteError&) {
            // Replacing another user's link in a sticky folder may be refused; either way the
            // file it names stays.
        }
        EXPECT_EQ(readFile(temp / "victim"), row.followed ? "program" : "keep") << row.name;
    }
}

} // namespace
} // namespace pagolux
