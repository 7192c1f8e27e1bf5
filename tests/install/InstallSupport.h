#pragma once
// Helpers of the installation tests: shell commands with their output, and one
// `cmake --install` of the build into a folder of its own; with the shared scratch folder and
// whole-file reads and writes.

#include "tests/support/ChildProcess.h"
#include "tests/support/Files.h"
#include "tests/support/TempFolder.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace pagolux::test {

namespace fs = std::filesystem;

struct Command {
    int exitCode = -1;
    std::string out; // standard output only
    std::string err; // standard error only

    [[nodiscard]] std::string both() const { return out + err; }
    // The "key=value" lines of the output, later lines winning; "entry" lines collected.
    [[nodiscard]] std::map<std::string, std::string> values() const
    {
        std::map<std::string, std::string> v;
        std::istringstream lines(out);
        for (std::string line; std::getline(lines, line);)
            if (const auto eq = line.find('='); eq != std::string::npos && eq > 0)
                v[line.substr(0, eq)] = line.substr(eq + 1);
        return v;
    }
    [[nodiscard]] std::vector<std::string> all(const std::string& key) const
    {
        std::vector<std::string> found;
        std::istringstream lines(out);
        for (std::string line; std::getline(lines, line);)
            if (line.rfind(key + "=", 0) == 0)
                found.push_back(line.substr(key.size() + 1));
        return found;
    }
};

// Runs command with sh; standard error goes through a file so that both streams stay apart.
inline Command sh(const std::string& command)
{
    char errName[] = "/tmp/pagolux-install-err-XXXXXX";
    const int errFd = ::mkstemp(errName);
    Command r;
    if (errFd < 0)
        return r;
    ::close(errFd);
    FILE* p = ::popen(("( " + command + " ) 2>" + quote(errName)).c_str(), "r");
    if (p != nullptr) {
        std::array<char, 4096> buf{};
        while (const std::size_t n = std::fread(buf.data(), 1, buf.size(), p))
            r.out.append(buf.data(), n);
        const int status = ::pclose(p);
        r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    r.err = readFile(errName);
    ::unlink(errName);
    return r;
}

// In CI every tool is installed by scripts/install-deps.sh, so a missing one is a fault there;
// on a developer's machine the check is skipped with a note.
inline bool toolMissingOutsideCi(const std::string& name, std::string& note)
{
    if (haveProgram(name))
        return false;
    const char* ci = std::getenv("CI");
    if (ci != nullptr && std::string(ci) == "true")
        return false;
    note = name + " is not installed (scripts/install-deps.sh installs it)";
    return true;
}

} // namespace pagolux::test
