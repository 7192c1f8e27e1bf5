// bench-wine-viewer [--rounds N] [--tree FOLDER]
//
// Figures of the Windows viewer: pagolux-build --target windows of a project holding a copy of
// FOLDER (default /usr/share/doc/python3.11/html) against zip -r -6 -q of the same copy, and
// the viewer's self-test of that program under a warm Wine (every member fetched through the
// pluggable protocol), medians printed with the targets. Needs wine; uses a Wine prefix of its
// own in $TMPDIR.

#include "project/ProjectFile.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

std::string quote(const std::string& s)
{
    std::string q = "'";
    for (const char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

double timed(const std::string& command)
{
    const auto start = Clock::now();
    const int rc = std::system(command.c_str());
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    if (rc != 0) {
        std::fprintf(stderr, "bench-wine-viewer: failed (%d): %s\n", rc, command.c_str());
        std::exit(1);
    }
    return ms;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    int rounds = 5;
    std::string tree = "/usr/share/doc/python3.11/html";
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string a = argv[i];
        if (a == "--rounds")
            rounds = std::max(1, std::atoi(argv[i + 1]));
        else if (a == "--tree")
            tree = argv[i + 1];
    }
    const char* tmp = std::getenv("TMPDIR");
    const fs::path work = fs::path(tmp && *tmp ? tmp : "/tmp") / "pagolux-bench-wine";
    fs::remove_all(work);
    fs::create_directories(work);
    const fs::path copy = work / "html";
    if (timed("cp -rL " + quote(tree) + " " + quote(copy.string())) < 0)
        return 1;

    pagolux::Project project;
    std::string start;
    for (const auto& e : fs::directory_iterator(copy))
        if (e.path().filename() == "index.html")
            start = e.path().string();
    project.entries = {start.empty() ? copy.string() + "/index.html" : start, copy.string()};
    project.startIndex = 0;
    pagolux::ProjectFile::write((work / "p.pgx").string(), project);

    const fs::path bin = fs::canonical("/proc/self/exe").parent_path();
    const std::string build = "TMPDIR=" + quote(work.string()) + " " +
                              quote((bin / "pagolux-build").string()) + " " +
                              quote((work / "p.pgx").string()) + " -o " + quote((work / "out.exe").string()) +
                              " --target windows --yes >/dev/null";
    const std::string zip = "cd " + quote(work.string()) + " && rm -f z.zip && zip -r -6 -q z.zip html";
    std::vector<double> builds, zips;
    for (int r = 0; r < rounds; ++r) {
        builds.push_back(timed(build));
        zips.push_back(timed(zip));
    }

    const std::string wine = "WINEPREFIX=" + quote((work / "prefix").string()) +
                             " WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml=' ";
    const std::string report = "Z:" + (work / "report.txt").string();
    const std::string selfTest = wine + "PAGOLUX_VIEWER_SELFTEST=" + quote(report) + " wine " +
                                 quote((work / "out.exe").string()) + " >/dev/null 2>&1";
    // The first start makes the prefix; the next one leaves a running wineserver behind.
    timed(wine + "wineboot -i >/dev/null 2>&1");
    timed(selfTest);
    std::vector<double> tests;
    for (int r = 0; r < rounds; ++r)
        tests.push_back(timed(selfTest));
    std::system((wine + "wineserver -k").c_str());

    const double b = median(builds), z = median(zips), t = median(tests);
    std::printf("pagolux-build --target windows / zip -r -6 -q: %.0f ms / %.0f ms = %.2f (target <= 0.55)\n",
                b, z, b / z);
    std::printf("self-test of every member under a warm Wine: %.0f ms (target <= 2000 ms)\n", t);
    std::printf("output size: %.1f MB\n", static_cast<double>(fs::file_size(work / "out.exe")) / 1e6);
    fs::remove_all(work);
    return 0;
}
