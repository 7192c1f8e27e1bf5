// Feeds arbitrary bytes to the "theicon.bmp" reader. Anything it accepts must survive a write
// and a second read unchanged; anything else must be refused with EIconFileError.
#include "icon/IconBmpFile.h"
#include "icon/IconError.h"

#include <cstdint>
#include <cstdlib>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace pagolux;
    IconBitmap icon;
    try {
        icon = IconBmpFile::decode(std::span<const std::uint8_t>(data, size));
    } catch (const EIconFileError&) {
        return 0;
    }
    if (IconBmpFile::decode(IconBmpFile::encode(icon)) != icon) {
        std::abort();
    }
    if (IconBitmap::fromPixelBytes(icon.pixelBytes()) != icon) {
        std::abort();
    }
    return 0;
}
