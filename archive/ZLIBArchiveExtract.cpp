// TZLBArchive, reading members: extraction to streams, memory and files, and verification.
// Every path through here checks the member's FileCRC; damaged data is an error, never a file.
#include "archive/ArchivePaths_p.h"
#include "archive/ArchiveSource_p.h"
#include "archive/WorkerThreads_p.h"
#include "archive/ZLIBArchive.h"
#include "archive/ZLIBArchiveState_p.h"
#include "platform/FileNameUtils.h"
#include "platform/Posix.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <limits>
#include <memory>
#include <mutex>
#include <random>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace pagolux {

using namespace archive_detail;

namespace {

constexpr std::int64_t kReadChunk = 256 * 1024;

const char* const kDamaged = "The data of %s in the archive is damaged";
const char* const kNotInArchive = "%s is not in the archive";
const char* const kUnsafeName = "The archive member %s has a name that cannot be extracted safely";
const char* const kLinkInTarget =
    "%s is not a folder (a symbolic link or a file); nothing is extracted through it";

// A name for the temporary file beside name that is not in use yet with high likelihood; the
// exclusive create below decides.
std::string scratchName(const std::string& name)
{
    static std::atomic<std::uint64_t> counter{0};
    static const std::uint64_t seed = std::random_device{}();
    const std::uint64_t n = (seed ^ (counter++ * 0x9E3779B97F4A7C15ull)) & 0xFFFFFFFFFFull;
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, ".%010llx", static_cast<unsigned long long>(n));
    return "." + name + suffix;
}

} // namespace

std::string TZLBArchive::memberName(std::int32_t i) const
{
    const auto& e = d->entries[static_cast<std::size_t>(i)];
    return EntryFilePath(e) + EntryFileName(e);
}

void TZLBArchive::readMember(std::int32_t i,
                             const std::function<void(const std::uint8_t*, std::size_t)>& sink) const
{
    if (!IsOpen())
        throw EArchiveError(kMsgNoArchive);
    checkedIndex(i);
    const auto source = openSource();
    readMemberFrom(*source, i, sink, false);
}

void TZLBArchive::readMemberFrom(TArchiveSource& source, std::int32_t i,
                                 const std::function<void(const std::uint8_t*, std::size_t)>& sink,
                                 bool useBlockCrcs) const
{
    const TArchiveEntry& e = d->entries[static_cast<std::size_t>(i)];
    const auto damaged = [&] { return EArchiveError(formatMessage(kDamaged, memberName(i))); };

    std::uint32_t crc = 0;
    try {
        TSourceRange block(source, d->archiveStart + e.DataOffset, e.StoredSize);
        if (e.StoredRaw == 1 && !sink && useBlockCrcs) {
            crc = rawCrcFromBlocks(block, e);
        } else if (!sink && block.Memory()) {
            // Checked where the bytes lie, without copying them.
            TReadOnlyMemoryStream stored(block.Memory(), static_cast<std::size_t>(e.StoredSize));
            crc = e.StoredRaw == 1 ? Crc32(0, block.Memory(), static_cast<std::size_t>(e.StoredSize))
                                   : InflateCrc32(stored, e.FileSize);
        } else if (e.StoredRaw != 1 && !sink) {
            crc = InflateCrc32(block, e.FileSize);
        } else {
            // Not cleared: every byte is filled before it is read.
            const auto chunkSize = static_cast<std::size_t>(
                std::min<std::int64_t>(std::max<std::int64_t>(e.FileSize, 1), kReadChunk));
            const auto buffer = std::make_unique_for_overwrite<std::uint8_t[]>(chunkSize);
            std::uint8_t* const chunk = buffer.get();
            std::unique_ptr<TDecompressionStream> z;
            if (e.StoredRaw != 1)
                z = std::make_unique<TDecompressionStream>(block);
            TStream& source = z ? static_cast<TStream&>(*z) : block;
            for (std::int64_t left = e.FileSize; left > 0;) {
                const auto n = std::min(left, kReadChunk);
                source.ReadBuffer(chunk, n);
                crc = Crc32(crc, chunk, static_cast<std::size_t>(n));
                if (sink)
                    sink(chunk, static_cast<std::size_t>(n));
                left -= n;
            }
        }
    } catch (const EStreamError&) {
        throw damaged();
    } catch (const EZlibError&) {
        throw damaged();
    }
    if (crc != e.FileCRC)
        throw damaged();
}

