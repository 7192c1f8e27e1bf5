#include "controls/TButtonGlyph.h"

#include "controls/TGlyphCache.h"

#include <QPainter>

namespace pagolux {

ButtonLayoutResult CalcButtonLayout(const QRect& client, QSize glyphSize, QSize textSize,
                                    TButtonLayout layout, int margin, int spacing, bool rightToLeft)
{
    if (rightToLeft) {
        if (layout == blGlyphLeft)
            layout = blGlyphRight;
        else if (layout == blGlyphRight)
            layout = blGlyphLeft;
    }
    const bool horizontal = layout == blGlyphLeft || layout == blGlyphRight;
    QPoint glyphPos;
    QPoint textPos;
    if (horizontal) {
        glyphPos.setY((client.height() - glyphSize.height() + 1) / 2);
        textPos.setY((client.height() - textSize.height() + 1) / 2);
    } else {
        glyphPos.setX((client.width() - glyphSize.width() + 1) / 2);
        textPos.setX((client.width() - textSize.width() + 1) / 2);
    }
    if (textSize.width() == 0 || glyphSize.width() == 0)
        spacing = 0;

    const int s = horizontal ? client.width() : client.height();
    const int g = horizontal ? glyphSize.width() : glyphSize.height();
    const int t = horizontal ? textSize.width() : textSize.height();
    if (margin == -1) {
        if (spacing == -1) {
            margin = (s - (g + t)) / 3;
            spacing = margin;
        } else {
            margin = (s - (g + spacing + t) + 1) / 2;
        }
    } else if (spacing == -1) {
        spacing = ((s - (margin + g)) - t) / 2;
    }

    int glyphAxis = 0;
    int textAxis = 0;
    if (layout == blGlyphLeft || layout == blGlyphTop) {
        glyphAxis = margin;
        textAxis = glyphAxis + g + spacing;
    } else {
        glyphAxis = s - margin - g;
        textAxis = glyphAxis - spacing - t;
    }
    if (horizontal) {
        glyphPos.setX(glyphAxis);
        textPos.setX(textAxis);
    } else {
        glyphPos.setY(glyphAxis);
        textPos.setY(textAxis);
    }

    ButtonLayoutResult result;
    result.glyphPos = glyphPos + client.topLeft();
    result.textRect = QRect(textPos + client.topLeft(), textSize);
    result.margin = margin;
    result.spacing = spacing;
    return result;
}

TButtonGlyph::TButtonGlyph() = default;

TButtonGlyph::~TButtonGlyph()
{
    Invalidate();
    TGlyphCache::FreeIfEmpty();
}

void TButtonGlyph::SetGlyph(const QImage& image)
{
    Invalidate();
    glyph = image.copy();
    glyphChanged();
}

void TButtonGlyph::SetFixedTransparentColor(std::optional<QColor> colour)
{
    Invalidate();
    fixedTransparent = colour;
    glyphChanged();
}

void TButtonGlyph::SetNumGlyphs(int value)
{
    if (value <= 0 || value == numGlyphs)
        return;
    Invalidate();
    numGlyphs = value;
    readTransparentColor();
    if (OnChange)
        OnChange();
}

void TButtonGlyph::glyphChanged()
{
    readTransparentColor();
    if (OnChange)
        OnChange();
}

void TButtonGlyph::readTransparentColor()
{
    if (glyph.isNull() || glyph.width() == 0 || glyph.height() == 0)
        transparentColor = fixedTransparent.value_or(OliveTransparent);
    else if (fixedTransparent)
        transparentColor = *fixedTransparent;
    else
        transparentColor = glyph.pixelColor(0, glyph.height() - 1);
}

QSize TButtonGlyph::ImageSize() const
{
    if (glyph.isNull() || numGlyphs <= 0)
        return {0, 0};
    return {glyph.width() / numGlyphs, glyph.height()};
}

void TButtonGlyph::Invalidate()
{
    if (glyphList) {
        for (int& index : indexes) {
            if (index >= 0)
                glyphList->Delete(index);
            index = -1;
        }
        if (TGlyphCache* cache = TGlyphCache::Current())
            cache->ReturnList(glyphList);
        glyphList = nullptr;
    }
    indexes.fill(-1);
}

int TButtonGlyph::CreateButtonGlyph(TButtonState state, const QPalette& palette)
{
    if (state == bsDown && numGlyphs < 3)
        state = bsUp;
    if (indexes[state] != -1)
        return indexes[state];
    const QSize size = ImageSize();
    if (size.width() <= 0 || size.height() <= 0)
        return -1;
    if (!glyphList)
        glyphList = TGlyphCache::Instance().GetList(size.width(), size.height());

    const int sourceNumber = static_cast<int>(state) < numGlyphs ? static_cast<int>(state) : 0;
    const QImage strip = glyph.convertToFormat(QImage::Format_ARGB32);
    const QImage source = strip.copy(sourceNumber * size.width(), 0, size.width(), size.height());
    const QColor face = palette.color(QPalette::Active, QPalette::Button);
    const QColor highlight = palette.color(QPalette::Active, QPalette::Light);
    const QColor shadow = palette.color(QPalette::Active, QPalette::Dark);

    QImage work;
    if (state != bsDisabled) {
        work = source;
        const QColor mask = fixedTransparent ? *fixedTransparent : work.pixelColor(0, work.height() - 1);
        indexes[state] = glyphList->AddMasked(work, mask);
    } else {
        if (numGlyphs == 1) {
            // Embossed from the black pixels of the only image; other colours leave no trace.
            work = QImage(size, QImage::Format_ARGB32);
            work.fill(face);
            const QImage first = strip.copy(0, 0, size.width(), size.height());
            auto isBlack = [&](int x, int y) { return (first.pixel(x, y) & 0x00ffffff) == 0; };
            for (int y = 0; y < size.height(); ++y)
                for (int x = 0; x < size.width(); ++x)
                    if (isBlack(x, y) && x + 1 < size.width() && y + 1 < size.height())
                        work.setPixelColor(x + 1, y + 1, highlight);
            for (int y = 0; y < size.height(); ++y)
                for (int x = 0; x < size.width(); ++x)
                    if (isBlack(x, y))
                        work.setPixelColor(x, y, shadow);
        } else {
            work = source;
            const QRgb white = qRgb(255, 255, 255);
            const QRgb grey = qRgb(128, 128, 128);
            const QRgb transparent = transparentColor.rgb() & 0x00ffffff;
            for (int y = 0; y < work.height(); ++y) {
                auto* line = reinterpret_cast<QRgb*>(work.scanLine(y));
                for (int x = 0; x < work.width(); ++x) {
                    const QRgb c = line[x] | 0xff000000;
                    if (c == white)
                        line[x] = highlight.rgb();
                    else if (c == grey)
                        line[x] = shadow.rgb();
                    else if ((c & 0x00ffffff) == transparent)
                        line[x] = face.rgb();
                }
            }
        }
        indexes[state] = glyphList->AddMasked(work, work.pixelColor(0, work.height() - 1));
    }
    return indexes[state];
}

void TButtonGlyph::DrawButtonGlyph(QPainter& painter, QPoint pos, TButtonState state, const QPalette& palette)
{
    if (glyph.isNull() || glyph.width() == 0 || glyph.height() == 0)
        return;
    const int index = CreateButtonGlyph(state, palette);
    if (glyphList && index >= 0)
        glyphList->Draw(painter, index, pos.x(), pos.y());
}

} // namespace pagolux
