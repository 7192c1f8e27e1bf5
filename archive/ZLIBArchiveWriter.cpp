// TZLBArchive, writing side: folder expansion, AddFiles with its parallel member compression,
// GetTempFile.
//
// Members are prepared (read once, CRC-32 computed, deflated in memory) by worker threads and
// written strictly in list order by the calling thread, which also fires every event. Memory
// is bounded: workers only run ahead while the members read but not yet written stay within
// a fixed budget, and members above 20 MiB are streamed by the calling thread through a
// temporary file. The archive is therefore the same byte for byte for any number of threads.
#include "archive/ArchivePaths_p.h"
#include "archive/ZLIBArchive.h"
#include "archive/platform/FileNameUtils.h"
#include "archive/platform/Paths.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <dirent.h>
#include <limits>
#include <mutex>
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
// next one to write).
constexpr std::int64_t kReadAheadBudget = 96LL * 1024 * 1024;

struct FolderId {
    std::uint64_t dev;
    std::uint64_t ino;
};

bool statFolder(const std::string& path, FolderId& id)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return false;
    id = {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
    return true;
}

// Size of a regular file, or -1.
std::int64_t regularFileSize(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return -1;
    return static_cast<std::int64_t>(st.st_size);
}

void removeFile(const std::string& name)
{
    if (!name.empty())
        ::unlink(name.c_str());
}

// Deletes a file when it goes out of scope, unless released.
struct FileRemover {
    std::string name;
    ~FileRemover() { removeFile(name); }
};

} // namespace

// One item of AddFiles on its way into the archive.
struct TZLBArchive::Member {
    std::string path;
    std::int64_t estimate = 0; // size when planned (budget accounting)
    // Results of prepareMember:
    bool ready = false;
    bool failed = false;
    bool large = false; // too big for memory: the writer streams it itself
    std::int64_t fileSize = 0;
    std::uint32_t crc = 0;
    bool storedRaw = false;
    std::vector<std::uint8_t> block;      // the stored data block
    std::vector<std::int64_t> progressAt; // uncompressed positions at each buffer exchange
};

// Worker threads that prepare members ahead of the writer within the memory budget.
class TZLBArchive::Pipeline {
  public:
    Pipeline(const TZLBArchive& owner, std::vector<Member>& members, unsigned threads)
        : owner(owner), members(members)
    {
        for (unsigned t = 0; t < threads; ++t)
            workers.emplace_back([this] { run(); });
    }

    ~Pipeline()
    {
        {
            std::lock_guard lock(mutex);
            stopping = true;
        }
        changed.notify_all();
        for (auto& w : workers)
            w.join();
    }

    // Blocks until member i is prepared.
    void waitFor(std::size_t i)
    {
        std::unique_lock lock(mutex);
        done.wait(lock, [&] { return members[i].ready; });
    }

    // The writer has finished member i and released its memory.
    void written(std::size_t i)
    {
        {
            std::lock_guard lock(mutex);
            inFlight -= charge(members[i]);
            writeIndex = i + 1;
        }
        changed.notify_all();
    }

  private:
    static std::int64_t charge(const Member& m) { return m.estimate > kInMemoryLimit ? 0 : m.estimate; }

    void run()
    {
        for (;;) {
            std::size_t i = 0;
            {
                std::unique_lock lock(mutex);
                changed.wait(lock, [&] {
                    return stopping || next >= members.size() || next == writeIndex ||
                           inFlight + charge(members[next]) <= kReadAheadBudget;
                });
                if (stopping || next >= members.size())
                    return;
                i = next++;
                inFlight += charge(members[i]);
            }
            Member& m = members[i];
            if (m.estimate > kInMemoryLimit)
                m.large = true;
            else
                owner.prepareMember(m);
            {
                std::lock_guard lock(mutex);
                m.ready = true;
            }
            done.notify_all();
        }
    }

    const TZLBArchive& owner;
    std::vector<Member>& members;
    std::vector<std::thread> workers;
    std::mutex mutex;
    std::condition_variable changed; // budget or stop
    std::condition_variable done;    // a member became ready
    std::size_t next = 0;
    std::size_t writeIndex = 0;
    std::int64_t inFlight = 0;
    bool stopping = false;
};