std::uint32_t TZLBArchive::rawCrcFromBlocks(TStream& block, const TArchiveEntry& e) const
{
    // The member's bytes are [from, end) of the archive. The open already has the CRC of every
    // whole kCrcBlock inside that range; only the pieces before the first and after the last
    // whole block are read.
    const std::int64_t from = e.DataOffset;
    const std::int64_t end = from + e.StoredSize;
    const std::int64_t firstWhole = (from + kCrcBlock - 1) / kCrcBlock;
    const std::int64_t lastWhole = end / kCrcBlock; // one past the last whole block
    const auto piece = std::make_unique_for_overwrite<std::uint8_t[]>(kCrcBlock);
    const auto readPiece = [&](std::uint32_t crc, std::int64_t at, std::int64_t n) {
        block.Seek(at - from, TSeekOrigin::soBeginning);
        block.ReadBuffer(piece.get(), n);
        return Crc32(crc, piece.get(), static_cast<std::size_t>(n));
    };
    if (lastWhole <= firstWhole || lastWhole > static_cast<std::int64_t>(d->blockCrcs.size())) {
        std::uint32_t crc = 0;
        for (std::int64_t at = from; at < end; at += kCrcBlock)
            crc = readPiece(crc, at, std::min(kCrcBlock, end - at));
        return crc;
    }
    std::uint32_t crc = readPiece(0, from, firstWhole * kCrcBlock - from);
    crc = Crc32Append(crc, d->blockCrcs.data() + firstWhole, static_cast<std::size_t>(lastWhole - firstWhole),
                      kCrcBlock);
    return readPiece(crc, lastWhole * kCrcBlock, end - lastWhole * kCrcBlock);
}

void TZLBArchive::ExtractToStream(std::int32_t i, TStream& dest)
{
    readMember(
        i, [&](const std::uint8_t* p, std::size_t n) { dest.WriteBuffer(p, static_cast<std::int64_t>(n)); });
    if (OnStreamExtracted)
        OnStreamExtracted(memberName(i));
}

void TZLBArchive::ExtractToStream(const std::string& name, TStream& dest)
{
    const auto i = FindFile(name);
    if (i < 0)
        throw EArchiveError(formatMessage(kNotInArchive, name));
    ExtractToStream(i, dest);
}

std::vector<std::uint8_t> TZLBArchive::ExtractToMemory(std::int32_t i)
{
    std::vector<std::uint8_t> out;
    out.reserve(static_cast<std::size_t>(std::max(GetFileEntry(i).FileSize, 0)));
    readMember(i, [&](const std::uint8_t* p, std::size_t n) { out.insert(out.end(), p, p + n); });
    if (OnStreamExtracted)
        OnStreamExtracted(memberName(i));
    return out;
}

std::vector<std::uint8_t> TZLBArchive::ExtractToMemory(const std::string& name)
{
    const auto i = FindFile(name);
    if (i < 0)
        throw EArchiveError(formatMessage(kNotInArchive, name));
    return ExtractToMemory(i);
}

bool TZLBArchive::ExtractToFile(std::int32_t i, const std::string& fileName)
{
    checkedIndex(i);
    const std::string folderName = ExtractFilePath(fileName);
    platform::OpenFolder folder;
    if (folder.open(folderName.empty() ? "." : folderName.c_str()) != 0)
        throw EFCreateError(fileName);
    return extractInto(i, folder, ExtractFileName(fileName), fileName);
}

bool TZLBArchive::extractInto(std::int32_t i, const platform::OpenFolder& folder, const std::string& name,
                              const std::string& fileName)
{
    struct stat st {};
    if (folder.status(name.c_str(), &st) == 0) {
        bool replace = true;
        if (OnReplaceFile)
            OnReplaceFile(fileName, replace);
        if (!replace)
            return false;
    }
    // Written to a new file beside the target, made exclusively in the open folder (never
    // through a link), and renamed over the name only when the data checked out. The rename
    // replaces the name itself: a link there is not followed out of the target folder.
    std::string temp;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        temp = scratchName(name);
        fd = folder.createFile(temp.c_str(), 0666);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0)
        throw EFCreateError(fileName);
    bool renamed = false;
    try {
        const auto out = TFileStream::Adopt(fileName, fd);
        readMember(i, [&](const std::uint8_t* p, std::size_t n) {
            out->WriteBuffer(p, static_cast<std::int64_t>(n));
        });
        out->Close();
        if (folder.rename(temp.c_str(), name.c_str()) != 0)
            throw EFCreateError(fileName);
        renamed = true;
    } catch (...) {
        if (!renamed)
            (void)folder.remove(temp.c_str());
        throw;
    }
    if (OnFileExtracted)
        OnFileExtracted(fileName);
    return true;
}

