// One Linux program, built with the real ProtoExe.dat, started with web engines hidden in a
// private mount namespace (an empty file bound over each hidden engine's library): the starter
// must pick the first engine left in its order, that engine must show the start page with a
// module script, every link of the page must lead to a member, and no address may reach a file
// outside the archive. With every engine hidden the program must end at once with the German
// message naming the package to install. Needs root (unshare -m) and an X display.

#include "builder/BuildPipeline.h"

#include "tests/support/BuildFolder.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/Files.h"
#include "tests/support/ScriptedInteraction.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace pagolux {
namespace {

namespace fs = std::filesystem;

// The library each engine's front cannot start without.
const std::map<std::string, std::string> kEngineLibrary = {
    {"webkit2gtk-4.1", "libwebkit2gtk-4.1.so.0"}, {"webkit2gtk-4.0", "libwebkit2gtk-4.0.so.37"},
    {"webkitgtk-6.0", "libwebkitgtk-6.0.so.4"},   {"qt6", "libQt6WebEngineWidgets.so.6"},
    {"qt5", "libQt5WebEngineWidgets.so.5"},
};
const char* const kLibDir = "/usr/lib/x86_64-linux-gnu/";

// The keys the probe prints; any other line on the terminal is engine chatter.
const std::set<std::string> kProbeKeys = {"engine",   "loaded",    "url",       "title",     "windowTitle",
                                          "size",     "maximized", "fixed",     "menu",      "toolbar",
                                          "commands", "statusbar", "members",   "qtCancel",  "icon",
                                          "script",   "inflated",  "navigated", "statusText"};

struct ProbeRun {
    int exitCode = -1;
    std::map<std::string, std::string> values;
    std::vector<std::string> otherLines;
};

// The probe script: the module script's result, every link of the start page fetched (the
// link checker), then addresses that must not reach anything outside the archive.
// Clicks the links named by window.__click one after the other, each once the viewer has told
// the page what became of the download before (window.__downloads), and reports them all.
const char* const kClickScript = R"JS(
(async () => {
  const done = n => (window.__downloads || []).length >= n;
  for (let i = 0; i < window.__click.length; i++) {
    document.getElementById(window.__click[i]).click();
    while (!done(i + 1))
      await new Promise(r => setTimeout(r, 25));
  }
  window.__probe = window.__downloads.sort().join('|');
})();
)JS";

const char* const kProbeScript = R"JS(
(async () => {
  for (let k = 0; k < 200 && window.__module === undefined; k++)
    await new Promise(r => setTimeout(r, 25));
  const out = ['module ' + window.__module];
  const broken = [];
  for (const a of document.querySelectorAll('a[href]')) {
    const ok = await fetch(a.href).then(r => r.ok, () => false);
    if (!ok) broken.push(a.getAttribute('href'));
  }
  out.push('links ' + document.querySelectorAll('a[href]').length + ' broken [' + broken.join(',') + ']');
  const leaks = [];
  for (const p of ['../outside.txt', '../../outside.txt', '%2e%2e/outside.txt', '..%2Foutside.txt',
                   'css/..%5c..%5coutside.txt', 'file://OUTSIDE'])
    if (await fetch(p).then(r => r.text()).then(t => t.includes('SECRET'), () => false)) leaks.push(p);
  out.push('leaks [' + leaks.join(',') + ']');
  window.__probe = out.join('|');
})();
)JS";

class LinuxEnginesTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite()
    {
        folders = new Folders;
        const std::string site = folders->root.path().string() + "/site/";
        for (const char* d : {"pages", "js", "css"})
            fs::create_directories(site + d);
        test::writeFile(
            site + "index.html",
            "<!DOCTYPE html><html><head><meta charset=utf-8><title>Motoren</title>"
            "<link rel=stylesheet href=css/site.css>"
            "<script type=module src=js/main.js></script></head><body>"
            "<a href=pages/a.html>A</a> <a href=pages/b.html#teil>B</a> <a href=css/site.css>CSS</a>"
            "</body></html>");
        test::writeFile(site + "pages/a.html",
                        "<!DOCTYPE html><title>A</title><a href=../index.html>Start</a>");
        test::writeFile(site + "pages/b.html", "<!DOCTYPE html><title>B</title><p id=teil>B</p>");
        test::writeFile(site + "css/site.css", "body { color: rgb(1, 2, 3); }");
        test::writeFile(site + "js/main.js", "import { word } from './words.js'; window.__module = word;");
        test::writeFile(site + "js/words.js", "export const word = 'Modul';");
        test::writeFile(folders->root.path().string() + "/outside.txt", "SECRET");

        BuildRequest request;
        request.project.entries = {site + "index.html", site + "pages", site + "js", site + "css"};
        request.project.startIndex = 0;
        request.progPath = test::binDir();
        request.project.settings.projectName = "Motoren";
        request.project.settings.width = 640;
        request.project.settings.height = 480;
        IconBitmap icon;
        icon.fill(9);
        request.icon = &icon;
        request.outputField = folders->out.path().string() + "/motoren";
        test::ScriptedInteraction ui{MsgResult::Cancel};
        std::int32_t iconPos = 0;
        built = BuildPipeline(ui).run(request, iconPos, {}).status == BuildStatus::Succeeded;
        program = request.outputField;

        // The same site in a fixed 320 x 240 window without status bar and toolbar.
        request.project.settings.fixedSize = true;
        request.project.settings.elements[0] = false;
        request.project.settings.elements[1] = false;
        request.project.settings.width = 320;
        request.project.settings.height = 240;
        request.outputField = folders->out.path().string() + "/fest";
        built = built && BuildPipeline(ui).run(request, iconPos, {}).status == BuildStatus::Succeeded;
        fixedProgram = request.outputField;

        // A site whose links lead to files to save and to a PDF.
        const std::string files = folders->root.path().string() + "/files/";
        fs::create_directories(files);
        test::writeFile(files + "index.html",
                        "<!DOCTYPE html><title>Laden</title>"
                        "<a id=dl download=antwort.json href=data.json>Antwort</a> "
                        "<a id=zip href=paket.zip>Paket</a> <a id=pdf href=doc.pdf>PDF</a> "
                        "<a id=daten download=daten.txt href='data:text/plain,Daten'>Daten</a> "
                        "<a id=bericht href='Bericht%20%C3%BCber.zip'>Bericht</a> "
                        "<a id=gross href=gross.zip>Gross</a> "
                        // A file the page makes, saved through a link that is never shown.
                        "<button id=notiz onclick=\"const a = document.createElement('a'); "
                        "a.href = window.URL.createObjectURL(new Blob(['Notiz'])); a.download = 'notiz.txt'; "
                        "a.click()\">Notiz</button>");
        test::writeFile(files + "data.json", kJson);
        test::writeFile(files + "paket.zip", zipBytes());
        test::writeFile(files + "gross.zip", largeBytes());
        test::writeFile(files + "Bericht \u00FCber.zip", "Bericht");
        test::writeFile(files + "doc.pdf", pdfBytes());
        request.project.entries = {files + "index.html",
                                   files + "data.json",
                                   files + "paket.zip",
                                   files + "doc.pdf",
                                   files + "Bericht \u00FCber.zip",
                                   files + "gross.zip"};
        request.project.settings = {};
        request.outputField = folders->out.path().string() + "/laden";
        built = built && BuildPipeline(ui).run(request, iconPos, {}).status == BuildStatus::Succeeded;
        filesProgram = request.outputField;
    }

    static constexpr char kJson[] = "{\"answer\": 42}";

    // Bytes of every value, as a packed file has them (a zip header, then all 256 byte values).
    static std::string zipBytes()
    {
        std::string bytes = "PK\x03\x04";
        for (int b = 0; b < 256; ++b)
            bytes += static_cast<char>(b);
        return bytes;
    }

    // A member large enough to be streamed from the program file: byte i is i * 7 modulo 251.
    static std::string largeBytes()
    {
        std::string bytes(9 * 1024 * 1024 + 123, '\0');
        for (std::size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = static_cast<char>(i * 7 % 251);
        return bytes;
    }

    // A PDF of one empty page, its cross-reference table pointing at each object.
    static std::string pdfBytes()
    {
        const char* objects[] = {"<< /Type /Catalog /Pages 2 0 R >>",
                                 "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                                 "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] >>"};
        std::string pdf = "%PDF-1.4\n";
        std::string xref = "xref\n0 4\n0000000000 65535 f \n";
        for (int i = 0; i < 3; ++i) {
            char entry[32];
            std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", pdf.size());
            xref += entry;
            pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
        }
        const std::size_t start = pdf.size();
        return pdf + xref + "trailer\n<< /Size 4 /Root 1 0 R >>\nstartxref\n" + std::to_string(start) +
               "\n%%EOF\n";
    }

    static void TearDownTestSuite()
    {
        delete folders;
        folders = nullptr;
    }

    void SetUp() override
    {
        if (std::getenv("DISPLAY") == nullptr)
            GTEST_SKIP() << "no DISPLAY: the engine tests need an X server (run under xvfb-run)";
        if (geteuid() != 0)
            GTEST_SKIP() << "hiding engines needs root (unshare -m, mount --bind)";
        ASSERT_TRUE(built) << "the program could not be built";
    }

    // Runs the program with the libraries of `hidden` engines covered by an empty file.
    // prefix: shell commands run before the program (after the engines are hidden and the
    // probe script is set).
    static ProbeRun run(const std::vector<std::string>& hidden, const std::string& forced = {},
                        const std::string& prefix = "export PAGOLUX_VIEWER_PROBE=1; ",
                        const std::string& exe = program)
    {
        const std::string empty = folders->root.path().string() + "/empty";
        test::writeFile(empty, "");
        std::string script = "set -e; ";
        for (const std::string& engine : hidden) {
            const std::string lib = fs::canonical(std::string(kLibDir) + kEngineLibrary.at(engine)).string();
            script += "mount --bind " + test::quote(empty) + " " + test::quote(lib) + "; ";
        }
        script +=
            "export PAGOLUX_VIEWER_PROBE_SCRIPT=" + test::quote(replaceOutside(kProbeScript)) + "; " + prefix;
        if (!forced.empty())
            script += "export PAGOLUX_VIEWER_ENGINE=" + test::quote(forced) + "; ";
        script += "exec " + test::quote(exe);
        const test::ChildResult r = test::runShell("unshare -m sh -c " + test::quote(script) + " 2>&1");
        ProbeRun out;
        out.exitCode = r.exitCode;
        std::istringstream lines(r.output);
        for (std::string line; std::getline(lines, line);) {
            const auto eq = line.find('=');
            if (eq != std::string::npos && kProbeKeys.count(line.substr(0, eq)))
                out.values[line.substr(0, eq)] = line.substr(eq + 1);
            else if (!line.empty())
                out.otherLines.push_back(line);
        }
        return out;
    }

    static std::string replaceOutside(std::string script)
    {
        const std::string key = "OUTSIDE";
        script.replace(script.find(key), key.size(), folders->root.path().string() + "/outside.txt");
        return script;
    }

    struct Folders {
        test::TempFolder root, out;
    };
    static inline Folders* folders = nullptr;
    static inline bool built = false;
    static inline std::string program, fixedProgram, filesProgram;
};

