#include "viewer/core/SharedMemberReader.h"

#include "archive/TStream.h"
#include "viewer/core/ViewerPackage.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <thread>

namespace pagolux {
namespace {

// A source with one member of 9 MB whose reads wait at a gate until the test opens it, so
// that every request arrives while the first inflation is still running.
class GatedSource : public MemberSource {
  public:
    std::optional<std::vector<std::uint8_t>> read(const std::string& key) override
    {
        ++reads;
        std::unique_lock lock(mutex);
        opened.wait(lock, [this] { return open; });
        if (key != "\\big.bin")
            return std::nullopt;
        return std::vector<std::uint8_t>(9u * 1024 * 1024, 0x5A);
    }
    std::optional<std::int64_t> size(const std::string&) override { return std::nullopt; }
    std::unique_ptr<TStream> stream(const std::string&) override { return nullptr; }

    void openGate()
    {
        std::lock_guard lock(mutex);
        open = true;
        opened.notify_all();
    }

    std::atomic<int> reads{0};
    std::mutex mutex;
    std::condition_variable opened;
    bool open = false;
};

TEST(SharedMemberReader, ParallelRequestsShareOneInflation)
{
    for (const std::int64_t keepBytes : {std::int64_t{0}, std::int64_t{64} * 1024 * 1024}) {
        GatedSource source;
        SharedMemberReader reader(source, keepBytes);
        constexpr int kRequests = 100;
        std::vector<SharedBytes> results(kRequests);
        std::atomic<int> started{0};
        std::vector<std::thread> threads;
        for (int i = 0; i < kRequests; ++i)
            threads.emplace_back([&, i] {
                ++started;
                results[static_cast<std::size_t>(i)] = reader.read("\\big.bin");
            });
        while (started < kRequests)
            std::this_thread::yield();
        source.openGate();
        for (auto& t : threads)
            t.join();
        const std::int64_t member = 9LL * 1024 * 1024;
        EXPECT_EQ(source.reads, 1) << keepBytes;
        EXPECT_LE(reader.bytesInflated(), member) << keepBytes;
        for (const auto& r : results) {
            ASSERT_TRUE(r);
            EXPECT_EQ(r.get(), results[0].get());
        }
    }
}

TEST(SharedMemberReader, KeepsRecentMembersAndForgetsOthers)
{
    GatedSource source;
    source.openGate();
    {
        SharedMemberReader reader(source, 64LL * 1024 * 1024);
        (void)reader.read("\\big.bin");
        (void)reader.read("\\big.bin");
        EXPECT_EQ(source.reads, 1); // kept after its request went
    }
    source.reads = 0;
    SharedMemberReader reader(source, 0);
    (void)reader.read("\\big.bin");
    (void)reader.read("\\big.bin");
    EXPECT_EQ(source.reads, 2); // nothing kept once no request holds it
    EXPECT_EQ(reader.bytesInflated(), 2 * 9LL * 1024 * 1024);

    // A name that is no member gives nothing, and asks again the next time.
    EXPECT_FALSE(reader.read("\\missing.html"));
    EXPECT_FALSE(reader.read("\\missing.html"));
    EXPECT_EQ(source.reads, 4);
}

} // namespace
} // namespace pagolux
