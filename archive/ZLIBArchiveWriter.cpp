// TZLBArchive, writing side: AddFiles with its parallel member compression. What a list of
// files and folders expands to is decided in ZLIBArchiveFolders.cpp.
//
// Members are prepared (read once, CRC-32 computed, deflated in memory) by worker threads and
// written strictly in list order by the calling thread, which also fires every event. Memory
// is bounded: workers only run ahead while the members read but not yet written stay within
// a fixed budget, and members above 20 MiB are streamed by the calling thread through a
// temporary file. The archive is therefore the same byte for byte for any number of threads.
#include "archive/ArchivePaths_p.h"
#include "archive/BufferedWriteStream_p.h"
#include "archive/CrcWriteStream_p.h"
#include "archive/WorkerThreads_p.h"
#include "archive/ZLIBArchive.h"
#include "archive/ZLIBArchiveState_p.h"
#include "platform/AtomicFile.h"
#include "platform/FileNameUtils.h"
#include "platform/Paths.h"
#include "platform/Posix.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <limits>
#include <mutex>
#include <optional>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace pagolux {

using namespace archive_detail;

namespace {

constexpr std::int64_t kInt32Max = std::numeric_limits<std::int32_t>::max();
// Members up to this size are compressed in memory; larger ones through a temporary file.
constexpr std::int64_t kInMemoryLimit = 20971520;
// Bytes of members read ahead of the writer, at most (a member is always allowed when it is the
// next one to write). With each worker's buffers this keeps a build well below 150 MB.
constexpr std::int64_t kReadAheadBudget = 48LL * 1024 * 1024;
// Block size of the copies from temporary files and sources into the archive.
constexpr std::int64_t kCopyChunk = 1024 * 1024;

// The kind of notice for a member whose open failed with error.
TNoticeKind openFailureKind(int error)
{
    if (error == ENOENT || error == ENOTDIR)
        return TNoticeKind::Missing;
    if (error == EINVAL)
        return TNoticeKind::NotRegularFile;
    return TNoticeKind::Unreadable;
}

void removeFile(const std::string& name)
{
    if (!name.empty())
        ::unlink(name.c_str());
}

} // namespace

// One item of AddFiles on its way into the archive.
struct TZLBArchive::Member {
    std::string path;
    std::int64_t estimate = 0; // size when planned (budget accounting)
    // Results of preparing it (written by one worker, read by the writer once ready):
    bool ready = false;
    bool failed = false; // the source could not be read: a notice, not an error
    int failErrno = 0;   // why the source could not be opened (0: it failed later)
    bool large = false;  // above the in-memory limit: deflated into spoolName
    std::string fatal;   // the archive cannot be made (a temporary file could not be written)
    int fatalErrno = 0;
    std::int64_t fileSize = 0;
    std::uint32_t crc = 0;
    bool storedRaw = false;
    std::vector<std::uint8_t> block;    // the stored data block (members in memory)
    std::string spoolName;              // the name the spool file had (for messages; removed at once)
    std::unique_ptr<TFileStream> spool; // the zlib stream of a large member, closed with the member
    // Uncompressed positions at each exchange of a TCompressionStream's buffer; the writer fires
    // the progress events for them (delivered: how many it has fired already).
    std::vector<std::int64_t> progressAt;
    std::size_t delivered = 0;

    Member() = default;
    Member(const Member&) = delete;
    Member& operator=(const Member&) = delete;
    Member(Member&&) = default;
    ~Member() = default;

    // Frees the member's data (assigning {} would keep the vectors' memory).
    void release()
    {
        std::vector<std::uint8_t>().swap(block);
        std::vector<std::int64_t>().swap(progressAt);
        spool.reset();
    }
};

// Buffers a worker reuses from member to member, so small files cost no allocation of their
// own beyond the stored block.
struct TZLBArchive::Scratch {
    std::vector<std::uint8_t> in;
    std::vector<std::uint8_t> out;
};

namespace {

// Raised inside a worker when AddFiles has given up, to stop a long member early.
struct Cancelled {};

} // namespace

// Worker threads that prepare members ahead of the writer within the memory budget. Members
// are taken in list order; each is read, checked and deflated by one worker (large ones into a
// temporary file), and the writer takes them in list order as they become ready.
class TZLBArchive::Pipeline {
  public:
    Pipeline(TZLBArchive& owner, std::vector<Member>& members, unsigned threads)
        : owner(owner), members(members), threads(threads), bytesFrom(members.size() + 1, 0)
    {
        for (std::size_t i = members.size(); i-- > 0;)
            bytesFrom[i] = bytesFrom[i + 1] + members[i].estimate;
        started = workers.Start(threads, [this](unsigned) { run(); });
    }

