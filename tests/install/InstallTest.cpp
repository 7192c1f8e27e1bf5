// The tree that `cmake --install` makes, used as a user meets it: its layout (programs in the
// program folder, links in bin/), a program built by the installed pagolux-build and started,
// `pagolux FILE.pgx`, the desktop entry, AppStream metadata, the file type of projects and
// the manual pages against each program's --help.

#include "project/ProjectFile.h"
#include "project/ProjectFileError.h"

#include "tests/install/InstallSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <regex>
#include <set>
#include <sys/stat.h>

namespace pagolux {
namespace {

using namespace test;

bool haveDisplay()
{
    const char* d = std::getenv("DISPLAY");
    return d != nullptr && *d != '\0';
}

// Environment of a started program: its own data, config and temporary folders.
std::string isolated(const fs::path& home)
{
    return "HOME=" + quote(home.string()) + " XDG_DATA_HOME=" + quote((home / "data").string()) +
           " XDG_CONFIG_HOME=" + quote((home / "config").string()) +
           " TMPDIR=" + quote((home / "tmp").string()) + " ";
}

class InstallTree : public ::testing::Test {
  protected:
    static void SetUpTestSuite()
    {
        tree = new TempFolder;
        prefix = tree->path() / "usr";
        const Command r = sh(quote(PAGOLUX_CMAKE) + " --install " + quote(PAGOLUX_BUILD_DIR) + " --prefix " +
                             quote(prefix.string()));
        installLog = r.both();
        installed = r.exitCode == 0;
    }
    static void TearDownTestSuite()
    {
        delete tree;
        tree = nullptr;
    }
    void SetUp() override { ASSERT_TRUE(installed) << installLog; }

    // A folder of its own below the suite's tree for one test.
    fs::path scratch(const std::string& name)
    {
        const fs::path p = tree->path() / "scratch" / name;
        fs::create_directories(p / "tmp");
        return p;
    }

