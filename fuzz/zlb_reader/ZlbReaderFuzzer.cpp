// Fuzzes opening a whole-file ZLB archive, listing it and extracting its members.
// Input byte 0 selects options: bit 0 re-seals the CRC (so the registry parser is reached),
// bit 1 turns on SavePaths for lookups. The rest is the archive file.
#include "fuzz/zlb_reader/FuzzHelpers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace pagolux;
    if (size < 1)
        return 0;
    const std::uint8_t mode = data[0];
    std::vector<std::uint8_t> bytes(data + 1, data + size);
    if (mode & 1)
        fuzz::Reseal(bytes, 0);
    TReadOnlyMemoryStream file(bytes.data(), bytes.size());
    TZLBArchive zlb;
    zlb.Threads = 1;
    zlb.SavePaths = (mode & 2) != 0;
    try {
        if (!zlb.OpenArchive(file))
            std::abort();
    } catch (const EArchiveError&) {
        if (zlb.Count() != 0)
            std::abort(); // a failed open leaves no entries behind
        return 0;
    }
    if (zlb.Count() != zlb.Trailer().EntryCount)
        std::abort();
    fuzz::ExerciseOpenArchive(zlb);
    return 0;
}