    ~Pipeline()
    {
        {
            std::lock_guard lock(mutex);
            stopping = true;
        }
        cancel = true;
        changed.notify_all();
        workers.Join();
    }

    // How many workers run; 0 when no thread could be started (the writer then prepares every
    // member itself).
    unsigned Workers() const { return started; }

    // Blocks until member i is prepared, firing the progress of its exchanges as they happen.
    void waitFor(std::size_t i)
    {
        Member& m = members[i];
        std::unique_lock lock(mutex);
        for (;;) {
            done.wait(lock, [&] { return m.ready || m.progressAt.size() > m.delivered; });
            std::vector<std::int64_t> fresh(m.progressAt.begin() + static_cast<std::ptrdiff_t>(m.delivered),
                                            m.progressAt.end());
            m.delivered = m.progressAt.size();
            const bool ready = m.ready;
            lock.unlock();
            for (const auto at : fresh)
                owner.memberProgress(at);
            if (ready)
                return;
            lock.lock();
        }
    }

    // The writer has finished member i and released its memory.
    void written(std::size_t i)
    {
        {
            std::lock_guard lock(mutex);
            inFlight -= charge(members[i]);
            if (members[i].estimate > kInMemoryLimit)
                --spooling;
            writeIndex = i + 1;
        }
        changed.notify_all();
    }

  private:
    // Memory a member holds until it is written: its size in memory, the buffers of a stream for
    // a large one.
    static std::int64_t charge(const Member& m)
    {
        return m.estimate > kInMemoryLimit ? kLargeMemberCharge : m.estimate;
    }

    bool mayStart(std::size_t i) const
    {
        if (i == writeIndex)
            return true;
        if (inFlight + charge(members[i]) > kReadAheadBudget)
            return false;
        // Large members wait in temporary files; only a few run ahead of the writer.
        return members[i].estimate <= kInMemoryLimit || spooling < kSpoolAhead;
    }

    // Takes the next members in list order: a run of small ones (one lock, one wake-up of the
    // writer for all of them) or one large one.
    void run()
    {
        TZLBArchive::Scratch scratch;
        std::vector<std::int64_t> exchanges;
        for (;;) {
            std::size_t first = 0, end = 0;
            {
                std::unique_lock lock(mutex);
                changed.wait(lock, [&] { return stopping || next >= members.size() || mayStart(next); });
                if (stopping || next >= members.size())
                    return;
                first = next;
                std::int64_t bytes = 0;
                // Towards the end runs get shorter, so that no worker is left alone with a long
                // run while the others have nothing more to take.
                const std::int64_t runBytes = std::min<std::int64_t>(
                    kBatchBytes, bytesFrom[next] / (2 * static_cast<std::int64_t>(threads)));
                do {
                    Member& m = members[next++];
                    inFlight += charge(m);
                    bytes += m.estimate;
                    if (m.estimate > kInMemoryLimit) {
                        ++spooling;
                        break;
                    }
                } while (next < members.size() && next - first < kBatchMembers && bytes < runBytes &&
                         members[next].estimate <= kInMemoryLimit && mayStart(next));
                end = next;
            }
            for (std::size_t i = first; i < end; ++i) {
                Member& m = members[i];
                exchanges.clear();
                try {
                    if (cancel)
                        throw Cancelled{};
                    owner.prepareMember(m, scratch, exchanges, [&](std::int64_t at) {
                        if (cancel)
                            throw Cancelled{};
                        {
                            std::lock_guard lock(mutex);
                            m.progressAt.push_back(at);
                        }
                        done.notify_all();
                    });
                } catch (const Cancelled&) {
                    m.failed = true;
                }
                std::lock_guard lock(mutex);
                m.progressAt.insert(m.progressAt.end(), exchanges.begin(), exchanges.end());
                m.ready = true;
            }
            // One wake-up of the writer for the whole run: one for each small member would cost
            // two system calls apiece.
            done.notify_all();
        }
    }

    static constexpr std::size_t kBatchMembers = 32;
    static constexpr std::int64_t kBatchBytes = 1024 * 1024;
    static constexpr std::int64_t kLargeMemberCharge = 1024 * 1024;
    static constexpr int kSpoolAhead = 4;