    static inline TempFolder* tree = nullptr;
    static inline fs::path prefix;
    static inline bool installed = false;
    static inline std::string installLog;
};

// ---- layout ---------------------------------------------------------------------------------

TEST_F(InstallTree, ProgramsLiveInTheProgramFolderWithLinksInBin)
{
    enum class Kind { Link, Program, File };
    struct Row {
        const char* path;
        Kind kind;
        const char* target; // links only
    };
    std::vector<Row> rows = {
        {"bin/pagolux", Kind::Link, "../lib/pagolux/pagolux"},
        {"bin/pagolux-build", Kind::Link, "../lib/pagolux/pagolux-build"},
        {"bin/pagolux-zlb", Kind::Link, "../lib/pagolux/pagolux-zlb"},
        {"lib/pagolux/pagolux", Kind::Program, nullptr},
        {"lib/pagolux/pagolux-build", Kind::Program, nullptr},
        {"lib/pagolux/pagolux-zlb", Kind::Program, nullptr},
        {"lib/pagolux/ProtoExe.dat", Kind::File, nullptr},
        {"lib/pagolux/iconcomp.dat", Kind::File, nullptr},
        {"share/applications/pagolux.desktop", Kind::File, nullptr},
        {"share/metainfo/de.orvanto.pagolux.metainfo.xml", Kind::File, nullptr},
        {"share/mime/packages/pagolux.xml", Kind::File, nullptr},
        {"share/man/man1/pagolux.1.gz", Kind::File, nullptr},
        {"share/man/man1/pagolux-build.1.gz", Kind::File, nullptr},
        {"share/man/man1/pagolux-zlb.1.gz", Kind::File, nullptr},
        {"share/doc/pagolux/copyright", Kind::File, nullptr},
        {"share/doc/pagolux/changelog.gz", Kind::File, nullptr},
    };
#ifdef PAGOLUX_WINDOWS_PAIR
    rows.push_back({"lib/pagolux/windows/ProtoExe.dat", Kind::File, nullptr});
    rows.push_back({"lib/pagolux/windows/iconcomp.dat", Kind::File, nullptr});
#endif
    for (const Row& row : rows) {
        SCOPED_TRACE(row.path);
        const fs::path p = prefix / row.path;
        const auto status = fs::symlink_status(p);
        switch (row.kind) {
        case Kind::Link:
            ASSERT_TRUE(fs::is_symlink(status));
            EXPECT_EQ(fs::read_symlink(p).string(), row.target);
            EXPECT_TRUE(fs::is_regular_file(p)) << "dangling link";
            break;
        case Kind::Program:
            ASSERT_TRUE(fs::is_regular_file(status));
            EXPECT_EQ(status.permissions() & fs::perms::all, fs::perms(0755));
            break;
        case Kind::File:
            ASSERT_TRUE(fs::is_regular_file(status));
            EXPECT_EQ(status.permissions() & fs::perms::all, fs::perms(0644));
            EXPECT_GT(fs::file_size(p), 0u);
            break;
        }
    }
    // The menu's icon at every usual size, each PNG as large as its folder says.
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const std::string name = std::to_string(size);
        SCOPED_TRACE("icon " + name);
        const std::string png =
            readFile(prefix / "share/icons/hicolor" / (name + "x" + name) / "apps/pagolux.png");
        ASSERT_GE(png.size(), 24u);
        EXPECT_EQ(png.substr(0, 8), "\x89PNG\r\n\x1a\n");
        auto be32 = [&png](std::size_t at) {
            return (static_cast<std::uint32_t>(static_cast<unsigned char>(png[at])) << 24) |
                   (static_cast<std::uint32_t>(static_cast<unsigned char>(png[at + 1])) << 16) |
                   (static_cast<std::uint32_t>(static_cast<unsigned char>(png[at + 2])) << 8) |
                   static_cast<std::uint32_t>(static_cast<unsigned char>(png[at + 3]));
        };
        EXPECT_EQ(be32(16), static_cast<std::uint32_t>(size)); // IHDR width
        EXPECT_EQ(be32(20), static_cast<std::uint32_t>(size)); // IHDR height
    }
    // Only the user's programs are on the path: no build helper, viewer or test program.
    std::set<std::string> inBin;
    for (const auto& e : fs::directory_iterator(prefix / "bin"))
        inBin.insert(e.path().filename().string());
    EXPECT_EQ(inBin, (std::set<std::string>{"pagolux", "pagolux-build", "pagolux-zlb"}));
    // The viewer files are the ones the build made.
    for (const char* name : {"ProtoExe.dat", "iconcomp.dat"})
        EXPECT_EQ(readFile(prefix / "lib/pagolux" / name),
                  readFile(fs::path(PAGOLUX_BUILD_DIR) / "bin" / name))
            << name;
}

// ---- programs from the installed tree ---------------------------------------------------------

TEST_F(InstallTree, InstalledBuilderMakesAProgramThatStarts)
{
    if (!haveDisplay())
        GTEST_SKIP() << "the built program needs an X server (run under xvfb-run)";
    const fs::path work = scratch("build");
    writeFile(work / "site/index.html",
              "<html><head><title>Aus dem Paket</title></head><body>ok</body></html>");
    writeFile(work / "site/sub/b.html", "<title>b</title>");
    Project project;
    project.entries = {(work / "site/index.html").string(), (work / "site/sub").string()};
    project.startIndex = 0;
    project.settings.projectName = "Installiert";
    ProjectFile::write((work / "p.pgx").string(), project);

    // Through the link, as a user on the path starts it; the program folder is the real one.
    const Command build = sh(isolated(work) + quote((prefix / "bin/pagolux-build").string()) + " " +
                             quote((work / "p.pgx").string()) + " -o " + quote((work / "out").string()));
    ASSERT_EQ(build.exitCode, 0) << build.both();
    ASSERT_TRUE(fs::exists(work / "out"));

    const Command run = sh(isolated(work) + "PAGOLUX_VIEWER_PROBE=1 " + quote((work / "out").string()));
    ASSERT_EQ(run.exitCode, 0) << run.both();
    const auto v = run.values();
    EXPECT_EQ(v.count("title") ? v.at("title") : "", "Aus dem Paket") << run.both();
    EXPECT_EQ(v.count("windowTitle") ? v.at("windowTitle") : "", "Installiert") << run.both();
}

TEST_F(InstallTree, ProjectGivenAtStartIsOpenedAsOeffnenOpensIt)
{
    if (!haveDisplay())
        GTEST_SKIP() << "the window needs an X server (run under xvfb-run)";
    const fs::path work = scratch("open");
    writeFile(work / "site/index.html", "<title>i</title>");
    writeFile(work / "site/b.html", "<title>b</title>");
    Project project;
    project.entries = {(work / "site/index.html").string(), (work / "site/b.html").string()};
    project.startIndex = 1;
    ProjectFile::write((work / "site/web.pgx").string(), project);
    writeFile(work / "plain.pgx", "Dies ist keine Projektdatei.");

    // The messages of a file that cannot be read are the project reader's, captioned "Fehler".
    auto messageFor = [](const fs::path& file) {
        try {
            (void)ProjectFile::read(file.string());
        } catch (const ProjectFileError& e) {
            return std::string("Fehler|") + e.what();
        }
        return std::string("(none)");
    };
    const std::string untitled = "Orvanto Pagolux 2.0 - [Unbenannt.pgx]";
    struct Row {
        std::string name;
        std::string folder; // working folder of the program
        std::string argument;
        std::string title;
        std::vector<std::string> entries;
        std::string start;
        std::string message; // empty: no message box
    };
    const std::vector<std::string> both = {(work / "site/index.html").string(),
                                           (work / "site/b.html").string()};
    const std::vector<Row> rows = {
        {"absolute name", work.string(), (work / "site/web.pgx").string(), "Orvanto Pagolux 2.0 - [web.pgx]",
         both, "1", ""},
        // Entries beside the project are stored by name and joined to its folder: that needs
        // the folder of a name given relative to the working folder.
        {"relative name", (work / "site").string(), "web.pgx", "Orvanto Pagolux 2.0 - [web.pgx]", both, "1",
         ""},
        {"missing file",
         work.string(),
         (work / "gone.pgx").string(),
         untitled,
         {},
         "-1",
         messageFor(work / "gone.pgx")},
        {"not a project",
         work.string(),
         (work / "plain.pgx").string(),
         untitled,
         {},
         "-1",
         messageFor(work / "plain.pgx")},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const Command run = sh("cd " + quote(row.folder) + " && " + isolated(work) + "PAGOLUX_PROBE=1 " +
                               quote((prefix / "bin/pagolux").string()) + " " + quote(row.argument));
        ASSERT_EQ(run.exitCode, 0) << run.both();
        const auto v = run.values();
        EXPECT_EQ(v.count("windowTitle") ? v.at("windowTitle") : "", row.title);
        EXPECT_EQ(run.all("entry"), row.entries);
        EXPECT_EQ(v.count("start") ? v.at("start") : "", row.start);
        const std::vector<std::string> messages = run.all("message");
        if (row.message.empty()) {
            EXPECT_TRUE(messages.empty()) << messages.front();
        } else {
            EXPECT_EQ(messages, std::vector<std::string>{row.message});
        }
    }
}

TEST_F(InstallTree, WindowProgramRefusesUnknownArguments)
{
    // Refused before a window exists; with a display the application object starts first.
    if (!haveDisplay())
        GTEST_SKIP() << "the application object needs an X server (run under xvfb-run)";
    const fs::path work = scratch("args");
    for (const char* args : {"--frobnicate", "a.pgx b.pgx"}) {
        SCOPED_TRACE(args);
        const Command run = sh(isolated(work) + quote((prefix / "bin/pagolux").string()) + " " + args);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_NE(run.err.find("usage: pagolux [FILE.pgx]"), std::string::npos) << run.err;
    }
}

// ---- desktop integration ----------------------------------------------------------------------

TEST_F(InstallTree, DesktopEntryAndMetadataValidate)
{
    struct Row {
        const char* tool;
        std::string command;
    };
    const std::vector<Row> rows = {
        {"desktop-file-validate",
         "desktop-file-validate " + quote((prefix / "share/applications/pagolux.desktop").string())},
        {"appstreamcli", "appstreamcli validate --no-net --pedantic " +
                             quote((prefix / "share/metainfo/de.orvanto.pagolux.metainfo.xml").string())},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.tool);
        std::string note;
        if (toolMissingOutsideCi(row.tool, note)) {
            std::printf("skipped: %s\n", note.c_str());
            continue;
        }
        const Command run = sh(row.command);
        EXPECT_EQ(run.exitCode, 0) << run.both();
        // Hints and warnings count too; appstreamcli prints its verdict even on success.
        if (std::string(row.tool) == "desktop-file-validate") {
            EXPECT_EQ(run.both(), "");
        }
    }
}

