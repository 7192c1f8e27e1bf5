#include "viewer/core/ViewerPackage.h"

#include "archive/ZLIBArchive.h"
#include "format/SettingsBlock.h"
#include "tests/builder/TestFiles.h"

#include <gtest/gtest.h>

#include <random>

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
        test::writeFile(site / "index.html", "<title>Start</title>");
        test::writeFile(site / "Sub/Page.html", "<title>Unterseite</title>");
        TZLBArchive archive;
        archive.SavePaths = true;
        archive.RecursePaths = true;
        archive.CreateArchive(work / "a.zlb");
        std::vector<std::string> list{site / "index.html", site / "Sub"};
        archive.AddFiles(list);
        archive.CloseArchive();
        archiveBytes = test::readBytes(work / "a.zlb");
        settings.projectName = "Handbuch";
        settings.width = 800;
    }

    // Adds files (relative to the site) to the archive of the site.
    void rebuildArchive(const std::map<std::string, Bytes>& extra)
    {
        for (const auto& [rel, bytes] : extra) {
            std::filesystem::create_directories(std::filesystem::path(site / rel).parent_path());
            test::writeBytes(site / rel, bytes);
        }
        std::filesystem::remove(work / "a.zlb");
        TZLBArchive archive;
        archive.SavePaths = true;
        archive.RecursePaths = true;
        archive.CreateArchive(work / "a.zlb");
        std::vector<std::string> list{site / "index.html", site / "Sub"};
        for (const auto& [rel, bytes] : extra)
            list.push_back(site / rel);
        archive.AddFiles(list);
        archive.CloseArchive();
        archiveBytes = test::readBytes(work / "a.zlb");
    }

    std::string host(const std::string& startPath, Bytes* out = nullptr)
    {
        Bytes file(kViewer, 0x90);
        const Bytes block = EncodeSettingsBlock(settings, startPath);
        file.insert(file.end(), block.begin(), block.end());
        file.insert(file.end(), archiveBytes.begin(), archiveBytes.end());
        if (out)
            *out = file;
        test::writeBytes(work / "host", file);
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
    test::TempFolder site, work;
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

TEST_F(ViewerPackageTest, ExactSpellingWinsOverAnotherCase)
{
    rebuildArchive({{"Foto.html", test::bytesOf("gross")}, {"foto.html", test::bytesOf("klein")}});
    auto pkg = ViewerPackage::open(host(site / "index.html"), kViewer);
    std::string root = site.folder();
    std::replace(root.begin(), root.end(), '/', '\\');
    struct Row {
        std::string name;
        std::string bytes;
    };
    const Row rows[] = {{"Foto.html", "gross"}, {"foto.html", "klein"}};
    for (const auto& row : rows) {
        const auto bytes = pkg->read(root + row.name);
        ASSERT_TRUE(bytes.has_value()) << row.name;
        EXPECT_EQ(*bytes, test::bytesOf(row.bytes)) << row.name;
    }
}

TEST_F(ViewerPackageTest, BrokenFilesGiveAClearError)
{
    Bytes good;
    const std::string path = host(site / "index.html", &good);
    // The whole text is German: the detail line names the part that is broken.
    const std::string archive = std::string(kMsgViewerDamaged) + "\n" + kDetailArchive;
    const std::string settingsBroken = std::string(kMsgViewerDamaged) + "\n" + kDetailSettings;
    struct Row {
        const char* name;
        std::function<void(Bytes&)> change;
        std::uint32_t offset;
        std::string expected;
    };
    const Row rows[] = {
        {"one archive byte changed", [&](Bytes& b) { b[b.size() - archiveBytes.size() + 10] ^= 0x01; },
         kViewer, archive},
        {"one registry byte changed", [](Bytes& b) { b[b.size() - 40] ^= 0x01; }, kViewer, archive},
        {"archive trailer cut off", [](Bytes& b) { b.resize(b.size() - 10); }, kViewer, archive},
        {"no archive at all", [&](Bytes& b) { b.resize(b.size() - archiveBytes.size()); }, kViewer, archive},
        {"settings offset past the end", [](Bytes&) {}, 0x7FFFFF00u, settingsBroken},
        {"settings offset zero", [](Bytes&) {}, 0, settingsBroken},
        {"name length runs past the end", [](Bytes& b) { test::putLE32(b, kViewer + 20, 0x7FFFFFF0u); },
         kViewer, settingsBroken},
        {"offset one byte off", [](Bytes&) {}, kViewer + 1, settingsBroken},
    };
    for (const auto& row : rows) {
        Bytes file = good;
        row.change(file);
        test::writeBytes(path, file);
        EXPECT_EQ(errorOf(path, row.offset), row.expected) << row.name;
    }
}

TEST_F(ViewerPackageTest, StartFileThatIsNotAMemberIsNamed)
{
    const std::string error = errorOf(host("/elsewhere/index.html"), kViewer);
    EXPECT_EQ(error, std::string(kMsgViewerNoStart) + "\n/elsewhere/index.html");
    EXPECT_EQ(errorOf(host(""), kViewer), std::string(kMsgViewerNoStart) + "\n");
    EXPECT_EQ(errorOf(work / "missing", kViewer), std::string(kMsgViewerDamaged) + "\n" + kDetailUnreadable);
}

TEST_F(ViewerPackageTest, ARebuiltProgramKeepsServingItsOwnFile)
{
    const std::string path = host(site / "index.html");
    auto pkg = ViewerPackage::open(path, kViewer);
    const std::string subKey = pkg->startKey().substr(0, pkg->startKey().size() - 10) + "Sub\\Page.html";

    // The builder replaces the program by a new file under the same name: other offsets, other
    // pages. The running program still shows the pages it was started with.
    test::writeFile(site / "index.html", std::string(5000, 'x'));
    test::writeFile(site / "Sub/Page.html", "<title>Neu</title>");
    rebuildArchive({{"more.html", test::bytesOf(std::string(9000, 'y'))}});
    Bytes rebuilt(kViewer + 777, 0x90);
    const Bytes block = EncodeSettingsBlock(settings, site / "index.html");
    rebuilt.insert(rebuilt.end(), block.begin(), block.end());
    rebuilt.insert(rebuilt.end(), archiveBytes.begin(), archiveBytes.end());
    test::writeBytes(work / "host.new", rebuilt);
    std::filesystem::rename(work / "host.new", path);

    EXPECT_EQ(pkg->read(pkg->startKey()), test::bytesOf("<title>Start</title>"));
    EXPECT_EQ(pkg->read(subKey), test::bytesOf("<title>Unterseite</title>"));
    auto stream = pkg->stream(subKey);
    ASSERT_NE(stream, nullptr);
    Bytes streamed(static_cast<std::size_t>(stream->Size()));
    stream->ReadBuffer(streamed.data(), stream->Size());
    EXPECT_EQ(streamed, test::bytesOf("<title>Unterseite</title>"));
}

TEST_F(ViewerPackageTest, LargeMembersStreamFromTheFileAndSeek)
{
    // One member that compresses (stored as a zlib stream) and one that does not (stored raw),
    // both above the size from which the viewer streams.
    const auto big = static_cast<std::size_t>(kStreamedMemberSize + 12345);
    Bytes text(big), noise(big);
    std::mt19937 rng(7);
    for (std::size_t i = 0; i < big; ++i) {
        text[i] = static_cast<std::uint8_t>("Seite Pagolux \n"[(i * 7 + i / 1000) % 15]);
        noise[i] = static_cast<std::uint8_t>(rng());
    }
    rebuildArchive({{"media/text.txt", text}, {"media/noise.bin", noise}});
    auto pkg = ViewerPackage::open(host(site / "index.html"), kViewer);
    const std::string root = pkg->siteRootKey();

    for (const auto& [name, bytes] :
         {std::pair{"media\\text.txt", &text}, std::pair{"media\\noise.bin", &noise}}) {
        const std::string key = root + name;
        EXPECT_EQ(pkg->size(key), static_cast<std::int64_t>(big)) << name;
        auto stream = pkg->stream(key);
        ASSERT_NE(stream, nullptr) << name;
        EXPECT_EQ(stream->Size(), static_cast<std::int64_t>(big));
        Bytes all(big);
        stream->ReadBuffer(all.data(), static_cast<std::int64_t>(big));
        EXPECT_TRUE(all == *bytes) << name;
        EXPECT_EQ(stream->Read(all.data(), 10), 0) << "nothing past the end";
        // Seeks as a media element's range requests do: near the end, back, forward.
        for (const std::int64_t at : {std::int64_t(big) - 1000, std::int64_t{5}, std::int64_t(big) / 2}) {
            EXPECT_EQ(stream->Seek(at, TSeekOrigin::soBeginning), at);
            std::uint8_t piece[100];
            stream->ReadBuffer(piece, 100);
            EXPECT_TRUE(std::equal(piece, piece + 100, bytes->begin() + at)) << name << " at " << at;
        }
    }
    EXPECT_EQ(pkg->stream(root + "media\\none.bin"), nullptr);
    EXPECT_EQ(pkg->size(root + "media\\none.bin"), std::nullopt);
}

TEST_F(ViewerPackageTest, SiteRootIsTheFolderAllMembersShare)
{
    auto pkg = ViewerPackage::open(host(site / "index.html"), kViewer);
    std::string expected = site.folder();
    std::replace(expected.begin(), expected.end(), '/', '\\');
    EXPECT_EQ(pkg->siteRootKey(), expected);
}

} // namespace
} // namespace pagolux