    TZLBArchive& owner;
    std::vector<Member>& members;
    const unsigned threads;              // asked for (some may not have started)
    std::vector<std::int64_t> bytesFrom; // bytesFrom[i]: estimated bytes of members i and after
    archive_detail::TWorkerThreads workers;
    unsigned started = 0;
    std::mutex mutex;
    std::condition_variable changed; // budget or stop
    std::condition_variable done;    // a member became ready or made progress
    std::size_t next = 0;
    std::size_t writeIndex = 0;
    std::int64_t inFlight = 0;
    int spooling = 0; // large members taken but not yet written
    bool stopping = false;
    std::atomic<bool> cancel{false};
};

// ---------------------------------------------------------------- AddFiles

void TZLBArchive::AddFiles(std::vector<std::string>& list)
{
    if (!attached() || d->unusable)
        throw EArchiveError(kMsgNoArchive);
    if (!d->newArchive && d->archiveStart != 0)
        throw EArchiveError("An archive inside another file cannot be changed");

    expandFolders(list);
    const std::vector<std::int64_t> sizes = checkLimits(list);
    if (d->stream)
        addToStream(list, sizes);
    else
        addToFile(list, sizes);
}

void TZLBArchive::addToFile(std::vector<std::string>& list, const std::vector<std::int64_t>& sizes)
{
    // The new archive is written beside the old one and renamed over it at the end.
    std::optional<AtomicFile> temp;
    try {
        temp.emplace(d->archiveName);
    } catch (const AtomicWriteError&) {
        throw EFCreateError(d->archiveName);
    }
    {
        TFileStream out(temp->name(), TFileMode::fmOpenReadWrite);
        if (!d->newArchive && d->trailer.RegistryOffset > 0) {
            std::unique_ptr<TFileStream> old;
            try {
                old = std::make_unique<TFileStream>(d->archiveName, TFileMode::fmOpenRead);
                copyExactly(*old, out, d->trailer.RegistryOffset, true);
            } catch (const EReadError&) {
                throw EArchiveError(formatMessage(kMsgUnableToOpen, d->archiveName));
            } catch (const EFOpenError&) {
                throw EArchiveError(formatMessage(kMsgUnableToOpen, d->archiveName));
            } catch (const EWriteError& e) {
                throw EArchiveWriteError(
                    formatMessage("Unable to write the archive file (%s)", d->archiveName), e.SystemError);
            }
        }
        writeArchive(list, sizes, out, [&] { out.Close(); });
    }
    try {
        temp->commit();
    } catch (const AtomicWriteError&) {
        throw EArchiveError(formatMessage("Unable to write the archive file (%s)", d->archiveName));
    }

    // The new file is in place. If reading it back fails, it stays on disk and the error
    // reaches the caller.
    const std::string name = d->archiveName;
    CloseArchive();
    OpenArchive(name);
}

void TZLBArchive::addToStream(std::vector<std::string>& list, const std::vector<std::int64_t>& sizes)
{
    // The data part stays where it is; the new members replace the old registry and trailer,
    // which are kept here to be put back if the call fails.
    TStream& s = *d->stream;
    const std::int64_t keep = d->newArchive ? 0 : d->trailer.RegistryOffset;
    std::vector<std::uint8_t> tail;
    try {
        const std::int64_t size = s.Size();
        tail.resize(static_cast<std::size_t>(size - keep));
        s.Seek(keep, TSeekOrigin::soBeginning);
        s.ReadBuffer(tail.data(), size - keep);
        s.SetSize(keep);
        s.Seek(keep, TSeekOrigin::soBeginning);
    } catch (const EReadError&) {
        throw EArchiveError(formatMessage(kMsgUnableToOpen, displayName()));
    } catch (const EWriteError& e) {
        throw EArchiveWriteError(formatMessage("Unable to write the archive file (%s)", displayName()),
                                 e.SystemError);
    }
    WrittenArchive written;
    try {
        written.crc = writeArchive(list, sizes, s, [] {});
    } catch (...) {
        try {
            s.SetSize(keep);
            s.Seek(keep, TSeekOrigin::soBeginning);
            s.WriteBuffer(tail.data(), static_cast<std::int64_t>(tail.size()));
        } catch (const Exception&) {
        }
        throw;
    }
    // Re-opened with the CRC counted while writing; a file whose stamp cannot be told is read.
    bool counted = true;
    written.length = s.Size() - static_cast<std::int64_t>(kTrailerSize);
    if (auto* file = dynamic_cast<TFileStream*>(&s)) {
        try {
            written.stamp = file->Stamp();
        } catch (const EReadError&) {
            counted = false;
        }
    }
    openStream(s, 0, counted ? &written : nullptr);
}

