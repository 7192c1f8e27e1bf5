#include "controls/TButtonGlyph.h"
#include "controls/TGlyphCache.h"

#include "TestHelpers.h"

#include <QPainter>

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <map>

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

// Buttons come and go: an image added after others were freed never replaces one still in
// use, every image keeps showing its own picture, and the list grows no larger than the most
// images it held at once. Freeing an image twice frees nothing else.
TEST(TGlyphList, ImagesSurviveOthersComingAndGoing)
{
    TGlyphList list({8, 8});
    const QColor colours[] = {Qt::red, Qt::green, Qt::blue, Qt::yellow, Qt::cyan, Qt::magenta, Qt::white};
    std::map<int, QColor> live;
    std::size_t most = 0;
    int next = 0;
    const auto checkAll = [&] {
        EXPECT_EQ(list.Count(), static_cast<int>(live.size()));
        for (const auto& [slot, colour] : live)
            EXPECT_EQ(test::hex(list.Image(slot).pixelColor(3, 3)), test::hex(colour)) << "slot " << slot;
    };
    for (int round = 0; round < 12; ++round) {
        for (int k = 0; k < 2; ++k) {
            const QColor colour = colours[next++ % std::size(colours)];
            const int slot = list.AddMasked(strip(1, 8, {colour}), olive);
            EXPECT_EQ(live.count(slot), 0u) << "slot " << slot << " is still in use";
            live[slot] = colour;
        }
        most = std::max(most, live.size());
        // Free the middle one, then the same again: the second release changes nothing.
        const auto middle = std::next(live.begin(), static_cast<long>(live.size() / 2));
        const int freed = middle->first;
        live.erase(middle);
        list.Delete(freed);
        list.Delete(freed);
        checkAll();
    }
    EXPECT_LE(list.Capacity(), static_cast<int>(most));
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
        // A new button's image does not disturb the image the other one still shows.
        TButtonGlyph third;
        third.SetGlyph(strip(1, 16, {Qt::green}));
        const int added = third.CreateButtonGlyph(bsUp, pal);
        EXPECT_NE(added, other);
        EXPECT_EQ(test::hex(third.List()->Image(added).pixelColor(3, 3)), test::hex(QColor(Qt::green)));
        EXPECT_EQ(test::hex(second.List()->Image(other).pixelColor(3, 3)), test::hex(QColor(Qt::blue)));
        EXPECT_EQ(second.List()->Count(), 2);
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
