// Feeds arbitrary bytes to the metafile player, as a WMF and as an EMF. Every input ends in
// one of three ways: a picture within the limits, a named record the player leaves to the
// converters, or EPictureError. Nothing else may escape, and the canvas is kept small so that
// each input stays quick.

#include "icon/IconError.h"
#include "picture/MetafilePlayer.h"

#include <QByteArray>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace pagolux;
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    // Huge extents are allowed but drawn reduced to 256 pixels, as the picture reader does.
    const MetafileLimits limits{32768, 100'000'000, 256, 1 << 18};
    for (const bool wmf : {true, false}) {
        MetafilePlayback played;
        try {
            played = wmf ? MetafilePlayer::playWmf(bytes, "fuzz", limits)
                         : MetafilePlayer::playEmf(bytes, "fuzz", limits);
        } catch (const EPictureError&) {
            continue;
        }
        if (played.image.isNull() == played.unsupported.empty()) {
            std::abort(); // exactly one of picture and record
        }
        if (!played.image.isNull() &&
            (played.image.format() != QImage::Format_ARGB32 || played.image.width() > limits.fitSide ||
             played.image.height() > limits.fitSide)) {
            std::abort();
        }
    }
    return 0;
}
