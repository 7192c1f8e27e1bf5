#include "controls/TButtonGlyph.h"

#include <gtest/gtest.h>

namespace pagolux {
namespace {

struct LayoutCase {
    const char* name;
    QRect client;
    QSize glyph;
    QSize text;
    TButtonLayout layout;
    int margin;
    int spacing;
    bool rtl;
    QPoint glyphPos;
    QPoint textPos;
    int resultMargin;
    int resultSpacing;
};

void PrintTo(const LayoutCase& c, std::ostream* os)
{
    *os << c.name;
}

class ButtonLayout : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(ButtonLayout, PlacesGlyphAndCaption)
{
    const LayoutCase& c = GetParam();
    const ButtonLayoutResult r =
        CalcButtonLayout(c.client, c.glyph, c.text, c.layout, c.margin, c.spacing, c.rtl);
    EXPECT_EQ(r.glyphPos, c.glyphPos);
    EXPECT_EQ(r.textRect.topLeft(), c.textPos);
    EXPECT_EQ(r.textRect.size(), c.text);
    EXPECT_EQ(r.margin, c.resultMargin);
    EXPECT_EQ(r.spacing, c.resultSpacing);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ButtonLayout,
    ::testing::Values(
        // (90 - (16 + 40)) / 3 = 11 on both sides of the glyph.
        LayoutCase{"SpreadBothMinusOne",
                   {0, 0, 90, 20},
                   {16, 16},
                   {40, 13},
                   blGlyphLeft,
                   -1,
                   -1,
                   false,
                   {11, 2},
                   {38, 4},
                   11,
                   11},
        // The default block: (89 - (16 + 4 + 50) + 1) / 2 = 10; vertical (21 - 16 + 1) / 2 = 3.
        LayoutCase{"DefaultBlockCentred",
                   {2, 2, 89, 21},
                   {16, 16},
                   {50, 13},
                   blGlyphLeft,
                   -1,
                   4,
                   false,
                   {12, 5},
                   {32, 6},
                   10,
                   4},
        LayoutCase{"GlyphRight",
                   {0, 0, 89, 21},
                   {16, 16},
                   {50, 13},
                   blGlyphRight,
                   -1,
                   4,
                   false,
                   {63, 3},
                   {9, 4},
                   10,
                   4},
        LayoutCase{"RightToLeftSwapsLeft",
                   {0, 0, 89, 21},
                   {16, 16},
                   {50, 13},
                   blGlyphLeft,
                   -1,
                   4,
                   true,
                   {63, 3},
                   {9, 4},
                   10,
                   4},
        LayoutCase{"RightToLeftSwapsRight",
                   {0, 0, 89, 21},
                   {16, 16},
                   {50, 13},
                   blGlyphRight,
                   -1,
                   4,
                   true,
                   {10, 3},
                   {30, 4},
                   10,
                   4},
        LayoutCase{"GlyphTop",
                   {0, 0, 60, 50},
                   {16, 16},
                   {30, 13},
                   blGlyphTop,
                   -1,
                   4,
                   false,
                   {22, 9},
                   {15, 29},
                   9,
                   4},
        LayoutCase{"GlyphBottom",
                   {0, 0, 60, 50},
                   {16, 16},
                   {30, 13},
                   blGlyphBottom,
                   2,
                   4,
                   false,
                   {22, 32},
                   {15, 15},
                   2,
                   4},
        // Margin given, spacing spread: ((90 - (5 + 16)) - 40) / 2 = 14.
        LayoutCase{"MarginGivenSpacingSpread",
                   {0, 0, 90, 20},
                   {16, 16},
                   {40, 13},
                   blGlyphLeft,
                   5,
                   -1,
                   false,
                   {5, 2},
                   {35, 4},
                   5,
                   14},
        // Without caption the spacing is 0 and the glyph alone is centred.
        LayoutCase{"NoCaption",
                   {0, 0, 56, 26},
                   {16, 16},
                   {0, 0},
                   blGlyphLeft,
                   -1,
                   4,
                   false,
                   {20, 5},
                   {36, 13},
                   20,
                   0},
        LayoutCase{
            "NoGlyph", {0, 0, 80, 20}, {0, 0}, {40, 13}, blGlyphLeft, -1, 4, false, {20, 10}, {20, 4}, 20, 0},
        // A face narrower than the glyph: (10 - 16 + 1) / 2 truncates toward zero to -2.
        LayoutCase{"TruncatesTowardZero",
                   {0, 0, 10, 10},
                   {16, 16},
                   {0, 0},
                   blGlyphLeft,
                   -1,
                   4,
                   false,
                   {-2, -2},
                   {14, 5},
                   -2,
                   0}),
    [](const ::testing::TestParamInfo<LayoutCase>& info) { return std::string(info.param.name); });

} // namespace
} // namespace pagolux
