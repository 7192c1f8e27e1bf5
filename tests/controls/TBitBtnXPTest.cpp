#include "controls/ButtonsXP.h"

#include "TestHelpers.h"

#include <QAction>
#include <QDialog>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace pagolux {
namespace {

const QColor olive(128, 128, 0);

TEST(TBitBtnXP, Defaults)
{
    TBitBtnXP b;
    EXPECT_EQ(b.Kind(), bkCustom);
    EXPECT_EQ(b.Layout(), blGlyphLeft);
    EXPECT_EQ(b.Margin(), -1);
    EXPECT_EQ(b.Spacing(), 4);
    EXPECT_EQ(b.Style(), bsAutoDetect);
    EXPECT_EQ(b.NumGlyphs(), 1);
    EXPECT_FALSE(b.Cancel());
    EXPECT_FALSE(b.Default());
    EXPECT_EQ(b.ModalResult(), 0);
    EXPECT_TRUE(b.Glyph().isNull());
    EXPECT_EQ(b.GlyphObject().TransparentColor(), olive);
}

struct KindRow {
    TBitBtnXPKind kind;
    const char* caption;
    int modalResult;
    bool isDefault;
    bool isCancel;
    int glyphHeight;
};

class StockKinds : public ::testing::TestWithParam<KindRow> {};

TEST_P(StockKinds, SetCaptionResultDefaultCancelAndGlyph)
{
    const KindRow& row = GetParam();
    TBitBtnXP b;
    b.setText(QStringLiteral("Vorher"));
    b.SetKind(row.kind);
    EXPECT_EQ(b.text(), QString::fromUtf8(row.caption));
    EXPECT_EQ(b.ModalResult(), row.modalResult);
    EXPECT_EQ(b.Default(), row.isDefault);
    EXPECT_EQ(b.Cancel(), row.isCancel);
    EXPECT_EQ(b.NumGlyphs(), 2);
    EXPECT_EQ(b.Glyph().size(), QSize(36, row.glyphHeight));
    EXPECT_EQ(b.Glyph().pixelColor(0, row.glyphHeight - 1), olive);
    EXPECT_LE(b.Glyph().colorCount(), 16);
    EXPECT_EQ(b.Kind(), row.kind);
    EXPECT_FALSE(b.IsCaptionStored());
    EXPECT_FALSE(b.IsCustomStored());
}

INSTANTIATE_TEST_SUITE_P(Table, StockKinds,
                         ::testing::Values(KindRow{bkOK, "OK", 1, true, false, 18},
                                           KindRow{bkCancel, "Cancel", 2, false, true, 18},
                                           KindRow{bkHelp, "&Help", 0, false, false, 18},
                                           KindRow{bkYes, "&Yes", 6, true, false, 18},
                                           KindRow{bkNo, "&No", 7, false, true, 18},
                                           KindRow{bkClose, "&Close", 0, false, false, 18},
                                           KindRow{bkAbort, "Abort", 3, false, false, 18},
                                           KindRow{bkRetry, "&Retry", 4, false, false, 18},
                                           KindRow{bkIgnore, "&Ignore", 5, false, false, 18},
                                           KindRow{bkAll, "&All", 8, false, false, 19}));

TEST(TBitBtnXP, StockGlyphsAreSharedAndPairedKindsLookAlike)
{
    EXPECT_EQ(TBitBtnXP::StockGlyph(bkOK).cacheKey(), TBitBtnXP::StockGlyph(bkOK).cacheKey());
    EXPECT_EQ(TBitBtnXP::StockGlyph(bkOK), TBitBtnXP::StockGlyph(bkYes));
    EXPECT_EQ(TBitBtnXP::StockGlyph(bkCancel), TBitBtnXP::StockGlyph(bkAbort));
    EXPECT_NE(TBitBtnXP::StockGlyph(bkOK), TBitBtnXP::StockGlyph(bkCancel));
    EXPECT_TRUE(TBitBtnXP::StockGlyph(bkCustom).isNull());
}

TEST(TBitBtnXP, KindLoadedAfterACaptionKeepsIt)
{
    TBitBtnXP b;
    b.SetLoading(true);
    b.setText(QStringLiteral("Îcon zurücksetzen..."));
    b.SetKind(bkRetry);
    b.SetLoading(false);
    EXPECT_EQ(b.text(), QStringLiteral("Îcon zurücksetzen..."));
    EXPECT_EQ(b.ModalResult(), 4);
    EXPECT_EQ(b.Glyph(), TBitBtnXP::StockGlyph(bkRetry));
    EXPECT_EQ(b.Kind(), bkRetry);
    EXPECT_TRUE(b.IsCaptionStored());
}

TEST(TBitBtnXP, OkWithoutCaptionIsTheDefaultButtonAndEndsADialogWithOk)
{
    QDialog dialog;
    auto* ok = new TBitBtnXP(&dialog);
    ok->SetLoading(true);
    ok->SetKind(bkOK);
    ok->SetLoading(false);
    EXPECT_EQ(ok->text(), QStringLiteral("OK"));
    EXPECT_TRUE(ok->Default());
    dialog.open();
    ASSERT_TRUE(dialog.isVisible());
    QSignalSpy clicks(ok, &TBitBtnXP::Click);
    ok->click();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(clicks.count(), 1);
}

TEST(TBitBtnXP, KindReadsBackCustomOnceAStockValueChanged)
{
    struct Change {
        const char* name;
        std::function<void(TBitBtnXP&)> apply;
    };
    const std::vector<Change> changes{
        {"ModalResult", [](TBitBtnXP& b) { b.SetModalResult(2); }},
        {"Default", [](TBitBtnXP& b) { b.SetDefault(false); }},
        {"Cancel", [](TBitBtnXP& b) { b.SetCancel(true); }},
        {"Glyph",
         [](TBitBtnXP& b) {
             b.SetGlyph(test::solidImage({16, 16}, Qt::red));
         }},
    };
    for (const Change& c : changes) {
        SCOPED_TRACE(c.name);
        TBitBtnXP b;
        b.SetKind(bkOK);
        c.apply(b);
        EXPECT_EQ(b.Kind(), bkCustom);
        EXPECT_TRUE(b.IsCustomStored());
    }
    // Once read as custom it stays custom, even when the value is put back.
    TBitBtnXP b;
    b.SetKind(bkOK);
    b.SetModalResult(2);
    ASSERT_EQ(b.Kind(), bkCustom);
    b.SetModalResult(1);
    EXPECT_EQ(b.Kind(), bkCustom);
}

TEST(TBitBtnXP, CustomKindChangesNothingElse)
{
    TBitBtnXP b;
    b.SetKind(bkCancel);
    b.SetKind(bkCustom);
    EXPECT_EQ(b.text(), QStringLiteral("Cancel"));
    EXPECT_EQ(b.ModalResult(), 2);
    EXPECT_TRUE(b.Cancel());
    EXPECT_EQ(b.Kind(), bkCustom);
    EXPECT_TRUE(b.IsCaptionStored());
}

TEST(TBitBtnXP, PropertyRules)
{
    TBitBtnXP b;
    b.SetMargin(-2);
    EXPECT_EQ(b.Margin(), -1);
    b.SetMargin(3);
    EXPECT_EQ(b.Margin(), 3);
    b.SetMargin(-5);
    EXPECT_EQ(b.Margin(), 3);
    b.SetNumGlyphs(7);
    EXPECT_EQ(b.NumGlyphs(), 4);
    b.SetNumGlyphs(0);
    EXPECT_EQ(b.NumGlyphs(), 4);
    b.SetSpacing(-1);
    EXPECT_EQ(b.Spacing(), -1);
    b.SetLayout(blGlyphTop);
    EXPECT_EQ(b.Layout(), blGlyphTop);
    b.SetStyle(bsWin31);
    EXPECT_EQ(b.Style(), bsWin31);
}

TEST(TBitBtnXP, GlyphAssignmentDerivesNumGlyphs)
{
    struct Row {
        QSize size;
        int before;
        int after;
    };
    for (const Row& r : {Row{{32, 16}, 1, 2}, Row{{100, 20}, 2, 1}, Row{{50, 20}, 3, 3}, Row{{64, 16}, 1, 4},
                         Row{{16, 16}, 2, 1}}) {
        SCOPED_TRACE(QStringLiteral("%1x%2").arg(r.size.width()).arg(r.size.height()).toStdString());
        TBitBtnXP b;
        b.SetNumGlyphs(r.before);
        b.SetGlyph(test::solidImage(r.size, olive));
        EXPECT_EQ(b.NumGlyphs(), r.after);
    }
}

TEST(TBitBtnXP, DoubleClickCountsAsTwoClicks)
{
    TBitBtnXP b(QStringLiteral("x"));
    b.resize(60, 25);
    QSignalSpy clicks(&b, &QAbstractButton::clicked);
    const QPoint p(10, 10);
    test::sendMouse(&b, QEvent::MouseButtonPress, p, Qt::LeftButton, Qt::LeftButton);
    test::sendMouse(&b, QEvent::MouseButtonRelease, p, Qt::LeftButton, Qt::NoButton);
    test::sendMouse(&b, QEvent::MouseButtonDblClick, p, Qt::LeftButton, Qt::LeftButton);
    test::sendMouse(&b, QEvent::MouseButtonRelease, p, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(clicks.count(), 2);
}

TEST(TBitBtnXP, CloseKindClosesTheParentFormWithoutClickEvent)
{
    QWidget form;
    auto* b = new TBitBtnXP(&form);
    b->SetKind(bkClose);
    form.show();
    QSignalSpy clicks(b, &TBitBtnXP::Click);
    b->click();
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(clicks.count(), 0);
}

TEST(TBitBtnXP, HelpKindOpensTheNearestHelpContext)
{
    std::vector<int> opened;
    TBitBtnXP::SetHelpHandler([&](int context) { opened.push_back(context); });
    QWidget form;
    auto* inner = new QWidget(&form);
    form.setProperty(TBitBtnXP::HelpContextProperty, 7);
    inner->setProperty(TBitBtnXP::HelpContextProperty, 42);
    auto* b = new TBitBtnXP(inner);
    b->SetKind(bkHelp);
    QSignalSpy clicks(b, &TBitBtnXP::Click);
    b->click();
    EXPECT_EQ(opened, std::vector<int>{42});
    EXPECT_EQ(clicks.count(), 0);

    // No context anywhere: an ordinary click.
    QWidget plain;
    auto* other = new TBitBtnXP(&plain);
    other->SetKind(bkHelp);
    QSignalSpy otherClicks(other, &TBitBtnXP::Click);
    other->click();
    EXPECT_EQ(otherClicks.count(), 1);
    EXPECT_EQ(opened.size(), 1u);
    TBitBtnXP::SetHelpHandler(nullptr);
}

TEST(TBitBtnXP, EscapeClicksTheCancelButtonOfItsWindow)
{
    QWidget form;
    auto* edit = new QLineEdit(&form);
    auto* cancel = new TBitBtnXP(&form);
    cancel->move(0, 40);
    cancel->SetCancel(true);
    QSignalSpy clicks(cancel, &QAbstractButton::clicked);
    form.show();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_Escape);
    EXPECT_EQ(clicks.count(), 1);
    cancel->SetCancel(false);
    QTest::keyClick(edit, Qt::Key_Escape);
    EXPECT_EQ(clicks.count(), 1);
}

TEST(TBitBtnXP, ActiveMarkFollowsFocusWithinTheForm)
{
    QWidget form;
    auto* edit = new QLineEdit(&form);
    auto* def = new TBitBtnXP(QStringLiteral("Default"), &form);
    auto* other = new TBitBtnXP(QStringLiteral("Other"), &form);
    def->SetDefault(true);
    def->move(0, 30);
    other->move(0, 60);
    form.show();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));

    other->setFocus();
    EXPECT_TRUE(other->Active());
    EXPECT_FALSE(def->Active());
    edit->setFocus(); // not a push button: the default button is the active one
    EXPECT_TRUE(def->Active());
    EXPECT_FALSE(other->Active());
}

} // namespace
} // namespace pagolux

