#pragma once
// Member reads that many requests share: each member is inflated once and its bytes are handed
// to every request that asks for it while any of them (or the small keep-list of recent
// members) still holds them. Requests for a member that is being inflated wait for that one
// inflation instead of starting their own. Safe to call from any thread; the source is asked
// by one thread at a time. Qt-free.

#include <cstdint>
#include <deque>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

namespace pagolux {

class MemberSource;

using SharedBytes = std::shared_ptr<const std::vector<std::uint8_t>>;

class SharedMemberReader {
  public:
    // keepBytes: how many bytes of recently read members stay in memory after their last
    // request has gone (the most recent first).
    explicit SharedMemberReader(MemberSource& source, std::int64_t keepBytes = 64LL * 1024 * 1024);

    // The member's bytes, or null when no member has this key (or its data is damaged).
    [[nodiscard]] SharedBytes read(const std::string& key);
    // The bytes the source has handed out so far (every inflation counts once).
    [[nodiscard]] std::int64_t bytesInflated() const;

  private:
    struct Slot {
        std::weak_ptr<const std::vector<std::uint8_t>> bytes;
        std::shared_future<SharedBytes> pending;
    };
    void keep(const SharedBytes& bytes);

    MemberSource& source_;
    std::int64_t keepBytes_;
    mutable std::mutex mutex_;
    std::mutex sourceMutex_;
    std::unordered_map<std::string, Slot> slots_;
    std::deque<SharedBytes> kept_; // most recent at the front
    std::int64_t keptBytes_ = 0;
    std::int64_t inflated_ = 0;
};

} // namespace pagolux
