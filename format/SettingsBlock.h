#pragma once
// The settings block that follows the viewer in every output executable: ten flag bytes,
// width and height (signed 32-bit), defined-size and fixed-size flags, then the project name
// and the start file path as length-prefixed strings. All numbers little-endian.

#include "archive/TStream.h"
#include "format/BuildSettings.h"
#include "platform/Exception.h"

#include <cstdint>
#include <string>
#include <vector>

namespace pagolux {

// Bytes of the block besides the two strings' bytes.
inline constexpr std::int64_t kSettingsBlockFixedSize = 28;

// A settings block that cannot be read (cut short, a length that runs past its end).
class ESettingsBlockError : public Exception {
  public:
    using Exception::Exception;
};

// Writes the block field by field to out. The project name goes through WriteStr, whose
// EInOutError reaches the caller; any other failed write raises the stream layer's error.
void WriteSettingsBlock(TStream& out, const BuildSettings& settings, const std::string& startPath);

// The block as bytes (the same bytes WriteSettingsBlock writes).
[[nodiscard]] std::vector<std::uint8_t> EncodeSettingsBlock(const BuildSettings& settings,
                                                            const std::string& startPath);

struct SettingsBlock {
    BuildSettings settings;
    std::string startPath;
    std::int64_t size = 0; // bytes the block occupies
};

// Reads a block from in's current position; at most `available` bytes belong to it (the rest
// of the stream is the archive). Trusts no length: a negative one, or one that runs past
// `available`, raises ESettingsBlockError before anything is allocated.
[[nodiscard]] SettingsBlock ReadSettingsBlock(TStream& in, std::int64_t available);

} // namespace pagolux
