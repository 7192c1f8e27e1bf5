#pragma once
// Enumerations shared by the themed bitmap button and its glyph object.

namespace pagolux {

// Stock kinds of TBitBtnXP: each sets caption, glyph, modal result and default/cancel.
enum TBitBtnXPKind {
    bkCustom,
    bkOK,
    bkCancel,
    bkHelp,
    bkYes,
    bkNo,
    bkClose,
    bkAbort,
    bkRetry,
    bkIgnore,
    bkAll
};

// Side of the glyph relative to the caption.
enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };

// Kept and stored; the drawing does not depend on it.
enum TButtonStyle { bsAutoDetect, bsWin31, bsNew };

// The glyph image shown for a button state; the number is the image's place in the strip.
enum TButtonState { bsUp = 0, bsDisabled = 1, bsDown = 2, bsExclusive = 3 };

// Modal results of the stock kinds.
inline constexpr int mrNone = 0;
inline constexpr int mrOk = 1;
inline constexpr int mrCancel = 2;
inline constexpr int mrAbort = 3;
inline constexpr int mrRetry = 4;
inline constexpr int mrIgnore = 5;
inline constexpr int mrYes = 6;
inline constexpr int mrNo = 7;
inline constexpr int mrAll = 8;

} // namespace pagolux
