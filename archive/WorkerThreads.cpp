#include "archive/WorkerThreads_p.h"

#include <algorithm>
#include <system_error>

namespace pagolux::archive_detail {

unsigned WorkerCount(unsigned requested, std::size_t tasks)
{
    unsigned n = requested ? requested : std::max(1u, std::thread::hardware_concurrency());
    n = std::min(n, kMaxWorkerThreads);
    if (tasks > 0)
        n = static_cast<unsigned>(std::min<std::size_t>(n, tasks));
    return std::max(n, 1u);
}

unsigned TWorkerThreads::Start(unsigned count, const std::function<void(unsigned)>& task)
{
    unsigned started = 0;
    for (; started < count; ++started) {
        if (gThreadStartsLeftForTests.load() == 0)
            break;
        if (gThreadStartsLeftForTests.load() > 0)
            --gThreadStartsLeftForTests;
        try {
            threads.emplace_back([task, started] { task(started); });
        } catch (const std::system_error&) {
            break;
        } catch (const std::bad_alloc&) {
            break;
        }
    }
    return started;
}

void TWorkerThreads::Join()
{
    for (auto& t : threads)
        if (t.joinable())
            t.join();
    threads.clear();
}

void RunParallel(unsigned count, const std::function<void(unsigned)>& task)
{
    if (count == 0)
        return;
    TWorkerThreads workers;
    const unsigned started = count > 1 ? workers.Start(count - 1, [&](unsigned k) { task(k + 1); }) : 0;
    task(0);
    for (unsigned k = started + 1; k < count; ++k)
        task(k);
    workers.Join();
}

} // namespace pagolux::archive_detail
