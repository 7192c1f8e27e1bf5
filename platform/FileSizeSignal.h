#pragma once

// A write past the file-size limit (`ulimit -f`) raises SIGXFSZ, whose default action ends the
// program in the middle of a save and leaves its temporary files behind. Every program ignores
// it at start, so such a write fails with EFBIG and takes the ordinary error path: the message
// says the file could not be written and the temporary files are removed.

#include <csignal>

namespace pagolux {

inline void IgnoreFileSizeSignal()
{
#ifdef SIGXFSZ
    std::signal(SIGXFSZ, SIG_IGN);
#endif
}

} // namespace pagolux
