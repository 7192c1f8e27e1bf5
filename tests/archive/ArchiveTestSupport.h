#pragma once
// Helpers of the archive tests: generated data, re-sealing an archive's CRC after a deliberate
// change, and streams with injected failures; with the shared scratch folder and whole-file
// reads and writes.

#include "archive/TStream.h"
#include "archive/ZLIBArchive.h"
#include "tests/support/Files.h"
#include "tests/support/TempFolder.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace pagolux::test {

// The text of the pagolux::Exception that fn throws, or "(no exception)".
template <class Fn> std::string messageOf(Fn fn)
{
    try {
        fn();
    } catch (const Exception& e) {
        return e.what();
    }
    return "(no exception)";
}

// Writes count one-byte files f0, f1, ... into dir and returns their paths: many registry
// entries for little data.
inline std::vector<std::string> OneByteFiles(const TempFolder& dir, int count)
{
    std::vector<std::string> list;
    for (int i = 0; i < count; ++i) {
        list.push_back(dir / ("f" + std::to_string(i)));
        writeFile(list.back(), "x");
    }
    return list;
}

// Text-like data that deflates well.
inline Bytes TextData(std::size_t size, unsigned seed = 1)
{
    static const char* const words[] = {"<p>",    "archive ", "member ", "html ",
                                        "</p>\n", "Pagolux ", "the ",    "zlib "};
    std::mt19937 rng(seed);
    Bytes out;
    out.reserve(size);
    while (out.size() < size) {
        const std::string w = words[rng() % 8];
        out.insert(out.end(), w.begin(), w.end());
    }
    out.resize(size);
    return out;
}

// Random bytes: deflate cannot make them shorter.
inline Bytes RandomData(std::size_t size, unsigned seed = 7)
{
    std::mt19937 rng(seed);
    Bytes out(size);
    for (auto& b : out)
        b = static_cast<std::uint8_t>(rng());
    return out;
}

// Recomputes the trailer's ArchiveCRC of the archive that starts at start and ends with bytes.
inline void Reseal(Bytes& bytes, std::size_t start = 0)
{
    const std::size_t body = bytes.size() - kTrailerSize;
    putLE32(bytes, body, Crc32(0, bytes.data() + start, body - start));
}

// A memory stream whose writes fail once the stream would grow beyond a limit, or whose
// n-th Write call (counting from 1) fails once.
class FailingMemoryStream : public TMemoryStream {
  public:
    std::int64_t failBeyond = -1;
    int failWriteNumber = -1;
    int writes = 0;

    std::int64_t Write(const void* buffer, std::int64_t count) override
    {
        ++writes;
        if (writes == failWriteNumber)
            throw EWriteError();
        if (failBeyond >= 0 && Position() + count > failBeyond)
            throw EWriteError();
        return TMemoryStream::Write(buffer, count);
    }
};

// A hand-made archive, for inputs the writer never produces.
struct CraftMember {
    std::string path; // FilePath as stored
    std::string name; // FileName as stored
    Bytes content;
    bool raw = true;
};

struct Crafted {
    Bytes bytes;
    std::vector<std::size_t> entryAt; // offset of each registry entry (raw registry only)
    std::size_t registryOffset = 0;
};

inline Crafted Craft(const std::vector<CraftMember>& members, bool compressRegistry = false)
{
    Crafted c;
    Bytes reg;
    for (const auto& m : members) {
        TArchiveEntry e{};
        SetShortString(e.FileName, m.name);
        SetShortString(e.FilePath, m.path);
        e.FileSize = static_cast<std::int32_t>(m.content.size());
        e.FileCRC = Crc32(0, m.content.data(), m.content.size());
        e.DataOffset = static_cast<std::int32_t>(c.bytes.size());
        Bytes block = m.content;
        if (!m.raw)
            DeflateBuffer(fcDefault, m.content.data(), m.content.size(), block, 0);
        e.StoredSize = static_cast<std::int32_t>(block.size());
        e.StoredRaw = m.raw ? 1 : 0;
        e.Level = m.raw ? 0 : 2;
        c.bytes.insert(c.bytes.end(), block.begin(), block.end());
        std::uint8_t rec[kEntrySize];
        EncodeEntry(e, rec);
        reg.insert(reg.end(), rec, rec + kEntrySize);
    }
    c.registryOffset = c.bytes.size();
    TArchiveTrailer t{};
    t.EntryCount = static_cast<std::int32_t>(members.size());
    t.Tag = 1;
    t.RegistryOffset = static_cast<std::int32_t>(c.bytes.size());
    if (compressRegistry) {
        Bytes z;
        DeflateBuffer(fcDefault, reg.data(), reg.size(), z, 0);
        t.RegistrySize = static_cast<std::int32_t>(z.size());
        t.RegistryCompressed = 1;
        c.bytes.insert(c.bytes.end(), z.begin(), z.end());
    } else {
        for (std::size_t i = 0; i < members.size(); ++i)
            c.entryAt.push_back(c.bytes.size() + i * kEntrySize);
        c.bytes.insert(c.bytes.end(), reg.begin(), reg.end());
    }
    t.ArchiveCRC = Crc32(0, c.bytes.data(), c.bytes.size());
    std::uint8_t raw[kTrailerSize];
    EncodeTrailer(t, raw);
    c.bytes.insert(c.bytes.end(), raw, raw + kTrailerSize);
    return c;
}

template <class Fn> std::string MessageOf(Fn fn)
{
    try {
        fn();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "(no exception)";
}

} // namespace pagolux::test
