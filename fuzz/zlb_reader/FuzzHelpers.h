#pragma once
// Shared by the ZLB fuzz targets: optionally re-seals the trailer's CRC so that inputs get past
// the CRC gate into the registry and member parsers, and exercises everything a reader can do
// with an archive opened on a memory stream.

#include "archive/ArchivePaths_p.h"
#include "archive/ZLIBArchive.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace pagolux::fuzz {

// Writes the CRC of bytes [start, end - 36) into the trailer at the end.
inline void Reseal(std::vector<std::uint8_t>& bytes, std::size_t start)
{
    if (bytes.size() < start + kTrailerSize)
        return;
    const std::size_t body = bytes.size() - kTrailerSize;
    const auto crc = Crc32(0, bytes.data() + start, body - start);
    for (int i = 0; i < 4; ++i)
        bytes[body + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(crc >> (8 * i));
}

// Lists, looks up and extracts every member of an open archive into memory; every failure
// must be one of the component's own errors.
inline void ExerciseOpenArchive(TZLBArchive& zlb)
{
    for (std::int32_t i = 0; i < zlb.Count(); ++i) {
        const auto e = zlb.GetFileEntry(i);
        const std::string key = EntryFilePath(e) + EntryFileName(e);
        if (zlb.FindFile(key) > i)
            std::abort(); // the first match can never come after an entry with that key
        std::vector<std::string> segments;
        if (archive_detail::safeFolderSegments(EntryFilePath(e), segments))
            for (const auto& s : segments)
                if (s.empty() || s == "." || s == ".." || s.find('/') != std::string::npos)
                    std::abort();
        try {
            const auto data = zlb.ExtractToMemory(i);
            if (static_cast<std::int64_t>(data.size()) != e.FileSize)
                std::abort();
        } catch (const EArchiveError&) {
        }
    }
    try {
        zlb.VerifyMembers();
    } catch (const EArchiveError&) {
    }
}

} // namespace pagolux::fuzz
