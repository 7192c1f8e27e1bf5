#include "viewer/core/ViewerPackage.h"

#include "archive/ZLIBArchive.h"
#include "format/SettingsBlock.h"
#include "viewer/core/SiteAddressSpace.h"
#include "viewer/core/ViewerPaths.h"

#include <algorithm>
#include <filesystem>

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

namespace pagolux {
namespace {

std::string keyOf(const TArchiveEntry& e)
{
    return EntryFilePath(e) + EntryFileName(e);
}

// A member's bytes straight from the host file: a raw member is a window of the file, a
// compressed one is inflated as it is read. Seeking back in a compressed member inflates it
// again from its start.
class MemberStream : public TStream {
  public:
    MemberStream(const std::string& file, const TArchiveEntry& e, std::int64_t archiveStart)
        : file_(file, TFileMode::fmOpenRead), range_(file_, archiveStart + e.DataOffset, e.StoredSize),
          size_(e.FileSize)
    {
        if (e.StoredRaw != 1)
            inflater_ = std::make_unique<TDecompressionStream>(range_);
    }

    std::int64_t Read(void* buffer, std::int64_t count) override
    {
        count = std::min(count, size_ - pos_);
        if (count <= 0)
            return 0;
        const std::int64_t n = inflater_ ? inflater_->Read(buffer, count) : range_.Read(buffer, count);
        pos_ += n;
        return n;
    }

    std::int64_t Write(const void*, std::int64_t) override { throw EWriteError(); }

    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override
    {
        std::int64_t target = offset;
        if (origin == TSeekOrigin::soCurrent)
            target += pos_;
        else if (origin == TSeekOrigin::soEnd)
            target += size_;
        target = std::clamp<std::int64_t>(target, 0, size_);
        if (!inflater_) {
            range_.Seek(target, TSeekOrigin::soBeginning);
        } else {
            if (target < pos_) {
                inflater_->Seek(0, TSeekOrigin::soBeginning);
                pos_ = 0;
            }
            if (target > pos_)
                inflater_->Seek(target - pos_, TSeekOrigin::soCurrent);
        }
        pos_ = target;
        return pos_;
    }

    std::int64_t Size() override { return size_; }