std::string TZLBArchive::ExtractFile(std::int32_t i, const std::string& folder)
{
    const TArchiveEntry& e = d->entries[static_cast<std::size_t>(checkedIndex(i))];
    const std::string name = EntryFileName(e);
    if (!safeFileName(name))
        throw EArchiveError(formatMessage(kUnsafeName, memberName(i)));
    std::string target;
    if (!folder.empty()) {
        // The folder and its missing parents, by the path the caller named; one that cannot be
        // made fails the open below.
        for (std::size_t at = 1; at <= folder.size(); ++at)
            if (at == folder.size() || isPathDelimiter(folder[at]))
                (void)platform::makeFolder(folder.substr(0, at).c_str(), 0777);
        target = IncludeTrailingPathDelimiter(folder);
    }
    std::vector<std::string> segments;
    if (ExtractWithPath && !safeFolderSegments(EntryFilePath(e), segments))
        throw EArchiveError(formatMessage(kUnsafeName, memberName(i)));
    // From here on every level is reached from the open folder above it, so a folder swapped
    // for a link while this runs cannot lead the member out of the target.
    platform::OpenFolder at;
    if (at.open(folder.empty() ? "." : folder.c_str()) != 0)
        throw EFCreateError(target + name);
    for (const auto& seg : segments) {
        target += seg;
        if (at.openChild(at, seg.c_str(), 0777) != 0) {
            if (errno == ELOOP || errno == ENOTDIR)
                throw EArchiveError(formatMessage(kLinkInTarget, target));
            throw EFCreateError(target);
        }
        target += kPathDelim;
    }
    target += name;
    return extractInto(i, at, name, target) ? target : std::string();
}

void TZLBArchive::ExtractAll(const std::string& folder)
{
    for (std::int32_t i = 0; i < Count(); ++i)
        ExtractFile(i, folder);
}

void TZLBArchive::VerifyMembers()
{
    if (!IsOpen())
        throw EArchiveError(kMsgNoArchive);
    const auto count = static_cast<std::size_t>(Count());
    const unsigned threads = WorkerCount(Threads, count);

    // Largest members first, so the workers run out of work at about the same time.
    std::vector<std::int32_t> order(count);
    for (std::size_t i = 0; i < count; ++i)
        order[i] = static_cast<std::int32_t>(i);
    std::stable_sort(order.begin(), order.end(), [&](std::int32_t a, std::int32_t b) {
        return std::max(d->entries[static_cast<std::size_t>(a)].FileSize,
                        d->entries[static_cast<std::size_t>(a)].StoredSize) >
               std::max(d->entries[static_cast<std::size_t>(b)].FileSize,
                        d->entries[static_cast<std::size_t>(b)].StoredSize);
    });

    std::atomic<std::size_t> next{0};
    std::mutex mutex;
    // The error reported is the one of the lowest index (-1: the file could not be opened).
    bool bad = false;
    std::int32_t firstBad = 0;
    std::string firstError;
    const auto fail = [&](std::int32_t i, const std::string& text) {
        std::lock_guard lock(mutex);
        if (!bad || i < firstBad) {
            bad = true;
            firstBad = i;
            firstError = text;
        }
    };
    // One source for all workers, read by offset. The open's block CRCs stand for the file only
    // while its stamp is unchanged; otherwise every byte is read again.
    const auto source = openSource();
    source->MapFile();
    bool useBlockCrcs = false;
    try {
        useBlockCrcs = !d->blockCrcs.empty() && source->File() && source->File()->Stamp() == d->openedStamp;
    } catch (const EStreamError&) {
        throw EArchiveError(formatMessage(kMsgUnableToOpen, displayName()));
    }
    auto work = [&] {
        const std::function<void(const std::uint8_t*, std::size_t)> checkOnly;
        for (std::size_t k = next++; k < count; k = next++) {
            const std::int32_t i = order[k];
            try {
                readMemberFrom(*source, i, checkOnly, useBlockCrcs);
            } catch (const std::exception& ex) {
                fail(i, ex.what());
            }
        }
    };
    RunParallel(source->Concurrent() ? threads : 1, [&](unsigned) { work(); });
    if (bad)
        throw EArchiveError(firstError);
}

} // namespace pagolux

