#include "builder/WindowsProgram.h"

#include "archive/TStream.h"
#include "format/IconImage.h"
#include "format/PeImage.h"
#include "format/TextEncoding.h"
#include "format/VersionResource.h"

#include <algorithm>
#include <vector>

namespace pagolux {
namespace {

using Bytes = std::vector<std::uint8_t>;

// The icon group the viewer shows (its only one): each entry's side, colour depth and image id.
struct GroupEntry {
    int side;
    int bits;
    std::uint16_t id;
};

std::vector<GroupEntry> readGroup(TStream& file, const PeResource& group)
{
    Bytes dir(group.size);
    file.Seek(group.offset, TSeekOrigin::soBeginning);
    file.ReadBuffer(dir.data(), static_cast<std::int64_t>(dir.size()));
    std::vector<GroupEntry> out;
    if (dir.size() < 6)
        return out;
    const std::size_t count = static_cast<std::size_t>(dir[4] | dir[5] << 8);
    for (std::size_t i = 0; i < count && 6 + 14 * (i + 1) <= dir.size(); ++i) {
        const std::size_t at = 6 + 14 * i;
        out.push_back({dir[at] == 0 ? 256 : dir[at], dir[at + 6] | dir[at + 7] << 8,
                       static_cast<std::uint16_t>(dir[at + 12] | dir[at + 13] << 8)});
    }
    return out;
}

void writeIcons(TStream& file, const PeLayout& pe, const TrueColourIcons& images)
{
    const auto groups = ListPeResources(file, pe, kPeResourceGroupIcon);
    if (groups.empty())
        return;
    const auto icons = ListPeResources(file, pe, kPeResourceIcon);
    for (const GroupEntry& e : readGroup(file, groups.front())) {
        if (e.bits != 32)
            continue;
        const auto image = std::find_if(images.begin(), images.end(),
                                        [&e](const TrueColourImage& i) { return i.side == e.side; });
        const auto slot =
            std::find_if(icons.begin(), icons.end(), [&e](const PeResource& r) { return r.id == e.id; });
        if (image == images.end() || slot == icons.end() || slot->size != trueColourIconBytes(e.side))
            continue;
        const Bytes packed = packTrueColourIcon(e.side, image->argb);
        file.Seek(slot->offset, TSeekOrigin::soBeginning);
        file.WriteBuffer(packed.data(), static_cast<std::int64_t>(packed.size()));
    }
}

bool writeVersion(TStream& file, const PeLayout& pe, const WindowsIdentity& identity)
{
    const auto version = ListPeResources(file, pe, kPeResourceVersion);
    if (version.empty())
        return false;
    Bytes block(version.front().size);
    file.Seek(version.front().offset, TSeekOrigin::soBeginning);
    file.ReadBuffer(block.data(), static_cast<std::int64_t>(block.size()));
    // An unnamed project is called by its file name, without the extension.
    const std::string shownName = DisplayText(identity.projectName);
    std::string stem = identity.outputFileName;
    if (const auto dot = stem.rfind('.'); dot != std::string::npos && dot > 0)
        stem.erase(dot);
    const std::u16string name = VersionText(shownName.empty() ? stem : shownName);
    const std::u16string fileName = VersionText(identity.outputFileName);
    if (!FillVersionResource(block, {name, name, fileName, fileName}))
        return false;
    file.Seek(version.front().offset, TSeekOrigin::soBeginning);
    file.WriteBuffer(block.data(), static_cast<std::int64_t>(block.size()));
    return true;
}

} // namespace

bool FinishWindowsProgram(const std::string& path, const WindowsIdentity& identity,
                          const TrueColourIcons* images)
{
    try {
        TFileStream file(path, TFileMode::fmOpenReadWrite);
        const PeLayout pe = ReadPeLayout(file);
        if (images)
            writeIcons(file, pe, *images);
        if (!writeVersion(file, pe, identity))
            return false;
        (void)WritePeChecksum(file);
        return true;
    } catch (const Exception&) {
        return false;
    }
}

} // namespace pagolux
