// The Debian package as CPack makes it from the built tree: its fields, the dependencies
// dpkg-shlibdeps computed, its contents, no maintainer scripts, and lintian's verdict.

#include "tests/install/InstallSupport.h"

#include <gtest/gtest.h>

#include <regex>
#include <set>

namespace pagolux {
namespace {

using namespace test;

class DebianPackage : public ::testing::Test {
  protected:
    static void SetUpTestSuite()
    {
        tree = new TempFolder;
        for (const char* tool : {"dpkg-deb", "dpkg-shlibdeps"}) {
            std::string note;
            if (toolMissingOutsideCi(tool, note)) {
                skipNote = note;
                return;
            }
        }
        const Command r = sh("cd " + quote(PAGOLUX_BUILD_DIR) + " && " + quote(PAGOLUX_CPACK) +
                             " -G DEB -B " + quote(tree->path().string()));
        log = r.both();
        for (const auto& e : fs::directory_iterator(tree->path()))
            if (e.path().extension() == ".deb")
                deb = e.path();
    }
    static void TearDownTestSuite()
    {
        delete tree;
        tree = nullptr;
    }
    void SetUp() override
    {
        if (!skipNote.empty())
            GTEST_SKIP() << skipNote;
        ASSERT_FALSE(deb.empty()) << log;
    }
    static std::string field(const std::string& name)
    {
        const Command r = sh("dpkg-deb -f " + quote(deb.string()) + " " + name);
        return r.out.empty() ? std::string() : r.out.substr(0, r.out.size() - 1);
    }

    static inline TempFolder* tree = nullptr;
    static inline fs::path deb;
    static inline std::string log;
    static inline std::string skipNote;
};

TEST_F(DebianPackage, FieldsAndComputedDependencies)
{
    EXPECT_EQ(deb.filename().string(), "pagolux_2.0_" + field("Architecture") + ".deb");
    struct Row {
        const char* field;
        std::string expected;
    };
    for (const Row& row : {Row{"Package", "pagolux"}, Row{"Version", "2.0"}, Row{"Section", "web"},
                           Row{"Priority", "optional"}}) {
        SCOPED_TRACE(row.field);
        EXPECT_EQ(field(row.field), row.expected);
    }
    // dpkg-shlibdeps found the libraries the programs link, with their versions.
    const std::string depends = field("Depends");
    for (const char* library : {"libc6 (>=", "libqt6webenginewidgets6 (>=", "libqt6webenginecore6 (>=",
                                "libqt6widgets6 (>=", "zlib1g (>="}) {
        SCOPED_TRACE(library);
        EXPECT_NE(depends.find(library), std::string::npos) << depends;
    }
    // Qt 6.4 is what the build and the programs it builds need, whatever the symbols say.
    EXPECT_NE(depends.find("libqt6webenginewidgets6 (>= 6.4)"), std::string::npos) << depends;
    EXPECT_FALSE(field("Description").empty());
}

TEST_F(DebianPackage, ContentsFollowTheProgramFolderRule)
{
    const Command list = sh("dpkg-deb -c " + quote(deb.string()));
    ASSERT_EQ(list.exitCode, 0) << list.err;
    for (const char* pattern : {
             R"(^lrwxrwxrwx root/root .* \./usr/bin/pagolux -> \.\./lib/pagolux/pagolux$)",
             R"(^lrwxrwxrwx root/root .* \./usr/bin/pagolux-build -> \.\./lib/pagolux/pagolux-build$)",
             R"(^lrwxrwxrwx root/root .* \./usr/bin/pagolux-zlb -> \.\./lib/pagolux/pagolux-zlb$)",
             R"(^-rwxr-xr-x root/root .* \./usr/lib/pagolux/pagolux$)",
             R"(^-rw-r--r-- root/root .* \./usr/lib/pagolux/ProtoExe\.dat$)",
             R"(^-rw-r--r-- root/root .* \./usr/lib/pagolux/iconcomp\.dat$)",
             R"(^-rw-r--r-- root/root .* \./usr/share/applications/pagolux\.desktop$)",
             R"(^-rw-r--r-- root/root .* \./usr/share/mime/packages/pagolux\.xml$)",
             R"(^-rw-r--r-- root/root .* \./usr/share/man/man1/pagolux-zlb\.1\.gz$)",
             R"(^-rw-r--r-- root/root .* \./usr/share/doc/pagolux/copyright$)",
         }) {
        SCOPED_TRACE(pattern);
        EXPECT_TRUE(std::regex_search(list.out, std::regex(pattern, std::regex::multiline))) << list.out;
    }
    // The programs are stripped: no debugging sections left.
    const fs::path unpacked = tree->path() / "unpacked";
    ASSERT_EQ(sh("dpkg-deb -x " + quote(deb.string()) + " " + quote(unpacked.string())).exitCode, 0);
    const Command sections = sh("readelf -S " + quote((unpacked / "usr/lib/pagolux/pagolux").string()));
    EXPECT_EQ(sections.out.find(".debug_info"), std::string::npos);
    // No maintainer scripts: the desktop, MIME and icon caches are refreshed by dpkg triggers.
    const fs::path control = tree->path() / "control";
    ASSERT_EQ(sh("dpkg-deb -e " + quote(deb.string()) + " " + quote(control.string())).exitCode, 0);
    std::set<std::string> files;
    for (const auto& e : fs::directory_iterator(control))
        files.insert(e.path().filename().string());
    EXPECT_EQ(files, (std::set<std::string>{"control", "md5sums"}));
}

TEST_F(DebianPackage, LintianFindsNoError)
{
    std::string note;
    if (toolMissingOutsideCi("lintian", note))
        GTEST_SKIP() << note;
    // As root lintian wants to be told that this is meant.
    const Command lint =
        sh("lintian --allow-root --fail-on error --tag-display-limit 0 " + quote(deb.string()));
    std::printf("%s", lint.both().c_str());
    EXPECT_EQ(lint.exitCode, 0) << lint.both();
    EXPECT_EQ(lint.out.find("E: "), std::string::npos) << lint.out;
}

} // namespace
} // namespace pagolux