// ---------------------------------------------------------------- folders

void TZLBArchive::AddDirectory(const std::string& folder, std::vector<std::string>& list)
{
    scanDirectory(folder, list);
}

void TZLBArchive::scanDirectory(const std::string& folderIn, std::vector<std::string>& list)
{
    std::string folder = folderIn;
    if (folder.size() > 1 && isPathDelimiter(folder.back()))
        folder.pop_back();
    FolderId id{};
    if (!statFolder(folder, id))
        return;
    // A folder met again (a link back up the tree, or a folder listed twice) is not expanded
    // again: every file enters the list once.
    if (!scannedFolders.emplace(id.dev, id.ino).second)
        return;

    std::vector<std::string> items;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return;
    const std::string prefix = folder == "/" ? folder : folder + kPathDelim;
    while (const dirent* d = ::readdir(dir)) {
        const std::string name = d->d_name;
        if (name == "." || name == "..")
            continue;
        const std::string full = prefix + name;
        FolderId sub{};
        if (statFolder(full, sub)) {
            if (RecursePaths)
                scanDirectory(full, list);
            if (SavePaths)
                items.push_back(full);
        } else {
            items.push_back(full);
        }
    }
    ::closedir(dir);
    list.insert(list.end(), items.begin(), items.end());
}

void TZLBArchive::expandFolders(std::vector<std::string>& list)
{
    scannedFolders.clear();
    std::size_t i = 0;
    while (i < list.size()) {
        FolderId id{};
        if (statFolder(list[i], id)) {
            if (RecursePaths)
                AddDirectory(list[i], list);
            list.erase(list.begin() + static_cast<std::ptrdiff_t>(i));
        } else {
            ++i;
        }
    }
    scannedFolders.clear();
}

void TZLBArchive::GetTempFile(std::string& name)
{
    name = createUniqueFile(TempFolder(), "ZLB", 0600);
}

std::unique_ptr<TStream> TZLBArchive::OpenMemberStream(const std::string& path) const
{
    // Only regular files: opening a FIFO would wait for a writer, a device might never end.
    if (regularFileSize(path) < 0)
        throw EFOpenError(path);
    return std::make_unique<TFileStream>(path, TFileMode::fmOpenRead);
}

// ---------------------------------------------------------------- AddFiles

void TZLBArchive::checkLimits(const std::vector<std::string>& list) const
{
    std::int64_t total = newArchive ? 0 : trailer.RegistryOffset;
    std::int64_t count = Count();
    for (const auto& path : list) {
        const auto size = regularFileSize(path);
        if (size > kInt32Max)
            throw EArchiveError(
                formatMessage("%s is larger than 2 GiB, the size limit of the ZLB format", path));
        total += std::max<std::int64_t>(size, 0);
        ++count;
    }
    // The registry of count entries, compressed at worst a little larger than raw.
    const std::int64_t registry = count * static_cast<std::int64_t>(kEntrySize);
    const std::int64_t bound =
        total + registry + registry / 1000 + 1024 + static_cast<std::int64_t>(kTrailerSize);
    if (bound > kInt32Max)
        throw EArchiveError(kMsgTooLarge);
}

void TZLBArchive::AddFiles(std::vector<std::string>& list)
{
    if (archiveName.empty() || unusable)
        throw EArchiveError(kMsgNoArchive);
    if (!newArchive && archiveStart != 0)
        throw EArchiveError("An archive inside another file cannot be changed");

    expandFolders(list);
    checkLimits(list);

    // The new archive is written beside the old one and renamed over it at the end.
    std::string folder = ExtractFilePath(archiveName);
    const std::string tempName = createUniqueFile(folder, ".ZLB", 0666);
    FileRemover removeTemp{tempName};

    const std::size_t oldCount = entries.size();
    std::size_t processed = 0;
    try {
        TFileStream out(tempName, TFileMode::fmOpenReadWrite);
        if (!newArchive && trailer.RegistryOffset > 0) {
            try {
                TFileStream old(archiveName, TFileMode::fmOpenRead);
                out.CopyFrom(old, trailer.RegistryOffset);
            } catch (const EStreamError&) {
                throw EArchiveError(formatMessage(kMsgUnableToOpen, archiveName));
            }
        }
        writeMembers(list, processed, out);
        WriteRegistry(out);
        out.Close();
    } catch (...) {
        // Nothing of this call stays: the entries made for it go, the old file is untouched,
        // and the list keeps the items not yet processed.
        entries.resize(oldCount);
        index.clear();
        for (std::int32_t i = 0; i < Count(); ++i)
            indexEntry(i);
        list.erase(list.begin(), list.begin() + static_cast<std::ptrdiff_t>(processed));
        throw;
    }
    list.clear();

    if (std::rename(tempName.c_str(), archiveName.c_str()) != 0)
        throw EArchiveError(formatMessage("Unable to write the archive file (%s)", archiveName));
    removeTemp.name.clear();

    // The new file is in place. If reading it back fails, it stays on disk and the error
    // reaches the caller.
    const std::string name = archiveName;
    CloseArchive();
    OpenArchive(name);
}

