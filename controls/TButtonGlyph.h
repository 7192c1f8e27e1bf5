#pragma once
// The glyph of a TBitBtnXP: a strip of 1 to 4 equal-width images (up, disabled, down,
// exclusive), their state images built on first need and kept in the shared size-keyed
// glyph lists, and the layout of glyph and caption on a button face.

#include "controls/ButtonsXPTypes.h"
#include "controls/TGlyphList.h"

#include <QColor>
#include <QImage>
#include <QPalette>
#include <QPoint>
#include <QRect>

#include <array>
#include <functional>
#include <optional>

class QPainter;

namespace pagolux {

// Where glyph and caption go inside a rectangle; positions are absolute.
struct ButtonLayoutResult {
    QPoint glyphPos;
    QRect textRect;
    int margin = 0;
    int spacing = 0;
};

// Places a glyph of glyphSize and a caption whose measured rectangle is textSize inside
// client. margin -1 centres the block; spacing -1 spreads glyph and caption. In right-to-left
// mode glyph left and right swap. All divisions truncate toward zero.
[[nodiscard]] ButtonLayoutResult CalcButtonLayout(const QRect& client, QSize glyphSize, QSize textSize,
                                                  TButtonLayout layout, int margin, int spacing,
                                                  bool rightToLeft);

// The colour the glyph strips use as transparent background until a bitmap says otherwise.
inline const QColor OliveTransparent{128, 128, 0};

class TButtonGlyph {
  public:
    TButtonGlyph();
    ~TButtonGlyph();
    TButtonGlyph(const TButtonGlyph&) = delete;
    TButtonGlyph& operator=(const TButtonGlyph&) = delete;

    // Called after every change that needs a repaint.
    std::function<void()> OnChange;

    [[nodiscard]] const QImage& Glyph() const { return glyph; }
    // Takes a copy; releases the built images and re-reads the transparent colour.
    void SetGlyph(const QImage& image);
    // A bitmap may carry a fixed transparent colour; without one the bottom-left pixel is used.
    void SetFixedTransparentColor(std::optional<QColor> colour);
    [[nodiscard]] std::optional<QColor> FixedTransparentColor() const { return fixedTransparent; }

    [[nodiscard]] int NumGlyphs() const { return numGlyphs; }
    // 0 is ignored; any other change releases the images and re-reads the transparent colour.
    void SetNumGlyphs(int value);

    [[nodiscard]] QColor TransparentColor() const { return transparentColor; }
    [[nodiscard]] QSize ImageSize() const;

    // The list slot of a state's image, -1 while it is not built.
    [[nodiscard]] int ImageIndex(TButtonState state) const { return indexes[state]; }
    [[nodiscard]] TGlyphList* List() const { return glyphList; }

    // Builds the state's image when it is not built yet; returns its slot or -1 without glyph.
    int CreateButtonGlyph(TButtonState state, const QPalette& palette);
    // Draws the state's image transparently with its top-left corner at pos.
    void DrawButtonGlyph(QPainter& painter, QPoint pos, TButtonState state, const QPalette& palette);
    // Releases the built images and hands the list back to the cache.
    void Invalidate();

  private:
    void glyphChanged();
    void readTransparentColor();

    QImage glyph;
    std::optional<QColor> fixedTransparent;
    int numGlyphs = 1;
    QColor transparentColor = OliveTransparent;
    std::array<int, 4> indexes{-1, -1, -1, -1};
    TGlyphList* glyphList = nullptr;
};

} // namespace pagolux
