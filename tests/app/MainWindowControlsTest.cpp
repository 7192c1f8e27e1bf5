// The own controls in their places in the main window: the picture buttons, the nine bitmap
// buttons with their glyphs, and the information dialog opened from "Ueber".

#include "WindowTestSupport.h"
#include "app/AboutBoxUnit.h"
#include "app/MainUnit.h"
#include "app/TApplication.h"
#include "controls/ButtonsXP.h"
#include "controls/ImageBtnUnit.h"

#include "tests/controls/TestHelpers.h"
#include "tests/support/EnvOverride.h"
#include "tests/support/ScriptedInteraction.h"

#include <QDir>
#include <QPointer>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

namespace pagolux {
namespace {

class MainWindowControls : public ::testing::Test {
  protected:
    void SetUp() override { form = std::make_unique<TMainForm>(nullptr, interaction.forWindow()); }
    // Showing the controls reports no error and starts no program.
    void TearDown() override
    {
        form.reset();
        EXPECT_TRUE(interaction.errors.empty());
        EXPECT_TRUE(interaction.started.empty());
    }

    test::IsolatedHome home;
    test::ScriptedInteraction interaction{MsgResult::Ok};
    std::unique_ptr<TMainForm> form;
};

TEST_F(MainWindowControls, NineBitmapButtonsCarryOurGlyphs)
{
    const struct {
        const char* name;
        QSize glyph;
        int numGlyphs;
    } rows[] = {
        {"AddBtn", {32, 16}, 2},       {"DelBtn", {32, 16}, 2},      {"LoadBtn", {32, 16}, 2},
        {"BackButton", {32, 16}, 2},   {"FwdButton", {32, 16}, 2},   {"HomeBtn", {16, 16}, 1},
        {"ReloadButton", {32, 16}, 2}, {"OpenIconBtn", {32, 16}, 2}, {"StdIconBtn", {36, 18}, 2},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        auto* b = form->findChild<TBitBtnXP*>(QLatin1String(r.name));
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(b->Glyph().size(), r.glyph);
        EXPECT_EQ(b->NumGlyphs(), r.numGlyphs);
    }
    auto* reset = form->findChild<TBitBtnXP*>(QStringLiteral("StdIconBtn"));
    EXPECT_EQ(reset->text(), QStringLiteral("Îcon zurücksetzen..."));
    EXPECT_EQ(reset->Kind(), bkRetry);
    EXPECT_EQ(reset->Glyph(), TBitBtnXP::StockGlyph(bkRetry));
}

TEST_F(MainWindowControls, DisabledDeleteButtonIsDrawnDisabledInBothStyles)
{
    auto* del = form->findChild<TBitBtnXP*>(QStringLiteral("DelBtn"));
    auto* add = form->findChild<TBitBtnXP*>(QStringLiteral("AddBtn"));
    ASSERT_NE(del, nullptr);
    ASSERT_NE(add, nullptr);
    ASSERT_FALSE(del->isEnabled());
    for (const char* style : {"Fusion", "Windows"}) {
        SCOPED_TRACE(style);
        test::StyleScope scope{QString::fromLatin1(style)};
        const QRgb ink = add->palette().color(QPalette::Active, QPalette::ButtonText).rgb();
        auto inkPixels = [ink](const QImage& img) {
            int n = 0;
            for (int y = 3; y < img.height() - 3; ++y)
                for (int x = 3; x < img.width() - 3; ++x)
                    n += img.pixel(x, y) == ink;
            return n;
        };
        EXPECT_GT(inkPixels(test::grabImage(add)), 3);
        EXPECT_EQ(inkPixels(test::grabImage(del)), 0);
    }
}

TEST_F(MainWindowControls, PictureButtonsShowTheirPictures)
{
    for (const char* name : {"ueberbtn", "endebtn", "GoBtn1"}) {
        SCOPED_TRACE(name);
        auto* b = form->findChild<TImageBtn*>(QLatin1String(name));
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(b->size(), QSize(101, 30));
        EXPECT_EQ(b->Picture().size(), QSize(101, 30));
        EXPECT_EQ(b->Picture2().size(), QSize(101, 30));
        EXPECT_NE(b->Picture(), b->Picture2());
        EXPECT_EQ(b->cursor().shape(), Qt::PointingHandCursor);
    }
}

TEST_F(MainWindowControls, UeberOpensTheInformationDialogModallyAndOkClosesIt)
{
    auto* ueber = form->findChild<TImageBtn*>(QStringLiteral("ueberbtn"));
    ASSERT_NE(ueber, nullptr);
    form->show();
    QPointer<TAboutBox> seen;
    bool wasModal = false;
    QTimer::singleShot(0, [&] {
        seen = qobject_cast<TAboutBox*>(QApplication::activeModalWidget());
        if (!seen)
            return;
        wasModal = seen->isModal() && seen->parentWidget() == form.get();
        seen->BitBtn1->click();
    });
    test::sendMouse(ueber, QEvent::MouseButtonPress, {20, 10}, Qt::LeftButton, Qt::LeftButton);
    test::sendMouse(ueber, QEvent::MouseButtonRelease, {20, 10}, Qt::LeftButton, Qt::NoButton);
    // The click handler returned: the dialog was shown, ended by OK, and is gone again.
    EXPECT_TRUE(wasModal);
    EXPECT_TRUE(seen.isNull());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(ueber->Picture(), ImageBtnPicture(QStringLiteral("ueber")));
}

} // namespace
} // namespace pagolux
