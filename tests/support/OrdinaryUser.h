#pragma once
// Runs commands as an ordinary user. Run by root, the test suite creates a system user of its
// own (no home, no login shell) on first use and starts commands through runuser; run by
// anybody else, commands run as that user already. Files the user must read have to lie
// outside /root (which only root may enter), in folders every user may enter.

#include "tests/support/ChildProcess.h"

#include <string>
#include <unistd.h>

namespace pagolux::test {

inline constexpr const char* OrdinaryUserName = "pagolux-test-user";

struct OrdinaryUser {
    std::string prefix;  // put before a command to run it as the user; empty when not root
    std::string name;    // the user's name
    std::string problem; // why there is no such user; empty when there is
};

inline OrdinaryUser ordinaryUser()
{
    OrdinaryUser user;
    if (::geteuid() != 0) {
        user.name = runShell("id -un").output;
        while (!user.name.empty() && user.name.back() == '\n')
            user.name.pop_back();
        return user;
    }
    user.name = OrdinaryUserName;
    if (runShell("id -u " + quote(user.name) + " >/dev/null 2>&1").exitCode != 0) {
        const ChildResult made = runShell("useradd --system --no-create-home --shell /usr/sbin/nologin " +
                                          quote(user.name) + " 2>&1");
        if (made.exitCode != 0) {
            user.problem = "useradd failed: " + made.output;
            return user;
        }
    }
    if (!haveProgram("runuser")) {
        user.problem = "runuser is missing";
        return user;
    }
    user.prefix = "runuser -u " + quote(user.name) + " -- ";
    return user;
}

} // namespace pagolux::test
