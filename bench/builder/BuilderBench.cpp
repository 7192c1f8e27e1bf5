// bench-builder [--tree DIR] [--rounds N] [--skip-viewer] [--viewer-only]
//
// Figures of the EXE builder, each measured interleaved with its reference in one run:
//  1. pagolux-build of a project holding a copy of DIR (default: Debian's Python 3.11 HTML
//     documentation) against `zip -r -6 -q` of the same copy; target ratio <= 0.60;
//  2. RenderIconPos over the real ProtoExe.dat; target <= 50 ms;
//  3. the size of ProtoExe.dat (the Linux starter with every engine front); target <= 1.5 MB;
//  4. viewer start to start page shown against a minimal window of the same engine (Qt 6
//     WebEngine, WebKitGTK 4.1) showing the same page from memory (needs a display: run under
//     xvfb-run); target ratio <= 1.1;
//  5. viewer start to start page and peak memory of a 220 MB, 20,000-member program (seeded
//     pages and ten 17 MB media files) against the one-page program of 4., interleaved: the
//     large one may cost only reading its registry and checking its CRC more.
// --viewer-only skips 1. to 3.
// Medians are printed; the machine may be shared, so read single runs with care.

#include "bench/support/BenchRun.h"
#include "builder/IconPatcher.h"
#include "project/ProjectFile.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using pagolux::bench::median;
using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point t0)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

// Runs args to its end; returns milliseconds, or -1 on a failure exit.
double timed(const std::vector<std::string>& args, const std::string& dir = {})
{
    const pagolux::bench::RunResult r = pagolux::bench::run(args, dir);
    return r.ok ? r.seconds * 1000 : -1;
}

