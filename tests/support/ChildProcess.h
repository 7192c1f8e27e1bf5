#pragma once

// Runs a shell command in a child process and collects what it printed and how it ended; quotes
// words for the shell.
// With a file-size limit the child sets RLIMIT_FSIZE before the command starts, so a program
// can be tried against `ulimit -f` without limiting the test itself. The child also puts
// SIGXFSZ back to its default action: an ignored signal would be inherited through exec and
// hide a program that does not ignore it itself.

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <optional>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace pagolux::test {

struct ChildResult {
    int exitCode = -1;  // the exit status, -1 when the child ended by a signal
    int signal = 0;     // the signal that ended it, else 0
    std::string output; // stdout and stderr together
};

// s as one word for sh, in single quotes.
inline std::string quote(const std::string& s)
{
    std::string q = "'";
    for (const char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

inline ChildResult runShell(const std::string& command, std::optional<std::uint64_t> fileSizeLimit = {})
{
    ChildResult result;
    int fds[2];
    if (::pipe(fds) != 0)
        return result;
    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        return result;
    }
    if (pid == 0) {
        ::dup2(fds[1], STDOUT_FILENO);
        ::dup2(fds[1], STDERR_FILENO);
        ::close(fds[0]);
        ::close(fds[1]);
        std::signal(SIGXFSZ, SIG_DFL);
        if (fileSizeLimit) {
            rlimit limit{};
            ::getrlimit(RLIMIT_FSIZE, &limit);
            limit.rlim_cur = static_cast<rlim_t>(*fileSizeLimit);
            if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
                ::_exit(126);
        }
        ::execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(fds[1]);
    std::array<char, 4096> buffer{};
    for (;;) {
        const ssize_t n = ::read(fds[0], buffer.data(), buffer.size());
        if (n > 0)
            result.output.append(buffer.data(), static_cast<std::size_t>(n));
        else if (n == 0 || errno != EINTR)
            break;
    }
    ::close(fds[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status))
        result.exitCode = WEXITSTATUS(status);
    else if (WIFSIGNALED(status))
        result.signal = WTERMSIG(status);
    return result;
}

// Whether sh finds the program name on PATH.
inline bool haveProgram(const std::string& name)
{
    return runShell("command -v " + quote(name) + " >/dev/null").exitCode == 0;
}

} // namespace pagolux::test
