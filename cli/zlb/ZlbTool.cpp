#include "cli/zlb/ZlbTool.h"

#include "archive/ZLIBArchive.h"
#include "platform/AtomicFile.h"

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <filesystem>
#include <iomanip>
#include <optional>
#include <ostream>
#include <sys/stat.h>

namespace pagolux {

namespace {

const char* const kUsage =
    "usage: pagolux-zlb create [--level none|fastest|default|max] [--no-paths] [--no-recurse]\n"
    "                          [--threads N] ARCHIVE PATH...\n"
    "       pagolux-zlb list ARCHIVE\n"
    "       pagolux-zlb extract ARCHIVE DIR\n"
    "       pagolux-zlb verify ARCHIVE\n"
    "       pagolux-zlb help\n"
    "ARCHIVE may also be an executable that carries an archive at its end (list, extract, verify).\n";

// The rest of "pagolux-zlb --help"; the manual page says the same at more length.
const char* const kHelpDetails =
    "\n"
    "Commands:\n"
    "  create   pack the files and folders PATH... (with their full paths) into ARCHIVE\n"
    "  list     list the members: size, stored size, method, CRC and name\n"
    "  extract  recreate the stored folders and files below DIR\n"
    "  verify   check the archive CRC and every member's CRC\n"
    "  help     show this help (also -h, --help)\n"
    "\n"
    "Options of create:\n"
    "  --level LEVEL  compression level: none, fastest, default or max (default: default)\n"
    "  --no-paths     store the members without their folders\n"
    "  --no-recurse   do not descend into subfolders\n"
    "  --threads N    compress on N threads (default 0: one per core)\n"
    "\n"
    "Exit status: 0 success, 1 failure (one line on stderr), 2 wrong usage.\n";

struct UsageError {
    std::string text;
};

bool parseLevel(const std::string& s, TFileCompressionLevel& level)
{
    if (s == "none")
        level = fcNone;
    else if (s == "fastest")
        level = fcFastest;
    else if (s == "default")
        level = fcDefault;
    else if (s == "max")
        level = fcMaximum;
    else
        return false;
    return true;
}

// More worker threads than this only cost memory and thread starts; 0 means one per core.
constexpr unsigned kMaxThreads = 256;

// A plain decimal number 0..kMaxThreads (no sign, no spaces, no suffix).
bool parseThreads(const std::string& s, unsigned& threads)
{
    if (s.empty() || s.size() > 3 || s.find_first_not_of("0123456789") != std::string::npos)
        return false;
    const unsigned long n = std::stoul(s);
    if (n > kMaxThreads)
        return false;
    threads = static_cast<unsigned>(n);
    return true;
}

const char* levelName(std::uint8_t level)
{
    static const char* const names[] = {"none", "fastest", "default", "max"};
    return level < 4 ? names[level] : "?";
}

std::string displayName(const TArchiveEntry& e)
{
    return EntryFilePath(e) + EntryFileName(e);
}

// A progress line that rewrites itself; finished with a newline before any other output.
class ProgressLine {
  public:
    ProgressLine(std::ostream& err, bool enabled) : err(err), enabled(enabled) {}
    ~ProgressLine() { end(); }

    void show(const std::string& msg, std::int32_t percent)
    {
        if (!enabled || msg.empty())
            return;
        std::string line = msg + " " + std::to_string(percent) + "%";
        if (line.size() > 100)
            line = "..." + line.substr(line.size() - 97);
        err << '\r' << line;
        if (line.size() < width)
            err << std::string(width - line.size(), ' ');
        width = line.size();
        err.flush();
        shown = true;
    }
    void end()
    {
        if (shown)
            err << '\n';
        shown = false;
        width = 0;
    }

  private:
    std::ostream& err;
    bool enabled;
    bool shown = false;
    std::size_t width = 0;
};

int create(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
           const ZlbToolOptions& options)
{
    TFileCompressionLevel level = fcDefault;
    bool savePaths = true;
    bool recurse = true;
    unsigned threads = 0;
    std::vector<std::string> rest;
    bool optionsEnded = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const auto& a = args[i];
        if (optionsEnded) {
            rest.push_back(a);
        } else if (a == "--") {
            // Everything after it is a name, even when it starts with "-".
            optionsEnded = true;
        } else if (a == "--level") {
            if (i + 1 >= args.size() || !parseLevel(args[i + 1], level))
                throw UsageError{"--level needs one of none, fastest, default, max"};
            ++i;
        } else if (a == "--no-paths") {
            savePaths = false;
        } else if (a == "--no-recurse") {
            recurse = false;
        } else if (a == "--threads") {
            if (i + 1 >= args.size() || !parseThreads(args[i + 1], threads))
                throw UsageError{"--threads needs a number from 0 to " + std::to_string(kMaxThreads)};
            ++i;
        } else if (a.size() > 1 && a[0] == '-') {
            throw UsageError{"unknown option " + a};
        } else {
            rest.push_back(a);
        }
    }
    if (rest.size() < 2)
        throw UsageError{"create needs an archive name and at least one path"};

    namespace fs = std::filesystem;
    const std::string archive = rest[0];

    std::vector<std::string> list;
    for (std::size_t i = 1; i < rest.size(); ++i) {
        // Full paths, as the main window passes them.
        std::string p = fs::absolute(rest[i]).lexically_normal().string();
        if (p.size() > 1 && p.back() == '/')
            p.pop_back();
        list.push_back(p);
    }