namespace pagolux {
namespace {

TEST(TBitBtnXP, ConnectedActionGivesCaptionStateTriggerAndGlyph)
{
    QImage iconImage(16, 16, QImage::Format_ARGB32);
    iconImage.fill(Qt::transparent);
    for (int i = 4; i < 12; ++i)
        iconImage.setPixelColor(i, i, Qt::blue);
    QAction action(QIcon(QPixmap::fromImage(iconImage)), QStringLiteral("&Los"));
    QSignalSpy triggered(&action, &QAction::triggered);
    TBitBtnXP b;
    b.SetAction(&action);
    EXPECT_EQ(b.text(), QStringLiteral("&Los"));
    ASSERT_EQ(b.Glyph().size(), QSize(16, 16));
    EXPECT_EQ(test::hex(b.Glyph().pixelColor(0, 15)), "#ff00ff"); // fuchsia where the icon is clear
    EXPECT_EQ(test::hex(b.Glyph().pixelColor(5, 5)), "#0000ff");
    action.setEnabled(false);
    EXPECT_FALSE(b.isEnabled());
    action.setEnabled(true);
    b.click();
    EXPECT_EQ(triggered.count(), 1);

    // A button that already has a glyph keeps it.
    TBitBtnXP withGlyph;
    withGlyph.SetGlyph(test::solidImage({16, 16}, Qt::red));
    withGlyph.SetAction(&action);
    EXPECT_EQ(test::hex(withGlyph.Glyph().pixelColor(5, 5)), "#ff0000");
}

} // namespace
} // namespace pagolux
