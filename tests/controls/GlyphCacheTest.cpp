#include "controls/TButtonGlyph.h"
#include "controls/TGlyphCache.h"

#include "TestHelpers.h"

#include <QPainter>

#include <gtest/gtest.h>

namespace pagolux {
namespace {

const QColor olive(128, 128, 0);

// A strip of n images of size x size on olive, image i holding a filled square of colours[i].
QImage strip(int n, int size, std::vector<QColor> colours)
{
    QImage image(n * size, size, QImage::Format_RGB32);
    image.fill(olive);
    QPainter p(&image);
    for (int i = 0; i < n && i < static_cast<int>(colours.size()); ++i)
        p.fillRect(i * size + 2, 2, 4, 4, colours[i]);
    return image;
}

TEST(TGlyphList, ReusesTheLowestFreedSlotBeforeGrowing)
{
    TGlyphList list({8, 8});
    const QImage img = test::solidImage({8, 8}, Qt::red);
    EXPECT_EQ(list.AddMasked(img, olive), 0);
    EXPECT_EQ(list.AddMasked(img, olive), 1);
    EXPECT_EQ(list.AddMasked(img, olive), 2);
    list.Delete(1);
    list.Delete(0);
    EXPECT_EQ(list.Count(), 1);
    EXPECT_EQ(list.AddMasked(img, olive), 0);
    EXPECT_EQ(list.AddMasked(img, olive), 1);
    EXPECT_EQ(list.Capacity(), 3);
    EXPECT_EQ(list.AddMasked(img, olive), 3);
    EXPECT_EQ(list.Count(), 4);
    list.Delete(1);
    list.Delete(1); // a second release of a free slot changes nothing
    EXPECT_EQ(list.Count(), 3);
}

TEST(TGlyphList, MaskColourBecomesTransparent)
{
    TGlyphList list({8, 8});
    const int i = list.AddMasked(strip(1, 8, {Qt::red}), olive);
    const QImage stored = list.Image(i);
    EXPECT_EQ(qAlpha(stored.pixel(0, 0)), 0);
    EXPECT_EQ(test::hex(stored.pixelColor(3, 3)), test::hex(QColor(Qt::red)));
}

TEST(TGlyphCache, OneListPerSizeFreedWhenEmpty)
{
    TGlyphCache cache;
    TGlyphList* a = cache.GetList(16, 16);
    EXPECT_EQ(cache.GetList(16, 16), a);
    TGlyphList* b = cache.GetList(18, 18);
    EXPECT_NE(a, b);
    EXPECT_EQ(cache.ListCount(), 2);
    const int slot = a->AddMasked(test::solidImage({16, 16}, Qt::red), olive);
    cache.ReturnList(a); // still holds an image: kept
    EXPECT_EQ(cache.ListCount(), 2);
    a->Delete(slot);
    cache.ReturnList(a);
    cache.ReturnList(b);
    EXPECT_TRUE(cache.Empty());
}

TEST(TButtonGlyph, TransparentColourFollowsTheBitmap)
{
    TButtonGlyph glyph;
    EXPECT_EQ(glyph.TransparentColor(), olive);
    QImage image = test::solidImage({16, 16}, Qt::blue);
    image.setPixelColor(0, 15, Qt::green);
    glyph.SetGlyph(image);
    EXPECT_EQ(glyph.TransparentColor(), QColor(Qt::green));
    glyph.SetFixedTransparentColor(QColor(Qt::blue));
    EXPECT_EQ(glyph.TransparentColor(), QColor(Qt::blue));
}

TEST(TButtonGlyph, ButtonsOfOneGlyphSizeShareOneListAndFreeIt)
{
    const QPalette pal = QApplication::palette();
    {
        TButtonGlyph first;
        TButtonGlyph second;
        first.SetGlyph(strip(2, 16, {Qt::red, Qt::white}));
        first.SetNumGlyphs(2);
        second.SetGlyph(strip(1, 16, {Qt::blue}));
        const int up = first.CreateButtonGlyph(bsUp, pal);
        first.CreateButtonGlyph(bsDown, pal); // down reuses the up image below three images
        const int other = second.CreateButtonGlyph(bsUp, pal);
        ASSERT_NE(first.List(), nullptr);
        EXPECT_EQ(first.List(), second.List());
        EXPECT_EQ(first.List()->Count(), 2);
        EXPECT_NE(up, other);
        EXPECT_EQ(first.ImageIndex(bsUp), up);

        // Releasing frees the slot, and the next image takes it.
        first.Invalidate();
        EXPECT_EQ(second.List()->Count(), 1);
        EXPECT_EQ(first.ImageIndex(bsUp), -1);
        TButtonGlyph third;
        third.SetGlyph(strip(1, 16, {Qt::green}));
        EXPECT_EQ(third.CreateButtonGlyph(bsUp, pal), up);
        ASSERT_NE(TGlyphCache::Current(), nullptr);
        EXPECT_EQ(TGlyphCache::Current()->ListCount(), 1);
    }
    // The last glyph gone, the shared cache is freed too.
    EXPECT_EQ(TGlyphCache::Current(), nullptr);
}

TEST(TButtonGlyph, DisabledOfAStripMapsWhiteGreyAndTransparent)
{
    const QPalette pal = QApplication::palette();
    QImage image = strip(2, 16, {Qt::red});
    image.setPixelColor(16 + 2, 2, Qt::white);
    image.setPixelColor(16 + 4, 4, QColor(128, 128, 128));
    image.setPixelColor(16 + 6, 6, Qt::black);
    TButtonGlyph glyph;
    glyph.SetGlyph(image);
    glyph.SetNumGlyphs(2);
    EXPECT_EQ(glyph.List(), nullptr); // nothing is built before it is needed
    const int index = glyph.CreateButtonGlyph(bsDisabled, pal);
    const QImage built = glyph.List()->Image(index);
    EXPECT_EQ(test::hex(built.pixelColor(2, 2)), test::hex(pal.color(QPalette::Active, QPalette::Light)));
    EXPECT_EQ(test::hex(built.pixelColor(4, 4)), test::hex(pal.color(QPalette::Active, QPalette::Dark)));
    EXPECT_EQ(test::hex(built.pixelColor(6, 6)), test::hex(QColor(Qt::black)));
    EXPECT_EQ(qAlpha(built.pixel(10, 10)), 0); // olive became face, then the mask
}

TEST(TButtonGlyph, DisabledOfASingleImageIsEmbossedFromBlackPixels)
{
    const QPalette pal = QApplication::palette();
    QImage image = test::solidImage({16, 16}, olive);
    image.setPixelColor(3, 3, Qt::black);
    image.setPixelColor(10, 10, Qt::red);
    TButtonGlyph glyph;
    glyph.SetGlyph(image);
    const int index = glyph.CreateButtonGlyph(bsDisabled, pal);
    ASSERT_NE(glyph.List(), nullptr);
    const QImage built = glyph.List()->Image(index);
    EXPECT_EQ(test::hex(built.pixelColor(3, 3)), test::hex(pal.color(QPalette::Active, QPalette::Dark)));
    EXPECT_EQ(test::hex(built.pixelColor(4, 4)), test::hex(pal.color(QPalette::Active, QPalette::Light)));
    EXPECT_EQ(qAlpha(built.pixel(10, 10)), 0); // red leaves no trace
    EXPECT_EQ(qAlpha(built.pixel(0, 0)), 0);
}

TEST(TButtonGlyph, NumGlyphsChangeReleasesImages)
{
    const QPalette pal = QApplication::palette();
    TButtonGlyph glyph;
    glyph.SetGlyph(strip(2, 16, {Qt::red, Qt::blue}));
    glyph.SetNumGlyphs(2);
    glyph.CreateButtonGlyph(bsUp, pal);
    EXPECT_NE(glyph.ImageIndex(bsUp), -1);
    glyph.SetNumGlyphs(0); // ignored
    EXPECT_EQ(glyph.NumGlyphs(), 2);
    EXPECT_NE(glyph.ImageIndex(bsUp), -1);
    glyph.SetNumGlyphs(1);
    EXPECT_EQ(glyph.ImageIndex(bsUp), -1);
    EXPECT_EQ(glyph.ImageSize(), QSize(32, 16));
}

} // namespace
} // namespace pagolux