TEST_F(InstallTree, MetadataNamesWhatIsInstalled)
{
    const std::string xml = readFile(prefix / "share/metainfo/de.orvanto.pagolux.metainfo.xml");
    // Every screenshot is one of docs/.
    const std::regex image("<image>[^<]*/([^/<]+)</image>");
    int screenshots = 0;
    for (auto it = std::sregex_iterator(xml.begin(), xml.end(), image); it != std::sregex_iterator(); ++it) {
        ++screenshots;
        EXPECT_TRUE(fs::is_regular_file(fs::path(PAGOLUX_SOURCE_DIR) / "docs" / (*it)[1].str())) << (*it)[1];
    }
    EXPECT_GE(screenshots, 1);
    // The programs it provides are on the path; the desktop entry it launches is installed.
    const std::regex binary("<binary>([^<]+)</binary>");
    for (auto it = std::sregex_iterator(xml.begin(), xml.end(), binary); it != std::sregex_iterator(); ++it)
        EXPECT_TRUE(fs::exists(prefix / "bin" / (*it)[1].str())) << (*it)[1];
    std::smatch launchable;
    ASSERT_TRUE(std::regex_search(xml, launchable, std::regex("<launchable type=\"desktop-id\">([^<]+)<")));
    EXPECT_TRUE(fs::exists(prefix / "share/applications" / launchable[1].str()));
}

