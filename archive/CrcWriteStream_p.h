#pragma once
// Passes writes on to another stream and keeps the CRC-32 of the bytes it appends, so that the
// archive CRC over everything written needs no second pass over a file of hundreds of MB. Only
// for appending: any other seek, a read or a change of size loses the count (Known() turns
// false) and the caller reads the bytes instead. The bytes the target held before this stream
// was made are read once, when the CRC is asked for.

#include "archive/TStream.h"
#include "archive/ZlibStreams.h"

#include <algorithm>
#include <vector>

namespace pagolux::archive_detail {

class TCrcWriteStream : public TStream {
  public:
    explicit TCrcWriteStream(TStream& target) : target(target), start(target.Position())
    {
        known = start == target.Size();
    }

    // True while every byte of the target from its start to the position is accounted for.
    [[nodiscard]] bool Known() const { return known; }
    // Bytes appended through this stream.
    [[nodiscard]] std::int64_t Appended() const { return appended; }

    // CRC-32 of the target's bytes from its start to the position; only while Known(). The
    // bytes that were there before are read here, and the position is put back.
    std::uint32_t Crc()
    {
        if (start == 0)
            return crc;
        target.Seek(0, TSeekOrigin::soBeginning);
        std::vector<std::uint8_t> chunk(static_cast<std::size_t>(std::min<std::int64_t>(start, kChunk)));
        std::uint32_t before = 0;
        for (std::int64_t left = start; left > 0;) {
            const auto n = std::min<std::int64_t>(left, kChunk);
            target.ReadBuffer(chunk.data(), n);
            before = Crc32(before, chunk.data(), static_cast<std::size_t>(n));
            left -= n;
        }
        target.Seek(start + appended, TSeekOrigin::soBeginning);
        return Crc32Combine(before, crc, appended);
    }

    std::int64_t Read(void* buffer, std::int64_t count) override
    {
        known = false;
        return target.Read(buffer, count);
    }

    std::int64_t Write(const void* data, std::int64_t count) override
    {
        const auto n = target.Write(data, count);
        if (n > 0 && known) {
            crc = Crc32(crc, data, static_cast<std::size_t>(n));
            appended += n;
        }
        return n;
    }

    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override
    {
        const std::int64_t at = target.Seek(offset, origin);
        if (at != start + appended)
            known = false;
        return at;
    }

    void SetSize(std::int64_t newSize) override
    {
        target.SetSize(newSize);
        known = false;
    }

    std::int64_t Size() override { return target.Size(); }

  private:
    static constexpr std::int64_t kChunk = 1024 * 1024;

    TStream& target;
    std::int64_t start;
    std::int64_t appended = 0;
    std::uint32_t crc = 0;
    bool known = true;
};

} // namespace pagolux::archive_detail
