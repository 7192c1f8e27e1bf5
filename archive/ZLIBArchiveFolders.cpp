// TZLBArchive, what AddFiles packs: folders expanded (each once, links leading out of the folder
// given left out with a notice), the files it must never pack dropped (its own files), the
// format's limits checked, and the notices fired.
#include "archive/ArchivePaths_p.h"
#include "archive/WorkerThreads_p.h"
#include "archive/ZLIBArchive.h"
#include "archive/ZLIBArchiveState_p.h"
#include "platform/AtomicFile.h"
#include "platform/FileNameUtils.h"
#include "platform/Paths.h"
#include "platform/Posix.h"

#include <algorithm>
#include <dirent.h>
#include <limits>
#include <sys/stat.h>

namespace pagolux {

using namespace archive_detail;

namespace {

constexpr std::int64_t kInt32Max = std::numeric_limits<std::int32_t>::max();

// True when path lies in folder (both resolved, folder without a trailing separator).
bool insideFolder(const std::string& path, const std::string& folder)
{
    if (folder == "/")
        return true;
    return path == folder || (path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
                              isPathDelimiter(path[folder.size()]));
}

// Drops from list (and sizes) the items that are one of the files named in names or the file
// out is (the files an archive must never pack: its own old file, the file it is written to,
// any the caller excludes; a scan of the folder they lie in finds them). ids are the items'
// device and inode numbers.
void dropExcluded(std::vector<std::string>& list, std::vector<std::int64_t>& sizes,
                  const std::vector<FolderId>& ids, const std::vector<std::string>& names, TStream* out)
{
    std::vector<FolderId> excluded;
    FolderId id{};
    for (const auto& name : names)
        if (!name.empty() && regularFileSize(name, &id) >= 0)
            excluded.push_back(id);
    struct stat st {};
    if (auto* file = dynamic_cast<TFileStream*>(out); file && ::fstat(file->Handle(), &st) == 0)
        excluded.push_back({static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)});
    if (excluded.empty())
        return;
    std::size_t kept = 0;
    for (std::size_t i = 0; i < list.size(); ++i) {
        const bool drop =
            sizes[i] >= 0 && std::any_of(excluded.begin(), excluded.end(),
                                         [&](const FolderId& x) { return sameFile(x, ids[i]); });
        if (drop)
            continue;
        if (kept != i) {
            list[kept] = std::move(list[i]);
            sizes[kept] = sizes[i];
        }
        ++kept;
    }
    list.resize(kept);
    sizes.resize(kept);
}

} // namespace

// ---------------------------------------------------------------- folders

void TZLBArchive::AddDirectory(const std::string& folder, std::vector<std::string>& list)
{
    // Links found below the folder may lead anywhere inside it, but not out of it.
    const bool outermost = d->scanRoot.empty();
    if (outermost && !platform::realPath(folder.c_str(), d->scanRoot))
        d->scanRoot.clear();
    try {
        scanDirectory(folder, list);
    } catch (...) {
        if (outermost)
            d->scanRoot.clear();
        throw;
    }
    if (outermost)
        d->scanRoot.clear();
}

bool TZLBArchive::linkLeadsOut(const std::string& path)
{
    struct stat st {};
    if (d->scanRoot.empty() || platform::linkStatus(path.c_str(), &st) != 0 || !platform::isLink(st))
        return false;
    std::string resolved;
    // A dangling link stays in the list and is reported as missing when it is packed.
    if (!platform::realPath(path.c_str(), resolved) || insideFolder(resolved, d->scanRoot))
        return false;
    notice(TNoticeKind::LinkOutside, path, 0,
           formatMessage("%s is a symbolic link that leads out of the folder; it was not followed", path));
    return true;
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
    if (!d->scannedFolders.emplace(id.dev, id.ino).second)
        return;

    std::vector<std::string> items;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return;
    const std::string prefix = folder == "/" ? folder : folder + kPathDelim;
    while (const dirent* found = ::readdir(dir)) {
        const std::string name = found->d_name;
        if (name == "." || name == "..")
            continue;
        std::string full = prefix + name;
        FolderId sub{};
        // The entry's type saves a stat for plain files; links and unknown types are looked up.
        if (!platform::knownPlainFile(*found) && linkLeadsOut(full))
            continue;
        if (!platform::knownPlainFile(*found) && statFolder(full, sub)) {
            if (RecursePaths)
                scanDirectory(full, list);
            if (SavePaths) {
                d->listedFolders.insert(full);
                items.push_back(std::move(full));
            }
        } else {
            items.push_back(std::move(full));
        }
    }
    ::closedir(dir);
    list.insert(list.end(), std::make_move_iterator(items.begin()), std::make_move_iterator(items.end()));
}

