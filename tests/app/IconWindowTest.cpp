// The icon group of the main window: start-up with and without "theicon.bmp", loading a
// picture through the dialog, going back to the default icon, and what a failure leaves.

#include "app/MainUnit.h"
#include "controls/TPaintBox.h"
#include "icon/IconBmpFile.h"
#include "icon/IconError.h"
#include "icon/StandardIcon.h"
#include "picture/RenderIconFromFile.h"
#include "tests/icon/TestIcons.h"
#include "tests/support/EnvOverride.h"
#include "tests/support/Files.h"
#include "tests/support/ScriptedInteraction.h"
#include "tests/support/TempFolder.h"

#include <QApplication>
#include <QImage>
#include <QPixmap>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace pagolux {
namespace {

using test::stripes;

class IconWindowTest : public ::testing::Test {
  protected:
    void SetUp() override { std::filesystem::create_directories(folder()); }

    std::string folder() const { return home / "data/pagolux"; }
    std::string iconFile() const { return folder() + "/theicon.bmp"; }

    std::unique_ptr<TMainForm> makeForm()
    {
        return std::make_unique<TMainForm>(nullptr, interaction.forWindow());
    }

    // The colours the paint box shows, as palette indices.
    static IconBitmap shown(TMainForm& form)
    {
        const QImage image = form.PaintBox1->grab().toImage();
        IconBitmap icon;
        for (int y = 0; y < 32; ++y) {
            for (int x = 0; x < 32; ++x) {
                const QColor c = image.pixelColor(x, y);
                const std::uint8_t index = IconBitmap::nearestColorIndex(static_cast<std::uint8_t>(c.red()),
                                                                         static_cast<std::uint8_t>(c.green()),
                                                                         static_cast<std::uint8_t>(c.blue()));
                const PaletteColor& p = IconBitmap::Palette[index];
                EXPECT_EQ(QColor(p.red, p.green, p.blue), c) << "not a palette colour at " << x << "," << y;
                icon.setPixel(x, y, index);
            }
        }
        return icon;
    }

