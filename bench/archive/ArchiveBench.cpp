// bench-archive [--rounds N] [--doc DIR] [--work DIR] [--keep]
//
// Packing speed, memory and size against zip on four trees, each measured interleaved with zip
// in one run (the order alternates per round, so load changes on a shared machine hit both):
//  small  20,000 HTML pages of 0.5-5 KB in 100 folders (about 60 MB), pagolux-zlb create;
//  media  4 random files of 50 MB (photos, video: deflate cannot shorten them), pagolux-zlb create;
//  both   the two together, pagolux-build of a project holding them;
//  doc    Debian's Python 3.11 HTML documentation (copied with links resolved), pagolux-build.
// The trees are made here from fixed seeds, so every run packs the same bytes. Per tree it
// prints the medians of wall time, the time ratio to `zip -r -6 -q`, the peak resident memory of
// the child (getrusage's ru_maxrss, largest over the rounds) and the size ratio, with the targets:
// time <= 0.55 x zip (doc <= 0.50), memory <= 150 MB. Then the peak memory of "Go!" in the real
// window on the "both" project (bench-go, built with the window), and the throughput of `pagolux-zlb verify`
// and of opening (the viewer's start check: trailer, registry, CRC of the whole archive) on the
// "both" program, target >= 1 GB/s each.

#include "bench/support/BenchRun.h"
#include "project/ProjectFile.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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

namespace {

namespace fs = std::filesystem;
using pagolux::bench::median;
using pagolux::bench::run;
using pagolux::bench::RunResult;

void writeBytes(const fs::path& name, const std::string& bytes)
{
    fs::create_directories(name.parent_path());
    std::ofstream out(name, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + name.string());
}

// 20,000 pages of text-like HTML, 0.5-5 KB each, 200 per folder, and an index page.
void makeSmallTree(const fs::path& root)
{
    static const char* const words[] = {"the ",   "archive ", "page ",      "member ", "<p>",
                                        "</p>\n", "Pagolux ", "Übersicht ", "html ",   "<a href=\"x.html\">",
                                        "</a> ",  "zlib ",    "stream ",    "folder ", "und ",
                                        "der ",   "Datei ",   "<li>",       "</li>\n", "index "};
    std::mt19937_64 rng(20000);
    for (int f = 0; f < 100; ++f) {
        char folder[16];
        std::snprintf(folder, sizeof folder, "d%03d", f);
        for (int p = 0; p < 200; ++p) {
            const std::size_t size = 500 + rng() % 4501;
            std::string page = "<html><head><title>Seite " + std::to_string(p) + "</title></head><body>\n";
            while (page.size() < size) {
                page += words[rng() % 20];
                if (rng() % 7 == 0)
                    page += std::to_string(rng() % 100000) + " ";
            }
            page.resize(size);
            char name[32];
            std::snprintf(name, sizeof name, "page%03d.html", p);
            writeBytes(root / folder / name, page);
        }
    }
    writeBytes(root / "index.html", "<html><body><h1>Start</h1></body></html>\n");
}

// Four files of 50 MB of random bytes.
void makeMediaTree(const fs::path& root)
{
    std::mt19937_64 rng(50);
    for (int f = 0; f < 4; ++f) {
        std::string bytes(50u * 1000 * 1000, '\0');
        for (std::size_t i = 0; i + 8 <= bytes.size(); i += 8) {
            const std::uint64_t v = rng();
            std::memcpy(bytes.data() + i, &v, 8);
        }
        writeBytes(root / ("clip" + std::to_string(f) + ".mp4"), bytes);
    }
}

std::uint64_t treeBytes(const fs::path& root, std::size_t& files)
{
    std::uint64_t bytes = 0;
    files = 0;
    for (const auto& e : fs::recursive_directory_iterator(root))
        if (e.is_regular_file()) {
            ++files;
            bytes += e.file_size();
        }
    return bytes;
}

// A project whose entries are the children of each root, sorted; the start file is the first
// root's index.html (or its first entry).
void writeProject(const fs::path& name, const std::vector<fs::path>& roots)
{
    pagolux::Project project;
    for (const auto& root : roots) {
        std::vector<std::string> children;
        for (const auto& e : fs::directory_iterator(root))
            children.push_back(e.path().string());
        std::sort(children.begin(), children.end());
        project.entries.insert(project.entries.end(), children.begin(), children.end());
    }
    const auto start =
        std::find(project.entries.begin(), project.entries.end(), (roots.front() / "index.html").string());
    project.startIndex =
        start == project.entries.end() ? 0 : static_cast<int>(start - project.entries.begin());
    pagolux::ProjectFile::write(name.string(), project);
}

struct Tree {
    std::string name;
    std::vector<std::string> zipNames; // below the work folder
    std::vector<std::string> ours;     // command
    std::string output;                // what it writes
    double timeTarget;
};

} // namespace

