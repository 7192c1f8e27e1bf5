#pragma once
// Device-independent bitmaps inside metafile records: decoded after their sizes are checked
// against the bytes that hold them, and the source rectangle of a blit.

#include "picture/MetafileBytes.h"
#include "picture/MetafilePlayer.h"

#include <QImage>
#include <QRect>

namespace pagolux::metafile {

// A device-independent bitmap (information header, colour table, pixel bits), decoded by
// Qt's bitmap reader.
[[nodiscard]] QImage decodeDib(const Bytes& info, const Bytes& bits, const MetafileLimits& limits);

// The source rectangle of a DIB blit in the decoded image's rows (top row first). The file
// counts y from the bottom for a bottom-up bitmap.
[[nodiscard]] QRect sourceRect(const QImage& bitmap, bool bottomUp, long long x, long long y, long long w,
                               long long h);

[[nodiscard]] bool isBottomUp(const Bytes& info);

} // namespace pagolux::metafile
