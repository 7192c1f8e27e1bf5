#include "builder/ExeWriter.h"

#include "archive/TStream.h"
#include "format/SettingsBlock.h"
#include "format/orvanto.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

namespace pagolux {
namespace {

// Finds the marker in a stream of blocks, also where it straddles two blocks, and collects
// the occurrences that start in the same 2048-byte block as the first one.
class MarkerScanner {
  public:
    void feed(const std::uint8_t* buf, std::int64_t n, std::int64_t offset)
    {
        if (done(offset))
            return;
        // Occurrences that begin in the bytes kept from the previous block.
        for (std::size_t i = 0; i < carry_.size(); ++i) {
            const std::size_t fromCarry = carry_.size() - i;
            if (static_cast<std::int64_t>(fromCarry) + n < static_cast<std::int64_t>(kExeMarkerLength))
                continue;
            if (std::memcmp(carry_.data() + i, kExeMarker, fromCarry) == 0 &&
                std::memcmp(buf, kExeMarker + fromCarry, kExeMarkerLength - fromCarry) == 0)
                record(offset - static_cast<std::int64_t>(fromCarry));
        }
        for (std::int64_t p = 0; p + static_cast<std::int64_t>(kExeMarkerLength) <= n; ++p)
            if (buf[p] == 'O' && std::memcmp(buf + p, kExeMarker, kExeMarkerLength) == 0)
                record(offset + p);
        // Keep the last seven bytes of everything seen so far.
        constexpr auto kKeep = static_cast<std::int64_t>(kExeMarkerLength - 1);
        if (n >= kKeep) {
            carry_.assign(buf + n - kKeep, buf + n);
        } else {
            carry_.insert(carry_.end(), buf, buf + n);
            if (carry_.size() > static_cast<std::size_t>(kKeep))
                carry_.erase(carry_.begin(), carry_.end() - kKeep);
        }
    }

    [[nodiscard]] const std::vector<std::int64_t>& hits() const { return hits_; }

  private:
    // Once the block after the first hit's block has been seen, nothing more can qualify.
    [[nodiscard]] bool done(std::int64_t offset) const
    {
        return firstBlock_ >= 0 && offset >= (firstBlock_ + 2) * kExeCopyBlockSize;
    }

    void record(std::int64_t at)
    {
        const std::int64_t block = at / kExeCopyBlockSize;
        if (firstBlock_ < 0)
            firstBlock_ = block;
        if (block == firstBlock_)
            hits_.push_back(at);
    }