std::string joined(const std::vector<std::string>& lines)
{
    std::string text;
    for (const auto& l : lines)
        text += l + "\n";
    return text;
}

TEST_F(LinuxEnginesTest, TheFirstEngineLeftShowsTheSite)
{
    const std::vector<std::string> webkit = {"webkit2gtk-4.1", "webkit2gtk-4.0", "webkitgtk-6.0"};
    struct Case {
        const char* what;
        std::vector<std::string> hidden;
        std::string forced;
        std::string engine;
    };
    std::vector<Case> cases = {
        {"all present", {}, {}, "webkit2gtk-4.1"},
        {"Qt 6 hidden", {"qt6"}, {}, "webkit2gtk-4.1"},
        {"Qt 6 and WebKitGTK 4.1 hidden", {"qt6", "webkit2gtk-4.1"}, {}, "webkit2gtk-4.0"},
        {"WebKitGTK 4.1 and 4.0 hidden", {"webkit2gtk-4.1", "webkit2gtk-4.0"}, {}, "webkitgtk-6.0"},
        {"all WebKitGTK hidden", webkit, {}, "qt6"},
        {"all WebKitGTK and Qt 6 hidden (Qt 5 left)",
         {"webkit2gtk-4.1", "webkit2gtk-4.0", "webkitgtk-6.0", "qt6"},
         {},
         "qt5"},
        {"Qt 6 forced", {}, "qt6", "qt6"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ProbeRun r = run(c.hidden, c.forced);
        EXPECT_EQ(r.exitCode, 0) << joined(r.otherLines);
        EXPECT_EQ(r.values["engine"], c.engine);
        EXPECT_EQ(r.values["loaded"], "1");
        EXPECT_EQ(r.values["title"], "Motoren");
        EXPECT_EQ(r.values["windowTitle"], "Motoren");
        EXPECT_EQ(r.values["members"], "6");
        EXPECT_EQ(r.values["commands"],
                  "actionPrint,actionExit,actionBack,actionForward,actionHome,actionReload,actionAbout,"
                  "actionExitButton");
        EXPECT_EQ(r.values["script"], "module Modul|links 3 broken []|leaks []");
        // Nothing of the engine's own messages reaches the terminal.
        EXPECT_TRUE(r.otherLines.empty()) << joined(r.otherLines);
    }
}

TEST_F(LinuxEnginesTest, EveryEngineShowsTheWindowTheSettingsAskFor)
{
    for (const char* engine : {"webkit2gtk-4.1", "webkit2gtk-4.0", "webkitgtk-6.0", "qt6", "qt5"}) {
        SCOPED_TRACE(engine);
        ProbeRun r = run({}, engine);
        EXPECT_EQ(r.values["size"], "640x480");
        EXPECT_EQ(r.values["fixed"], "0");
        EXPECT_EQ(r.values["menu"], "1");
        EXPECT_EQ(r.values["statusbar"], "1");
        EXPECT_EQ(r.values["toolbar"],
                  "actionBack,actionForward,actionHome,actionReload,actionPrint,actionExitButton");
        EXPECT_EQ(r.values["icon"], std::string(1024, '9')) << "the patched icon";

        r = run({}, engine, "export PAGOLUX_VIEWER_PROBE=1; ", fixedProgram);
        EXPECT_EQ(r.values["size"], "320x240");
        EXPECT_EQ(r.values["fixed"], "1");
        EXPECT_EQ(r.values["menu"], "0");
        EXPECT_EQ(r.values["statusbar"], "0");
        EXPECT_EQ(r.values["toolbar"], "");
        EXPECT_EQ(r.values["title"], "Motoren");
    }
}

TEST_F(LinuxEnginesTest, EveryEngineKeepsWhatThePagesStore)
{
    // One counter in each kind of storage the engines give a page of this scheme (they give it
    // no cookies: document.cookie stays empty for addresses other than http(s)).
    const std::string counter = R"JS((async () => {
      const n = Number(localStorage.getItem('n') || 0) + 1;
      localStorage.setItem('n', n);
      const db = await new Promise((ok, fail) => {
        const r = indexedDB.open('zaehler', 1);
        r.onupgradeneeded = () => r.result.createObjectStore('s');
        r.onsuccess = () => ok(r.result);
        r.onerror = () => fail(r.error);
      });
      const before = await new Promise(ok => {
        const q = db.transaction('s').objectStore('s').get('n');
        q.onsuccess = () => ok(q.result || 0);
      });
      await new Promise(ok => {
        const t = db.transaction('s', 'readwrite');
        t.objectStore('s').put(before + 1, 'n');
        t.oncomplete = ok;
      });
      window.__probe = n + ' ' + (before + 1);
    })().catch(e => { window.__probe = 'error ' + e; });)JS";
    for (const char* engine : {"webkit2gtk-4.1", "webkit2gtk-4.0", "webkitgtk-6.0", "qt6", "qt5"}) {
        SCOPED_TRACE(engine);
        const std::string data = folders->root.path().string() + "/data-" + engine;
        const std::string prefix = "export PAGOLUX_VIEWER_PROBE=1 XDG_DATA_HOME=" + test::quote(data) +
                                   " PAGOLUX_VIEWER_PROBE_SCRIPT=" + test::quote(counter) + "; ";
        EXPECT_EQ(run({}, engine, prefix).values["script"], "1 1");
        EXPECT_EQ(run({}, engine, prefix).values["script"], "2 2");
    }
}

