#pragma once
// The one way the archive component runs work on several threads. A thread the system refuses
// to start (too many threads, no memory for a stack) is not an error: the work it would have
// done runs on the threads that did start, or on the calling thread.

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

namespace pagolux::archive_detail {

// Upper bound of worker threads: more only cost memory and thread starts.
inline constexpr unsigned kMaxWorkerThreads = 64;

// Threads for a requested number (0 = one per core), at least 1, at most kMaxWorkerThreads and
// at most `tasks` (when tasks > 0).
unsigned WorkerCount(unsigned requested, std::size_t tasks);

// Threads that are joined by Join() or the destructor at the latest.
class TWorkerThreads {
  public:
    TWorkerThreads() = default;
    TWorkerThreads(const TWorkerThreads&) = delete;
    TWorkerThreads& operator=(const TWorkerThreads&) = delete;
    ~TWorkerThreads() { Join(); }

    // Starts task(k) on a thread of its own for k = 0, 1, ... count - 1, stopping at the first
    // start the system refuses. Returns how many started (their k are 0 .. result - 1).
    unsigned Start(unsigned count, const std::function<void(unsigned)>& task);
    void Join();

  private:
    std::vector<std::thread> threads;
};

// Runs task(k) for every k in [0, count): k > 0 on worker threads, k = 0 and every task whose
// thread could not be started on the calling thread. Returns when all have returned; a task must
// not throw.
void RunParallel(unsigned count, const std::function<void(unsigned)>& task);

// For tests: how many more thread starts succeed before a refusal is simulated (-1: no limit).
inline std::atomic<int> gThreadStartsLeftForTests{-1};

} // namespace pagolux::archive_detail
