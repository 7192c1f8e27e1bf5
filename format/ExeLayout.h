#pragma once
// The bytes the builder and every viewer agree on inside a built program and beside the
// builder: the prototype and icon-pattern file names, the marker record the builder patches,
// the copy block size that decides which marker occurrences are patched, and the layout of
// "iconcomp.dat".

#include <array>
#include <cstddef>
#include <cstdint>

namespace pagolux {

inline constexpr char kProtoExeFileName[] = "ProtoExe.dat";
inline constexpr char kIconCompFileName[] = "iconcomp.dat";

// The marker "ORVTEXEH" begins a 32-byte record in the viewer's initialised data. The builder
// writes the viewer's size (= offset of the settings block) into its first four bytes and
// zero into bytes 16 to 19.
inline constexpr char kExeMarker[] = "ORVTEXEH";
inline constexpr std::size_t kExeMarkerLength = 8;
inline constexpr std::size_t kMarkerRecordSize = 32;
inline constexpr std::int64_t kExeCopyBlockSize = 2048;

// The record as it stands in an unpatched viewer: the marker, our own tag and version, then
// four bytes of all ones that the builder zeroes. 32-byte aligned, a 2048-byte block boundary
// (a multiple of 32) can never cut it.
inline constexpr std::array<unsigned char, kMarkerRecordSize> kMarkerRecordInit = {
    'O',  'R',  'V',  'T',  'E', 'X', 'E', 'H', 'P', 'G', 'L', 'X', 2, 0, 0, 0,
    0xFF, 0xFF, 0xFF, 0xFF, 0,   0,   0,   0,   0,   0,   0,   0,   0, 0, 0, 0};

// The record as each viewer keeps it in its initialised data.
struct alignas(32) MarkerRecord {
    unsigned char bytes[kMarkerRecordSize];
};

// The unpatched record, built at compile time (so the bytes live only in the viewer's record).
constexpr MarkerRecord makeMarkerRecord()
{
    MarkerRecord r{};
    for (std::size_t i = 0; i < kMarkerRecordSize; ++i)
        r.bytes[i] = kMarkerRecordInit[i];
    return r;
}

struct MarkerState {
    bool patched = false;             // false: the builder has not written an offset yet
    std::uint32_t settingsOffset = 0; // where the settings block begins in this file
};

// Reads a marker record byte by byte through volatile accesses, so that what a viewer sees at
// run time is what its file holds, never a value the compiler folded in.
[[nodiscard]] inline MarkerState decodeMarkerRecord(const volatile unsigned char* record)
{
    unsigned char head[4];
    for (int i = 0; i < 4; ++i)
        head[i] = record[i];
    MarkerState state;
    // Unpatched, the first four bytes still read "ORVT" and bytes 16-19 are all ones.
    const bool stillMarker = head[0] == 'O' && head[1] == 'R' && head[2] == 'V' && head[3] == 'T';
    const bool zeroed = record[16] == 0 && record[17] == 0 && record[18] == 0 && record[19] == 0;
    state.patched = !stillMarker && zeroed;
    state.settingsOffset = static_cast<std::uint32_t>(head[0]) | static_cast<std::uint32_t>(head[1]) << 8 |
                           static_cast<std::uint32_t>(head[2]) << 16 |
                           static_cast<std::uint32_t>(head[3]) << 24;
    return state;
}

// "iconcomp.dat": our own 168-byte header (a BMP-like header and the palette), then the
// viewer's 512 icon pixel bytes, bottom row first, 4 bits a pixel.
inline constexpr std::int64_t kIconCompPatternOffset = 168;
inline constexpr std::int64_t kIconPatternSize = 512;

} // namespace pagolux