TEST_F(LinuxEnginesTest, WithoutAnyEngineTheProgramNamesThePackageToInstall)
{
    std::vector<std::string> all;
    for (const auto& [engine, lib] : kEngineLibrary)
        all.push_back(engine);
    const ProbeRun r = run(all);
    EXPECT_NE(r.exitCode, 0);
    const std::string text = joined(r.otherLines);
    EXPECT_NE(text.find("Auf diesem Rechner fehlt eine Web-Engine"), std::string::npos) << text;
    EXPECT_NE(text.find("libwebkit2gtk-4.1-0"), std::string::npos) << text;
    EXPECT_NE(text.find("libqt6webenginewidgets6"), std::string::npos) << text;
    EXPECT_EQ(text.find("error while loading shared libraries"), std::string::npos) << text;
    EXPECT_TRUE(r.values.empty());
}

TEST_F(LinuxEnginesTest, WithoutAnyEngineADesktopShowsTheMessageInAWindow)
{
    // A stand-in for zenity that notes how it was called.
    const std::string tools = folders->root.path().string() + "/tools";
    const std::string called = folders->root.path().string() + "/zenity-called";
    fs::create_directories(tools);
    test::writeFile(tools + "/zenity", "#!/bin/sh\nprintf '%s\\n' \"$@\" > " + test::quote(called) + "\n");
    fs::permissions(tools + "/zenity", fs::perms::owner_all);
    fs::remove(called);

    std::vector<std::string> all;
    for (const auto& [engine, lib] : kEngineLibrary)
        all.push_back(engine);
    const ProbeRun r =
        run(all, {}, "unset PAGOLUX_VIEWER_PROBE; export PATH=" + test::quote(tools) + ":\"$PATH\"; ");
    EXPECT_NE(r.exitCode, 0);
    EXPECT_NE(joined(r.otherLines).find("libwebkit2gtk-4.1-0"), std::string::npos) << joined(r.otherLines);
    // The window is started apart from the program, which does not wait for it.
    for (int k = 0; k < 100 && !fs::exists(called); ++k)
        usleep(50000);
    const std::string args = fs::exists(called) ? test::readFile(called) : "";
    EXPECT_NE(args.find("--error"), std::string::npos) << args;
    EXPECT_NE(args.find("--text=Dieses Programm kann seine Seiten nicht zeigen"), std::string::npos) << args;
    EXPECT_NE(args.find("libqt6webenginewidgets6"), std::string::npos) << args;
}