int main(int argc, char** argv)
{
    int rounds = 3;
    std::string doc = "/usr/share/doc/python3.11/html";
    std::string workBase = std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp";
    bool keep = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--rounds" && i + 1 < argc)
            rounds = std::max(1, std::atoi(argv[++i]));
        else if (a == "--doc" && i + 1 < argc)
            doc = argv[++i];
        else if (a == "--work" && i + 1 < argc)
            workBase = argv[++i];
        else if (a == "--keep")
            keep = true;
        else {
            std::cerr << "usage: bench-archive [--rounds N] [--doc DIR] [--work DIR] [--keep]\n";
            return 2;
        }
    }
    const fs::path bin = fs::canonical("/proc/self/exe").parent_path();
    const std::string zlb = (bin / "pagolux-zlb").string();
    const std::string build = (bin / "pagolux-build").string();
    for (const auto& tool : {zlb, build})
        if (!fs::exists(tool)) {
            std::cerr << "missing: " << tool << "\n";
            return 1;
        }
    if (!fs::is_directory(doc)) {
        std::cerr << "missing: " << doc << " (package python3.11-doc)\n";
        return 1;
    }
    std::string pattern = workBase + "/pagolux-bench-archive.XXXXXX";
    if (!::mkdtemp(pattern.data()))
        return 1;
    const fs::path work = pattern;

    std::cout << "making the trees in " << work.string() << " ..." << std::endl;
    // In a child of its own: a child started later inherits this process's peak memory as its
    // own starting ru_maxrss, so the bench itself must stay small.
    const pid_t maker = ::fork();
    if (maker == 0) {
        makeSmallTree(work / "small");
        makeMediaTree(work / "media");
        const int rc = std::system(("cp -rL '" + doc + "' '" + (work / "doc").string() + "'").c_str());
        ::_exit(rc == 0 ? 0 : 1);
    }
    int makerStatus = 0;
    if (maker < 0 || ::waitpid(maker, &makerStatus, 0) != maker || !WIFEXITED(makerStatus) ||
        WEXITSTATUS(makerStatus) != 0) {
        std::cerr << "cannot make the trees (copy of " << doc << ")\n";
        return 1;
    }
    writeProject(work / "both.pgx", {work / "small", work / "media"});
    writeProject(work / "doc.pgx", {work / "doc"});
    for (const char* t : {"small", "media", "doc"}) {
        std::size_t files = 0;
        const auto bytes = treeBytes(work / t, files);
        std::cout << "  " << t << ": " << files << " files, " << bytes / 1e6 << " MB" << std::endl;
    }
    char load[64] = "";
    if (FILE* f = std::fopen("/proc/loadavg", "r")) {
        if (!std::fgets(load, sizeof load, f))
            load[0] = 0;
        std::fclose(f);
    }
    std::cout << sysconf(_SC_NPROCESSORS_ONLN) << " cores, load " << load;

    const std::vector<Tree> trees = {
        {"small (zlb create)",
         {"small"},
         {zlb, "create", (work / "small.zlb").string(), (work / "small").string()},
         (work / "small.zlb").string(),
         0.55},
        {"media (zlb create)",
         {"media"},
         {zlb, "create", (work / "media.zlb").string(), (work / "media").string()},
         (work / "media.zlb").string(),
         0.55},
        {"both (pagolux-build)",
         {"small", "media"},
         {build, (work / "both.pgx").string(), "--yes", "-o", (work / "both-exe").string()},
         (work / "both-exe").string(),
         0.55},
        {"doc (pagolux-build)",
         {"doc"},
         {build, (work / "doc.pgx").string(), "--yes", "-o", (work / "doc-exe").string()},
         (work / "doc-exe").string(),
         0.50},
    };

    bool allMet = true;
    std::printf("\n%-22s %9s %9s %7s %9s %9s %8s %8s %9s %7s\n", "tree (medians)", "ours s", "zip s", "ratio",
                "target", "sys s", "zip sys", "peak MB", "zip MB", "size");
    for (const auto& tree : trees) {
        const std::string ours = tree.output;
        const std::string zipOut = (work / "out.zip").string();
        std::vector<std::string> zipArgs = {"zip", "-r", "-6", "-q", zipOut};
        zipArgs.insert(zipArgs.end(), tree.zipNames.begin(), tree.zipNames.end());
        std::vector<double> t, z, s, zs;
        double peak = 0, zipPeak = 0;
        bool failed = false;
        for (int r = 0; r < rounds; ++r) {
            for (int k = 0; k < 2; ++k) {
                const bool oursNow = ((r + k) % 2) == 0;
                fs::remove(oursNow ? ours : zipOut);
                ::sync();
                const RunResult res = oursNow ? run(tree.ours) : run(zipArgs, work.string());
                if (!res.ok)
                    failed = true;
                (oursNow ? t : z).push_back(res.seconds);
                (oursNow ? s : zs).push_back(res.systemSeconds);
                double& p = oursNow ? peak : zipPeak;
                p = std::max(p, res.peakMB);
            }
        }
        const double ratio = median(t) / median(z);
        const double sizeRatio =
            static_cast<double>(fs::file_size(ours)) / static_cast<double>(fs::file_size(zipOut));
        const bool met = !failed && ratio <= tree.timeTarget && peak <= 150;
        allMet = allMet && met;
        char target[16];
        std::snprintf(target, sizeof target, "<= %.2f", tree.timeTarget);
        std::printf("%-22s %9.3f %9.3f %7.3f %9s %9.3f %8.3f %8.1f %9.1f %7.4f  %s%s\n", tree.name.c_str(),
                    median(t), median(z), ratio, target, median(s), median(zs), peak, zipPeak, sizeRatio,
                    met ? "met" : "NOT met", failed ? " (a run failed)" : "");
    }
    std::printf(
        "memory target: <= 150 MB peak resident; size = ours / zip (the program includes the viewer)\n");

    // "Go!" in the real window on the largest project: the window's memory with the build's.
    const std::string go = (bin / "bench-go").string();
    if (fs::exists(go)) {
        const std::string goOut = (work / "go-exe").string();
        double goPeak = 0;
        bool goFailed = false;
        for (int r = 0; r < rounds; ++r) {
            fs::remove(goOut);
            const RunResult res = run({go, (work / "both.pgx").string(), goOut});
            goFailed = goFailed || !res.ok || !run({zlb, "verify", goOut}).ok;
            goPeak = std::max(goPeak, res.peakMB);
        }
        const bool met = !goFailed && goPeak <= 150;
        allMet = allMet && met;
        std::printf("Go! in the window, both: peak %.1f MB (target <= 150: %s)%s\n", goPeak,
                    met ? "met" : "NOT met", goFailed ? " (a run failed or its output did not verify)" : "");
    } else {
        std::printf("Go! in the window: not measured (bench-go is built only with the window)\n");
    }

    // Checking the large program: verify reads every member, opening checks the whole archive's
    // CRC as the viewer does before its first page.
    const std::string big = (work / "both-exe").string();
    const double bytes = static_cast<double>(fs::file_size(big));
    (void)run({zlb, "verify", big}); // page cache
    std::vector<double> vt, ot;
    for (int r = 0; r < rounds * 3; ++r) {
        vt.push_back(run({zlb, "verify", big}).seconds);
        ot.push_back(run({zlb, "list", big}).seconds);
    }
    const double v = bytes / median(vt) / 1e9, o = bytes / median(ot) / 1e9;
    std::printf("\nverify %.0f MB: %.3f s = %.2f GB/s (target >= 1: %s)\n", bytes / 1e6, median(vt), v,
                v >= 1 ? "met" : "NOT met");
    std::printf("open + list (the start check) %.0f MB: %.3f s = %.2f GB/s (target >= 1: %s)\n", bytes / 1e6,
                median(ot), o, o >= 1 ? "met" : "NOT met");
    allMet = allMet && v >= 1 && o >= 1;
    std::printf("\n%s\n", allMet ? "every target met" : "NOT every target met");

    if (!keep)
        fs::remove_all(work);
    return 0;
}