void TZLBArchive::writeMembers(std::vector<std::string>& list, std::size_t& processed, TStream& out)
{
    std::vector<Member> members(list.size());
    for (std::size_t i = 0; i < list.size(); ++i) {
        members[i].path = list[i];
        members[i].estimate = std::max<std::int64_t>(regularFileSize(list[i]), 0);
    }
    unsigned threads = Threads ? Threads : std::max(1u, std::thread::hardware_concurrency());
    threads = static_cast<unsigned>(std::min<std::size_t>(threads, members.size()));

    std::unique_ptr<Pipeline> pipeline;
    if (threads > 1)
        pipeline = std::make_unique<Pipeline>(*this, members, threads);

    for (std::size_t i = 0; i < members.size(); ++i) {
        Member& m = members[i];
        const std::string key = storedFilePath(m.path, SavePaths) + storedFileName(m.path);
        if (findKey(key) >= 0 && OnErrorLogged)
            OnErrorLogged(formatMessage("%s already exists in the archive", m.path));

        if (pipeline)
            pipeline->waitFor(i);
        else if (m.estimate > kInMemoryLimit)
            m.large = true;
        else
            prepareMember(m);

        if (m.large)
            storeLargeMember(m, out);
        else
            appendMember(m, out);
        m.block = {};
        m.progressAt = {};
        if (pipeline)
            pipeline->written(i);
        processed = i + 1;
    }
}

// Runs on a worker thread: touches only m and the immutable settings.
void TZLBArchive::prepareMember(Member& m) const
{
    try {
        auto src = OpenMemberStream(m.path);
        const std::int64_t size = src->Size();
        if (size > kInMemoryLimit) {
            m.large = true;
            return;
        }
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
        src->ReadBuffer(bytes.data(), size);
        m.fileSize = size;
        m.crc = Crc32(0, bytes.data(), bytes.size());

        std::vector<std::uint8_t> compressed;
        compressed.reserve(static_cast<std::size_t>(size / 2 + 64));
        DeflateMember(CompressionLevel, bytes.data(), bytes.size(), compressed, &m.progressAt);
        if (static_cast<std::int64_t>(compressed.size()) >= size) {
            m.storedRaw = true;
            m.block = std::move(bytes);
        } else {
            m.storedRaw = false;
            m.block = std::move(compressed);
        }
    } catch (...) {
        m.failed = true;
        m.block = {};
    }
}