  private:
    TFileStream file_;
    TSubRangeStream range_;
    std::unique_ptr<TDecompressionStream> inflater_;
    std::int64_t size_;
    std::int64_t pos_ = 0;
};

// The longest run of whole folders every key begins with.
std::string commonFolder(const TZLBArchive& archive)
{
    std::string root;
    for (std::int32_t i = 0; i < archive.Count(); ++i) {
        const std::string folder = EntryFilePath(archive.GetFileEntry(i));
        if (i == 0) {
            root = folder;
            continue;
        }
        const auto diff = std::mismatch(root.begin(), root.end(), folder.begin(), folder.end());
        root.erase(diff.first, root.end());
        if (root.empty())
            break;
    }
    const auto slash = root.rfind('\\');
    root.erase(slash == std::string::npos ? 0 : slash + 1);
    return root;
}

} // namespace

ViewerPackage::ViewerPackage() : archive_(std::make_unique<TZLBArchive>()) {}

ViewerPackage::~ViewerPackage()
{
    archive_.reset();
#ifndef _WIN32
    if (fd_ >= 0)
        ::close(fd_);
#endif
}

std::unique_ptr<ViewerPackage> ViewerPackage::open(const std::string& hostFile, std::uint32_t settingsOffset)
{
    std::unique_ptr<ViewerPackage> pkg(new ViewerPackage());
    const std::string damaged = std::string(kMsgViewerDamaged) + "\n";
    pkg->heldName_ = hostFile;
#ifndef _WIN32
    pkg->fd_ = ::open(hostFile.c_str(), O_RDONLY | O_CLOEXEC);
    if (pkg->fd_ < 0)
        throw EViewerError(damaged + kDetailUnreadable);
    const std::string again = "/proc/self/fd/" + std::to_string(pkg->fd_);
    std::error_code ec;
    if (std::filesystem::exists(again, ec))
        pkg->heldName_ = again;
#endif

    std::int64_t archiveStart = 0;
    try {
        pkg->host_ = std::make_unique<TFileStream>(pkg->heldName_, TFileMode::fmOpenRead);
        TFileStream& file = *pkg->host_;
        const std::int64_t size = file.Size();
        if (settingsOffset == 0 || settingsOffset >= size)
            throw EViewerError(damaged + kDetailSettings);
        file.Seek(settingsOffset, TSeekOrigin::soBeginning);
        const SettingsBlock block = ReadSettingsBlock(file, size - settingsOffset);
        pkg->settings_ = block.settings;
        pkg->startPath_ = block.startPath;
        archiveStart = settingsOffset + block.size;
    } catch (const EViewerError&) {
        throw;
    } catch (const EFOpenError&) {
        throw EViewerError(damaged + kDetailUnreadable);
    } catch (const Exception&) {
        throw EViewerError(damaged + kDetailSettings);
    }

    try {
        // The archive must fill the file from the end of the settings block exactly. It reads
        // the members through the one open host file, not a file opened anew for each.
        if (!pkg->archive_->OpenEmbeddedArchive(*pkg->host_, archiveStart) ||
            pkg->archive_->ArchiveStart() != archiveStart)
            throw EViewerError(damaged + kDetailArchive);
    } catch (const EViewerError&) {
        throw;
    } catch (const Exception&) {
        throw EViewerError(damaged + kDetailArchive);
    }

    const std::string key = viewer_paths::keyFromStartPath(pkg->startPath_);
    for (std::int32_t i = 0; i < pkg->archive_->Count(); ++i)
        pkg->exact_.emplace(keyOf(pkg->archive_->GetFileEntry(i)), i); // the first of equal keys
    std::int32_t index = key.empty() ? -1 : pkg->find(key);
    if (index < 0 && !key.empty()) {
        // A folder as start file starts with its index page.
        const viewer::SiteAddressSpace site(pkg->memberKeys(), key);
        if (!site.startMember().empty())
            index = pkg->find(site.startMember());
    }
    if (index < 0)
        throw EViewerError(std::string(kMsgViewerNoStart) + "\n" + pkg->startPath_);
    pkg->startKey_ = keyOf(pkg->archive_->GetFileEntry(index));
    pkg->siteRoot_ = commonFolder(*pkg->archive_);
    return pkg;
}

std::int32_t ViewerPackage::memberCount() const
{
    return archive_->Count();
}

std::vector<std::string> ViewerPackage::memberKeys() const
{
    std::vector<std::string> keys;
    keys.reserve(static_cast<std::size_t>(archive_->Count()));
    for (std::int32_t i = 0; i < archive_->Count(); ++i)
        keys.push_back(keyOf(archive_->GetFileEntry(i)));
    return keys;
}

std::int32_t ViewerPackage::find(const std::string& key) const
{
    // The exact spelling first: "Foto.html" and "foto.html" are two members.
    if (const auto it = exact_.find(key); it != exact_.end())
        return it->second;
    std::int32_t index = archive_->FindFile(key);
    // Members stored without a folder are reached as "/name".
    if (index < 0 && !key.empty() && key.front() == '\\')
        index = archive_->FindFile(key.substr(1));
    return index;
}

std::optional<std::vector<std::uint8_t>> ViewerPackage::read(const std::string& key)
{
    const std::int32_t index = find(key);
    if (index < 0)
        return std::nullopt;
    try {
        return archive_->ExtractToMemory(index);
    } catch (const Exception&) {
        // A member whose bytes do not match its CRC is not served.
        return std::nullopt;
    }
}

std::optional<std::int64_t> ViewerPackage::size(const std::string& key)
{
    const std::int32_t index = find(key);
    if (index < 0)
        return std::nullopt;
    return archive_->GetFileEntry(index).FileSize;
}

std::optional<std::uint32_t> ViewerPackage::crc(const std::string& key) const
{
    const std::int32_t index = find(key);
    if (index < 0)
        return std::nullopt;
    return archive_->GetFileEntry(index).FileCRC;
}

std::unique_ptr<TStream> ViewerPackage::stream(const std::string& key)
{
    const std::int32_t index = find(key);
    if (index < 0)
        return nullptr;
    try {
        return std::make_unique<MemberStream>(heldName_, archive_->GetFileEntry(index),
                                              archive_->ArchiveStart());
    } catch (const Exception&) {
        return nullptr;
    }
}

} // namespace pagolux