    test::IsolatedHome home;
    // Every window of a test answers through this one; unqueued questions get OK.
    test::ScriptedInteraction interaction{MsgResult::Ok};
};

TEST_F(IconWindowTest, StartWithoutIconFileShowsTheDefaultIconAndCreatesTheFile)
{
    std::filesystem::remove_all(home / "data"); // even the data folder is missing
    auto form = makeForm();
    ASSERT_NE(form->iconBmp(), nullptr);
    EXPECT_EQ(*form->iconBmp(), StandardIcon::bitmap());
    EXPECT_EQ(IconBmpFile::load(iconFile()), StandardIcon::bitmap());
    EXPECT_EQ(shown(*form), StandardIcon::bitmap());
    EXPECT_TRUE(interaction.messages.empty());
    EXPECT_TRUE(interaction.errors.empty());
}

TEST_F(IconWindowTest, StartLoadsTheSavedIcon)
{
    IconBmpFile::save(stripes(), iconFile());
    const auto before = test::readBytes(iconFile());
    auto form = makeForm();
    EXPECT_EQ(*form->iconBmp(), stripes());
    EXPECT_EQ(shown(*form), stripes());
    EXPECT_EQ(test::readBytes(iconFile()), before);
}

TEST_F(IconWindowTest, UnusableIconFileIsReplacedByTheDefaultWithoutAMessage)
{
    std::vector<std::uint8_t> eightBit = IconBmpFile::encode(stripes());
    eightBit[28] = 8;
    std::vector<std::uint8_t> wide = IconBmpFile::encode(stripes());
    wide[18] = 64;
    const std::vector<std::uint8_t> good = IconBmpFile::encode(stripes());
    const std::vector<std::vector<std::uint8_t>> contents = {
        {},
        {'n', 'o', 't', ' ', 'a', ' ', 'b', 'm', 'p'},
        eightBit,
        wide,
        std::vector<std::uint8_t>(good.begin(), good.begin() + 200),
    };
    for (std::size_t i = 0; i < contents.size(); ++i) {
        test::writeBytes(iconFile(), contents[i]);
        auto form = makeForm();
        EXPECT_EQ(*form->iconBmp(), StandardIcon::bitmap()) << "case " << i;
        EXPECT_EQ(test::readBytes(iconFile()), IconBmpFile::encode(StandardIcon::bitmap())) << "case " << i;
        EXPECT_TRUE(interaction.errors.empty()) << "case " << i;
        EXPECT_TRUE(interaction.messages.empty()) << "case " << i;
    }
}

TEST_F(IconWindowTest, LoadingAPictureRendersSavesAndShowsIt)
{
    auto form = makeForm();
    QImage wide(64, 32, QImage::Format_ARGB32);
    for (int x = 0; x < 64; ++x) {
        for (int y = 0; y < 32; ++y) {
            wide.setPixelColor(x, y, x < 32 ? QColor(255, 0, 0) : QColor(0, 128, 0));
        }
    }
    const std::string picture = home / "logo.png";
    ASSERT_TRUE(wide.save(QString::fromStdString(picture), "PNG"));
    interaction.openFiles.push_back(picture);
    form->OpenIconBtnClick();

    ASSERT_EQ(interaction.openRequests.size(), 1u);
    const FileDialogRequest& request = interaction.openRequests.front();
    EXPECT_TRUE(request.picturePreview);
    for (const char* pattern :
         {"*.bmp", "*.ico", "*.wmf", "*.emf", "*.jpg", "*.jpeg", "*.gif", "*.png", "*.svg"}) {
        EXPECT_NE(request.filter.find(pattern), std::string::npos) << pattern;
    }
    // The middle half: 16 red, 16 green columns.
    const IconBitmap expected = test::iconOf([](int x, int) { return x < 16 ? 9 : 2; });
    EXPECT_EQ(*form->iconBmp(), expected);
    EXPECT_EQ(IconBmpFile::load(iconFile()), expected);
    EXPECT_EQ(shown(*form), expected);
    EXPECT_TRUE(interaction.errors.empty());

    // The next run starts with it.
    form.reset();
    auto again = makeForm();
    EXPECT_EQ(*again->iconBmp(), expected);
}

TEST_F(IconWindowTest, CancellingTheDialogWritesNothing)
{
    auto form = makeForm();
    IconBmpFile::save(stripes(), iconFile());
    form->OpenIconBtnClick(); // no answer queued: cancelled
    EXPECT_EQ(*form->iconBmp(), StandardIcon::bitmap());
    EXPECT_EQ(IconBmpFile::load(iconFile()), stripes()) << "the file is not rewritten";

    std::filesystem::remove(iconFile());
    form->OpenIconBtnClick();
    EXPECT_FALSE(std::filesystem::exists(iconFile())) << "no file appears";
    EXPECT_EQ(interaction.openRequests.size(), 2u);
}

TEST_F(IconWindowTest, UnreadablePictureChangesNothing)
{
    auto form = makeForm();
    IconBmpFile::save(stripes(), iconFile());
    // Make the window hold the stripes as well: load them through the dialog.
    const std::string stripesFile = home / "stripes.bmp";
    IconBmpFile::save(stripes(), stripesFile);
    interaction.openFiles.push_back(stripesFile);
    form->OpenIconBtnClick();
    ASSERT_EQ(*form->iconBmp(), stripes());
    const auto fileBefore = test::readBytes(iconFile());

    test::writeBytes(home / "broken.gif", {'G', 'I', 'F', '8', '9', 'a', 0, 0});
    test::writeBytes(home / "picture.xyz", {1, 2, 3});
    for (const char* name : {"broken.gif", "picture.xyz", "missing.png"}) {
        interaction.openFiles.push_back(home / name);
        EXPECT_THROW(form->OpenIconBtnClick(), EPictureError) << name;
        EXPECT_EQ(*form->iconBmp(), stripes()) << name;
        EXPECT_EQ(test::readBytes(iconFile()), fileBefore) << name;
        EXPECT_EQ(shown(*form), stripes()) << name;
    }
}

TEST_F(IconWindowTest, ResetGoesBackToTheDefaultIcon)
{
    IconBmpFile::save(stripes(), iconFile());
    auto form = makeForm();
    ASSERT_EQ(*form->iconBmp(), stripes());
    form->StdIconBtnClick();
    EXPECT_EQ(*form->iconBmp(), StandardIcon::bitmap());
    EXPECT_EQ(IconBmpFile::load(iconFile()), StandardIcon::bitmap());
    EXPECT_EQ(shown(*form), StandardIcon::bitmap());
}

TEST_F(IconWindowTest, UnwritableIconFileAtStartIsShownAndTheWindowOpens)
{
    // A non-empty folder where the file should be: neither loadable nor replaceable.
    std::filesystem::create_directories(iconFile() + "/blocker");
    auto form = makeForm();
    ASSERT_NE(form->iconBmp(), nullptr);
    EXPECT_EQ(*form->iconBmp(), StandardIcon::bitmap()) << "the icon holds the default for this run";
    ASSERT_EQ(interaction.errors.size(), 1u);
    EXPECT_EQ(interaction.errors.front(), "Datei " + iconFile() + " kann nicht erstellt werden");

    // Loading a picture then renders it, but the file error is raised.
    const std::string picture = home / "s.bmp";
    IconBmpFile::save(stripes(), picture);
    interaction.openFiles.push_back(picture);
    EXPECT_THROW(form->OpenIconBtnClick(), EIconCreateError);
    EXPECT_EQ(*form->iconBmp(), stripes());
}

} // namespace
} // namespace pagolux