void TZLBArchive::appendMember(Member& m, TStream& out)
{
    progressStage = 2;
    progressTotal = static_cast<std::int32_t>(std::min<std::int64_t>(m.fileSize, kInt32Max));
    progressCount = 0;
    progressMessage = formatMessage("Updating %s", m.path);
    if (OnProgress && !destroying)
        for (const auto at : m.progressAt)
            OnProgress(progressMessage, ProgressPercent(static_cast<double>(at), progressTotal));

    if (m.failed) {
        if (OnErrorLogged)
            OnErrorLogged(formatMessage(kMsgUnableToOpen, m.path));
        return;
    }
    const std::int64_t offset = out.Position();
    const auto stored = static_cast<std::int64_t>(m.block.size());
    if (offset + stored > kInt32Max)
        throw EArchiveError(kMsgTooLarge);
    try {
        out.WriteBuffer(m.block.data(), stored);
    } catch (const EStreamError&) {
        out.SetSize(offset);
        out.Seek(offset, TSeekOrigin::soBeginning);
        if (OnErrorLogged)
            OnErrorLogged(formatMessage(kMsgUnableToOpen, m.path));
        return;
    }
    auto e = std::make_unique<TArchiveEntry>();
    *e = TArchiveEntry{};
    e->FileCRC = m.crc;
    SetShortString(e->FileName, storedFileName(m.path));
    if (SavePaths)
        SetShortString(e->FilePath, storedFilePath(m.path, true));
    e->FileSize = static_cast<std::int32_t>(m.fileSize);
    e->DataOffset = static_cast<std::int32_t>(offset);
    e->StoredSize = static_cast<std::int32_t>(stored);
    e->StoredRaw = m.storedRaw ? 1 : 0;
    e->Level = m.storedRaw ? 0 : static_cast<std::uint8_t>(CompressionLevel);
    entries.push_back(std::move(e));
    indexEntry(Count() - 1);
}

void TZLBArchive::storeLargeMember(Member& m, TStream& out)
{
    const std::int64_t offset = out.Position();
    try {
        auto src = OpenMemberStream(m.path);
        const std::int64_t size = src->Size();
        if (size > kInt32Max)
            throw EArchiveError(kMsgTooLarge);

        std::string bufferName;
        GetTempFile(bufferName);
        FileRemover removeBuffer{bufferName};
        TFileStream buffer(bufferName, TFileMode::fmCreate);

        progressStage = 2;
        progressTotal = static_cast<std::int32_t>(size);
        progressCount = 0;
        progressMessage = formatMessage("Updating %s", m.path);
        std::uint32_t crc = 0;
        std::vector<std::uint8_t> block(static_cast<std::size_t>(TStream::kCopyBlockSize));
        {
            TCompressionStream z(CompressionLevel, buffer);
            z.OnProgress = [this](TCustomZlibStream& s) { DoProgress(&s); };
            for (std::int64_t left = size; left > 0;) {
                const auto n = std::min<std::int64_t>(left, TStream::kCopyBlockSize);
                src->ReadBuffer(block.data(), n);
                crc = Crc32(crc, block.data(), static_cast<std::size_t>(n));
                z.WriteBuffer(block.data(), n);
                left -= n;
            }
            z.Finish();
        }

        const bool raw = buffer.Size() >= size;
        const std::int64_t stored = raw ? size : buffer.Size();
        if (offset + stored > kInt32Max)
            throw EArchiveError(kMsgTooLarge);
        if (raw) {
            // Too big to keep in memory, so the file is read a second time; it must not have
            // changed in between.
            src->SetPosition(0);
            std::uint32_t again = 0;
            for (std::int64_t left = size; left > 0;) {
                const auto n = std::min<std::int64_t>(left, TStream::kCopyBlockSize);
                src->ReadBuffer(block.data(), n);
                again = Crc32(again, block.data(), static_cast<std::size_t>(n));
                out.WriteBuffer(block.data(), n);
                left -= n;
            }
            if (again != crc)
                throw EReadError();
        } else {
            buffer.SetPosition(0);
            out.CopyFrom(buffer, stored);
        }

        auto e = std::make_unique<TArchiveEntry>();
        *e = TArchiveEntry{};
        e->FileCRC = crc;
        SetShortString(e->FileName, storedFileName(m.path));
        if (SavePaths)
            SetShortString(e->FilePath, storedFilePath(m.path, true));
        e->FileSize = static_cast<std::int32_t>(size);
        e->DataOffset = static_cast<std::int32_t>(offset);
        e->StoredSize = static_cast<std::int32_t>(stored);
        e->StoredRaw = raw ? 1 : 0;
        e->Level = raw ? 0 : static_cast<std::uint8_t>(CompressionLevel);
        entries.push_back(std::move(e));
        indexEntry(Count() - 1);
    } catch (const EArchiveError&) {
        throw;
    } catch (...) {
        // Cut off whatever part of this member reached the archive.
        out.SetSize(offset);
        out.Seek(offset, TSeekOrigin::soBeginning);
        if (OnErrorLogged)
            OnErrorLogged(formatMessage(kMsgUnableToOpen, m.path));
    }
}

} // namespace pagolux
