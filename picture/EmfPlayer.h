#pragma once
// Plays the records of an EMF file onto a canvas of the picture.

#include "picture/MetafileBytes.h"
#include "picture/MetafilePlayer.h"

namespace pagolux::metafile {

// The picture of the whole file; throws Damage for a damaged file and Unsupported for a
// record the player does not draw.
[[nodiscard]] MetafilePlayback playEmfRecords(const Bytes& file, const MetafileLimits& limits);

} // namespace pagolux::metafile
