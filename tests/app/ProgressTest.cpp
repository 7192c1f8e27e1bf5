// The progress panel of the status bar, driven by the progress event (type 1024).

#include "WindowTestSupport.h"

#include "controls/TStatusBar.h"

#include <QApplication>
#include <QImage>
#include <QTest>

namespace pagolux::test {
namespace {

const QRgb kNavy = qRgb(0, 0, 128);

class Progress : public WindowTest {
  protected:
    void send(int32_t percent)
    {
        TProgressEvent event(percent);
        QApplication::sendEvent(form.get(), &event);
    }
    void showWindow()
    {
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        control<TStatusBar>(*form, "StatusBar1")->repaint();
    }
    QImage statusImage() { return control<TStatusBar>(*form, "StatusBar1")->grab().toImage(); }
    // The columns of panel 1's middle row that are navy.
    int navyColumns(const QImage& image, int from, int to)
    {
        const int y = form->sBarRect().center().y();
        int count = 0;
        for (int x = from; x < to; ++x)
            if (image.pixel(x, y) == kNavy)
                ++count;
        return count;
    }
    QRect panel() const { return control<TStatusBar>(*form, "StatusBar1")->panelRect(1); }
};

TEST_F(Progress, NothingIsDrawnBeforeTheFirstMessage)
{
    showWindow();
    EXPECT_EQ(form->sBarRect(), panel());
    EXPECT_EQ(navyColumns(statusImage(), 0, control<TStatusBar>(*form, "StatusBar1")->width()), 0);
}

TEST_F(Progress, RisingValuePaintsOnlyTheBarAndFallingValueRepaintsTheBar)
{
    showWindow();
    const QRect p = panel();
    ASSERT_EQ(p.width(), 48); // a 50-pixel panel inside its one-pixel frame

    send(10);
    EXPECT_EQ(form->proStatus(), 10);
    EXPECT_EQ(control<TStatusBar>(*form, "StatusBar1")->lastPaintRect(),
              QRect(p.left(), p.top(), 4, p.height()));
    send(50);
    EXPECT_EQ(control<TStatusBar>(*form, "StatusBar1")->lastPaintRect(),
              QRect(p.left(), p.top(), 24, p.height()));
    EXPECT_EQ(navyColumns(statusImage(), p.left(), p.right() + 1), 24);

    const int paintsBefore = control<TStatusBar>(*form, "StatusBar1")->paintCount();
    send(10);
    EXPECT_EQ(control<TStatusBar>(*form, "StatusBar1")->paintCount(), paintsBefore + 1);
    EXPECT_EQ(control<TStatusBar>(*form, "StatusBar1")->lastPaintRect(),
              control<TStatusBar>(*form, "StatusBar1")->rect());
    EXPECT_EQ(navyColumns(statusImage(), p.left(), p.right() + 1), 4);
}

TEST_F(Progress, BarGeometryFollowsThePercentage)
{
    showWindow();
    const QRect p = panel();
    const struct {
        int32_t percent;
        int navyInPanel;
        int navyLeftOfPanel;
        int navyRightOfPanel;
    } cases[] = {
        {100, 48, 0, 0},  {0, 0, 0, 0}, {99, 47, 0, 0}, // 48 × 99 / 100 = 47.52, truncated
        {150, 48, 0, 24},                               // past the right edge
        {-50, 0, 24, 0},                                // left of the left edge
        {1, 0, 0, 0},                                   // 0.48 pixels: nothing
    };
    for (const auto& c : cases) {
        send(c.percent);
        control<TStatusBar>(*form, "StatusBar1")->repaint(); // the full picture, whatever the direction was
        const QImage image = statusImage();
        EXPECT_EQ(navyColumns(image, p.left(), p.right() + 1), c.navyInPanel) << c.percent;
        EXPECT_EQ(navyColumns(image, 0, p.left()), c.navyLeftOfPanel) << c.percent;
        EXPECT_EQ(navyColumns(image, p.right() + 1, image.width()), c.navyRightOfPanel) << c.percent;
        EXPECT_EQ(form->proStatus(), c.percent);
    }
}

TEST_F(Progress, HugeValuesWrapLikeA32BitProductAndDoNotCrash)
{
    showWindow();
    for (int32_t value : {INT32_MAX, INT32_MIN, 100000000, -100000000}) {
        send(value);
        control<TStatusBar>(*form, "StatusBar1")->repaint();
        EXPECT_EQ(form->proStatus(), value);
    }
}

TEST_F(Progress, MessageBeforeTheFirstPaintIsShownByTheNextPaint)
{
    send(50);
    EXPECT_EQ(form->proStatus(), 50);
    EXPECT_TRUE(form->sBarRect().isNull()); // never painted: all zero
    showWindow();
    const QRect p = panel();
    EXPECT_EQ(navyColumns(statusImage(), p.left(), p.right() + 1), 24);
}

} // namespace
} // namespace pagolux::test
