#pragma once
// The archive tool behind pagolux-zlb, as a function of its arguments and output streams so
// that the program and its tests share one implementation.

#include <iosfwd>
#include <string>
#include <vector>

namespace pagolux {

struct ZlbToolOptions {
    // Show a progress line on err (the program sets it when stdout or stderr is a terminal).
    bool progress = false;
};

// Runs one command ("create", "list", "extract", "verify", "help"); returns the exit code:
// 0 success, 1 failure (one line on err), 2 wrong usage.
int RunZlbTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
               const ZlbToolOptions& options = {});

} // namespace pagolux
