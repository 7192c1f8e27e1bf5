#pragma once
// Chromium's sandbox cannot run for the root user, and Qt WebEngine refuses to start then
// unless the sandbox is switched off. Both programs that show pages (the main window's
// preview and the viewer of every built executable) call this before creating the
// application object, so they work for root too; other users keep the sandbox.

#include <cstdlib>
#include <unistd.h>

namespace pagolux {

inline void allowWebEngineForRoot()
{
    if (::geteuid() == 0)
        ::setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0); // an explicit setting is kept
}

} // namespace pagolux