TEST_F(LinuxEnginesTest, AForcedEngineThatIsMissingIsNamed)
{
    const ProbeRun r = run({"qt6"}, "qt6");
    EXPECT_NE(r.exitCode, 0);
    const std::string text = joined(r.otherLines);
    EXPECT_NE(text.find("Die verlangte Web-Engine \"qt6\""), std::string::npos) << text;
    EXPECT_NE(text.find("libwebkit2gtk-4.1-0"), std::string::npos) << text;
}

std::string contentOf(const std::string& path)
{
    return fs::exists(path) ? test::readFile(path) : "<no file>";
}

const char* const kEngines[] = {"webkit2gtk-4.1", "webkit2gtk-4.0", "webkitgtk-6.0", "qt6", "qt5"};

// The shell words that make the probe click the links ids and answer the save dialog with
// save (a folder, or empty for "Abbrechen").
std::string clicking(const std::string& ids, const std::string& save)
{
    return "export PAGOLUX_VIEWER_PROBE=1 PAGOLUX_VIEWER_PROBE_SAVE=" + test::quote(save) +
           " PAGOLUX_VIEWER_PROBE_SCRIPT=" + test::quote("window.__click = [" + ids + "];" + kClickScript) +
           "; ";
}

TEST_F(LinuxEnginesTest, EveryEngineSavesDownloadsWhereTheUserChose)
{
    for (const char* engine : kEngines) {
        SCOPED_TRACE(engine);
        const std::string target = folders->root.path().string() + "/saved-" + engine;
        fs::create_directories(target);
        ProbeRun r =
            run({}, engine, clicking("'dl', 'zip', 'bericht', 'daten', 'notiz'", target), filesProgram);
        EXPECT_EQ(r.exitCode, 0) << joined(r.otherLines);
        // <a download> under the name it gives, a type the engine cannot show under its own
        // (decoded) name, and what the page made (data:, blob:) under the names the page gives.
        EXPECT_EQ(r.values["script"],
                  "gespeichert Bericht \u00FCber.zip|gespeichert antwort.json|gespeichert "
                  "daten.txt|gespeichert notiz.txt|gespeichert paket.zip");
        EXPECT_EQ(contentOf(target + "/Bericht \u00FCber.zip"), "Bericht");
        EXPECT_EQ(contentOf(target + "/antwort.json"), kJson);
        EXPECT_EQ(contentOf(target + "/paket.zip"), zipBytes());
        EXPECT_EQ(contentOf(target + "/daten.txt"), "Daten");
        EXPECT_EQ(contentOf(target + "/notiz.txt"), "Notiz");
        // The status bar tells what was saved.
        EXPECT_EQ(r.values["statusText"].rfind("Gespeichert: ", 0), 0U) << r.values["statusText"];
    }
}

