#pragma once
// What the benchmark programs share: running a program and measuring it, and the median of
// rounds.

#include <algorithm>
#include <chrono>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace pagolux::bench {

struct RunResult {
    bool ok = false;
    double seconds = 0;
    double cpuSeconds = 0; // user + system of the child and the children it waited for
    double systemSeconds = 0;
    double peakMB = 0; // ru_maxrss of the child
};

// Runs args (stdout and stderr to /dev/null, args[0] looked up on PATH) in dir and measures it
// through wait4.
inline RunResult run(const std::vector<std::string>& args, const std::string& dir = {})
{
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&fa, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    if (!dir.empty())
        posix_spawn_file_actions_addchdir_np(&fa, dir.c_str());
    std::vector<char*> argv;
    for (const auto& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    RunResult r;
    const auto t0 = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, argv[0], &fa, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&fa);
    if (spawned != 0)
        return r;
    int status = 0;
    struct rusage ru {};
    if (::wait4(pid, &status, 0, &ru) != pid)
        return r;
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    const auto secs = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    r.systemSeconds = secs(ru.ru_stime);
    r.cpuSeconds = secs(ru.ru_utime) + r.systemSeconds;
    r.peakMB = static_cast<double>(ru.ru_maxrss) / 1024.0;
    r.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return r;
}

inline double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

} // namespace pagolux::bench