std::uint32_t TZLBArchive::writeArchive(std::vector<std::string>& list,
                                        const std::vector<std::int64_t>& sizes, TStream& out,
                                        const std::function<void()>& finish)
{
    const std::size_t oldCount = d->entries.size();
    std::size_t processed = 0;
    std::uint32_t archiveCrc = 0;
    try {
        try {
            // The archive CRC is counted as the bytes go out, instead of reading them back.
            archive_detail::TCrcWriteStream counted(out);
            writeMembers(list, sizes, processed, counted);
            archiveCrc = writeRegistry(counted);
            finish();
        } catch (const EWriteError& e) {
            throw EArchiveWriteError(formatMessage("Unable to write the archive file (%s)", displayName()),
                                     e.SystemError);
        }
    } catch (...) {
        // Nothing of this call stays: the entries made for it go, the old file is untouched,
        // and the list keeps the items not yet processed.
        d->entries.resize(oldCount);
        d->index.clear();
        d->indexed = false;
        list.erase(list.begin(), list.begin() + static_cast<std::ptrdiff_t>(processed));
        throw;
    }
    list.clear();
    return archiveCrc;
}

void TZLBArchive::writeMembers(std::vector<std::string>& list, const std::vector<std::int64_t>& sizes,
                               std::size_t& processed, TStream& file)
{
    archive_detail::TBufferedWriteStream out(file);
    std::vector<Member> members(list.size());
    for (std::size_t i = 0; i < list.size(); ++i) {
        members[i].path = list[i];
        members[i].estimate = std::max<std::int64_t>(sizes[i], 0);
    }
    const unsigned threads = WorkerCount(Threads, members.size());

    // Declared after the members: stopped and joined before they go.
    std::unique_ptr<Pipeline> pipeline;
    if (threads > 1) {
        pipeline = std::make_unique<Pipeline>(*this, members, threads);
        if (pipeline->Workers() == 0)
            pipeline.reset();
    }
    Scratch scratch;

    for (std::size_t i = 0; i < members.size(); ++i) {
        Member& m = members[i];
        const std::string folder = storedFilePath(m.path, SavePaths);
        const std::string name = storedFileName(m.path);
        if (folder.size() > kShortStringMax || name.size() > kShortStringMax) {
            // Cut, it would name another file (or the same cut of another long path).
            if (pipeline)
                pipeline->waitFor(i);
            m.release();
            if (pipeline)
                pipeline->written(i);
            notice(TNoticeKind::PathTooLong, m.path, 0,
                   formatMessage("%s has a path longer than an archive entry holds", m.path));
            continue;
        }
        if (findKey(folder + name) >= 0)
            notice(TNoticeKind::Duplicate, m.path, 0,
                   formatMessage("%s already exists in the archive", m.path));

        d->progressStage = 2;
        d->progressTotal = static_cast<std::int32_t>(std::min<std::int64_t>(m.estimate, kInt32Max));
        d->progressCount = 0;
        d->progressMessage = formatMessage("Updating %s", m.path);
        if (pipeline) {
            pipeline->waitFor(i);
        } else {
            std::vector<std::int64_t> exchanges;
            prepareMember(m, scratch, exchanges, [this](std::int64_t at) { memberProgress(at); });
            for (const auto at : exchanges)
                memberProgress(at);
        }
        const auto handedOn = out.HandedOn();
        writeMember(m, out);
        m.release();
        if (pipeline)
            pipeline->written(i);
        // Processed means in the file: a member still in the buffer is not, and when this one
        // made the buffer go out, every member before it is.
        if (out.Pending() == 0)
            processed = i + 1;
        else if (out.HandedOn() != handedOn)
            processed = i;
    }
    out.Flush();
    processed = members.size();
}

void TZLBArchive::memberProgress(std::int64_t at)
{
    if (OnProgress && !d->destroying)
        OnProgress(d->progressMessage, ProgressPercent(static_cast<double>(at), d->progressTotal));
}

