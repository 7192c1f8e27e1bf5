#pragma once
// Our own default icon: a page of text with a globe in front of it, 32 x 32 in the 16-colour
// icon palette and fully opaque. The window's hidden default image holds this picture;
// "Îcon zurücksetzen..." renders it into the icon.

#include "icon/IconBitmap.h"
#include "icon/RenderIcon.h"

namespace pagolux {

class StandardIcon {
  public:
    // The default picture as decoded pixels (32 x 32, every pixel opaque, palette colours only).
    [[nodiscard]] static DecodedPicture picture();
    // The same picture as palette indices.
    [[nodiscard]] static IconBitmap bitmap();
};

} // namespace pagolux