TEST_F(LinuxEnginesTest, EveryEngineWritesNothingWhenSavingIsCancelledOrFails)
{
    struct Case {
        const char* what;
        std::string save;
        std::string note;
    } cases[] = {
        {"dialog cancelled", "", "abgebrochen antwort.json"},
        // A folder below a file can be neither found nor made.
        {"folder unusable", folders->root.path().string() + "/datei/ordner", "fehlgeschlagen antwort.json: "},
    };
    test::writeFile(folders->root.path().string() + "/datei", "");
    for (const char* engine : kEngines)
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(engine) + ", " + c.what);
            // The user's own folders, where an unasked download would land.
            const std::string home = folders->root.path().string() + "/home-" + engine;
            fs::remove_all(home);
            fs::create_directories(home);
            ProbeRun r = run({}, engine,
                             clicking("'dl'", c.save) + "export HOME=" + test::quote(home) +
                                 " XDG_CONFIG_HOME=" + test::quote(home + "/.config") + "; ",
                             filesProgram);
            EXPECT_EQ(r.exitCode, 0) << joined(r.otherLines);
            EXPECT_EQ(r.values["script"].substr(0, c.note.size()), c.note) << r.values["script"];
            for (const auto& entry : fs::recursive_directory_iterator(home))
                EXPECT_NE(entry.path().filename(), "antwort.json") << entry.path();
            EXPECT_FALSE(fs::exists(c.save + "/antwort.json"));
        }
}

TEST_F(LinuxEnginesTest, EveryEngineShowsAPdfLinkInTheWindow)
{
    for (const char* engine : kEngines) {
        SCOPED_TRACE(engine);
        const std::string target = folders->root.path().string() + "/pdf-" + engine;
        fs::create_directories(target);
        ProbeRun r = run({}, engine, clicking("'pdf'", target), filesProgram);
        EXPECT_EQ(r.exitCode, 0) << joined(r.otherLines);
        EXPECT_EQ(r.values["navigated"], "pagolux://site/doc.pdf");
        EXPECT_TRUE(fs::is_empty(target)) << "the PDF was saved instead of shown";
    }
}

