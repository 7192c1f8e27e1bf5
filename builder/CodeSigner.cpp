#include "builder/CodeSigner.h"

#include "archive/TStream.h"
#include "builder/ProgramStart.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace pagolux {
namespace {

struct ToolRun {
    bool started = false;
    int exitCode = -1;
    std::string output; // stdout and stderr together
};

// Runs the tool without a shell, stdin from /dev/null (it must never wait for a typed
// password), and collects what it prints. keepFd (or -1) stays open in the tool.
ToolRun run(const std::string& tool, const std::vector<std::string>& args, int keepFd)
{
    ToolRun result;
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
        return result;
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(tool.c_str()));
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int devNull = ::open("/dev/null", O_RDONLY);
        if (devNull >= 0)
            ::dup2(devNull, STDIN_FILENO);
        ::dup2(pipeFds[1], STDOUT_FILENO);
        ::dup2(pipeFds[1], STDERR_FILENO);
        if (keepFd >= 0)
            ::fcntl(keepFd, F_SETFD, 0);
        ::execv(tool.c_str(), argv.data());
        ::_exit(127);
    }
    ::close(pipeFds[1]);
    if (pid < 0) {
        ::close(pipeFds[0]);
        return result;
    }
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(pipeFds[0], buffer, sizeof buffer);
        if (n > 0)
            result.output.append(buffer, static_cast<std::size_t>(n));
        else if (n == 0 || errno != EINTR)
            break;
    }
    ::close(pipeFds[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    result.started = !(WIFEXITED(status) && WEXITSTATUS(status) == 127);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

bool contains(const std::string& text, const char* part)
{
    return text.find(part) != std::string::npos;
}

// The last line the tool printed that says what went wrong, for causes without a text of
// their own.
std::string lastLine(const std::string& output)
{
    std::string line;
    std::size_t end = output.size();
    while (end > 0) {
        const std::size_t start = output.rfind('\n', end - 1);
        const std::size_t from = start == std::string::npos ? 0 : start + 1;
        line = output.substr(from, end - from);
        if (!line.empty() && line != "Failed")
            return line;
        if (start == std::string::npos)
            break;
        end = start;
    }
    return "osslsigncode meldet einen Fehler.";
}

// Replaces the contents of file by those of signedFile, keeping file itself (its name, owner
// and mode, as the caller's temporary file was made).
bool copyBack(const std::string& signedFile, const std::string& file)
{
    try {
        TFileStream from(signedFile, TFileMode::fmOpenRead);
        TFileStream to(file, TFileMode::fmCreate);
        to.CopyFrom(from, 0);
        return true;
    } catch (const Exception&) {
        return false;
    }
}

} // namespace

std::string SignWindowsProgram(const std::string& file, const SigningRequest& request,
                               const std::string& programName, const std::string& searchPath)
{
    const std::string tool = findOnPath("osslsigncode", searchPath);
    if (tool.empty())
        return kMsgSignToolMissing;
    if (!request.passwordFile.empty() && ::access(request.passwordFile.c_str(), R_OK) != 0)
        return kMsgSignPasswordUnreadable + request.passwordFile;

    const std::string signedFile = file + ".signiert";
    std::vector<std::string> args = {"sign", "-pkcs12", request.certificate};
    // A password typed in the window reaches the tool through a pipe it reads as a file.
    int passwordPipe[2] = {-1, -1};
    if (!request.passwordFile.empty()) {
        args.insert(args.end(), {"-readpass", request.passwordFile});
    } else if (!request.password.empty()) {
        if (request.password.size() >= 4096 || ::pipe2(passwordPipe, O_CLOEXEC) != 0 ||
            ::write(passwordPipe[1], request.password.data(), request.password.size()) !=
                static_cast<ssize_t>(request.password.size())) {
            for (int fd : passwordPipe)
                if (fd >= 0)
                    ::close(fd);
            return std::string(kMsgSignFailed) + "das Kennwort kann nicht übergeben werden.";
        }
        ::close(passwordPipe[1]);
        args.insert(args.end(), {"-readpass", "/dev/fd/" + std::to_string(passwordPipe[0])});
    }
    if (!programName.empty())
        args.insert(args.end(), {"-n", programName});
    if (!request.timestampUrl.empty())
        args.insert(args.end(), {"-t", request.timestampUrl});
    args.insert(args.end(), {"-in", file, "-out", signedFile});
    std::remove(signedFile.c_str());
    const ToolRun r = run(tool, args, passwordPipe[0]);
    if (passwordPipe[0] >= 0)
        ::close(passwordPipe[0]);
    const bool signedOk = r.started && r.exitCode == 0 && ::access(signedFile.c_str(), F_OK) == 0 &&
                          contains(r.output, "Succeeded");
    std::string error;
    if (!r.started)
        error = kMsgSignToolMissing;
    else if (signedOk)
        error = copyBack(signedFile, file) ? ""
                                           : std::string(kMsgSignFailed) + "die signierte Datei " + file +
                                                 " kann nicht geschrieben werden.";
    else if (contains(r.output, "mac verify failure") || contains(r.output, "Wrong password"))
        error = (request.passwordFile.empty() && request.password.empty() ? kMsgSignNeedsPassword
                                                                          : kMsgSignWrongPassword) +
                request.certificate;
    else if (contains(r.output, "Failed to read PKCS#12 file"))
        error = kMsgSignUnreadable + request.certificate;
    else if (contains(r.output, "PKCS#12") || contains(r.output, "Failed to read key or certificates"))
        error = kMsgSignDamaged + request.certificate;
    else if (!request.timestampUrl.empty() &&
             (contains(r.output, "Connecting to") || contains(r.output, "timestamp")))
        error = kMsgSignTimestamp + request.timestampUrl;
    else
        error = kMsgSignFailed + lastLine(r.output);
    std::remove(signedFile.c_str());
    return error;
}

} // namespace pagolux
