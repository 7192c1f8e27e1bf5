// pagolux-build PROJECT.pgx -o OUTPUT [--target linux|windows] [--icon PICTURE] [--yes]
//
// Builds the executable of a project file the way "Go!" does, without a window: the same
// pipeline, the per-user current icon ("theicon.bmp", else the standard icon) or the picture
// given with --icon (for this build only). Progress goes to a terminal; any failure ends with
// one line on stderr and a non-zero exit.

#include "builder/BuildPipeline.h"
#include "builder/BuildTarget.h"
#include "cli/build/TerminalInteraction.h"
#include "icon/IconBmpFile.h"
#include "icon/StandardIcon.h"
#include "platform/Exception.h"
#include "platform/FileSizeSignal.h"
#include "platform/Paths.h"
#include "project/ProjectFile.h"

#ifdef PAGOLUX_WITH_PICTURE
#include "picture/RenderIconFromFile.h"
#include <QGuiApplication>
#endif

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <unistd.h>

namespace {

constexpr char kUsage[] =
    "usage: pagolux-build PROJECT.pgx -o OUTPUT [--target linux|windows] [--icon PICTURE] [--yes]";

constexpr char kHelp[] =
    "usage: pagolux-build PROJECT.pgx -o OUTPUT [--target linux|windows] [--icon PICTURE] [--yes]\n"
    "       pagolux-build --help\n"
    "\n"
    "Builds the program of a Pagolux project file the way \"Go!\" does, without a window.\n"
    "\n"
    "  -o, --output OUTPUT  the program to write\n"
    "  --target SYSTEM      linux or windows: the system the program runs on; default:\n"
    "                       windows when OUTPUT ends in \".exe\", else linux\n"
    "  --icon PICTURE       the icon from this picture (bmp, ico, jpeg, gif, png, svg, wmf,\n"
    "                       emf), for this build only; default: the current icon\n"
    "  -y, --yes            replace an existing OUTPUT (without it OUTPUT is kept, exit 1)\n"
    "  -h, --help           show this help and end\n"
    "\n"
    "Exit status: 0 built, 1 failed (one line on stderr).\n";

int fail(const std::string& line)
{
    std::fprintf(stderr, "pagolux-build: %s\n", line.c_str());
    return 1;
}

struct Options {
    std::string project;
    std::string output;
    std::string icon;
    std::optional<pagolux::BuildTarget> target;
    bool yes = false;
};

bool parse(int argc, char** argv, Options& o)
{
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if ((a == "-o" || a == "--output") && i + 1 < argc)
            o.output = argv[++i];
        else if (a == "--target" && i + 1 < argc) {
            o.target = pagolux::parseBuildTarget(argv[++i]);
            if (!o.target)
                return false;
        } else if (a == "--icon" && i + 1 < argc)
            o.icon = argv[++i];
        else if (a == "--yes" || a == "-y")
            o.yes = true;
        else if (!a.empty() && a[0] == '-')
            return false;
        else if (o.project.empty())
            o.project = a;
        else
            return false;
    }
    return !o.project.empty() && !o.output.empty();
}

pagolux::IconBitmap currentIcon()
{
    try {
        return pagolux::IconBmpFile::load(pagolux::UserDataFolder(false) + "theicon.bmp");
    } catch (const pagolux::Exception&) {
        return pagolux::StandardIcon::bitmap();
    }
}

} // namespace

int main(int argc, char** argv)
{
    pagolux::IgnoreFileSizeSignal();
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(kHelp, stdout);
        return 0;
    }
    Options opt;
    if (!parse(argc, argv, opt))
        return fail(kUsage);

    pagolux::IconBitmap icon;
    try {
        if (!opt.icon.empty()) {
#ifdef PAGOLUX_WITH_PICTURE
            // Pictures are decoded with Qt, which needs an application object but no display.
            qputenv("QT_QPA_PLATFORM", "offscreen");
            // Qt's own notices (a missing runtime folder and the like) would break the
            // one-line output; the picture reader reports its failures by exception.
            qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
            int qargc = 1;
            QGuiApplication app(qargc, argv);
            icon = pagolux::renderIconFromFile(opt.icon);
#else
            return fail("--icon needs a build with the picture readers");
#endif
        } else {
            icon = currentIcon();
        }
    } catch (const std::exception& e) {
        return fail(e.what());
    }

    pagolux::Project project;
    try {
        project = pagolux::ProjectFile::read(opt.project);
    } catch (const std::exception& e) {
        return fail(e.what());
    }

    pagolux::BuildRequest request;
    request.entries = project.entries;
    request.startIndex = project.startIndex;
    request.outputField = opt.output;
    request.settings = project.settings;
    // The viewer of the chosen system: given, or by the output's name.
    const pagolux::BuildTarget target = opt.target.value_or(pagolux::defaultBuildTarget(opt.output));
    request.progPath = pagolux::protoFolder(pagolux::ProgramFolder(), target);
    request.icon = &icon;

    const bool tty = ::isatty(STDERR_FILENO) != 0;
    pagolux::BuildHooks hooks;
    int lastPercent = -1;
    if (tty)
        hooks.progress = [&lastPercent](std::int32_t p) {
            if (p == lastPercent)
                return;
            lastPercent = p;
            std::fprintf(stderr, "\rPacken: %3d %%", static_cast<int>(p));
            std::fflush(stderr);
        };

    pagolux::TerminalInteraction ui(opt.yes);
    pagolux::BuildOutcome outcome;
    std::int32_t iconPos = 0;
    try {
        outcome = pagolux::BuildPipeline(ui).run(request, iconPos, hooks);
    } catch (const std::exception& e) {
        if (lastPercent >= 0)
            std::fputc('\n', stderr);
        return fail(e.what());
    }
    if (lastPercent >= 0)
        std::fputc('\n', stderr);
    if (outcome.status != pagolux::BuildStatus::Succeeded)
        return fail(ui.joined());
    std::printf("%s\n", ui.joined().c_str());
    return 0;
}
