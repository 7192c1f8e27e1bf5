#include "viewer/core/ViewerPackage.h"

#include "archive/ZLIBArchive.h"
#include "format/SettingsBlock.h"
#include "tests/builder/TestFiles.h"

#include <gtest/gtest.h>

namespace pagolux {
namespace {

using test::Bytes;

// A host file as the builder makes it: N bytes of stand-in viewer, the settings block, the
// archive of a small site.
class ViewerPackageTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        std::filesystem::create_directories(site / "Sub");
        test::writeText(site / "index.html", "<title>Start</title>");
        test::writeText(site / "Sub/Page.html", "<title>Unterseite</title>");
        TZLBArchive archive;
        archive.SavePaths = true;
        archive.RecursePaths = true;
        archive.CreateArchive(work / "a.zlb");
        std::vector<std::string> list{site / "index.html", site / "Sub"};
        archive.AddFiles(list);
        archive.CloseArchive();
        archiveBytes = test::readFile(work / "a.zlb");
        settings.projectName = "Handbuch";
        settings.width = 800;
    }

    std::string host(const std::string& startPath, Bytes* out = nullptr)
    {
        Bytes file(kViewer, 0x90);
        const Bytes block = EncodeSettingsBlock(settings, startPath);
        file.insert(file.end(), block.begin(), block.end());
        file.insert(file.end(), archiveBytes.begin(), archiveBytes.end());
        if (out)
            *out = file;
        test::writeFile(work / "host", file);
        return work / "host";
    }

    static std::string errorOf(const std::string& path, std::uint32_t offset)
    {
        try {
            (void)ViewerPackage::open(path, offset);
        } catch (const EViewerError& e) {
            return e.what();
        }
        return "no error";
    }

    static constexpr std::uint32_t kViewer = 3000;
    test::TempDir site, work;
    Bytes archiveBytes;
    BuildSettings settings;
};

TEST_F(ViewerPackageTest, OpensSettingsStartFileAndMembers)
{
    auto pkg = ViewerPackage::open(host(site / "index.html"), kViewer);
    EXPECT_EQ(pkg->settings(), settings);
    EXPECT_EQ(pkg->startPath(), site / "index.html");
    EXPECT_EQ(pkg->memberCount(), 2);
    const auto start = pkg->read(pkg->startKey());
    ASSERT_TRUE(start.has_value());
    EXPECT_EQ(*start, test::bytesOf("<title>Start</title>"));
}

TEST_F(ViewerPackageTest, StartFileMatchesWithDriveSeparatorsAndCase)
{
    std::string windowsStyle = "X:" + site / "SUB/page.HTML";
    for (char& c : windowsStyle)
        if (c == '/')
            c = '\\';
    auto pkg = ViewerPackage::open(host(windowsStyle), kViewer);
    const auto page = pkg->read(pkg->startKey());
    ASSERT_TRUE(page.has_value());
    EXPECT_EQ(*page, test::bytesOf("<title>Unterseite</title>"));
}

TEST_F(ViewerPackageTest, LookupIsCaseInsensitiveAndUnknownNamesGiveNothing)
{
    auto pkg = ViewerPackage::open(host(site / "index.html"), kViewer);
    std::string key = site / "sub/PAGE.html";
    for (char& c : key)
        if (c == '/')
            c = '\\';
    EXPECT_TRUE(pkg->read(key).has_value());
    EXPECT_FALSE(pkg->read("\\nope.html").has_value());
    EXPECT_FALSE(pkg->read("").has_value());
}

TEST_F(ViewerPackageTest, BrokenFilesGiveAClearError)
{
    Bytes good;
    const std::string path = host(site / "index.html", &good);
    const std::string damaged = kMsgViewerDamaged;
    struct Row {
        const char* name;
        std::function<void(Bytes&)> change;
        std::uint32_t offset;
        std::string expectedPrefix;
    };
    const Row rows[] = {
        {"one archive byte changed", [&](Bytes& b) { b[b.size() - archiveBytes.size() + 10] ^= 0x01; },
         kViewer, damaged},
        {"one registry byte changed", [](Bytes& b) { b[b.size() - 40] ^= 0x01; }, kViewer, damaged},
        {"archive trailer cut off", [](Bytes& b) { b.resize(b.size() - 10); }, kViewer, damaged},
        {"no archive at all", [&](Bytes& b) { b.resize(b.size() - archiveBytes.size()); }, kViewer, damaged},
        {"settings offset past the end", [](Bytes&) {}, 0x7FFFFF00u, damaged},
        {"settings offset zero", [](Bytes&) {}, 0, damaged},
        {"name length runs past the end", [](Bytes& b) { test::putLE32(b, kViewer + 20, 0x7FFFFFF0u); },
         kViewer, damaged},
        {"offset one byte off", [](Bytes&) {}, kViewer + 1, damaged},
    };
    for (const auto& row : rows) {
        Bytes file = good;
        row.change(file);
        test::writeFile(path, file);
        const std::string error = errorOf(path, row.offset);
        EXPECT_EQ(error.rfind(row.expectedPrefix, 0), 0u) << row.name << ": " << error;
    }
}

TEST_F(ViewerPackageTest, StartFileThatIsNotAMemberIsNamed)
{
    const std::string error = errorOf(host("/elsewhere/index.html"), kViewer);
    EXPECT_EQ(error, std::string(kMsgViewerNoStart) + "\n/elsewhere/index.html");
    EXPECT_EQ(errorOf(host(""), kViewer), std::string(kMsgViewerNoStart) + "\n");
    EXPECT_EQ(errorOf(work / "missing", kViewer).rfind(kMsgViewerDamaged, 0), 0u);
}

} // namespace
} // namespace pagolux
