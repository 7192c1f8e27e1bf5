#pragma once
// A second local user for tests of what another user can do to our files: created when the
// tests run as root (useradd, no home, no login), commands run as that user through runuser.
// Without root there is no such user, and the test skips with a message.

#include <cstdlib>
#include <pwd.h>
#include <string>
#include <sys/types.h>
#include <unistd.h>

namespace pagolux::test {

inline constexpr char kOtherUser[] = "pagolux-other";

// The other user's uid, created if needed; -1 when not root or it cannot be made.
inline int otherUserId()
{
    if (::geteuid() != 0)
        return -1;
    if (const passwd* pw = ::getpwnam(kOtherUser))
        return static_cast<int>(pw->pw_uid);
    const std::string cmd =
        std::string("useradd -M -N -r -s /usr/sbin/nologin ") + kOtherUser + " >/dev/null 2>&1";
    if (std::system(cmd.c_str()) != 0)
        return -1;
    const passwd* pw = ::getpwnam(kOtherUser);
    return pw ? static_cast<int>(pw->pw_uid) : -1;
}

// Runs a shell command line as the other user; true when it exited with 0.
inline bool runAsOtherUser(const std::string& commandLine)
{
    std::string quoted = "'";
    for (const char c : commandLine)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    quoted += "'";
    const std::string cmd = std::string("runuser -u ") + kOtherUser + " -- sh -c " + quoted;
    return std::system(cmd.c_str()) == 0;
}

} // namespace pagolux::test
