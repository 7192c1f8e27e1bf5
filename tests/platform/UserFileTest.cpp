// Saving the user's own files: which files are refused, which are replaced through a rename
// and which are written in place, and what of the old file (bytes, mode, owner, group, links)
// is there afterwards.
#include "platform/UserFile.h"

#include "tests/support/FileSizeLimit.h"
#include "tests/support/Files.h"
#include "tests/support/OtherUser.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace pagolux {
namespace {

using test::readFile;
using test::TempFolder;
using test::writeFile;
namespace fs = std::filesystem;

constexpr uid_t kNobody = 65534;
constexpr char kOld[] = "old";
constexpr char kNew[] = "the new contents, longer than the old";

enum class Outcome { Created, Replaced, InPlace, CannotCreate, FailedOldKept, Other };

Outcome save(const std::string& path, rlim_t sizeLimit)
{
    try {
        std::optional<test::FileSizeLimit> limit;
        if (sizeLimit != 0)
            limit.emplace(sizeLimit);
        switch (saveUserFile(path, kNew)) {
        case UserFileSave::Created:
            return Outcome::Created;
        case UserFileSave::Replaced:
            return Outcome::Replaced;
        case UserFileSave::InPlace:
            return Outcome::InPlace;
        }
    } catch (const UserFileError& e) {
        if (e.stage() == AtomicWriteError::Stage::Create)
            return Outcome::CannotCreate;
        if (e.stage() == AtomicWriteError::Stage::Write && e.oldFileIntact() && e.backupName().empty())
            return Outcome::FailedOldKept;
    }
    return Outcome::Other;
}

const char* nameOf(Outcome o)
{
    switch (o) {
    case Outcome::Created:
        return "created";
    case Outcome::Replaced:
        return "replaced";
    case Outcome::InPlace:
        return "written in place";
    case Outcome::CannotCreate:
        return "refused";
    case Outcome::FailedOldKept:
        return "failed, old bytes kept";
    case Outcome::Other:
        break;
    }
    return "something else";
}

struct stat statOf(const std::string& path)
{
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st;
}

TEST(UserFile, WhatIsRefusedReplacedOrWrittenInPlace)
{
    // Who saves: the tests' own user, or (when the tests run as root) the unprivileged user
    // 65534 in a child process, owning the files, so that the folder's and the file's
    // permission bits apply as they do for every user but root.
    enum class Saver { Self, Nobody };
    enum class Owner { Self, OtherUser, OtherGroup }; // the other two only as root
    struct Row {
        const char* name;
        Saver saver;
        unsigned folderMode;
        unsigned fileMode; // 0: no file yet
        Owner owner;
        bool hardLink;    // a second name links the file
        bool throughLink; // saved through a symbolic link to the file
        rlim_t sizeLimit; // file-size limit while saving, 0 for none
        Outcome expected;
    };
    const Row rows[] = {
        {"a new file", Saver::Self, 0755, 0, Owner::Self, false, false, 0, Outcome::Created},
        {"a writable file is replaced, mode kept", Saver::Self, 0755, 0640, Owner::Self, false, false, 0,
         Outcome::Replaced},
        {"a write-protected file is refused", Saver::Self, 0755, 0444, Owner::Self, false, false, 0,
         Outcome::CannotCreate},
        {"a write-protected file is refused, unprivileged", Saver::Nobody, 0755, 0444, Owner::Self, false,
         false, 0, Outcome::CannotCreate},
        {"a writable file in a read-only folder is written in place", Saver::Nobody, 0555, 0644, Owner::Self,
         false, false, 0, Outcome::InPlace},
        {"a write-protected file in a read-only folder is refused", Saver::Nobody, 0555, 0444, Owner::Self,
         false, false, 0, Outcome::CannotCreate},
        {"no new file in a read-only folder", Saver::Nobody, 0555, 0, Owner::Self, false, false, 0,
         Outcome::CannotCreate},
        {"a failed write in place puts the old bytes back", Saver::Nobody, 0555, 0644, Owner::Self, false,
         false, 16, Outcome::FailedOldKept},
        {"a hard-linked file is written in place", Saver::Self, 0755, 0644, Owner::Self, true, false, 0,
         Outcome::InPlace},
        {"a symbolic link is followed and stays", Saver::Self, 0755, 0600, Owner::Self, false, true, 0,
         Outcome::Replaced},
        {"a file of another owner keeps its owner", Saver::Self, 0755, 0644, Owner::OtherUser, false, false,
         0, Outcome::InPlace},
        {"a file of another group keeps its group", Saver::Self, 0755, 0664, Owner::OtherGroup, false, false,
         0, Outcome::Replaced},
    };
    const bool root = ::geteuid() == 0;
    const ::mode_t mask = ::umask(022);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        if (row.owner != Owner::Self && !root) {
            std::cout << "[ SKIPPED  ] " << row.name << ": only root can give a file another owner\n";
            continue;
        }
        TempFolder temp;
        const std::string folder = temp / "d";
        const std::string file = folder + "/p.pgx";
        const std::string second = temp / "second.pgx"; // hard link or symbolic link
        fs::create_directory(folder);
        if (row.fileMode != 0) {
            writeFile(file, kOld);
            ASSERT_EQ(::chmod(file.c_str(), row.fileMode), 0);
        }
        if (row.hardLink) {
            fs::create_hard_link(file, second);
        }
        if (row.throughLink) {
            fs::create_symlink(file, second);
        }
        const bool dropped = row.saver == Saver::Nobody && root;
        if (dropped) {
            ASSERT_EQ(::chown(folder.c_str(), kNobody, kNobody), 0);
            if (row.fileMode != 0) {
                ASSERT_EQ(::chown(file.c_str(), kNobody, kNobody), 0);
            }
        }
        if (row.owner == Owner::OtherUser) {
            ASSERT_EQ(::chown(file.c_str(), kNobody, kNobody), 0);
        }
        if (row.owner == Owner::OtherGroup) {
            ASSERT_EQ(::chown(file.c_str(), 0, kNobody), 0);
        }
        ASSERT_EQ(::chmod(folder.c_str(), row.folderMode), 0);
        struct stat before {};
        if (row.fileMode != 0)
            before = statOf(file);

        const std::string target = row.throughLink ? second : file;
        if (dropped) {
            const auto asExpected =
                test::runUnprivileged([&] { return save(target, row.sizeLimit) == row.expected; });
            ASSERT_TRUE(asExpected.has_value()) << "could not run the unprivileged check";
            EXPECT_TRUE(*asExpected) << "not " << nameOf(row.expected);
        } else {
            const Outcome got = save(target, row.sizeLimit);
            EXPECT_EQ(got, row.expected) << nameOf(got) << " instead of " << nameOf(row.expected);
        }
        ASSERT_EQ(::chmod(folder.c_str(), 0755), 0);

        const bool saved = row.expected == Outcome::Created || row.expected == Outcome::Replaced ||
                           row.expected == Outcome::InPlace;
        if (row.fileMode == 0 && !saved) {
            EXPECT_FALSE(fs::exists(file));
        } else {
            EXPECT_EQ(readFile(file), saved ? kNew : kOld);
            const struct stat after = statOf(file);
            EXPECT_EQ(after.st_mode & 07777, row.fileMode != 0 ? row.fileMode : 0644u);
            if (row.fileMode != 0) {
                EXPECT_EQ(after.st_uid, before.st_uid) << "the owner stays";
                EXPECT_EQ(after.st_gid, before.st_gid) << "the group stays";
                if (row.expected == Outcome::InPlace || !saved) {
                    EXPECT_EQ(after.st_ino, before.st_ino) << "the same file";
                }
            }
        }
        if (row.hardLink) {
            EXPECT_EQ(readFile(second), kNew) << "the other name sees the new bytes";
            EXPECT_EQ(statOf(second).st_nlink, 2u);
        }
        if (row.throughLink) {
            EXPECT_TRUE(fs::is_symlink(second));
        }
        std::size_t entries = 0;
        for ([[maybe_unused]] const auto& e : fs::directory_iterator(folder))
            ++entries;
        EXPECT_EQ(entries, fs::exists(file) ? 1u : 0u) << "no temporary file stays";
    }
    ::umask(mask);
}