TEST_F(LinuxEnginesTest, EveryEngineServesAndSavesALargeMember)
{
    // The page reads the member (its length, and how many bytes differ from the pattern), then
    // saves it.
    const char* const script = R"JS(
(async () => {
  const a = new Uint8Array(await fetch('gross.zip').then(r => r.arrayBuffer()));
  let wrong = 0;
  for (let i = 0; i < a.length; i++)
    if (a[i] !== i * 7 % 251) wrong++;
  document.getElementById('gross').click();
  while (!(window.__downloads || []).length)
    await new Promise(r => setTimeout(r, 25));
  window.__probe = a.length + ' ' + wrong + '|' + window.__downloads.join('|');
})();
)JS";
    for (const char* engine : kEngines) {
        SCOPED_TRACE(engine);
        const std::string target = folders->root.path().string() + "/large-" + engine;
        fs::create_directories(target);
        ProbeRun r = run({}, engine,
                         "export PAGOLUX_VIEWER_PROBE=1 PAGOLUX_VIEWER_PROBE_SAVE=" + test::quote(target) +
                             " PAGOLUX_VIEWER_PROBE_SCRIPT=" + test::quote(script) + "; ",
                         filesProgram);
        EXPECT_EQ(r.exitCode, 0) << joined(r.otherLines);
        EXPECT_EQ(r.values["script"], std::to_string(largeBytes().size()) + " 0|gespeichert gross.zip");
        EXPECT_TRUE(contentOf(target + "/gross.zip") == largeBytes()) << "the saved file differs";
    }
}

TEST_F(LinuxEnginesTest, AWebKitWithoutPdfViewerHandsThePdfToTheDesktop)
{
    const std::string root = folders->root.path().string();
    const std::string tools = root + "/opener", record = root + "/opened", noTools = root + "/no-opener";
    fs::create_directories(tools);
    fs::create_directories(noTools);
    // A stand-in for xdg-open that notes the file's bytes, the modes of the file and its folder,
    // and last the argument it was given.
    test::writeFile(tools + "/xdg-open", "#!/bin/sh\n/bin/cp \"$1\" " + test::quote(record + "/bytes") +
                                             "\n/usr/bin/stat -c %a \"$1\" \"${1%/*}\" > " +
                                             test::quote(record + "/modes") + "\nprintf %s \"$1\" > " +
                                             test::quote(record + "/arg") + "\n");
    fs::permissions(tools + "/xdg-open", fs::perms::owner_all);
    struct Case {
        const char* what;
        std::string path;
        bool opened;
    } cases[] = {
        {"xdg-open on the path", tools, true},
        {"no opener: the save dialog instead", noTools, false},
    };
    for (const char* engine : {"webkit2gtk-4.1", "webkit2gtk-4.0", "webkitgtk-6.0"})
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(engine) + ", " + c.what);
            const std::string runtime = root + "/runtime-" + engine, target = root + "/pdf-saved-" + engine;
            for (const std::string& folder : {runtime, target, record}) {
                fs::remove_all(folder);
                fs::create_directories(folder);
            }
            ProbeRun r = run({}, engine,
                             clicking("'pdf'", target) + "export PAGOLUX_VIEWER_PROBE_NO_PDF=1 PATH=" +
                                 test::quote(c.path) + " XDG_RUNTIME_DIR=" + test::quote(runtime) + "; ",
                             filesProgram);
            EXPECT_EQ(r.exitCode, 0) << joined(r.otherLines);
            if (!c.opened) {
                EXPECT_EQ(r.values["script"], "gespeichert doc.pdf");
                EXPECT_TRUE(contentOf(target + "/doc.pdf") == pdfBytes());
                continue;
            }
            // The viewer does not wait for the program it starts.
            for (int k = 0; k < 100 && !fs::exists(record + "/arg"); ++k)
                usleep(50000);
            const std::string arg = contentOf(record + "/arg");
            EXPECT_EQ(r.values["script"], "geöffnet " + arg);
            EXPECT_EQ(arg.rfind(runtime + "/pagolux-", 0), 0u) << arg;
            EXPECT_EQ(fs::path(arg).filename(), "doc.pdf");
            EXPECT_TRUE(contentOf(record + "/bytes") == pdfBytes());
            EXPECT_EQ(contentOf(record + "/modes"), "600\n700\n")
                << "the file and its folder are the user's alone";
            EXPECT_TRUE(fs::is_empty(target));
        }
}

} // namespace
} // namespace pagolux