    ProgressLine progress(err, options.progress);
    std::vector<std::string> failures;
    std::vector<std::string> notices;
    TZLBArchive zlb;
    zlb.CompressionLevel = level;
    zlb.SavePaths = savePaths;
    zlb.RecursePaths = recurse;
    zlb.Threads = threads;
    // Only the members' own progress: the re-open at the end would show the temporary name.
    zlb.OnProgress = [&](const std::string& msg, std::int32_t pct) {
        if (msg.rfind("Updating ", 0) == 0 || msg.rfind("Writing ", 0) == 0)
            progress.show(msg, pct);
    };
    // A file that could not be stored fails the command; a duplicate, an empty folder or a
    // link leading out of its folder is only reported.
    zlb.OnNotice = [&](const TArchiveNotice& n) {
        const bool failed = n.Kind == TNoticeKind::Unreadable || n.Kind == TNoticeKind::Missing ||
                            n.Kind == TNoticeKind::NotRegularFile || n.Kind == TNoticeKind::PathTooLong;
        (failed ? failures : notices).push_back(n.Message);
    };
    // The archive being replaced is never packed into its successor (nor, by the archive's own
    // rule, the temporary file it is written to), also when it lies in a folder being packed.
    zlb.ExcludeFiles = {archive};
    // The archive is written to a temporary file beside the target and renamed over it at the
    // end, so a failure leaves neither a half-written archive nor a damaged old one. The name
    // itself is replaced (a link there is not followed) and the archive gets the permissions of
    // a new file; the temporary file goes with `temp` unless it was committed.
    std::optional<AtomicFile> temp;
    try {
        temp.emplace(archive, AtomicFileRules{0666, false, false, true});
    } catch (const AtomicWriteError&) {
        throw EFCreateError(archive);
    }
    try {
        TFileStream file(temp->name(), TFileMode::fmOpenReadWrite);
        // Flushed before the rename: its writing to the disk starts while members are packed.
        file.StartWritingBehind();
        zlb.CreateArchive(file);
        zlb.AddFiles(list);
        zlb.OnProgress = nullptr;
        const auto count = zlb.Count();
        const auto size = static_cast<std::int64_t>(zlb.Trailer().RegistryOffset);
        zlb.CloseArchive();
        file.Close();
        progress.end();
        for (const auto& n : notices)
            err << "pagolux-zlb: " << n << '\n';
        if (!failures.empty()) {
            err << "pagolux-zlb: " << failures.front() << '\n';
            return 1;
        }
        try {
            temp->commit();
        } catch (const AtomicWriteError&) {
            err << "pagolux-zlb: cannot write " << archive << '\n';
            return 1;
        }
        out << archive << ": " << count << " members, data part " << size << " bytes\n";
        return 0;
    } catch (...) {
        zlb.OnProgress = nullptr;
        progress.end();
        throw;
    }
}

void openArchive(TZLBArchive& zlb, const std::string& name)
{
    // A plain archive or an executable with an archive at its end.
    zlb.OpenEmbeddedArchive(name, -1);
}

int list(const std::vector<std::string>& args, std::ostream& out)
{
    if (args.size() != 2)
        throw UsageError{"list needs exactly one archive"};
    TZLBArchive zlb;
    openArchive(zlb, args[1]);
    std::int64_t total = 0;
    std::int64_t stored = 0;
    out << std::setw(12) << "size" << ' ' << std::setw(12) << "stored" << ' ' << std::setw(8) << "method"
        << ' ' << std::setw(8) << "crc"
        << "  name\n";
    for (std::int32_t i = 0; i < zlb.Count(); ++i) {
        const auto e = zlb.GetFileEntry(i);
        char crc[9];
        std::snprintf(crc, sizeof crc, "%08" PRIx32, e.FileCRC);
        out << std::setw(12) << e.FileSize << ' ' << std::setw(12) << e.StoredSize << ' ' << std::setw(8)
            << (e.StoredRaw ? "stored" : levelName(e.Level)) << ' ' << crc << "  " << displayName(e) << '\n';
        total += e.FileSize;
        stored += e.StoredSize;
    }
    out << zlb.Count() << " members, " << total << " bytes, " << stored << " stored\n";
    return 0;
}

int extract(const std::vector<std::string>& args, std::ostream& out)
{
    if (args.size() != 3)
        throw UsageError{"extract needs an archive and a target folder"};
    TZLBArchive zlb;
    openArchive(zlb, args[1]);
    const std::string folder = args[2];
    if (::mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST)
        throw EFCreateError(folder);
    zlb.ExtractWithPath = true;
    zlb.ExtractAll(folder);
    out << zlb.Count() << " members extracted to " << folder << '\n';
    return 0;
}

int verify(const std::vector<std::string>& args, std::ostream& out)
{
    if (args.size() != 2)
        throw UsageError{"verify needs exactly one archive"};
    TZLBArchive zlb;
    openArchive(zlb, args[1]); // checks the archive CRC
    zlb.VerifyMembers();       // checks every member's CRC
    out << args[1] << ": OK, " << zlb.Count() << " members\n";
    return 0;
}

} // namespace

int RunZlbTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
               const ZlbToolOptions& options)
{
    try {
        if (args.empty())
            throw UsageError{"missing command"};
        const auto& cmd = args[0];
        if (cmd == "create")
            return create(args, out, err, options);
        if (cmd == "list")
            return list(args, out);
        if (cmd == "extract")
            return extract(args, out);
        if (cmd == "verify")
            return verify(args, out);
        if (cmd == "help" || cmd == "--help" || cmd == "-h") {
            out << kUsage << kHelpDetails;
            return 0;
        }
        throw UsageError{"unknown command " + cmd};
    } catch (const UsageError& u) {
        err << "pagolux-zlb: " << u.text << '\n' << kUsage;
        return 2;
    } catch (const std::exception& ex) {
        err << "pagolux-zlb: " << ex.what() << '\n';
        return 1;
    }
}

} // namespace pagolux