TEST(UserFile, WriteProtectionIsReadFromTheBits)
{
    TempFolder temp;
    const std::string file = temp / "p.pgx";
    EXPECT_FALSE(isWriteProtected(file)) << "a missing file";
    writeFile(file, kOld);
    for (const unsigned mode : {0644u, 0600u, 0444u, 0400u, 0000u}) {
        ASSERT_EQ(::chmod(file.c_str(), mode), 0);
        EXPECT_EQ(isWriteProtected(file), (mode & 0200) == 0) << std::oct << mode;
    }
}

TEST(UserFile, SavingNeverWritesThroughAnotherUsersLinkInASharedStickyFolder)
{
    // "Speichern" of a project as /tmp/x.pgx where another user has put a link to our file.
    if (test::otherUserId() < 0)
        GTEST_SKIP() << "needs root to create a second local user";
    TempFolder temp;
    writeFile(temp / "victim", kOld);
    const std::string shared = temp / "shared";
    fs::create_directory(shared);
    ASSERT_EQ(::chmod(shared.c_str(), 01777), 0);
    ASSERT_TRUE(test::runAsOtherUser("ln -s '" + temp / "victim" + "' '" + shared + "/x.pgx'"));
    try {
        (void)saveUserFile(shared + "/x.pgx", kNew);
    } catch (const UserFileError&) {
        // Replacing another user's link in a sticky folder may be refused.
    }
    EXPECT_EQ(readFile(temp / "victim"), kOld);
}

} // namespace
} // namespace pagolux