namespace pagolux {

// ---------------------------------------------------------------- members as streams

TMemberReader::TMemberReader(TStream& file, const TMemberLocation& where, std::string memberName)
    : location(where), name(std::move(memberName)), stored(file, where.Offset, where.StoredSize)
{
    if (location.Deflated)
        inflater = std::make_unique<TDecompressionStream>(stored);
}

TMemberReader::~TMemberReader() = default;

void TMemberReader::damaged() const
{
    throw EArchiveError(formatMessage(kDamaged, name));
}

std::int64_t TMemberReader::Read(void* buffer, std::int64_t count)
{
    const std::int64_t n = std::min(count, location.FileSize - pos);
    if (n <= 0)
        return 0;
    try {
        if (inflater) {
            inflater->ReadBuffer(buffer, n);
        } else {
            stored.Seek(pos, TSeekOrigin::soBeginning);
            stored.ReadBuffer(buffer, n);
        }
    } catch (const EStreamError&) {
        damaged();
    } catch (const EZlibError&) {
        damaged();
    }
    if (sequential)
        crc = Crc32(crc, buffer, static_cast<std::size_t>(n));
    pos += n;
    if (sequential && pos == location.FileSize && crc != location.FileCRC)
        damaged();
    return n;
}

std::int64_t TMemberReader::Write(const void*, std::int64_t)
{
    throw EWriteError();
}

std::int64_t TMemberReader::Seek(std::int64_t offset, TSeekOrigin origin)
{
    std::int64_t target = offset;
    if (origin == TSeekOrigin::soCurrent)
        target += pos;
    else if (origin == TSeekOrigin::soEnd)
        target += location.FileSize;
    target = std::clamp<std::int64_t>(target, 0, location.FileSize);
    if (target == pos)
        return pos;
    if (target == 0) {
        sequential = true;
        crc = 0;
    } else {
        sequential = false;
    }
    try {
        if (inflater) {
            if (target < pos)
                inflater->Seek(0, TSeekOrigin::soBeginning);
            if (target > 0)
                inflater->Seek(target, TSeekOrigin::soBeginning);
        }
    } catch (const EStreamError&) {
        damaged();
    } catch (const EZlibError&) {
        damaged();
    }
    pos = target;
    return pos;
}

TMemberLocation TZLBArchive::MemberLocation(std::int32_t i) const
{
    if (!IsOpen())
        throw EArchiveError(kMsgNoArchive);
    const TArchiveEntry& e = d->entries[static_cast<std::size_t>(checkedIndex(i))];
    TMemberLocation l;
    l.Offset = d->archiveStart + e.DataOffset;
    l.StoredSize = e.StoredSize;
    l.FileSize = e.FileSize;
    l.Deflated = e.StoredRaw != 1;
    l.FileCRC = e.FileCRC;
    return l;
}

std::unique_ptr<TSubRangeStream> TZLBArchive::MemberStoredStream(std::int32_t i, TStream& file) const
{
    const TMemberLocation l = MemberLocation(i);
    try {
        return std::make_unique<TSubRangeStream>(file, l.Offset, l.StoredSize);
    } catch (const EStreamError&) {
        throw EArchiveError(formatMessage(kDamaged, memberName(i)));
    }
}

std::unique_ptr<TMemberReader> TZLBArchive::MemberReader(std::int32_t i, TStream& file) const
{
    const TMemberLocation l = MemberLocation(i);
    try {
        return std::make_unique<TMemberReader>(file, l, memberName(i));
    } catch (const EStreamError&) {
        throw EArchiveError(formatMessage(kDamaged, memberName(i)));
    }
}

} // namespace pagolux
