// Fuzzes reading an archive at the end of another file (an output executable), both found by
// its trailer and at a given start offset. Input byte 0: bit 0 re-seals the CRC over the range
// the trailer describes; bit 1 opens at the offset given by bytes 1-2 instead of searching.
// The rest is the host file.
#include "fuzz/zlb_reader/FuzzHelpers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace pagolux;
    if (size < 3)
        return 0;
    const std::uint8_t mode = data[0];
    const std::int64_t givenStart = data[1] | (data[2] << 8);
    std::vector<std::uint8_t> bytes(data + 3, data + size);

    std::int64_t start = -1;
    if (mode & 2) {
        start = givenStart;
    } else {
        TReadOnlyMemoryStream host(bytes.data(), bytes.size());
        start = TZLBArchive::FindArchiveStart(host);
        if (start >= 0 &&
            (start + static_cast<std::int64_t>(kTrailerSize) > static_cast<std::int64_t>(bytes.size())))
            std::abort(); // a found start always leaves room for the trailer
    }
    if ((mode & 1) && start >= 0 && static_cast<std::size_t>(start) <= bytes.size())
        fuzz::Reseal(bytes, static_cast<std::size_t>(start));

    TReadOnlyMemoryStream file(bytes.data(), bytes.size());
    TZLBArchive zlb;
    zlb.Threads = 1;
    try {
        zlb.OpenEmbeddedArchive(file, (mode & 2) ? givenStart : -1);
    } catch (const EArchiveError&) {
        if (zlb.Count() != 0)
            std::abort();
        return 0;
    }
    fuzz::ExerciseOpenArchive(zlb);
    return 0;
}
