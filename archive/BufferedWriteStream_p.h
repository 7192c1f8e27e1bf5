#pragma once
// Collects many small writes into few large ones: an archive of 20,000 small members would
// otherwise cost a write and a seek for each of them. Only for appending: the position is
// counted here, any other seek or a change of size first hands the collected bytes on.

#include "archive/TStream.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace pagolux::archive_detail {

class TBufferedWriteStream : public TStream {
  public:
    static constexpr std::size_t kCapacity = 1024 * 1024;

    explicit TBufferedWriteStream(TStream& target) : target(target), position(target.Position())
    {
        pending.reserve(kCapacity);
    }

    // Writes what is collected; a failure raises the target's EWriteError.
    void Flush()
    {
        if (pending.empty())
            return;
        // Emptied even when the write fails, so that nothing is written twice.
        struct Emptied {
            std::vector<std::uint8_t>& bytes;
            ~Emptied() { bytes.clear(); }
        } emptied{pending};
        target.WriteBuffer(pending.data(), static_cast<std::int64_t>(pending.size()));
        ++handedOn;
    }

    // Bytes collected and not yet handed on.
    std::size_t Pending() const { return pending.size(); }
    // How often collected or large writes reached the target.
    std::uint64_t HandedOn() const { return handedOn; }

    std::int64_t Read(void*, std::int64_t) override { throw EReadError(); }

    std::int64_t Write(const void* data, std::int64_t count) override
    {
        if (count <= 0)
            return 0;
        const auto n = static_cast<std::size_t>(count);
        if (pending.size() + n > kCapacity) {
            Flush();
            if (n >= kCapacity) {
                target.WriteBuffer(data, count);
                ++handedOn;
                position += count;
                return count;
            }
        }
        const auto at = pending.size();
        pending.resize(at + n);
        std::memcpy(pending.data() + at, data, n);
        position += count;
        return count;
    }

    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override
    {
        if (offset == 0 && origin == TSeekOrigin::soCurrent)
            return position;
        Flush();
        position = target.Seek(offset, origin);
        return position;
    }

    void SetSize(std::int64_t newSize) override
    {
        Flush();
        target.SetSize(newSize);
        position = target.Position();
    }

    std::int64_t Size() override { return std::max(target.Size(), position); }

  private:
    TStream& target;
    std::int64_t position;
    std::vector<std::uint8_t> pending;
    std::uint64_t handedOn = 0;
};

} // namespace pagolux::archive_detail
