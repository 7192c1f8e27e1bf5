// TZLBArchive's registry: writing it with the trailer, and reading it back with the checks that
// keep a crafted archive from costing more than its own size can justify: no more entries than
// the registry's bytes can hold, every member inside the data part, no two members sharing
// stored bytes, and no member inflating beyond deflate's best ratio.
#include "archive/ZLIBArchive.h"
#include "archive/ZLIBArchiveState_p.h"

#include "archive/ArchivePaths_p.h"
#include "archive/CrcWriteStream_p.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <utility>

namespace pagolux {

using namespace archive_detail;

namespace {

const char* const kBadFileList = kMsgBadFileList;
const char* const kTooLarge = kMsgTooLarge;

constexpr std::int64_t kInt32Max = std::numeric_limits<std::int32_t>::max();
// Bytes inflated per step while reading the registry (one progress report each).
constexpr std::int64_t kRegistryChunk = 4096;
// deflate never expands data by more than this factor (1032:1 is its best ratio).
constexpr std::int64_t kMaxInflateRatio = 1032;
// Compressed registry bytes every entry needs at least. The writer's entries differ in name,
// offset and CRC and never compress below several bytes each; a registry claiming more entries
// than this allows is refused before anything is inflated or allocated for it.
constexpr std::int64_t kMinCompressedEntryBytes = 2;

} // namespace

// ---------------------------------------------------------------- registry

void TZLBArchive::WriteRegistry(TStream& dest)
{
    (void)writeRegistry(dest);
}

std::uint32_t TZLBArchive::writeRegistry(TStream& dest)
{
    TArchiveTrailer t{};
    const std::int64_t registryOffset = dest.Size();
    if (registryOffset > kInt32Max)
        throw EArchiveError(kTooLarge);
    t.RegistryOffset = static_cast<std::int32_t>(registryOffset);

    TMemoryStream raw;
    raw.Reserve(d->entries.size() * kEntrySize);
    std::uint8_t rec[kEntrySize];
    for (const auto& e : d->entries) {
        EncodeEntry(e, rec);
        raw.WriteBuffer(rec, kEntrySize);
    }

    dest.Seek(registryOffset, TSeekOrigin::soBeginning);
    try {
        TCompressionStream z(CompressionLevel, dest);
        d->progressStage = 4;
        d->progressTotal = static_cast<std::int32_t>(std::min<std::int64_t>(raw.Size(), kInt32Max));
        d->progressCount = 0;
        d->progressMessage = "Writing archive registry";
        // The count follows the registry bytes the compressor has taken, so the reports rise
        // to 100 instead of staying at 0.
        z.OnProgress = [this](TCustomZlibStream& s) {
            d->progressCount = static_cast<std::int32_t>(std::min<std::int64_t>(s.Position(), kInt32Max));
            DoProgress(&s);
        };
        z.CopyFrom(raw, 0);
        z.Finish();
        const auto size = dest.Size() - registryOffset;
        if (registryOffset + size > kInt32Max)
            throw EArchiveError(kTooLarge);
        t.RegistrySize = static_cast<std::int32_t>(size);
        t.RegistryCompressed = 1;
    } catch (const EArchiveError&) {
        throw;
    } catch (const Exception&) {
        // Fall back to the raw entries, cutting off whatever part of the compressed registry
        // reached the destination, so that RegistryOffset points at them.
        dest.SetSize(registryOffset);
        dest.Seek(registryOffset, TSeekOrigin::soBeginning);
        raw.SetPosition(0);
        dest.CopyFrom(raw, raw.Size());
        t.RegistrySize = 0;
        t.RegistryCompressed = 0;
    }
    t.EntryCount = Count();
    t.Tag = 1;
    // AddFiles writes through a stream that counts the CRC of every byte it appends; any other
    // destination, or one whose writing was not a plain append, is read again.
    auto* const counted = dynamic_cast<archive_detail::TCrcWriteStream*>(&dest);
    t.ArchiveCRC = counted && counted->Known() ? counted->Crc() : StreamCRC(dest, 0);
    std::uint8_t out[kTrailerSize];
    EncodeTrailer(t, out);
    dest.Seek(0, TSeekOrigin::soEnd);
    dest.WriteBuffer(out, kTrailerSize);
    return t.ArchiveCRC;
}

// ---------------------------------------------------------------- reading

void TZLBArchive::loadRegistry(TStream& archive)
{
    const std::int64_t dataEnd = archive.Size() - static_cast<std::int64_t>(kTrailerSize);
    const auto& t = d->trailer;
    if (t.EntryCount < 0 || t.RegistryOffset < 0 || t.RegistryOffset > dataEnd)
        throw EArchiveError(kBadFileList);
    const std::int64_t registryBytes = dataEnd - t.RegistryOffset;
    const std::int64_t wanted = std::int64_t{t.EntryCount} * kEntrySize;
    if (t.RegistryCompressed == 0) {
        if (wanted > registryBytes)
            throw EArchiveError(kBadFileList);
    } else if (wanted > registryBytes * kMaxInflateRatio + 64 ||
               std::int64_t{t.EntryCount} > registryBytes / kMinCompressedEntryBytes + 1) {
        // More entries than the registry's bytes could hold: refuse before allocating.
        throw EArchiveError(kBadFileList);
    }

    // The registry's bytes pass through a small block and are decoded into the entries as they
    // come, so that opening touches no more memory than the entries themselves.
    std::vector<TArchiveEntry> loaded;
    loaded.reserve(static_cast<std::size_t>(t.EntryCount));
    std::uint8_t block[kRegistryChunk + kEntrySize];
    std::size_t held = 0; // bytes in block not yet decoded (less than one entry)
    const auto decode = [&](std::size_t added) {
        held += added;
        std::size_t at = 0;
        for (; held - at >= kEntrySize; at += kEntrySize) {
            // The record's bytes are its layout on a little-endian machine.
            if constexpr (std::endian::native == std::endian::little)
                std::memcpy(&loaded.emplace_back(), block + at, kEntrySize);
            else
                loaded.push_back(DecodeEntry(block + at));
            if (!entryFits(loaded.back()))
                throw EArchiveError(kBadFileList);
        }
        std::memmove(block, block + at, held - at);
        held -= at;
    };
    if (t.RegistryCompressed == 0) {
        archive.Seek(t.RegistryOffset, TSeekOrigin::soBeginning);
        for (std::int64_t left = wanted; left > 0;) {
            const auto chunk = std::min(left, kRegistryChunk);
            archive.ReadBuffer(block + held, chunk);
            decode(static_cast<std::size_t>(chunk));
            left -= chunk;
        }
    } else {
        TSubRangeStream registry(archive, t.RegistryOffset, registryBytes);
        TDecompressionStream z(registry);
        d->progressStage = 0;
        d->progressTotal = static_cast<std::int32_t>(std::min<std::int64_t>(wanted, kInt32Max));
        d->progressCount = 0;
        d->progressMessage = "Extracting archive registry";
        std::int64_t done = 0;
        while (done < wanted) {
            const auto chunk = std::min(wanted - done, kRegistryChunk);
            z.ReadBuffer(block + held, chunk);
            done += chunk;
            d->progressCount = static_cast<std::int32_t>(std::min<std::int64_t>(done, kInt32Max));
            DoProgress(&z);
            decode(static_cast<std::size_t>(chunk));
        }
    }
    if (!membersApart(loaded))
        throw EArchiveError(kBadFileList);
    d->entries = std::move(loaded);
}

bool TZLBArchive::membersApart(const std::vector<TArchiveEntry>& list)
{
    // Two members sharing stored bytes would let a small archive stand for any amount of
    // inflated data (one deflated block named a thousand times); the writer never shares.
    std::vector<std::pair<std::int64_t, std::int64_t>> ranges;
    ranges.reserve(list.size());
    for (const auto& e : list)
        if (e.StoredSize > 0)
            ranges.emplace_back(e.DataOffset, std::int64_t{e.DataOffset} + e.StoredSize);
    std::sort(ranges.begin(), ranges.end());
    for (std::size_t i = 1; i < ranges.size(); ++i)
        if (ranges[i].first < ranges[i - 1].second)
            return false;
    return true;
}

bool TZLBArchive::entryFits(const TArchiveEntry& e) const
{
    // Every number of an entry must describe a block inside the data part that can hold the file.
    if (e.FileSize < 0 || e.StoredSize < 0 || e.DataOffset < 0)
        return false;
    if (std::int64_t{e.DataOffset} + e.StoredSize > d->trailer.RegistryOffset)
        return false;
    if (e.StoredRaw > 1)
        return false;
    if (e.StoredRaw == 1)
        return e.StoredSize == e.FileSize;
    return std::int64_t{e.FileSize} <= std::int64_t{e.StoredSize} * kMaxInflateRatio;
}

} // namespace pagolux
