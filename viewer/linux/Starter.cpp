// pagolux-viewer for Linux: the program every built Linux executable starts with. It needs
// nothing beyond the C library. It carries the marker record and icon pixels the builder
// patches, and one compressed front per web engine. At start it unpacks the front of the first
// engine in order into an anonymous memory file and runs it from there (no file on disk); when
// the dynamic loader cannot find that engine's libraries, the front never reports back and the
// next engine is tried. Without any engine it names the package to install, on the terminal
// and, where a desktop runs, in a message window of a tool the desktop has.

#include "viewer/core/Engines.h"
#include "viewer/core/FrontHandoff.h"
#include "viewer/qt/EmbeddedRecords.h"

#include <libdeflate.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

// The compressed fronts (gzip), linked in by FrontBlobs.S; an engine whose front was not built
// has an empty range.
extern "C" {
#define PAGOLUX_FRONT(id) extern const unsigned char pagolux_front_##id##_begin[], pagolux_front_##id##_end[];
PAGOLUX_FRONT(webkit41)
PAGOLUX_FRONT(webkit40)
PAGOLUX_FRONT(webkit60)
PAGOLUX_FRONT(qt6)
PAGOLUX_FRONT(qt5)
#undef PAGOLUX_FRONT
}

namespace {

using namespace pagolux;

struct Front {
    const char* engine;
    const unsigned char* begin;
    const unsigned char* end;
};

const Front kFronts[] = {
    {engines::kWebKitGtk41, pagolux_front_webkit41_begin, pagolux_front_webkit41_end},
    {engines::kWebKitGtk40, pagolux_front_webkit40_begin, pagolux_front_webkit40_end},
    {engines::kWebKitGtk60, pagolux_front_webkit60_begin, pagolux_front_webkit60_end},
    {engines::kQt6, pagolux_front_qt6_begin, pagolux_front_qt6_end},
    {engines::kQt5, pagolux_front_qt5_begin, pagolux_front_qt5_end},
};

// The front was built when its range holds more than a gzip header and trailer.
bool built(const Front& front)
{
    return front.end - front.begin > 18;
}

// The front unpacked into an anonymous memory file, or -1.
int unpack(const Front& front)
{
    const std::size_t packed = static_cast<std::size_t>(front.end - front.begin);
    // gzip keeps the unpacked size in its last four bytes.
    const unsigned char* t = front.end - 4;
    const std::size_t size = t[0] | t[1] << 8 | t[2] << 16 | static_cast<std::size_t>(t[3]) << 24;
    const int fd = memfd_create("pagolux-viewer", MFD_CLOEXEC);
    if (fd < 0 || ftruncate(fd, static_cast<off_t>(size)) != 0)
        return -1;
    void* out = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (out == MAP_FAILED)
        return -1;
    libdeflate_decompressor* d = libdeflate_alloc_decompressor();
    const bool ok =
        d && libdeflate_gzip_decompress(d, front.begin, packed, out, size, nullptr) == LIBDEFLATE_SUCCESS;
    if (d)
        libdeflate_free_decompressor(d);
    munmap(out, size);
    if (!ok) {
        close(fd);
        return -1;
    }
    return fd;
}

// The running front, for the signal handler.
volatile pid_t child = -1;

void forward(int sig)
{
    if (child > 0)
        kill(child, sig);
}

enum class Outcome { NotStarted, NoWindow, Ran };

// Runs the front of one engine in a child process. NotStarted when it never reported that it
// runs (its libraries are missing), NoWindow when it got past the loader but ended before its
// window could open; otherwise the child's end is stored in status.
Outcome run(const Front& front, FrontHandoff handoff, char** argv, int& status)
{
    int started[2];
    if (pipe2(started, O_CLOEXEC) != 0)
        return Outcome::NotStarted;
    std::snprintf(handoff.engine, sizeof handoff.engine, "%s", front.engine);
    handoff.startedFd = started[1];
    static char value[kHandoffTextSize];
    encodeHandoff(handoff, value);

    child = fork();
    if (child < 0)
        return Outcome::NotStarted;
    if (child == 0) {
        close(started[0]);
        // The pipe's writing end must survive the exec; the host and error descriptors do.
        fcntl(started[1], F_SETFD, 0);
        const int fd = unpack(front);
        if (fd < 0)
            _exit(127);
        setenv(kHandoffVariable, value, 1);
        fexecve(fd, argv, environ);
        _exit(127);
    }
    close(started[1]);
    // kLoadedByte, then kStartedByte; the pipe ends early when the front does.
    bool loaded = false, ran = false;
    for (;;) {
        char byte = 0;
        const ssize_t got = read(started[0], &byte, 1);
        if (got < 0 && errno == EINTR)
            continue;
        if (got != 1)
            break;
        loaded = loaded || byte == kLoadedByte;
        if (byte == kStartedByte) {
            ran = true;
            break;
        }
    }
    close(started[0]);

    if (ran) {
        // The terminal's Ctrl+C reaches the running front by itself; the starter waits for it.
        signal(SIGINT, SIG_IGN);
        signal(SIGQUIT, SIG_IGN);
    }
    pid_t done;
    do
        done = waitpid(child, &status, 0);
    while (done < 0 && errno == EINTR);
    child = -1;
    return ran ? Outcome::Ran : loaded ? Outcome::NoWindow : Outcome::NotStarted;
}

// The full name of tool in one of PATH's folders, in found; false when there is none.
bool onPath(const char* tool, char (&found)[4096])
{
    const char* path = std::getenv("PATH");
    if (!path)
        path = "/usr/local/bin:/usr/bin:/bin";
    while (*path) {
        const char* end = std::strchr(path, ':');
        const int length = static_cast<int>(end ? end - path : std::strlen(path));
        if (length > 0 &&
            std::snprintf(found, sizeof found, "%.*s/%s", length, path, tool) < int(sizeof found) &&
            access(found, X_OK) == 0)
            return true;
        path += length + (end ? 1 : 0);
    }
    return false;
}

// Shows text in a message window of the first tool found that a desktop brings, in a detached
// process, so that the program itself ends at once.
void showOnDesktop(const char* text)
{
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY"))
        return;
    static char zenityText[4200];
    std::snprintf(zenityText, sizeof zenityText, "--text=%s", text);
    using Args = const char* [7];
    struct Tool {
        const char* name;
        Args args;
    };
    const Tool tools[] = {
        {"zenity", {"zenity", "--error", "--no-markup", "--title=Pagolux", zenityText, nullptr}},
        {"kdialog", {"kdialog", "--title", "Pagolux", "--error", text, nullptr}},
        {"xmessage", {"xmessage", "-center", "-buttons", "OK", text, nullptr}},
        {"notify-send", {"notify-send", "-u", "critical", "Pagolux", text, nullptr}},
    };
    for (const Tool& tool : tools) {
        char path[4096];
        if (!onPath(tool.name, path))
            continue;
        const pid_t first = fork();
        if (first == 0) {
            // A grandchild that nobody waits for: init reaps it when the window closes.
            setsid();
            if (fork() == 0) {
                const int null = open("/dev/null", O_RDWR);
                dup2(null, 0);
                dup2(null, 1);
                dup2(null, 2);
                execv(path, const_cast<char* const*>(tool.args));
            }
            _exit(0);
        }
        if (first > 0)
            waitpid(first, nullptr, 0);
        return;
    }
}

} // namespace

