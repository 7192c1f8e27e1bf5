#include "viewer/core/ViewerPackage.h"

#include "archive/ZLIBArchive.h"
#include "format/SettingsBlock.h"
#include "viewer/core/ViewerPaths.h"

namespace pagolux {
namespace {

std::string keyOf(const TArchiveEntry& e)
{
    return EntryFilePath(e) + EntryFileName(e);
}

} // namespace

ViewerPackage::ViewerPackage() : archive_(std::make_unique<TZLBArchive>()) {}
ViewerPackage::~ViewerPackage() = default;

std::unique_ptr<ViewerPackage> ViewerPackage::open(const std::string& hostFile, std::uint32_t settingsOffset)
{
    std::unique_ptr<ViewerPackage> pkg(new ViewerPackage());
    std::int64_t archiveStart = 0;
    try {
        TFileStream file(hostFile, TFileMode::fmOpenRead);
        const std::int64_t size = file.Size();
        if (settingsOffset == 0 || settingsOffset >= size)
            throw EViewerError(std::string(kMsgViewerDamaged) + "\n(Einstellungen fehlen)");
        file.Seek(settingsOffset, TSeekOrigin::soBeginning);
        const SettingsBlock block = ReadSettingsBlock(file, size - settingsOffset);
        pkg->settings_ = block.settings;
        pkg->startPath_ = block.startPath;
        archiveStart = settingsOffset + block.size;
    } catch (const EViewerError&) {
        throw;
    } catch (const Exception& e) {
        throw EViewerError(std::string(kMsgViewerDamaged) + "\n(" + e.what() + ")");
    }

    try {
        if (!pkg->archive_->OpenEmbeddedArchive(hostFile, archiveStart))
            throw EViewerError(kMsgViewerDamaged);
        // The archive must fill the file from the end of the settings block exactly.
        if (pkg->archive_->ArchiveStart() != archiveStart)
            throw EViewerError(std::string(kMsgViewerDamaged) + "\n(Archiv an falscher Stelle)");
    } catch (const EViewerError&) {
        throw;
    } catch (const Exception& e) {
        throw EViewerError(std::string(kMsgViewerDamaged) + "\n(" + e.what() + ")");
    }

    const std::string key = viewer_paths::keyFromStartPath(pkg->startPath_);
    std::int32_t index = key.empty() ? -1 : pkg->archive_->FindFile(key);
    if (index < 0 && !key.empty() && key.front() == '\\')
        index = pkg->archive_->FindFile(key.substr(1));
    if (index < 0)
        throw EViewerError(std::string(kMsgViewerNoStart) + "\n" + pkg->startPath_);
    pkg->startKey_ = keyOf(pkg->archive_->GetFileEntry(index));
    return pkg;
}

std::int32_t ViewerPackage::memberCount() const
{
    return archive_->Count();
}

std::optional<std::vector<std::uint8_t>> ViewerPackage::read(const std::string& key)
{
    std::int32_t index = archive_->FindFile(key);
    // Members stored without a folder are reached as "/name".
    if (index < 0 && !key.empty() && key.front() == '\\')
        index = archive_->FindFile(key.substr(1));
    if (index < 0)
        return std::nullopt;
    try {
        return archive_->ExtractToMemory(index);
    } catch (const Exception&) {
        // A member whose bytes do not match its CRC is not served.
        return std::nullopt;
    }
}

} // namespace pagolux