// The type is found by content in a data folder of its own, and the desktop entry is the
// program that opens it, as a file manager asks.
TEST_F(InstallTree, ProjectFileTypeResolvesByContentAndOpensPagolux)
{
    for (const char* tool : {"xdg-mime", "update-mime-database", "update-desktop-database", "mimetype"}) {
        std::string note;
        if (toolMissingOutsideCi(tool, note))
            GTEST_SKIP() << note;
    }
    const fs::path work = scratch("mime");
    const fs::path data = work / "data";
    fs::create_directories(data / "mime/packages");
    fs::create_directories(data / "applications");
    fs::copy_file(prefix / "share/mime/packages/pagolux.xml", data / "mime/packages/pagolux.xml");
    fs::copy_file(prefix / "share/applications/pagolux.desktop", data / "applications/pagolux.desktop");
    ASSERT_EQ(sh("update-mime-database " + quote((data / "mime").string())).exitCode, 0);
    ASSERT_EQ(sh("update-desktop-database " + quote((data / "applications").string())).exitCode, 0);

    Project project;
    project.entries = {"/srv/site/index.html"};
    const std::string projectBytes = ProjectFile::serialize(project, "/srv/site/p.pgx");
    struct Row {
        const char* name;
        std::string bytes;
        const char* type;
    };
    const std::vector<Row> rows = {
        {"site.pgx", projectBytes, "application/x-pagolux-project"},
        {"renamed-project", projectBytes, "application/x-pagolux-project"}, // content alone
        {"other-version", "EXE-HTML 2.0" + projectBytes.substr(12), "application/octet-stream"},
        {"notes", "EXE-HTML pages\n", "text/plain"},
    };
    // Without a desktop session xdg-mime asks shared-mime-info through File::MimeInfo.
    const std::string env = "env -u XDG_CURRENT_DESKTOP -u DESKTOP_SESSION -u KDE_FULL_SESSION "
                            "-u GNOME_DESKTOP_SESSION_ID XDG_DATA_HOME=" +
                            quote(data.string()) + " XDG_DATA_DIRS=/usr/share HOME=" + quote(work.string()) +
                            " XDG_CONFIG_HOME=" + quote((work / "config").string()) + " ";
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        writeFile(work / row.name, row.bytes);
        const Command run = sh(env + "xdg-mime query filetype " + quote((work / row.name).string()));
        EXPECT_EQ(run.exitCode, 0) << run.both();
        EXPECT_EQ(run.out, std::string(row.type) + "\n") << run.err;
    }
    const Command app = sh(env + "xdg-mime query default application/x-pagolux-project");
    EXPECT_EQ(app.out, "pagolux.desktop\n") << app.both();
}