int main(int argc, char** argv)
{
    (void)argc;
    const char* forced = std::getenv("PAGOLUX_VIEWER_ENGINE");
    const bool debug = std::getenv("PAGOLUX_VIEWER_DEBUG") != nullptr;

    FrontHandoff handoff;
    const MarkerState marker = readMarkerRecord();
    handoff.patched = marker.patched;
    handoff.settingsOffset = marker.settingsOffset;
    handoff.icon = readIconPixels();
    handoff.hostFd = open("/proc/self/exe", O_RDONLY);
    if (handoff.hostFd < 0) {
        std::fprintf(stderr, "%s: Die Programmdatei kann nicht gelesen werden: %s\n", argv[0],
                     std::strerror(errno));
        return 1;
    }
    // The engines' own messages stay off the terminal unless PAGOLUX_VIEWER_DEBUG asks for
    // them; the front's messages go to the terminal's error output kept here.
    handoff.errorFd = 2;
    if (!debug) {
        handoff.errorFd = dup(2);
        const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (handoff.errorFd >= 0 && null >= 0)
            dup2(null, 2);
        else
            handoff.errorFd = 2;
    }

    // What ends the program is passed on to the front (exec puts the handler back to the default
    // in the front itself).
    struct sigaction pass {};
    pass.sa_handler = forward;
    sigaction(SIGTERM, &pass, nullptr);
    sigaction(SIGHUP, &pass, nullptr);

    // Without a display every front would fail at its first window, each in its own words
    // (or not at all, on a terminal whose error output is kept quiet): say it once, in German.
    if (!engines::displayNamed(std::getenv("DISPLAY"), std::getenv("WAYLAND_DISPLAY"),
                               std::getenv("QT_QPA_PLATFORM"), std::getenv("GDK_BACKEND"))) {
        dprintf(handoff.errorFd, "%s\n", engines::kNoDisplayMessage);
        return 1;
    }

    // An engine that is there but opens no window (a Qt without a platform plugin for this
    // desktop) hands over to the next; when none opens one, that, not a missing engine, is said.
    const char* windowless = nullptr;
    for (const Front& front : kFronts) {
        if (!built(front) || !engines::tried(front.engine, forced))
            continue;
        int status = 0;
        const Outcome outcome = run(front, handoff, argv, status);
        if (outcome == Outcome::NoWindow && !windowless)
            windowless = front.engine;
        if (outcome != Outcome::Ran)
            continue;
        if (WIFSIGNALED(status)) {
            signal(WTERMSIG(status), SIG_DFL);
            raise(WTERMSIG(status));
        }
        return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
    }

    static char text[4096];
    if (windowless)
        engines::noWindowMessage(windowless, std::getenv("DISPLAY"), std::getenv("WAYLAND_DISPLAY"), text,
                                 sizeof text);
    else
        engines::missingEngineMessage(forced, text, sizeof text);
    dprintf(handoff.errorFd, "%s\n", text);
    if (!std::getenv("PAGOLUX_VIEWER_PROBE"))
        showOnDesktop(text);
    return 1;
}
