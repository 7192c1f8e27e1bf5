#pragma once
// The Windows viewer's version information (a VS_VERSIONINFO resource) with fields of fixed
// size that the builder fills in place: FileDescription and ProductName take the project's
// name, OriginalFilename and InternalName the output's file name. The viewer is built with the
// block that MakeVersionResource writes; the builder rewrites the values inside it without
// moving a byte of the file. Plain C++.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pagolux {

// UTF-16 code units each reserved field holds, its terminating zero included.
inline constexpr std::size_t kVersionFieldUnits = 256;

struct VersionTexts {
    std::u16string fileDescription;
    std::u16string productName;
    std::u16string originalFilename;
    std::u16string internalName;
};

// The resource as the viewer carries it: version 2.0, German (0407, Unicode), the four
// reserved fields holding texts (cut to fit) followed by zeros to their full size.
[[nodiscard]] std::vector<std::uint8_t> MakeVersionResource(const VersionTexts& texts);

// Writes the texts into the reserved fields of a resource made by MakeVersionResource (or any
// block whose fields are large enough), in place; a text longer than its field is cut. Returns
// false, with block unchanged, when a field is missing or the block is damaged.
bool FillVersionResource(std::vector<std::uint8_t>& block, const VersionTexts& texts);

// The value of a string field ("ProductName", …) up to its first zero, or nothing.
[[nodiscard]] std::optional<std::u16string> ReadVersionString(const std::vector<std::uint8_t>& block,
                                                              const std::u16string& key);

// UTF-8 to UTF-16 (stored 8-bit names go through DisplayText first); a byte that is not
// part of a UTF-8 sequence becomes U+FFFD.
[[nodiscard]] std::u16string VersionText(const std::string& utf8);

} // namespace pagolux