// Runs on a worker thread: touches only m, the scratch buffers and the immutable settings.
// Failures are recorded in m; only Cancelled (from exchanged) leaves.
void TZLBArchive::prepareMember(Member& m, Scratch& scratch, std::vector<std::int64_t>& exchanges,
                                const std::function<void(std::int64_t)>& exchanged) const
{
    std::unique_ptr<TStream> src;
    std::int64_t size = 0;
    try {
        src = OpenMemberStream(m.path, size);
    } catch (const EFOpenError& e) {
        m.failed = true;
        m.failErrno = e.SystemError;
        return;
    } catch (const Exception&) {
        m.failed = true;
        return;
    }
    if (size > kInMemoryLimit) {
        m.large = true;
        spoolMember(m, *src, size, exchanged);
        return;
    }
    try {
        scratch.in.resize(static_cast<std::size_t>(size));
        src->ReadBuffer(scratch.in.data(), size);
        src.reset();
        m.fileSize = size;
        m.crc = Crc32(0, scratch.in.data(), scratch.in.size());
        DeflateMember(CompressionLevel, scratch.in.data(), scratch.in.size(), scratch.out, &exchanges);
        m.storedRaw = static_cast<std::int64_t>(scratch.out.size()) >= size;
        const auto& stored = m.storedRaw ? scratch.in : scratch.out;
        m.block.assign(stored.begin(), stored.end());
    } catch (const std::bad_alloc&) {
        m.fatal = "Not enough memory to compress " + m.path;
    } catch (const Exception&) {
        m.failed = true;
        m.block = std::vector<std::uint8_t>();
    }
    // A buffer grown for one large member is not kept for the many small ones after it.
    constexpr std::size_t kKeep = 4 * 1024 * 1024;
    if (scratch.in.capacity() > kKeep)
        std::vector<std::uint8_t>().swap(scratch.in);
    if (scratch.out.capacity() > kKeep)
        std::vector<std::uint8_t>().swap(scratch.out);
}

// Deflates a member too large for memory into a temporary file, reading the source once.
void TZLBArchive::spoolMember(Member& m, TStream& src, std::int64_t size,
                              const std::function<void(std::int64_t)>& exchanged) const
{
    if (size > kInt32Max) {
        m.fatal = kMsgTooLarge;
        return;
    }
    try {
        std::string name;
        const_cast<TZLBArchive*>(this)->GetTempFile(name);
        m.spoolName = name;
        // The new file is taken only if it is still the one just made for us (no link, no other
        // owner, no second name); its name goes at once, so nobody can open or swap it, and a
        // killed run leaves nothing in the temporary folder.
        const int fd = platform::openOwnScratchFile(name.c_str());
        if (fd < 0) {
            removeFile(name);
            throw EFCreateError(name);
        }
        m.spool = TFileStream::Adopt(name, fd);
        removeFile(name);
        TFileStream& spool = *m.spool;
        std::uint32_t crc = 0;
        std::vector<std::uint8_t> chunk(static_cast<std::size_t>(TStream::kCopyBlockSize));
        {
            TCompressionStream z(CompressionLevel, spool);
            z.OnProgress = [&](TCustomZlibStream& s) { exchanged(s.Position()); };
            for (std::int64_t left = size; left > 0;) {
                const auto n = std::min<std::int64_t>(left, TStream::kCopyBlockSize);
                try {
                    src.ReadBuffer(chunk.data(), n);
                } catch (const EStreamError&) {
                    m.failed = true;
                    return;
                }
                crc = Crc32(crc, chunk.data(), static_cast<std::size_t>(n));
                z.WriteBuffer(chunk.data(), n);
                left -= n;
            }
            z.Finish();
        }
        m.storedRaw = spool.Size() >= size;
        m.fileSize = size;
        m.crc = crc;
    } catch (const EWriteError& e) {
        m.fatal = "Unable to write a temporary file (" + m.spoolName + ")";
        m.fatalErrno = e.SystemError;
    } catch (const EFCreateError&) {
        m.fatal = "Unable to create a temporary file in " + TempFolder();
        m.fatalErrno = errno;
    } catch (const Exception&) {
        m.failed = true;
    }
}