// ---- manual pages -----------------------------------------------------------------------------

// The lines of one section of a rendered manual page, trimmed, up to the next heading.
std::vector<std::string> sectionLines(const std::string& page, const std::string& heading)
{
    std::vector<std::string> lines;
    std::istringstream in(page);
    bool inside = false;
    for (std::string line; std::getline(in, line);) {
        const bool isHeading = !line.empty() && line[0] != ' ';
        if (isHeading) {
            inside = line == heading;
            continue;
        }
        const auto first = line.find_first_not_of(' ');
        if (inside && first != std::string::npos)
            lines.push_back(std::regex_replace(line.substr(first), std::regex(" +"), " "));
    }
    return lines;
}

// The usage lines of a help text: "usage: " and the indented lines after it, continuation lines
// joined to the line they continue.
std::vector<std::string> usageLines(const std::string& help, const std::string& program)
{
    std::vector<std::string> lines;
    std::istringstream in(help);
    for (std::string line; std::getline(in, line);) {
        if (lines.empty()) {
            if (line.rfind("usage: ", 0) != 0)
                continue;
            line = line.substr(7);
        } else if (line.empty() || line[0] != ' ') {
            break;
        }
        line = std::regex_replace(line.substr(line.find_first_not_of(' ')), std::regex(" +"), " ");
        if (line.rfind(program + " ", 0) == 0 || line == program || lines.empty())
            lines.push_back(line);
        else
            lines.back() += " " + line;
    }
    return lines;
}

std::set<std::string> optionsIn(const std::string& text)
{
    std::set<std::string> options;
    const std::regex option("(^|[^A-Za-z0-9_-])(--?[a-z][a-z-]*)");
    for (auto it = std::sregex_iterator(text.begin(), text.end(), option); it != std::sregex_iterator(); ++it)
        options.insert((*it)[2].str());
    return options;
}

TEST_F(InstallTree, EachManualPageAgreesWithItsProgramsHelp)
{
    std::string note;
    if (toolMissingOutsideCi("groff", note))
        GTEST_SKIP() << note;
    for (const char* program : {"pagolux", "pagolux-build", "pagolux-zlb"}) {
        SCOPED_TRACE(program);
        const fs::path work = scratch(std::string("man-") + program);
        const Command help = sh(isolated(work) + quote((prefix / "bin" / program).string()) + " --help");
        ASSERT_EQ(help.exitCode, 0) << help.both();
        const std::string manual =
            quote((prefix / "share/man/man1" / (std::string(program) + ".1.gz")).string());
        // Well formed: groff has nothing to warn about.
        const Command check = sh("gzip -dc " + manual + " | groff -ww -z -man -Tutf8");
        EXPECT_EQ(check.exitCode, 0);
        EXPECT_EQ(check.err, "");
        // One line per usage, no hyphenation, no highlighting.
        const Command page = sh("gzip -dc " + manual + " | groff -man -Tascii -rLL=300n -rHY=0 -P-cbou");
        ASSERT_EQ(page.exitCode, 0) << page.err;

        EXPECT_EQ(sectionLines(page.out, "SYNOPSIS"), usageLines(help.out, program)) << help.out;
        EXPECT_EQ(optionsIn(page.out), optionsIn(help.out)) << help.out;
        const std::vector<std::string> name = sectionLines(page.out, "NAME");
        ASSERT_EQ(name.size(), 1u);
        EXPECT_EQ(name[0].rfind(std::string(program) + " - ", 0), 0u) << name[0];
    }
}

} // namespace
} // namespace pagolux