    std::vector<std::uint8_t> carry_;
    std::vector<std::int64_t> hits_;
    std::int64_t firstBlock_ = -1;
};

// Copies source to out; `decode` subtracts 1 from every byte. The copy runs in pieces of many
// 2048-byte blocks (the scanner counts blocks by offset, so the piece size changes nothing but
// the number of system calls). Returns false on a read or write failure or a short write;
// writeError then holds the system's reason for a failed write (0 when it gave none).
bool copyBlocks(TStream& source, TStream& out, bool decode, MarkerScanner* scanner, std::int64_t& copied,
                int& writeError)
{
    constexpr std::int64_t kPiece = 512 * kExeCopyBlockSize;
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(kPiece));
    for (;;) {
        std::int64_t n = 0;
        try {
            n = source.Read(buffer.data(), kPiece);
        } catch (const Exception&) {
            return false;
        }
        if (n <= 0)
            return true;
        if (decode)
            for (std::int64_t i = 0; i < n; ++i)
                buffer[static_cast<std::size_t>(i)] =
                    static_cast<std::uint8_t>(buffer[static_cast<std::size_t>(i)] - 1);
        if (scanner)
            scanner->feed(buffer.data(), n, copied);
        std::int64_t written = 0;
        errno = 0;
        try {
            written = out.Write(buffer.data(), n);
        } catch (const EWriteError& e) {
            writeError = e.SystemError;
            return false;
        } catch (const Exception&) {
            return false;
        }
        copied += written;
        if (written < n) {
            writeError = errno;
            return false;
        }
    }
}

// Copies the rest of the archive into the program inside the system where it can (its bytes
// then never pass through this process), else through copyBlocks. False as for copyBlocks.
bool copyArchive(TFileStream& archive, TFileStream& out, int& writeError)
{
    std::int64_t left = 0;
    try {
        left = archive.Size() - archive.Position();
    } catch (const Exception&) {
        return false;
    }
    errno = 0;
    const std::int64_t copied = out.CopyFromFile(archive, left);
    if (copied < 0) {
        std::int64_t through = 0;
        return copyBlocks(archive, out, false, nullptr, through, writeError);
    }
    if (copied != left)
        writeError = errno;
    return copied == left;
}

void putLE32(std::uint8_t* out, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// Writes the marker patch at each hit, clipped to the viewer's own bytes.
bool patchMarkers(TStream& out, const std::vector<std::int64_t>& hits, std::int64_t viewerSize)
{
    std::uint8_t sizeBytes[4];
    putLE32(sizeBytes, static_cast<std::uint32_t>(viewerSize));
    const std::uint8_t zeros[4] = {0, 0, 0, 0};
    try {
        for (const std::int64_t at : hits) {
            const std::pair<int, const std::uint8_t*> parts[] = {{0, sizeBytes}, {16, zeros}};
            for (const auto& [rel, bytes] : parts) {
                const std::int64_t start = at + rel;
                const std::int64_t count = std::min<std::int64_t>(4, viewerSize - start);
                if (count <= 0)
                    continue;
                out.Seek(start, TSeekOrigin::soBeginning);
                out.WriteBuffer(bytes, count);
            }
        }
        out.Seek(0, TSeekOrigin::soEnd);
    } catch (const Exception&) {
        return false;
    }
    return true;
}

void inform(UserInteraction& ui, const char* text)
{
    (void)ui.showMessage(text, "", MsgIcon::Information, MsgButtons::Ok);
}

} // namespace

namespace {

// WriteExe with the archive open already (archiveFile) or to be opened by its name.
ExeWriteResult writeExe(const std::string& protoPath, const std::string& archivePath,
                        TFileStream* archiveFile, const std::string& outputName, const std::string& startPath,
                        const BuildSettings& settings, UserInteraction& ui)
{
    ExeWriteResult result;
    bool failed = false;

    std::unique_ptr<TFileStream> out;
    try {
        out = std::make_unique<TFileStream>(outputName, TFileMode::fmCreate);
    } catch (const Exception&) {
        return result;
    }
    // The program is flushed to the disk before it is moved into place: its writing to the disk
    // starts while the archive is still being copied in.
    out->StartWritingBehind();

    std::unique_ptr<TFileStream> proto;
    try {
        proto = std::make_unique<TFileStream>(protoPath, TFileMode::fmOpenRead);
    } catch (const Exception&) {
        inform(ui, kMsgProtoNotOpened);
        failed = true;
    }

    if (proto) {
        std::int64_t viewerSize = 0;
        try {
            viewerSize = proto->Size();
        } catch (const Exception&) {
            failed = true;
        }
        // The offset travels as a 32-bit number.
        if (viewerSize > 0x7FFFFFFF)
            failed = true;
        result.viewerSize = viewerSize;
        MarkerScanner scanner;
        std::int64_t copied = 0;
        if (!failed && !copyBlocks(*proto, *out, true, &scanner, copied, result.systemError))
            failed = true;
        // The offset written into the marker must be where the settings block really begins.
        if (!failed && copied != viewerSize)
            failed = true;
        try {
            proto->Close();
        } catch (const Exception&) {
            failed = true;
        }
        proto.reset();
        result.markerFound = !scanner.hits().empty();
        if (!failed && result.markerFound && !patchMarkers(*out, scanner.hits(), viewerSize))
            failed = true;
        if (!failed && !result.markerFound) {
            inform(ui, kMsgProtoDamaged);
            failed = true;
        }
    }

    if (!failed) {
        try {
            WriteSettingsBlock(*out, settings, startPath);
        } catch (const EWriteError& e) {
            result.systemError = e.SystemError;
            failed = true;
        } catch (const EStreamError&) {
            failed = true;
        }
        // An EInOutError of WriteStr ends the build; `out` closes on the way out.
    }

    if (!failed) {
        std::unique_ptr<TFileStream> opened;
        TFileStream* archive = archiveFile;
        try {
            if (archive) {
                archive->Seek(0, TSeekOrigin::soBeginning);
            } else {
                opened = std::make_unique<TFileStream>(archivePath, TFileMode::fmOpenRead);
                archive = opened.get();
            }
        } catch (const Exception&) {
            inform(ui, kMsgArchiveNotOpened);
            archive = nullptr;
            failed = true;
        }
        if (archive && !copyArchive(*archive, *out, result.systemError))
            failed = true;
        try {
            if (opened)
                opened->Close();
        } catch (const Exception&) {
            failed = true;
        }
    }

    try {
        out->Close();
    } catch (const EWriteError& e) {
        if (result.systemError == 0)
            result.systemError = e.SystemError;
        failed = true;
    } catch (const Exception&) {
        failed = true;
    }
    result.ok = !failed;
    return result;
}

} // namespace

ExeWriteResult WriteExe(const std::string& protoPath, const std::string& archivePath,
                        const std::string& outputName, const std::string& startPath,
                        const BuildSettings& settings, UserInteraction& ui)
{
    return writeExe(protoPath, archivePath, nullptr, outputName, startPath, settings, ui);
}

ExeWriteResult WriteExe(const std::string& protoPath, TFileStream& archive, const std::string& outputName,
                        const std::string& startPath, const BuildSettings& settings, UserInteraction& ui)
{
    return writeExe(protoPath, archive.FileName(), &archive, outputName, startPath, settings, ui);
}

} // namespace pagolux
