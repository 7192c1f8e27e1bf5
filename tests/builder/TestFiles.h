#pragma once
// Helpers of the builder tests: the stored form of a prototype, with the shared scratch folder,
// whole-file reads and writes and little-endian fields.

#include "tests/support/Files.h"
#include "tests/support/TempFolder.h"

#include <cstdint>

namespace pagolux::test {

// The stored form of a prototype: every byte increased by 1.
inline Bytes encodeProto(const Bytes& decoded)
{
    Bytes out(decoded.size());
    for (std::size_t i = 0; i < decoded.size(); ++i)
        out[i] = static_cast<std::uint8_t>(decoded[i] + 1);
    return out;
}

} // namespace pagolux::test
