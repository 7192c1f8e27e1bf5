#include "app/AboutBoxUnit.h"

#include "builder/UserInteraction.h"
#include "controls/ButtonsXP.h"

#include "tests/controls/TestHelpers.h"
#include "tests/support/ScriptedInteraction.h"

#include <QDate>
#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

namespace pagolux {
namespace {

class AboutBoxTest : public ::testing::Test {
  protected:
    void open()
    {
        box.open();
        box.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&box));
    }

    // The dialog only opens addresses: a message box or an error is a fault.
    void TearDown() override
    {
        EXPECT_TRUE(interaction.messages.empty());
        EXPECT_TRUE(interaction.errors.empty());
        EXPECT_TRUE(interaction.started.empty());
    }

    test::ScriptedInteraction interaction{MsgResult::Cancel};
    TAboutBox box{nullptr, &interaction};
};

TEST_F(AboutBoxTest, LayoutFollowsTheDesign)
{
    EXPECT_EQ(box.windowTitle(), QStringLiteral("Info"));
    EXPECT_EQ(box.size(), QSize(664, 453));
    EXPECT_EQ(box.minimumSize(), box.maximumSize());
    auto* panel = box.findChild<QWidget*>(QStringLiteral("Panel1"));
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->geometry(), QRect(8, 8, 649, 385));
    EXPECT_EQ(box.ProgramIcon->geometry(), QRect(16, 40, 306, 322));
    ASSERT_NE(box.ProgramIcon->pixmap().toImage().size(), QSize(0, 0));
    EXPECT_EQ(box.ProgramIcon->pixmap().size(), QSize(306, 322));
    EXPECT_EQ(box.ProductName->geometry(), QRect(8, 8, 406, 27));
    EXPECT_EQ(box.YearLabel->geometry(), QRect(336, 40, 208, 13));
    EXPECT_EQ(box.Label3->geometry(), QRect(336, 128, 238, 121));
    EXPECT_EQ(box.BitBtnXP1->parentWidget(), panel);
    EXPECT_EQ(box.BitBtnXP1->geometry(), QRect(336, 240, 169, 25));
    EXPECT_EQ(box.BitBtnXP1->text(), QString::fromLatin1(kMakerAddress));
    EXPECT_EQ(box.BitBtnXP1->NumGlyphs(), 2);
    EXPECT_EQ(box.BitBtnXP1->Glyph().size(), QSize(32, 16));
    EXPECT_EQ(box.BitBtn1->geometry(), QRect(241, 404, 181, 37));
    EXPECT_EQ(box.BitBtn1->Kind(), bkOK);
    EXPECT_EQ(box.BitBtn1->text(), QStringLiteral("OK"));
    // The panel's colour shows between its children.
    const QImage shot = box.grab().toImage();
    EXPECT_EQ(test::hex(shot.pixelColor(8 + 600, 8 + 350)), test::hex(QColor(240, 202, 166)));
}

TEST_F(AboutBoxTest, YearLabelShowsTheCurrentYear)
{
    const QString year = QString::number(QDate::currentDate().year());
    EXPECT_TRUE(box.YearLabel->text().contains(year));
    EXPECT_FALSE(box.YearLabel->text().contains(QStringLiteral("XXXX")));
}

TEST(AboutBoxYear, PlaceholderReplacedOrYearPutInFront)
{
    struct Row {
        const char* text;
        int year;
        const char* expected;
    };
    for (const Row& r :
         {Row{"(c) XXXX Orvanto", 2026, "(c) 2026 Orvanto"}, Row{"XXXX-XXXX", 1999, "1999-XXXX"},
          Row{"Orvanto", 2030, "2030Orvanto"}, Row{"", 2026, "2026"}, Row{"XXX", 2026, "2026XXX"}})
        EXPECT_EQ(TAboutBox::InsertYear(QString::fromLatin1(r.text), r.year),
                  QString::fromLatin1(r.expected));
}

TEST_F(AboutBoxTest, FocusStartsOnTheWebButtonAndEnterOpensTheSite)
{
    open();
    EXPECT_EQ(QApplication::focusWidget(), box.BitBtnXP1);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(interaction.urls, std::vector<std::string>{kMakerUrl});
    EXPECT_TRUE(box.isVisible());
    box.BitBtnXP1->click();
    EXPECT_EQ(interaction.urls.size(), 2u);
    EXPECT_TRUE(box.isVisible());
}

TEST_F(AboutBoxTest, EscapeDoesNothing)
{
    open();
    QTest::keyClick(&box, Qt::Key_Escape);
    QTest::keyClick(box.BitBtnXP1, Qt::Key_Escape);
    EXPECT_TRUE(box.isVisible());
    EXPECT_TRUE(interaction.urls.empty());
}

TEST_F(AboutBoxTest, TabThenEnterOnOkEndsTheDialogWithOk)
{
    open();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), box.BitBtn1);
    QTest::keyClick(box.BitBtn1, Qt::Key_Return);
    EXPECT_FALSE(box.isVisible());
    EXPECT_EQ(box.result(), QDialog::Accepted);
    EXPECT_TRUE(interaction.urls.empty());
}

TEST_F(AboutBoxTest, CloseBoxEndsWithoutOk)
{
    open();
    box.close();
    EXPECT_FALSE(box.isVisible());
    EXPECT_EQ(box.result(), QDialog::Rejected);
}

} // namespace
} // namespace pagolux
