#pragma once
// The few parts of a Windows program file (PE/COFF) that the builder patches and the Windows
// viewer reads: the header checksum, the certificate table that code signing appends, and the
// resources (version information, icon images), located as file offsets. Works on any stream,
// so the builder reads its output file and the tests read memory. Plain C++.

#include "archive/TStream.h"
#include "platform/Exception.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace pagolux {

// The stream does not hold a PE image this reader understands; what() names the fault.
class EPeFormatError : public Exception {
  public:
    using Exception::Exception;
};

struct PeSection {
    std::uint32_t virtualAddress = 0;
    std::uint32_t virtualSize = 0;
    std::uint32_t rawOffset = 0;
    std::uint32_t rawSize = 0;
};

struct PeLayout {
    std::int64_t checksumOffset = 0;     // file offset of the optional header's CheckSum
    std::uint32_t certificateOffset = 0; // the security directory: a file offset, not an RVA
    std::uint32_t certificateSize = 0;   // 0: the file carries no certificate table
    std::uint32_t resourceRva = 0;
    std::uint32_t resourceSize = 0;
    std::vector<PeSection> sections;

    // The file offset of length bytes at rva, when they lie in one section's file data.
    [[nodiscard]] std::optional<std::int64_t> fileOffsetOf(std::uint32_t rva, std::uint32_t length) const;
};

// Reads the headers. Raises EPeFormatError for anything that is not a PE image with an
// optional header and its data directories.
[[nodiscard]] PeLayout ReadPeLayout(TStream& file);

// A resource's bytes as they lie in the file.
struct PeResource {
    std::uint16_t id = 0;
    std::int64_t offset = 0;
    std::uint32_t size = 0;
};

// The resources of one numeric type with numeric names, each in its first language, in
// directory order. Raises EPeFormatError when the resource directory is damaged.
[[nodiscard]] std::vector<PeResource> ListPeResources(TStream& file, const PeLayout& pe, std::uint16_t type);
[[nodiscard]] std::optional<PeResource> FindPeResource(TStream& file, const PeLayout& pe, std::uint16_t type,
                                                       std::uint16_t id);

// The image checksum over the whole file, the CheckSum field counted as zero.
[[nodiscard]] std::uint32_t ComputePeChecksum(TStream& file, std::int64_t checksumOffset);
// Computes the checksum and writes it into the header; returns it.
std::uint32_t WritePeChecksum(TStream& file);

// Where the program's own data end: the start of a certificate table that closes the file
// (code signing appends one and points the security directory at it), else the file's size.
// A file that is not a PE image ends at its size.
[[nodiscard]] std::int64_t PeDataEnd(TStream& file);

inline constexpr std::uint16_t kPeResourceIcon = 3;
inline constexpr std::uint16_t kPeResourceVersion = 16;
inline constexpr std::uint16_t kPeResourceGroupIcon = 14;

} // namespace pagolux
