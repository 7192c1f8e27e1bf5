#include "format/PeImage.h"

#include <algorithm>
#include <array>

namespace pagolux {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes readAt(TStream& file, std::int64_t offset, std::size_t count, const char* what)
{
    Bytes b(count);
    if (offset < 0 || file.Seek(offset, TSeekOrigin::soBeginning) != offset ||
        file.Read(b.data(), static_cast<std::int64_t>(count)) != static_cast<std::int64_t>(count))
        throw EPeFormatError(std::string("PE image too short: ") + what);
    return b;
}

std::uint16_t le16(const Bytes& b, std::size_t at)
{
    return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}

std::uint32_t le32(const Bytes& b, std::size_t at)
{
    return static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8 |
           static_cast<std::uint32_t>(b[at + 2]) << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

constexpr std::uint32_t kSubdirectory = 0x80000000u;
constexpr std::uint32_t kNamed = 0x80000000u;
constexpr int kSecurityDirectory = 4;
constexpr int kResourceDirectory = 2;

// One level of the resource tree: the (name or id, offset) pairs of a directory at dirOffset
// within the resource section.
struct DirEntry {
    std::uint32_t name;
    std::uint32_t target;
};

std::vector<DirEntry> readDirectory(TStream& file, std::int64_t base, std::uint32_t resourceSize,
                                    std::uint32_t dirOffset)
{
    if (dirOffset > resourceSize || resourceSize - dirOffset < 16)
        throw EPeFormatError("resource directory outside its section");
    const Bytes head = readAt(file, base + dirOffset, 16, "resource directory");
    const std::uint32_t count = std::uint32_t{le16(head, 12)} + le16(head, 14);
    if ((resourceSize - dirOffset - 16) / 8 < count)
        throw EPeFormatError("resource directory outside its section");
    const Bytes raw = readAt(file, base + dirOffset + 16, count * 8, "resource directory");
    std::vector<DirEntry> out;
    for (std::uint32_t i = 0; i < count; ++i)
        out.push_back({le32(raw, i * 8), le32(raw, i * 8 + 4)});
    return out;
}

} // namespace

std::optional<std::int64_t> PeLayout::fileOffsetOf(std::uint32_t rva, std::uint32_t length) const
{
    for (const PeSection& s : sections) {
        const std::uint64_t inSection = std::uint64_t{rva} - s.virtualAddress;
        if (rva < s.virtualAddress || inSection + length > s.rawSize)
            continue;
        return std::int64_t{s.rawOffset} + static_cast<std::int64_t>(inSection);
    }
    return std::nullopt;
}

PeLayout ReadPeLayout(TStream& file)
{
    const Bytes dos = readAt(file, 0, 64, "DOS header");
    if (dos[0] != 'M' || dos[1] != 'Z')
        throw EPeFormatError("no MZ header");
    const std::int64_t pe = le32(dos, 0x3C);
    const Bytes coff = readAt(file, pe, 24, "PE header");
    if (coff[0] != 'P' || coff[1] != 'E' || coff[2] != 0 || coff[3] != 0)
        throw EPeFormatError("no PE signature");
    const std::uint16_t sectionCount = le16(coff, 6);
    const std::uint16_t optionalSize = le16(coff, 20);
    const std::int64_t optional = pe + 24;
    const Bytes opt = readAt(file, optional, optionalSize, "optional header");
    if (optionalSize < 2)
        throw EPeFormatError("no optional header");
    const std::uint16_t magic = le16(opt, 0);
    if (magic != 0x10B && magic != 0x20B)
        throw EPeFormatError("unknown optional header");
    // PE32 and PE32+ differ in the width of the fields before the data directories.
    const std::size_t countAt = magic == 0x20B ? 108 : 92;
    if (optionalSize < countAt + 4)
        throw EPeFormatError("optional header without data directories");
    const std::uint32_t dirCount = le32(opt, countAt);
    if (dirCount <= kSecurityDirectory || optionalSize < countAt + 4 + 8 * (kSecurityDirectory + 1))
        throw EPeFormatError("optional header without a security directory");

    PeLayout layout;
    layout.checksumOffset = optional + 64;
    const std::size_t dirs = countAt + 4;
    layout.resourceRva = le32(opt, dirs + 8 * kResourceDirectory);
    layout.resourceSize = le32(opt, dirs + 8 * kResourceDirectory + 4);
    layout.certificateOffset = le32(opt, dirs + 8 * kSecurityDirectory);
    layout.certificateSize = le32(opt, dirs + 8 * kSecurityDirectory + 4);

    const Bytes table =
        readAt(file, optional + optionalSize, std::size_t{sectionCount} * 40, "section table");
    for (std::size_t i = 0; i < sectionCount; ++i)
        layout.sections.push_back({le32(table, i * 40 + 12), le32(table, i * 40 + 8),
                                   le32(table, i * 40 + 20), le32(table, i * 40 + 16)});
    return layout;
}

std::vector<PeResource> ListPeResources(TStream& file, const PeLayout& pe, std::uint16_t type)
{
    std::vector<PeResource> out;
    if (pe.resourceSize == 0)
        return out;
    const auto base = pe.fileOffsetOf(pe.resourceRva, pe.resourceSize);
    if (!base)
        throw EPeFormatError("resource directory outside the file's sections");
    const std::uint32_t size = pe.resourceSize;
    for (const DirEntry& t : readDirectory(file, *base, size, 0)) {
        if ((t.name & kNamed) || t.name != type || !(t.target & kSubdirectory))
            continue;
        for (const DirEntry& n : readDirectory(file, *base, size, t.target & ~kSubdirectory)) {
            if ((n.name & kNamed) || !(n.target & kSubdirectory))
                continue;
            const auto languages = readDirectory(file, *base, size, n.target & ~kSubdirectory);
            if (languages.empty() || (languages.front().target & kSubdirectory))
                continue;
            const std::uint32_t leaf = languages.front().target;
            if (leaf > size || size - leaf < 16)
                throw EPeFormatError("resource entry outside its section");
            const Bytes data = readAt(file, *base + leaf, 16, "resource entry");
            const std::uint32_t rva = le32(data, 0);
            const std::uint32_t length = le32(data, 4);
            const auto at = pe.fileOffsetOf(rva, length);
            if (!at)
                throw EPeFormatError("resource data outside the file's sections");
            out.push_back({static_cast<std::uint16_t>(n.name), *at, length});
        }
    }
    return out;
}

std::optional<PeResource> FindPeResource(TStream& file, const PeLayout& pe, std::uint16_t type,
                                         std::uint16_t id)
{
    for (const PeResource& r : ListPeResources(file, pe, type))
        if (r.id == id)
            return r;
    return std::nullopt;
}

std::uint32_t ComputePeChecksum(TStream& file, std::int64_t checksumOffset)
{
    const std::int64_t size = file.Size();
    std::uint64_t sum = 0;
    std::array<std::uint8_t, 65536> block{};
    file.Seek(0, TSeekOrigin::soBeginning);
    for (std::int64_t at = 0; at < size;) {
        const std::int64_t want = std::min<std::int64_t>(static_cast<std::int64_t>(block.size()), size - at);
        if (file.Read(block.data(), want) != want)
            throw EPeFormatError("PE image unreadable while summing");
        // Blocks are even-sized, so 16-bit words never straddle two of them.
        for (std::int64_t i = 0; i < want; i += 2) {
            const std::int64_t pos = at + i;
            if (pos >= checksumOffset && pos < checksumOffset + 4)
                continue;
            std::uint32_t word = block[static_cast<std::size_t>(i)];
            if (i + 1 < want)
                word |= std::uint32_t{block[static_cast<std::size_t>(i + 1)]} << 8;
            sum += word;
            sum = (sum & 0xFFFF) + (sum >> 16);
        }
        at += want;
    }
    sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<std::uint32_t>(sum + static_cast<std::uint64_t>(size));
}

std::uint32_t WritePeChecksum(TStream& file)
{
    const PeLayout layout = ReadPeLayout(file);
    const std::uint32_t sum = ComputePeChecksum(file, layout.checksumOffset);
    const std::array<std::uint8_t, 4> raw = {
        static_cast<std::uint8_t>(sum), static_cast<std::uint8_t>(sum >> 8),
        static_cast<std::uint8_t>(sum >> 16), static_cast<std::uint8_t>(sum >> 24)};
    file.Seek(layout.checksumOffset, TSeekOrigin::soBeginning);
    file.WriteBuffer(raw.data(), 4);
    return sum;
}

std::int64_t PeDataEnd(TStream& file)
{
    const std::int64_t size = file.Size();
    try {
        const PeLayout layout = ReadPeLayout(file);
        // The table may be followed by the zero bytes that round the file to 8 bytes.
        const std::int64_t tableEnd = std::int64_t{layout.certificateOffset} + layout.certificateSize;
        if (layout.certificateSize != 0 && tableEnd <= size && size - tableEnd < 8)
            return layout.certificateOffset;
    } catch (const EPeFormatError&) {
    }
    return size;
}

} // namespace pagolux