void TZLBArchive::writeMember(Member& m, TStream& out)
{
    if (!m.fatal.empty())
        throw EArchiveWriteError(m.fatal, m.fatalErrno);
    if (m.failed) {
        notice(openFailureKind(m.failErrno), m.path, m.failErrno, formatMessage(kMsgUnableToOpen, m.path));
        return;
    }
    const std::int64_t offset = out.Position();
    // The bytes in a member's spool file; a size the system cannot tell fails the archive.
    const auto spoolSize = [&m] {
        try {
            return m.spool->Size();
        } catch (const EStreamError&) {
            throw EArchiveWriteError("Unable to read a temporary file (" + m.spoolName + ")", 0);
        }
    };
    const std::int64_t stored =
        m.large ? (m.storedRaw ? m.fileSize : spoolSize()) : static_cast<std::int64_t>(m.block.size());
    if (offset + stored > kInt32Max)
        throw EArchiveError(kMsgTooLarge);
    const auto writeFailed = [this](const EWriteError& e) {
        return EArchiveWriteError(formatMessage("Unable to write the archive file (%s)", displayName()),
                                  e.SystemError);
    };
    try {
        if (!m.large) {
            out.WriteBuffer(m.block.data(), stored);
        } else if (!m.storedRaw) {
            try {
                m.spool->Seek(0, TSeekOrigin::soBeginning);
            } catch (const EStreamError&) {
                throw EArchiveWriteError("Unable to read a temporary file (" + m.spoolName + ")", 0);
            }
            copyExactly(*m.spool, out, stored, false);
        } else if (!copyRawMember(m, out)) {
            // The source could not be read again, or it changed: cut off what reached the archive.
            out.SetSize(offset);
            out.Seek(offset, TSeekOrigin::soBeginning);
            notice(TNoticeKind::Unreadable, m.path, 0, formatMessage(kMsgUnableToOpen, m.path));
            return;
        }
    } catch (const EWriteError& e) {
        throw writeFailed(e);
    }

    TArchiveEntry e{};
    e.FileCRC = m.crc;
    SetShortString(e.FileName, storedFileName(m.path));
    if (SavePaths)
        SetShortString(e.FilePath, storedFilePath(m.path, true));
    e.FileSize = static_cast<std::int32_t>(m.fileSize);
    e.DataOffset = static_cast<std::int32_t>(offset);
    e.StoredSize = static_cast<std::int32_t>(stored);
    e.StoredRaw = m.storedRaw ? 1 : 0;
    e.Level = m.storedRaw ? 0 : static_cast<std::uint8_t>(CompressionLevel);
    d->entries.push_back(e);
    indexEntry(Count() - 1);
}

// Copies count bytes of from into to. A read failure raises EArchiveWriteError when the source is
// a temporary file of the archive, EReadError otherwise; a write failure raises EWriteError.
void TZLBArchive::copyExactly(TStream& from, TStream& to, std::int64_t count, bool sourceIsMember)
{
    std::vector<std::uint8_t> chunk(static_cast<std::size_t>(kCopyChunk));
    for (std::int64_t left = count; left > 0;) {
        const auto n = std::min<std::int64_t>(left, kCopyChunk);
        try {
            from.ReadBuffer(chunk.data(), n);
        } catch (const EStreamError&) {
            if (sourceIsMember)
                throw EReadError();
            throw EArchiveWriteError("Unable to read a temporary file", 0);
        }
        to.WriteBuffer(chunk.data(), n);
        left -= n;
    }
}

// A large member that deflate cannot shorten is too big to have kept in memory, so its source is
// read a second time; it must not have changed in between. False when it cannot be read or
// changed (nothing is cleaned up here); a failed write to out raises EWriteError.
bool TZLBArchive::copyRawMember(Member& m, TStream& out)
{
    std::unique_ptr<TStream> src;
    try {
        std::int64_t size = 0;
        src = OpenMemberStream(m.path, size);
        if (size != m.fileSize)
            return false;
    } catch (const Exception&) {
        return false;
    }
    std::vector<std::uint8_t> chunk(static_cast<std::size_t>(kCopyChunk));
    std::uint32_t again = 0;
    for (std::int64_t left = m.fileSize; left > 0;) {
        const auto n = std::min<std::int64_t>(left, kCopyChunk);
        try {
            src->ReadBuffer(chunk.data(), n);
        } catch (const EStreamError&) {
            return false;
        }
        again = Crc32(again, chunk.data(), static_cast<std::size_t>(n));
        out.WriteBuffer(chunk.data(), n);
        left -= n;
    }
    return again == m.crc;
}

} // namespace pagolux
