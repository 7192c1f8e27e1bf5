// TZLBArchive: construction, CRC, progress, record encoding, lookup, closing, creating, the
// opening. The registry's writing and reading live in ZLIBArchiveRegistry.cpp, adding members
// in ZLIBArchiveWriter.cpp, extraction in ZLIBArchiveExtract.cpp.
#include "archive/ZLIBArchive.h"
#include "archive/ZLIBArchiveState_p.h"

#include "archive/ArchivePaths_p.h"
#include "archive/ArchiveSource_p.h"
#include "archive/CrcWriteStream_p.h"
#include "archive/WorkerThreads_p.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <sys/stat.h>
#include <thread>

namespace pagolux {

using namespace archive_detail;

namespace {

const char* const kNoArchive = kMsgNoArchive;
const char* const kCorrupted = kMsgCorrupted;
const char* const kBadFileList = kMsgBadFileList;

// Bytes read per step of the CRC pass.
constexpr std::size_t kCrcChunk = 256 * 1024;

void put32(std::uint8_t* p, std::uint32_t v)
{
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
    p[2] = static_cast<std::uint8_t>(v >> 16);
    p[3] = static_cast<std::uint8_t>(v >> 24);
}

std::uint32_t get32(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

bool fileExists(const std::string& name)
{
    struct stat st {};
    return ::stat(name.c_str(), &st) == 0;
}

std::string withName(const char* pattern, const std::string& name)
{
    return formatMessage(pattern, name);
}

} // namespace

// ---------------------------------------------------------------- records

void EncodeTrailer(const TArchiveTrailer& t, std::uint8_t out[kTrailerSize])
{
    std::memset(out, 0, kTrailerSize);
    put32(out + 0, t.ArchiveCRC);
    put32(out + 4, static_cast<std::uint32_t>(t.EntryCount));
    put32(out + 8, static_cast<std::uint32_t>(t.Tag));
    put32(out + 12, static_cast<std::uint32_t>(t.RegistrySize));
    put32(out + 16, static_cast<std::uint32_t>(t.RegistryOffset));
    out[20] = t.RegistryCompressed;
    std::memcpy(out + 21, t.Reserved, sizeof t.Reserved);
}

TArchiveTrailer DecodeTrailer(const std::uint8_t in[kTrailerSize])
{
    TArchiveTrailer t{};
    t.ArchiveCRC = get32(in + 0);
    t.EntryCount = static_cast<std::int32_t>(get32(in + 4));
    t.Tag = static_cast<std::int32_t>(get32(in + 8));
    t.RegistrySize = static_cast<std::int32_t>(get32(in + 12));
    t.RegistryOffset = static_cast<std::int32_t>(get32(in + 16));
    t.RegistryCompressed = in[20];
    std::memcpy(t.Reserved, in + 21, sizeof t.Reserved);
    return t;
}

void EncodeEntry(const TArchiveEntry& e, std::uint8_t out[kEntrySize])
{
    std::memcpy(out, e.FileName, 256);
    std::memcpy(out + 256, e.FilePath, 256);
    put32(out + 512, static_cast<std::uint32_t>(e.FileSize));
    put32(out + 516, static_cast<std::uint32_t>(e.StoredSize));
    put32(out + 520, static_cast<std::uint32_t>(e.DataOffset));
    put32(out + 524, e.FileCRC);
    out[528] = e.StoredRaw;
    out[529] = e.Level;
    out[530] = e.Reserved[0];
    out[531] = e.Reserved[1];
}

TArchiveEntry DecodeEntry(const std::uint8_t in[kEntrySize])
{
    TArchiveEntry e{};
    std::memcpy(e.FileName, in, 256);
    std::memcpy(e.FilePath, in + 256, 256);
    e.FileSize = static_cast<std::int32_t>(get32(in + 512));
    e.StoredSize = static_cast<std::int32_t>(get32(in + 516));
    e.DataOffset = static_cast<std::int32_t>(get32(in + 520));
    e.FileCRC = get32(in + 524);
    e.StoredRaw = in[528];
    e.Level = in[529];
    e.Reserved[0] = in[530];
    e.Reserved[1] = in[531];
    return e;
}

std::string EntryFileName(const TArchiveEntry& e)
{
    return std::string(reinterpret_cast<const char*>(e.FileName + 1), e.FileName[0]);
}

std::string EntryFilePath(const TArchiveEntry& e)
{
    return std::string(reinterpret_cast<const char*>(e.FilePath + 1), e.FilePath[0]);
}

void SetShortString(std::uint8_t field[256], const std::string& s)
{
    if (s.size() > kShortStringMax)
        throw EArchiveError(formatMessage("%s is longer than an archive entry holds", s));
    const auto n = s.size();
    std::memset(field, 0, 256);
    field[0] = static_cast<std::uint8_t>(n);
    std::memcpy(field + 1, s.data(), n);
}

std::int32_t ProgressPercent(double part, double whole)
{
    if (whole == 0)
        return 0;
    // nearbyint rounds halves to the even neighbour in the default rounding mode.
    const double v = std::nearbyint(part / whole * 100.0);
    if (!(v > std::numeric_limits<std::int32_t>::min()) || !(v < std::numeric_limits<std::int32_t>::max()))
        return 0;
    return static_cast<std::int32_t>(v);
}

// ---------------------------------------------------------------- life

TZLBArchive::TZLBArchive() : d(std::make_unique<State>())
{
    MakeCRCTable();
}

std::int32_t TZLBArchive::Count() const
{
    return static_cast<std::int32_t>(d->entries.size());
}

const TArchiveTrailer& TZLBArchive::Trailer() const
{
    return d->trailer;
}

const std::string& TZLBArchive::ArchiveName() const
{
    return d->archiveName;
}

std::int64_t TZLBArchive::ArchiveStart() const
{
    return d->archiveStart;
}

bool TZLBArchive::IsOpen() const
{
    return attached() && !d->newArchive && !d->unusable;
}

const std::array<std::uint32_t, 256>& TZLBArchive::CRCTable() const
{
    return d->crcTable;
}

bool TZLBArchive::attached() const
{
    return !d->archiveName.empty() || d->stream != nullptr;
}

TZLBArchive::~TZLBArchive()
{
    d->destroying = true;
    if (attached())
        CloseArchive();
}

void TZLBArchive::MakeCRCTable()
{
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t v = i;
        for (int k = 0; k < 8; ++k)
            v = (v & 1) ? (v >> 1) ^ 0xEDB88320u : v >> 1;
        d->crcTable[i] = v;
    }
}

std::uint32_t TZLBArchive::StreamCRC(TStream& stream, std::int64_t leaveOut)
{
    // zlib's crc32 gives the same result as the table loop, several times faster.
    const auto saved = stream.Position();
    stream.SetPosition(0);
    std::int64_t remaining = stream.Size() - leaveOut;
    std::vector<std::uint8_t> chunk(kCrcChunk);
    std::uint32_t crc = 0;
    while (remaining > 0) {
        const auto want = std::min<std::int64_t>(remaining, static_cast<std::int64_t>(kCrcChunk));
        const auto got = stream.Read(chunk.data(), want);
        if (got <= 0)
            break;
        crc = Crc32(crc, chunk.data(), static_cast<std::size_t>(got));
        remaining -= want;
    }
    stream.SetPosition(saved);
    return crc;
}

std::uint32_t TZLBArchive::rangeCRC(TArchiveSource& source, std::int64_t start, std::int64_t length)
{
    // The range is read in blocks of kCrcBlock bytes whose CRCs are kept; the CRC of the whole
    // is their combination. Large archives are read in runs of blocks on all cores, each run by
    // offset from the one open source.
    static_assert(kCrcChunk % kCrcBlock == 0);
    constexpr std::int64_t kSliceMin = 8LL * 1024 * 1024;
    const std::int64_t blocks = (length + kCrcBlock - 1) / kCrcBlock;
    std::vector<std::uint32_t> crcs(static_cast<std::size_t>(blocks));
    const unsigned threads =
        source.Concurrent()
            ? WorkerCount(Threads, static_cast<std::size_t>(std::max<std::int64_t>(length / kSliceMin, 1)))
            : 1;

    // Bytes in memory are read where they lie, a file by offset through a buffer that stays in
    // the cache. (Mapping the file instead costs more than the copy: every page of a fresh
    // mapping is a fault, and the bytes then come from memory instead of the cache.)
    const auto readRun = [&](std::int64_t first, std::int64_t last) {
        const std::uint8_t* const memory = source.Memory();
        std::vector<std::uint8_t> chunk(memory ? 0 : kCrcChunk);
        for (std::int64_t k = first; k < last;) {
            const std::int64_t from = k * kCrcBlock;
            const auto n = std::min<std::int64_t>(
                {static_cast<std::int64_t>(kCrcChunk), length - from, (last - k) * kCrcBlock});
            const std::uint8_t* bytes = memory ? memory + start + from : chunk.data();
            if (!memory)
                source.ReadAt(start + from, chunk.data(), n);
            for (std::int64_t at = 0; at < n; at += kCrcBlock, ++k)
                crcs[static_cast<std::size_t>(k)] =
                    Crc32(0, bytes + at, static_cast<std::size_t>(std::min(kCrcBlock, n - at)));
        }
    };
    if (start < 0 || length < 0 || start > source.Size() - length)
        throw EReadError();
    if (threads <= 1) {
        readRun(0, blocks);
    } else {
        const std::int64_t per = blocks / threads;
        std::vector<char> failed(threads, 0);
        RunParallel(threads, [&](unsigned t) {
            try {
                readRun(per * t, t + 1 == threads ? blocks : per * (t + 1));
            } catch (...) {
                failed[t] = 1;
            }
        });
        if (std::find(failed.begin(), failed.end(), 1) != failed.end())
            throw EReadError();
    }

    std::uint32_t crc = 0;
    if (blocks > 0) {
        const auto full = static_cast<std::size_t>(blocks - 1);
        crc = Crc32Append(crcs[0], crcs.data() + 1, full > 0 ? full - 1 : 0, kCrcBlock);
        if (full > 0)
            crc = Crc32Combine(crc, crcs[full], length - std::int64_t(full) * kCrcBlock);
    }
    d->blockCrcs = std::move(crcs);
    return crc;
}

void TZLBArchive::DoProgress(TStream* sender)
{
    if (d->destroying || !OnProgress)
        return;
    switch (d->progressStage) {
    case 0:
    case 1:
    case 4:
        OnProgress(d->progressMessage, ProgressPercent(d->progressCount, d->progressTotal));
        break;
    case 2:
    case 3:
        OnProgress(d->progressMessage,
                   ProgressPercent(sender ? static_cast<double>(sender->Position()) : 0.0, d->progressTotal));
        break;
    case 5:
        OnProgress(d->archiveName, 0);
        break;
    default:
        break;
    }
}

// ---------------------------------------------------------------- state

void TZLBArchive::CloseArchive()
{
    d->entries.clear();
    d->entries.shrink_to_fit();
    d->index.clear();
    d->indexed = false;
    d->newArchive = false;
    d->unusable = false;
    d->trailer = TArchiveTrailer{};
    d->archiveName.clear();
    d->stream = nullptr;
    d->archiveStart = 0;
    d->blockCrcs.clear();
    d->blockCrcs.shrink_to_fit();
    d->openedStamp = FileStamp{};
    d->progressStage = 5;
    DoProgress(nullptr);
}

void TZLBArchive::CreateArchive(const std::string& FileName)
{
    CloseArchive();
    d->archiveName = FileName;
    if (d->archiveName.empty())
        return;
    if (fileExists(d->archiveName)) {
        // The name stays recorded, but nothing may be written under it.
        d->unusable = true;
        throw EArchiveError("File already exists");
    }
    d->newArchive = true;
    if (OnArchiveOpened)
        OnArchiveOpened(*this);
}

void TZLBArchive::CreateArchive(TStream& s)
{
    CloseArchive();
    d->stream = &s;
    if (s.Size() > 0) {
        d->unusable = true;
        throw EArchiveError("File already exists");
    }
    d->newArchive = true;
    if (OnArchiveOpened)
        OnArchiveOpened(*this);
}

std::string TZLBArchive::displayName() const
{
    if (!d->stream)
        return d->archiveName;
    if (const auto* file = dynamic_cast<const TFileStream*>(d->stream))
        return file->FileName();
    return "stream";
}

std::unique_ptr<TArchiveSource> TZLBArchive::openSource() const
{
    if (d->stream)
        return std::make_unique<TArchiveSource>(*d->stream);
    try {
        return std::make_unique<TArchiveSource>(
            std::make_unique<TFileStream>(d->archiveName, TFileMode::fmOpenRead));
    } catch (const EStreamError&) {
        throw EArchiveError(withName(kMsgUnableToOpen, d->archiveName));
    }
}

std::int32_t TZLBArchive::FindFile(const std::string& name) const
{
    if (!attached())
        throw EArchiveError(kNoArchive);
    return findKey(lookupKey(name, SavePaths));
}

namespace {

std::uint8_t lowerAscii(std::uint8_t c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<std::uint8_t>(c + ('a' - 'A')) : c;
}

// FNV-1a over the lower-cased bytes.
std::uint64_t hashLower(std::uint64_t h, const std::uint8_t* p, std::size_t n)
{
    for (std::size_t k = 0; k < n; ++k)
        h = (h ^ lowerAscii(p[k])) * 0x100000001b3ULL;
    return h;
}

constexpr std::uint64_t kHashStart = 0xcbf29ce484222325ULL;

std::uint64_t entryHash(const TArchiveEntry& e)
{
    return hashLower(hashLower(kHashStart, e.FilePath + 1, e.FilePath[0]), e.FileName + 1, e.FileName[0]);
}

// The entry's FilePath + FileName equals key, both lower-cased.
bool entryIsKey(const TArchiveEntry& e, const std::string& key)
{
    const std::size_t path = e.FilePath[0];
    if (path + e.FileName[0] != key.size())
        return false;
    const auto* k = reinterpret_cast<const std::uint8_t*>(key.data());
    for (std::size_t i = 0; i < key.size(); ++i) {
        const std::uint8_t c = i < path ? e.FilePath[1 + i] : e.FileName[1 + i - path];
        if (lowerAscii(c) != lowerAscii(k[i]))
            return false;
    }
    return true;
}

} // namespace

std::int32_t TZLBArchive::findKey(const std::string& key) const
{
    if (!d->indexed.load(std::memory_order_acquire)) {
        // Lookups of an open archive may come from several threads (the viewer's requests).
        std::lock_guard guard(d->indexLock);
        if (!d->indexed.load(std::memory_order_relaxed)) {
            d->index.clear();
            d->index.reserve(d->entries.size());
            for (std::size_t i = 0; i < d->entries.size(); ++i)
                d->index.emplace(entryHash(d->entries[i]), static_cast<std::int32_t>(i));
            d->indexed.store(true, std::memory_order_release);
        }
    }
    const auto h = hashLower(kHashStart, reinterpret_cast<const std::uint8_t*>(key.data()), key.size());
    std::int32_t first = -1;
    const auto [from, to] = d->index.equal_range(h);
    for (auto it = from; it != to; ++it)
        if ((first < 0 || it->second < first) &&
            entryIsKey(d->entries[static_cast<std::size_t>(it->second)], key))
            first = it->second;
    return first;
}

void TZLBArchive::indexEntry(std::int32_t i)
{
    if (d->indexed)
        d->index.emplace(entryHash(d->entries[static_cast<std::size_t>(i)]), i);
}

TArchiveEntry TZLBArchive::GetFileEntry(std::int32_t i) const
{
    return d->entries[static_cast<std::size_t>(checkedIndex(i))];
}

std::int32_t TZLBArchive::checkedIndex(std::int32_t i) const
{
    if (i < 0 || i >= Count())
        throw EArchiveError("Index out of bounds");
    return i;
}

// ---------------------------------------------------------------- opening

bool TZLBArchive::OpenArchive(const std::string& FileName)
{
    return openNamed(FileName, 0);
}

bool TZLBArchive::OpenEmbeddedArchive(const std::string& hostFile, std::int64_t start)
{
    return openNamed(hostFile, start < 0 ? -1 : start);
}

bool TZLBArchive::OpenArchive(TStream& s)
{
    return OpenEmbeddedArchive(s, 0);
}

bool TZLBArchive::OpenEmbeddedArchive(TStream& host, std::int64_t start)
{
    return openStream(host, start, nullptr);
}

bool TZLBArchive::openStream(TStream& host, std::int64_t start, const WrittenArchive* written)
{
    CloseArchive();
    std::unique_ptr<TArchiveSource> source;
    try {
        source = std::make_unique<TArchiveSource>(host);
    } catch (const EStreamError&) {
        throw EArchiveError(kCorrupted);
    }
    d->stream = &host;
    load(*source, start < 0 ? -1 : start, written);
    source.reset();
    d->progressStage = 5;
    DoProgress(nullptr);
    return true;
}

std::int64_t TZLBArchive::FindArchiveStart(TStream& host)
{
    const auto size = host.Size();
    if (size < static_cast<std::int64_t>(kTrailerSize))
        return -1;
    std::uint8_t raw[kTrailerSize];
    host.Seek(size - static_cast<std::int64_t>(kTrailerSize), TSeekOrigin::soBeginning);
    if (host.Read(raw, kTrailerSize) != static_cast<std::int64_t>(kTrailerSize))
        return -1;
    const auto t = DecodeTrailer(raw);
    if (t.RegistryOffset < 0 || t.EntryCount < 0 || t.RegistrySize < 0)
        return -1;
    const std::int64_t registry =
        t.RegistryCompressed != 0 ? std::int64_t{t.RegistrySize} : std::int64_t{t.EntryCount} * kEntrySize;
    const std::int64_t length =
        std::int64_t{t.RegistryOffset} + registry + static_cast<std::int64_t>(kTrailerSize);
    if (length > size)
        return -1;
    return size - length;
}

bool TZLBArchive::openNamed(const std::string& name, std::int64_t start)
{
    CloseArchive();
    d->archiveName = name;
    if (d->archiveName.empty())
        return false;
    if (!fileExists(d->archiveName)) {
        d->unusable = true;
        throw EArchiveError("Archive file not found");
    }
    std::unique_ptr<TArchiveSource> source;
    try {
        source = std::make_unique<TArchiveSource>(
            std::make_unique<TFileStream>(d->archiveName, TFileMode::fmOpenRead));
    } catch (const EStreamError&) {
        d->unusable = true;
        throw EArchiveError(withName("Unable to open file (%s)", d->archiveName));
    }
    load(*source, start);
    // The file is closed before the closing report: nothing stays open between operations.
    source.reset();
    d->progressStage = 5;
    DoProgress(nullptr);
    return true;
}

void TZLBArchive::load(TArchiveSource& source, std::int64_t start, const WrittenArchive* written)
{
    auto corrupted = [this]() {
        d->archiveName.clear();
        d->stream = nullptr;
        d->trailer = TArchiveTrailer{};
        d->archiveStart = 0;
        d->blockCrcs.clear();
        throw EArchiveError(kCorrupted);
    };

    const std::int64_t hostSize = source.Size();
    try {
        TSourceRange whole(source, 0, hostSize);
        if (start < 0)
            start = FindArchiveStart(whole);
    } catch (const EStreamError&) {
        corrupted();
    }
    if (start < 0 || start > hostSize || hostSize - start < static_cast<std::int64_t>(kTrailerSize))
        corrupted();
    const std::int64_t length = hostSize - start;

    std::uint32_t crc = 0;
    std::uint8_t raw[kTrailerSize];
    try {
        // The block CRCs may stand for the file only if nothing wrote to it while they were read;
        // an archive in a memory stream does not keep them.
        TFileStream* const file = source.File();
        const FileStamp before = file ? file->Stamp() : FileStamp{};
        const std::int64_t covered = length - static_cast<std::int64_t>(kTrailerSize);
        if (written && start == 0 && written->length == covered && written->stamp == before) {
            // Written a moment ago by AddFiles, which counted the CRC of every byte it wrote, and
            // not changed since: reading a few hundred MB again would only repeat that count.
            // Without block CRCs, a later check reads raw members in full.
            crc = written->crc;
            d->blockCrcs.clear();
        } else {
            crc = rangeCRC(source, start, covered);
            d->openedStamp = file ? file->Stamp() : FileStamp{};
            if (!file || !(d->openedStamp == before))
                d->blockCrcs.clear();
        }
        source.ReadAt(hostSize - static_cast<std::int64_t>(kTrailerSize), raw, kTrailerSize);
    } catch (const EStreamError&) {
        corrupted();
    }
    d->trailer = DecodeTrailer(raw);
    if (crc != d->trailer.ArchiveCRC)
        corrupted();
    d->archiveStart = start;

    try {
        TSourceRange range(source, start, length);
        loadRegistry(range);
        if (OnArchiveOpened)
            OnArchiveOpened(*this);
    } catch (...) {
        CloseArchive();
        throw EArchiveError(kBadFileList);
    }
}

} // namespace pagolux
