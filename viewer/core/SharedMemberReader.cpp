#include "viewer/core/SharedMemberReader.h"

#include "viewer/core/ViewerPackage.h"

namespace pagolux {

SharedMemberReader::SharedMemberReader(MemberSource& source, std::int64_t keepBytes)
    : source_(source), keepBytes_(keepBytes)
{
}

SharedBytes SharedMemberReader::read(const std::string& key)
{
    std::promise<SharedBytes> promise;
    {
        std::unique_lock lock(mutex_);
        Slot& slot = slots_[key];
        if (SharedBytes held = slot.bytes.lock())
            return held;
        if (slot.pending.valid()) {
            // Another request inflates this member right now: wait for its bytes.
            std::shared_future<SharedBytes> pending = slot.pending;
            lock.unlock();
            return pending.get();
        }
        slot.pending = promise.get_future().share();
    }

    SharedBytes bytes;
    {
        std::lock_guard sourceLock(sourceMutex_);
        if (auto data = source_.read(key))
            bytes = std::make_shared<const std::vector<std::uint8_t>>(std::move(*data));
    }
    {
        std::lock_guard lock(mutex_);
        Slot& slot = slots_[key];
        slot.pending = {};
        if (bytes) {
            slot.bytes = bytes;
            inflated_ += static_cast<std::int64_t>(bytes->size());
            keep(bytes);
        } else {
            slots_.erase(key);
        }
    }
    promise.set_value(bytes);
    return bytes;
}

void SharedMemberReader::keep(const SharedBytes& bytes)
{
    const auto size = static_cast<std::int64_t>(bytes->size());
    if (size > keepBytes_)
        return;
    kept_.push_front(bytes);
    keptBytes_ += size;
    while (keptBytes_ > keepBytes_) {
        keptBytes_ -= static_cast<std::int64_t>(kept_.back()->size());
        kept_.pop_back();
    }
}

std::int64_t SharedMemberReader::bytesInflated() const
{
    std::lock_guard lock(mutex_);
    return inflated_;
}

} // namespace pagolux
