// A Linux program on a Wayland desktop without X11 beside it (a headless weston, DISPLAY
// empty): every front must open its window through Wayland and show the start page with a
// module script; without a display it can use the program must say so in German instead of
// failing in each engine's own words (or silently, on a quiet terminal).
#include "builder/BuildPipeline.h"
#include "tests/builder/TestFiles.h"
#include "tests/support/BuildFolder.h"
#include "tests/support/EnvOverride.h"
#include "tests/support/TempFolder.h"
#include "tests/viewer/ProbeRun.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QStandardPaths>

#include <chrono>
#include <filesystem>
#include <thread>

namespace pagolux {
namespace {

namespace fs = std::filesystem;

class WaylandDesktop : public ::testing::Test {
  protected:
    void SetUp() override
    {
        if (QStandardPaths::findExecutable("weston").isEmpty())
            GTEST_SKIP() << "weston is not installed (scripts/install-deps.sh installs it)";
        fs::permissions(runtime.folder(), fs::perms::owner_all, fs::perm_options::replace);
        compositor.setProcessEnvironment([&] {
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert("XDG_RUNTIME_DIR", QString::fromStdString(runtime.folder()));
            return env;
        }());
        compositor.start("weston", {"--backend=headless-backend.so", "--socket=pagolux-wl", "--idle-time=0",
                                    "--width=1024", "--height=768"});
        const fs::path socket = runtime / "pagolux-wl";
        for (int i = 0; i < 200 && !fs::exists(socket); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        ASSERT_TRUE(fs::exists(socket)) << compositor.readAllStandardError().toStdString();

        const std::string site = root / "site/";
        fs::create_directories(site + "m");
        test::writeFile(
            site + "index.html",
            "<!DOCTYPE html><meta charset=utf-8><title>Wayland</title>"
            "<script type=module>import { wert } from './m/a.mjs'; window.__wert = wert;</script>");
        test::writeFile(site + "m/a.mjs", "export const wert = 42;");
        request.progPath = test::binDir();
        request.project.settings.projectName = "Wayland";
        request.project.entries = {site + "index.html", site + "m"};
        request.project.startIndex = 0;
        request.icon = &icon;
        ::setenv("XDG_DATA_HOME", (data / "").c_str(), 1);
        program = buildProgram(request, iconPos, out / "wayland");
    }

    void TearDown() override
    {
        if (compositor.state() != QProcess::NotRunning) {
            compositor.terminate();
            if (!compositor.waitForFinished(5000))
                compositor.kill();
        }
    }

    QMap<QString, QString> waylandOnly(const char* engine) const
    {
        // The test run names X11 for Qt; a desktop leaves the choice to the program.
        return {{"DISPLAY", ""},
                {"QT_QPA_PLATFORM", ""},
                {"WAYLAND_DISPLAY", "pagolux-wl"},
                {"XDG_RUNTIME_DIR", QString::fromStdString(runtime.folder())},
                {"PAGOLUX_VIEWER_ENGINE", engine}};
    }

    test::TempFolder runtime, root, out, data;
    test::EnvOverride dataHome{"XDG_DATA_HOME"};
    QProcess compositor;
    BuildRequest request;
    IconBitmap icon;
    std::int32_t iconPos = 0;
    std::string program;
};

TEST_F(WaylandDesktop, EveryFrontShowsTheSiteThroughWayland)
{
    const QString script = "(async () => { for (let k = 0; k < 100 && window.__wert === undefined; k++)"
                           " await new Promise(r => setTimeout(r, 20));"
                           " window.__probe = 'modul ' + window.__wert; })();";
    for (const char* engine : {"webkit2gtk-4.1", "webkit2gtk-4.0", "webkitgtk-6.0", "qt6", "qt5"}) {
        SCOPED_TRACE(engine);
        const ProbeRun r = runProbe(program, script, true, {}, waylandOnly(engine));
        EXPECT_EQ(r.exitCode, 0) << r.stderrText.toStdString();
        EXPECT_EQ(r.values.value("engine").toStdString(), engine);
        EXPECT_EQ(r.values.value("loaded").toStdString(), "1");
        EXPECT_EQ(r.values.value("title").toStdString(), "Wayland");
        EXPECT_EQ(r.values.value("script").toStdString(), "modul 42");
    }
}

TEST_F(WaylandDesktop, WithoutAUsableDisplayTheProgramSaysSoInGerman)
{
    struct Row {
        const char* wayland;
        const char* engine;
        const char* says;
    } rows[] = {
        // Nothing named: the starter stops before any engine.
        {"", "", "braucht dafür einen laufenden Desktop"},
        // Named but not there: the first engine's front says it cannot open it.
        {"pagolux-gibt-es-nicht", "",
         "Die Anzeige kann nicht geöffnet werden (DISPLAY=, "
         "WAYLAND_DISPLAY=pagolux-gibt-es-nicht)"},
        // The same where only a Qt engine is tried (as on a KDE desktop without WebKitGTK): Qt
        // ends inside its start, and the starter says the display, not a missing engine, is
        // at fault.
        {"pagolux-gibt-es-nicht", "qt6",
         "Die Web-Engine qt6 ist vorhanden, konnte aber kein Fenster "
         "öffnen (DISPLAY=, WAYLAND_DISPLAY=pagolux-gibt-es-nicht)"},
        {"pagolux-gibt-es-nicht", "qt5", "Die Web-Engine qt5 ist vorhanden, konnte aber kein Fenster"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.wayland) + " " + row.engine);
        QMap<QString, QString> env = waylandOnly(row.engine);
        env["WAYLAND_DISPLAY"] = row.wayland;
        const ProbeRun r = runProbe(program, {}, true, {}, env);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_FALSE(r.values.contains("loaded")) << "no window may open";
        EXPECT_TRUE(r.stderrText.contains(QString::fromUtf8(row.says))) << r.stderrText.toStdString();
        EXPECT_FALSE(r.stderrText.contains("installieren")) << r.stderrText.toStdString();
    }
}

} // namespace
} // namespace pagolux
