#include "controls/ButtonsXP.h"

#include "TestHelpers.h"

#include <QPainter>
#include <QTest>

#include <gtest/gtest.h>

namespace pagolux {
namespace {

using test::grabImage;
using test::StyleScope;

const QColor olive(128, 128, 0);
const QColor red(255, 0, 0);

// A 60 x 30 button without caption: inside the classic 2-pixel edge (56 x 26) a 16 x 16
// glyph is centred at (20, 5), so the glyph's top-left pixel lands on (22, 7).
constexpr QPoint glyphOrigin(22, 7);

QImage twoImageStrip()
{
    QImage image(32, 16, QImage::Format_RGB32);
    image.fill(olive);
    QPainter p(&image);
    p.fillRect(2, 2, 4, 4, red);                        // normal image: a red square
    p.fillRect(16 + 2, 2, 2, 2, Qt::white);             // disabled image: white,
    p.fillRect(16 + 8, 8, 2, 2, QColor(128, 128, 128)); // grey
    p.fillRect(16 + 12, 12, 1, 1, Qt::black);           // and black pixels
    return image;
}

QImage singleImage()
{
    QImage image(16, 16, QImage::Format_RGB32);
    image.fill(olive);
    image.setPixelColor(3, 3, Qt::black);
    image.setPixelColor(10, 10, red);
    return image;
}

QColor at(const QImage& image, QPoint glyphPixel, QPoint shift = {0, 0})
{
    return image.pixelColor(glyphOrigin + glyphPixel + shift);
}

class ClassicPaint : public ::testing::Test {
  protected:
    StyleScope classic{QStringLiteral("Windows")};
};

TEST_F(ClassicPaint, TwoImageGlyphDisabledLookPixelByPixel)
{
    ASSERT_FALSE(ThemesInUse());
    TBitBtnXP b;
    b.resize(60, 30);
    b.SetGlyph(twoImageStrip());
    ASSERT_EQ(b.NumGlyphs(), 2);
    b.setEnabled(false);
    const QImage img = grabImage(&b);
    const QPalette pal = b.palette();
    EXPECT_EQ(test::hex(at(img, {2, 2})), test::hex(pal.color(QPalette::Active, QPalette::Light)));
    EXPECT_EQ(test::hex(at(img, {3, 3})), test::hex(pal.color(QPalette::Active, QPalette::Light)));
    EXPECT_EQ(test::hex(at(img, {8, 8})), test::hex(pal.color(QPalette::Active, QPalette::Dark)));
    EXPECT_EQ(test::hex(at(img, {12, 12})), test::hex(QColor(Qt::black)));
    EXPECT_EQ(test::hex(at(img, {0, 0})),
              test::hex(pal.color(QPalette::Active, QPalette::Button))); // transparent: the face shows
    EXPECT_EQ(test::hex(at(img, {4, 4})),
              test::hex(pal.color(QPalette::Active, QPalette::Button))); // the red square is not shown
}

TEST_F(ClassicPaint, UpAndPressedLooks)
{
    TBitBtnXP b;
    b.resize(60, 30);
    b.SetGlyph(twoImageStrip());
    QImage img = grabImage(&b);
    EXPECT_EQ(test::hex(at(img, {2, 2})), test::hex(red));
    EXPECT_EQ(test::hex(at(img, {5, 5})), test::hex(red));
    EXPECT_EQ(test::hex(at(img, {1, 1})), test::hex(b.palette().color(QPalette::Active, QPalette::Button)));

    // Pressed: the same up image, moved one pixel right and down.
    b.setDown(true);
    img = grabImage(&b);
    EXPECT_NE(at(img, {2, 2}), red);
    EXPECT_EQ(test::hex(at(img, {2, 2}, {1, 1})), test::hex(red));
    EXPECT_EQ(test::hex(at(img, {5, 5}, {1, 1})), test::hex(red));
}

TEST_F(ClassicPaint, SingleImageDisabledLookComesFromBlackPixels)
{
    TBitBtnXP b;
    b.resize(60, 30);
    b.SetGlyph(singleImage());
    ASSERT_EQ(b.NumGlyphs(), 1);
    QImage img = grabImage(&b);
    EXPECT_EQ(test::hex(at(img, {10, 10})), test::hex(red));
    EXPECT_EQ(test::hex(at(img, {3, 3})), test::hex(QColor(Qt::black)));

    b.setEnabled(false);
    img = grabImage(&b);
    const QPalette pal = b.palette();
    EXPECT_EQ(test::hex(at(img, {3, 3})), test::hex(pal.color(QPalette::Active, QPalette::Dark)));
    EXPECT_EQ(test::hex(at(img, {4, 4})), test::hex(pal.color(QPalette::Active, QPalette::Light)));
    EXPECT_EQ(test::hex(at(img, {10, 10})),
              test::hex(pal.color(QPalette::Active, QPalette::Button))); // red leaves no trace
}

TEST_F(ClassicPaint, FaceEdgesAndFocusFrame)
{
    QWidget form;
    auto* b = new TBitBtnXP(QStringLiteral("Los"), &form);
    b->setGeometry(10, 10, 60, 30);
    auto* other = new TBitBtnXP(QStringLiteral("Anders"), &form);
    other->setGeometry(10, 50, 60, 30);
    form.show();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    other->setFocus();

    QImage img = grabImage(b);
    const QPalette pal = b->palette();
    EXPECT_EQ(test::hex(img.pixelColor(0, 0)), test::hex(pal.color(QPalette::Active, QPalette::Light)));
    EXPECT_EQ(test::hex(img.pixelColor(59, 29)), test::hex(pal.color(QPalette::Active, QPalette::Shadow)));

    b->setFocus();
    ASSERT_TRUE(b->Active());
    img = grabImage(b);
    EXPECT_EQ(test::hex(img.pixelColor(0, 0)),
              test::hex(pal.color(QPalette::Active, QPalette::WindowText))); // frame around the face
    EXPECT_EQ(test::hex(img.pixelColor(1, 1)),
              test::hex(pal.color(QPalette::Active, QPalette::Light))); // the face, one pixel in
}

TEST_F(ClassicPaint, DisabledCaptionIsEtchedNotInk)
{
    TBitBtnXP b(QStringLiteral("MMMM"));
    b.resize(80, 30);
    const QPalette pal = b.palette();
    const int faceGrey = qGray(pal.color(QPalette::Active, QPalette::Button).rgb());
    struct Counts {
        int ink = 0;
        int shadow = 0;
        int lighterThanFace = 0;
    };
    auto count = [&](const QImage& img) {
        Counts c;
        for (int y = 4; y < img.height() - 4; ++y)
            for (int x = 4; x < img.width() - 4; ++x) {
                const QRgb p = img.pixel(x, y);
                c.ink += p == pal.color(QPalette::Active, QPalette::ButtonText).rgb();
                c.shadow += p == pal.color(QPalette::Active, QPalette::Dark).rgb();
                c.lighterThanFace += qGray(p) > faceGrey;
            }
        return c;
    };
    const Counts enabled = count(grabImage(&b));
    EXPECT_GT(enabled.ink, 3);
    EXPECT_EQ(enabled.lighterThanFace, 0);
    b.setEnabled(false);
    const Counts disabled = count(grabImage(&b));
    EXPECT_EQ(disabled.ink, 0);
    EXPECT_GT(disabled.shadow, 3);
    EXPECT_GT(disabled.lighterThanFace, 3); // the highlight copy one pixel right and down
}

TEST(ThemeSwitch, ClassicStyleAtRunTimeChangesTheFace)
{
    TBitBtnXP b(QStringLiteral("Los"));
    b.resize(60, 30);
    ASSERT_TRUE(ThemesInUse());
    ASSERT_NE(b.ThemeHandle(), nullptr);
    const QImage themed = grabImage(&b);
    const QColor themedCorner = themed.pixelColor(59, 29);
    {
        StyleScope classic(QStringLiteral("Windows"));
        EXPECT_FALSE(ThemesInUse());
        const QImage classicImg = grabImage(&b);
        EXPECT_EQ(test::hex(classicImg.pixelColor(59, 29)),
                  test::hex(b.palette().color(QPalette::Active, QPalette::Shadow)));
        EXPECT_NE(classicImg, themed);
    }
    EXPECT_TRUE(ThemesInUse());
    EXPECT_EQ(test::hex(grabImage(&b).pixelColor(59, 29)), test::hex(themedCorner));
    EXPECT_NE(themedCorner, b.palette().color(QPalette::Active, QPalette::Shadow));
}

TEST(ThemeSwitch, ButtonMadeUnderClassicStyleStillGetsAThemedFaceLater)
{
    std::unique_ptr<TBitBtnXP> b;
    {
        StyleScope classic(QStringLiteral("Windows"));
        b = std::make_unique<TBitBtnXP>(QStringLiteral("Los"));
        EXPECT_EQ(b->ThemeHandle(), nullptr);
    }
    b->resize(60, 30);
    const QImage img = grabImage(b.get());
    EXPECT_NE(b->ThemeHandle(), nullptr);
    EXPECT_NE(img.pixelColor(59, 29), b->palette().color(QPalette::Active, QPalette::Shadow));
}

} // namespace
} // namespace pagolux