void TZLBArchive::expandFolders(std::vector<std::string>& list)
{
    // The items that are not folders keep their order; the files of each folder follow, in the
    // order of the folders. Only the caller's items are looked up here: a scan knows which of
    // the items it found are folders, and those are dropped.
    d->scannedFolders.clear();
    d->listedFolders.clear();
    std::vector<std::string> files;
    std::vector<std::string> folders;
    for (auto& item : list) {
        FolderId id{};
        if (statFolder(item, id))
            folders.push_back(std::move(item));
        else
            files.push_back(std::move(item));
    }
    if (RecursePaths) {
        const std::size_t given = files.size();
        for (const auto& folder : folders) {
            FolderId id{};
            const bool again = statFolder(folder, id) && d->scannedFolders.count({id.dev, id.ino}) > 0;
            const std::size_t before = files.size();
            AddDirectory(folder, files);
            if (files.size() == before && !again)
                notice(TNoticeKind::EmptyFolder, folder, 0,
                       formatMessage("%s is a folder without readable files", folder));
        }
        if (!d->listedFolders.empty())
            files.erase(
                std::remove_if(files.begin() + static_cast<std::ptrdiff_t>(given), files.end(),
                               [this](const std::string& f) { return d->listedFolders.count(f) > 0; }),
                files.end());
    }
    list = std::move(files);
    d->scannedFolders.clear();
    d->listedFolders.clear();
}

void TZLBArchive::GetTempFile(std::string& name)
{
    const std::string folder = TempFolder();
    try {
        name = createUniqueFile(folder, "ZLB", 0600);
    } catch (const AtomicWriteError&) {
        throw EFCreateError(folder + "ZLB*");
    }
}

std::unique_ptr<TStream> TZLBArchive::OpenMemberStream(const std::string& path, std::int64_t& size) const
{
    // Only regular files: a FIFO would wait for a writer, a device might never end.
    return TFileStream::OpenRegular(path, size);
}

std::vector<std::int64_t> TZLBArchive::checkLimits(std::vector<std::string>& list) const
{
    std::int64_t total = d->newArchive ? 0 : d->trailer.RegistryOffset;
    std::int64_t count = Count();
    // One status call per file before anything is packed: for 20,000 pages that is tens of
    // milliseconds with every other core idle, so the calls are spread over the cores.
    std::vector<std::int64_t> sizes(list.size());
    std::vector<FolderId> ids(list.size());
    constexpr std::size_t kPerThread = 2000;
    const unsigned threads = WorkerCount(Threads, (list.size() + kPerThread - 1) / kPerThread);
    RunParallel(threads, [&](unsigned k) {
        const std::size_t from = list.size() * k / threads, to = list.size() * (k + 1) / threads;
        for (std::size_t i = from; i < to; ++i)
            sizes[i] = regularFileSize(list[i], &ids[i]);
    });
    std::vector<std::string> excludedNames = ExcludeFiles;
    excludedNames.push_back(d->archiveName);
    dropExcluded(list, sizes, ids, excludedNames, d->stream);
    for (std::size_t i = 0; i < list.size(); ++i) {
        const auto size = sizes[i];
        if (size > kInt32Max)
            throw EArchiveError(
                formatMessage("%s is larger than 2 GiB, the size limit of the ZLB format", list[i]));
        total += std::max<std::int64_t>(size, 0);
        ++count;
    }
    // The registry of count entries, compressed at worst a little larger than raw.
    const std::int64_t registry = count * static_cast<std::int64_t>(kEntrySize);
    const std::int64_t bound =
        total + registry + registry / 1000 + 1024 + static_cast<std::int64_t>(kTrailerSize);
    if (bound > kInt32Max)
        throw EArchiveError(kMsgTooLarge);
    return sizes;
}

void TZLBArchive::notice(TNoticeKind kind, const std::string& path, int systemError,
                         const std::string& message)
{
    if (OnNotice)
        OnNotice(TArchiveNotice{kind, path, systemError, message});
    if (OnErrorLogged)
        OnErrorLogged(message);
}

} // namespace pagolux