// Starts program, waits until it prints a line starting with "loaded=", returns the time to
// that line (ms) and reaps the process; -1 when it never came. maxRssMb (when given) receives
// the child's peak resident memory.
double timeToLoaded(const std::string& program, const std::vector<std::string>& args,
                    const std::vector<std::string>& extraEnv, double* maxRssMb = nullptr)
{
    int pipeFd[2];
    if (::pipe(pipeFd) != 0)
        return -1;
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_adddup2(&fa, pipeFd[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&fa, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addclose(&fa, pipeFd[0]);
    std::vector<std::string> envStore(extraEnv);
    for (char** e = environ; *e; ++e)
        envStore.emplace_back(*e);
    std::vector<char*> envp;
    for (auto& e : envStore)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    std::vector<std::string> argStore{program};
    argStore.insert(argStore.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : argStore)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    const auto t0 = Clock::now();
    const int rc = posix_spawn(&pid, program.c_str(), &fa, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&fa);
    ::close(pipeFd[1]);
    double ms = -1;
    if (rc == 0) {
        std::string line;
        char c = 0;
        while (::read(pipeFd[0], &c, 1) == 1) {
            if (c != '\n') {
                line += c;
                continue;
            }
            if (line.rfind("loaded=", 0) == 0) {
                ms = line == "loaded=1" ? msSince(t0) : -1;
                break;
            }
            line.clear();
        }
        while (::read(pipeFd[0], &c, 1) == 1) {
        }
        int status = 0;
        struct rusage usage {};
        ::wait4(pid, &status, 0, &usage);
        if (maxRssMb)
            *maxRssMb = static_cast<double>(usage.ru_maxrss) / 1024.0;
    }
    ::close(pipeFd[0]);
    return ms;
}

void verdict(const char* what, double value, double target, const char* unit)
{
    std::printf("%-44s %10.2f %-3s target <= %.2f %s: %s\n", what, value, unit, target, unit,
                value <= target ? "met" : "NOT met");
}

} // namespace

int main(int argc, char** argv)
{
    std::string tree = "/usr/share/doc/python3.11/html";
    int rounds = 5;
    bool viewer = true;
    bool viewerOnly = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--tree" && i + 1 < argc)
            tree = argv[++i];
        else if (a == "--rounds" && i + 1 < argc)
            rounds = std::max(1, std::atoi(argv[++i]));
        else if (a == "--skip-viewer")
            viewer = false;
        else if (a == "--viewer-only")
            viewerOnly = true;
    }
    const std::string bin = fs::read_symlink("/proc/self/exe").parent_path().string() + "/";
    std::string workPattern = (fs::temp_directory_path() / "pagolux-bench-XXXXXX").string();
    if (!::mkdtemp(workPattern.data()))
        return 1;
    const std::string work = workPattern + "/";

    if (!viewerOnly) {
        // 1. Build against zip on the same copy (symbolic links resolved).
        const std::string copy = work + "html";
        if (std::system(("cp -rL '" + tree + "' '" + copy + "'").c_str()) != 0) {
            std::cerr << "cannot copy " << tree << "\n";
            return 1;
        }
        std::size_t files = 0, bytes = 0;
        for (const auto& e : fs::recursive_directory_iterator(copy))
            if (e.is_regular_file()) {
                ++files;
                bytes += e.file_size();
            }
        pagolux::Project project;
        for (const auto& e : fs::directory_iterator(copy))
            project.entries.push_back(e.path().string());
        std::sort(project.entries.begin(), project.entries.end());
        const auto start = std::find(project.entries.begin(), project.entries.end(), copy + "/index.html");
        project.startIndex =
            start == project.entries.end() ? 0 : static_cast<int>(start - project.entries.begin());
        pagolux::ProjectFile::write(work + "tree.pgx", project);

        std::vector<double> buildMs, zipMs;
        for (int r = 0; r < rounds; ++r) {
            fs::remove(work + "tree-exe");
            fs::remove(work + "tree.zip");
            buildMs.push_back(timed({bin + "pagolux-build", work + "tree.pgx", "-o", work + "tree-exe"}));
            zipMs.push_back(timed({"zip", "-r", "-6", "-q", work + "tree.zip", "html"}, work));
        }
        std::printf("tree: %s, %zu files, %.1f MB; %d rounds interleaved\n", tree.c_str(), files, bytes / 1e6,
                    rounds);
        std::printf("pagolux-build median %.0f ms (output %.1f MB); zip -r -6 -q median %.0f ms (%.1f MB)\n",
                    median(buildMs), fs::file_size(work + "tree-exe") / 1e6, median(zipMs),
                    fs::file_size(work + "tree.zip") / 1e6);
        verdict("pagolux-build / zip", median(buildMs) / median(zipMs), 0.60, "x");

        // 2. and 3. The icon search and the viewer's size.
        std::vector<double> searchMs;
        std::int32_t pos = 0;
        for (int r = 0; r < 21; ++r) {
            const auto t0 = Clock::now();
            pos = pagolux::RenderIconPos(bin);
            searchMs.push_back(msSince(t0));
        }
        std::printf("RenderIconPos found the icon at %d\n", pos);
        verdict("RenderIconPos over ProtoExe.dat (median of 21)", median(searchMs), 50, "ms");
        verdict("ProtoExe.dat size", fs::file_size(bin + "ProtoExe.dat") / 1048576.0, 1.5, "MB");
    }

    // 4. Viewer start against the minimal window, one page held in memory by both.
    if (viewer && std::getenv("DISPLAY")) {
        std::string page =
            "<!DOCTYPE html><html><head><meta charset=utf-8><title>Start</title>"
            "<style>body{font-family:sans-serif;margin:2em}</style></head><body><h1>Start</h1>";
        for (int i = 0; i < 200; ++i)
            page += "<p>Absatz " + std::to_string(i) + ": Pagolux packt Seiten in ein Programm.</p>";
        page += "</body></html>";
        fs::create_directories(work + "page");
        std::ofstream(work + "page/index.html") << page;
        pagolux::Project one;
        one.entries = {work + "page/index.html"};
        one.startIndex = 0;
        pagolux::ProjectFile::write(work + "page.pgx", one);
        if (timed({bin + "pagolux-build", work + "page.pgx", "-o", work + "page-exe"}) < 0) {
            std::cerr << "cannot build the page\n";
            return 1;
        }
        // Each engine's front (chosen with PAGOLUX_VIEWER_ENGINE) against a minimal window of the
        // same engine.
        const struct {
            const char* engine;
            const char* minimal;
            const char* label;
        } pairs[] = {
            {"qt6", "bench-minimal-webview", "viewer (Qt 6) / minimal WebEngine window"},
            {"webkit2gtk-4.1", "bench-minimal-webkit", "viewer (WebKitGTK 4.1) / minimal WebKitGTK"}};
        for (const auto& pair : pairs) {
            if (!fs::exists(bin + pair.minimal))
                continue;
            const std::vector<std::string> env{"PAGOLUX_VIEWER_PROBE=1", "QTWEBENGINE_DISABLE_SANDBOX=1",
                                               std::string("PAGOLUX_VIEWER_ENGINE=") + pair.engine};
            // The viewer keeps its pages' storage on disk; for Qt 6 the same minimal window with a
            // storage folder, run in the same rounds, shows what keeping storage costs on its own.
            const bool withStored = std::string(pair.engine) == "qt6";
            std::vector<double> viewerMs, minimalMs, storedMs;
            for (int r = 0; r < rounds * 2; ++r) {
                viewerMs.push_back(timeToLoaded(work + "page-exe", {}, env));
                minimalMs.push_back(timeToLoaded(bin + pair.minimal, {work + "page/index.html"}, env));
                if (withStored)
                    storedMs.push_back(
                        timeToLoaded(bin + pair.minimal, {work + "page/index.html", work + "storage"}, env));
            }
            std::printf("%s: viewer start to start page median %.0f ms; minimal window median %.0f ms\n",
                        pair.engine, median(viewerMs), median(minimalMs));
            verdict(pair.label, median(viewerMs) / median(minimalMs), 1.1, "x");
            if (withStored) {
                std::printf("%s: minimal window keeping storage median %.0f ms\n", pair.engine,
                            median(storedMs));
                verdict("viewer (Qt 6) / minimal window keeping storage", median(viewerMs) / median(storedMs),
                        1.1, "x");
            }
        }

        // 5. A large program against the one-page program.
        const std::string large = work + "large/";
        std::mt19937 rng(2026);
        std::size_t largeBytes = 0;
        for (int f = 0; f < 100; ++f)
            fs::create_directories(large + "teil" + std::to_string(f));
        const char* const words[] = {"Seite ", "Pagolux ", "packt ", "Programm ", "<p>", "</p>\n", "und "};
        for (int i = 0; i < 19989; ++i) {
            std::string text = "<!DOCTYPE html><title>Seite " + std::to_string(i) + "</title>";
            const std::size_t length = 500 + rng() % 4500;
            while (text.size() < length)
                text += words[rng() % 7];
            largeBytes += text.size();
            std::ofstream(large + "teil" + std::to_string(i % 100) + "/s" + std::to_string(i) + ".html")
                << text;
        }
        std::vector<char> media(17'000'000);
        for (int m = 0; m < 10; ++m) {
            for (auto& c : media)
                c = static_cast<char>(rng());
            std::ofstream(large + "film" + std::to_string(m) + ".webm", std::ios::binary)
                .write(media.data(), static_cast<std::streamsize>(media.size()));
            largeBytes += media.size();
        }
        std::ofstream(large + "index.html") << page;
        pagolux::Project big;
        for (const auto& e : fs::directory_iterator(large))
            big.entries.push_back(e.path().string());
        std::sort(big.entries.begin(), big.entries.end());
        big.startIndex = static_cast<int>(
            std::find(big.entries.begin(), big.entries.end(), large + "index.html") - big.entries.begin());
        pagolux::ProjectFile::write(work + "large.pgx", big);
        if (timed({bin + "pagolux-build", work + "large.pgx", "-o", work + "large-exe"}) < 0) {
            std::cerr << "cannot build the large program\n";
            return 1;
        }
        const std::vector<std::string> env{"PAGOLUX_VIEWER_PROBE=1", "QTWEBENGINE_DISABLE_SANDBOX=1"};
        std::vector<double> smallMs, largeMs;
        double smallRss = 0, largeRss = 0;
        for (int r = 0; r < rounds * 2; ++r) {
            double rss = 0;
            smallMs.push_back(timeToLoaded(work + "page-exe", {}, env, &rss));
            smallRss = std::max(smallRss, rss);
            largeMs.push_back(timeToLoaded(work + "large-exe", {}, env, &rss));
            largeRss = std::max(largeRss, rss);
        }
        std::printf("large program: 20,000 members, %.0f MB of files, %.0f MB file\n", largeBytes / 1e6,
                    fs::file_size(work + "large-exe") / 1e6);
        std::printf("start to start page median %.0f ms (large) / %.0f ms (one page); peak memory %.0f MB / "
                    "%.0f MB\n",
                    median(largeMs), median(smallMs), largeRss, smallRss);
        verdict("large / one-page program, start time", median(largeMs) / median(smallMs), 1.5, "x");
        verdict("large - one-page program, peak memory", largeRss - smallRss, 50, "MB");
    } else if (viewer) {
        std::printf("viewer start: skipped (no DISPLAY; run under xvfb-run)\n");
    }
    fs::remove_all(work);
    return 0;
}
