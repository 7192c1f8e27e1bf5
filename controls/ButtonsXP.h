#pragma once
// The themed bitmap button's unit: TBitBtnXP, its glyph object and cache, the theme layer,
// and the glyphs of the main window's and the information dialog's buttons.

#include "controls/TBitBtnXP.h"
#include "controls/TButtonGlyph.h"
#include "controls/TGlyphCache.h"
#include "controls/UxTheme.h"

#include <QImage>
#include <QString>

namespace pagolux {

// A glyph strip of our own artwork: "add", "delete", "load", "back", "forward", "home"
// (one image), "reload", "openicon", "web". Null when the name is unknown.
[[nodiscard]] QImage ButtonGlyph(const QString& name);

} // namespace pagolux
