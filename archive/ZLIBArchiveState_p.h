#pragma once
// TZLBArchive's state between calls: private to the archive component's sources.

#include "archive/ZLIBArchive.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <set>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace pagolux {

struct TZLBArchive::State {
    bool newArchive = false;
    std::string archiveName;
    TStream* stream = nullptr; // the caller's stream the archive lives in, if any
    TArchiveTrailer trailer{};
    std::vector<TArchiveEntry> entries;
    std::int64_t archiveStart = 0;
    // CRC-32 of each kCrcBlock-sized block of the archive (from its start, the last block may be
    // shorter), recorded by the open's CRC pass, and the file's stamp while they were read (used
    // only for an archive in a file, whose stamp tells a change).
    // VerifyMembers takes raw members' CRCs from them instead of reading those bytes again.
    std::vector<std::uint32_t> blockCrcs;
    FileStamp openedStamp;
    std::array<std::uint32_t, 256> crcTable{};
    std::uint8_t progressStage = 0;
    std::string progressMessage;
    std::int32_t progressTotal = 0;
    std::int32_t progressCount = 0;
    bool destroying = false;
    // The name is recorded after a failed CreateArchive / OpenArchive, but nothing may be
    // written under it.
    bool unusable = false;
    // Folders already scanned by the current AddFiles (device, inode), so each is expanded once.
    std::set<std::pair<std::uint64_t, std::uint64_t>> scannedFolders;
    // Hash of each entry's lower-cased key -> its index, so FindFile does not scan; equal hashes
    // are told apart by comparing the keys. Built by the first lookup (listing or checking an
    // archive never needs it; lookups from several threads are safe), then kept up to date by the
    // writer.
    mutable std::unordered_multimap<std::uint64_t, std::int32_t> index;
    mutable std::atomic<bool> indexed{false};
    mutable std::mutex indexLock;
    // The resolved folder AddDirectory scans below; links may not lead out of it.
    std::string scanRoot;
    // Folders a scan put into its list (SavePaths): AddFiles drops them again.
    std::unordered_set<std::string> listedFolders;
};

} // namespace pagolux
