// The Windows viewer as a user gets it: pagolux-build --target windows makes a program from a
// site with folders, and Wine runs it on this machine. The self-test fetches every member
// through the pluggable protocol; the window is looked at with xdotool; the icon resource is
// taken out with wrestool and icotool; the PE imports are read with objdump. Wine has no HTML
// engine here, so what the pages look like is not checked.

#include "tests/viewer/windows/WineFixture.h"

namespace pagolux {
namespace {

TEST_F(WineViewerTest, SelfTestServesEveryMemberAndRefusesTheRest)
{
    const std::string exe = work / "probe.exe";
    const Shell b = build(exe);
    ASSERT_EQ(b.exitCode, 0) << b.output;

    const std::string base = "pagolux://site/";
    const std::vector<std::string> folders = {base + "ueber/", base + "ueber", base + "UEBER/"};
    const std::vector<std::string> refused = {
        base + "nicht-da.html",
        base + "../../windows/win.ini",
        base + "%2e%2e/%2e%2e/windows/win.ini",
        base + "css%5c..%5c..%5cwindows%5cwin.ini",
        base + "index.html%00.txt",
        base + "C:%2fwindows%2fwin.ini",
        "pagolux://anderswo/index.html",
    };
    std::string fetch;
    for (const auto& u : refused)
        fetch += u + " ";
    for (const auto& u : folders)
        fetch += u + " ";
    const std::string report = work / "report.txt";
    const Shell r = selfTest(exe, report, fetch);
    ASSERT_TRUE(fs::exists(report)) << r.output;
    const std::string text = test::readFile(report);
    const Report rep = parseReport(text);
    EXPECT_EQ(r.exitCode, 0) << text;
    EXPECT_EQ(rep.values.at("result"), "ok") << text;
    EXPECT_EQ(rep.values.at("title"), "Wein Probe");
    EXPECT_EQ(rep.values.at("size"), "640x480");
    EXPECT_EQ(rep.values.at("elements"), "1111111111");
    EXPECT_EQ(rep.values.at("archive"), "ok");

    struct Member {
        std::string url;
        fs::path file;
        std::string mime;
    };
    // The start file's folder is the site's root: no folder of the author's machine shows.
    const std::string root = base;
    const std::vector<Member> expected = {
        {root + "index.html", site / "index.html", "text/html"},
        {root + "css/style.css", site / "css/style.css", "text/css"},
        {root + "img/mein%20bild.png", site / "img/mein bild.png", "image/png"},
        {root + "pages/tief/unten.html", site / "pages/tief/unten.html", "text/html"},
        {root + "pages/daten.json", site / "pages/daten.json", "application/json"},
        {root + "pages/app.js", site / "pages/app.js", "text/javascript"},
        {root + "ueber/index.html", site / "ueber/index.html", "text/html"},
        {root + "404.html", site / "404.html", "text/html"},
    };
    // Folder addresses, with and without their "/", serve the folder's index page; unknown
    // addresses get the site's own 404.html with status 404.
    for (const std::string& u : folders) {
        ASSERT_TRUE(rep.fetches.count(u)) << u << "\n" << text;
        EXPECT_EQ(rep.fetches.at(u).at("status"), "200") << u;
        EXPECT_EQ(rep.fetches.at(u).at("crc"), crcHex(test::readBytes(site / "ueber/index.html"))) << u;
    }
    EXPECT_EQ(rep.fetches.at(base + "nicht-da.html").at("crc"), crcHex(test::readBytes(site / "404.html")));
    EXPECT_EQ(rep.values.at("members"), std::to_string(expected.size()));
    EXPECT_EQ(rep.values.at("served"), std::to_string(expected.size()));
    EXPECT_EQ(rep.values.at("startUrl"), expected[0].url);
    for (const Member& m : expected) {
        ASSERT_TRUE(rep.members.count(m.url)) << m.url << "\n" << text;
        const auto& f = rep.members.at(m.url);
        const Bytes bytes = test::readBytes(m.file);
        EXPECT_EQ(f.at("result"), "00000000") << m.url;
        EXPECT_EQ(f.at("mime"), m.mime) << m.url;
        EXPECT_EQ(f.at("bytes"), std::to_string(bytes.size())) << m.url;
        EXPECT_EQ(f.at("crc"), crcHex(bytes)) << m.url;
        EXPECT_EQ(f.at("match"), "1") << m.url;
        EXPECT_EQ(f.at("status"), "200") << m.url;
    }
    for (const auto& u : refused) {
        ASSERT_TRUE(rep.fetches.count(u)) << u << "\n" << text;
        const auto& f = rep.fetches.at(u);
        EXPECT_EQ(f.at("status"), "404") << u;
        EXPECT_EQ(f.at("mime"), "text/html") << u;
        // The German 404 page, never a file of the machine.
        EXPECT_NE(f.at("bytes"), "0") << u;
    }
}

TEST_F(WineViewerTest, IconResourceCarriesThePatchedPixels)
{
    // A red current icon: the builder writes its pixels over the viewer's.
    fs::create_directories(work / "data/pagolux");
    const IconBitmap redIcon = test::iconOf([](int, int) { return 9; });
    IconBmpFile::save(redIcon, work / "data/pagolux/theicon.bmp");

    const std::string exe = work / "icon.exe";
    const Shell b = build(exe);
    ASSERT_EQ(b.exitCode, 0) << b.output;

    const Shell x = runShell("wrestool -x --type=14 -o " + quote(work / "icon.ico") + " " + quote(exe));
    ASSERT_EQ(x.exitCode, 0) << x.output;
    const Shell list = runShell("icotool -l " + quote(work / "icon.ico"));
    EXPECT_NE(list.output.find("--width=32 --height=32 --bit-depth=4"), std::string::npos) << list.output;
    // The group icon alone does not hold pixels; the RT_ICON image does. The 16-colour image
    // is the icon file's first, so the first image resource.
    const Shell img =
        runShell("wrestool -x --type=3 --name=1 --raw -o " + quote(work / "image.bin") + " " + quote(exe));
    ASSERT_EQ(img.exitCode, 0) << img.output;
    const Bytes image = test::readBytes(work / "image.bin");
    ASSERT_EQ(image.size(), 104u + 512u + 128u);
    const Bytes pixels(image.begin() + 104, image.begin() + 104 + 512);
    const Bytes red(512, 0x99); // palette index 9 is pure red
    EXPECT_EQ(pixels, red);
    const auto art = viewer_icon::packedArt();
    EXPECT_NE(pixels, Bytes(art.begin(), art.end()));

    // The program sees the same pixels in its own icon resource.
    const std::string report = work / "icon.txt";
    selfTest(exe, report);
    const Report rep = parseReport(test::readFile(report));
    EXPECT_EQ(rep.values.at("icon"), std::string(1024, '9'));
}

TEST_F(WineViewerTest, ImportsOnlyWindowsSystemDlls)
{
    const Shell r = runShell("x86_64-w64-mingw32-objdump -p " +
                             quote(binDir + "../windows-viewer/bin/pagolux-viewer.exe") +
                             " | sed -n 's/^\\s*DLL Name: //p'");
    ASSERT_EQ(r.exitCode, 0) << r.output;
    const std::set<std::string> system = {"ADVAPI32.dll", "COMCTL32.dll", "KERNEL32.dll", "msvcrt.dll",
                                          "ole32.dll",    "OLEAUT32.dll", "SHELL32.dll",  "urlmon.dll",
                                          "USER32.dll",   "GDI32.dll"};
    std::istringstream in(r.output);
    std::string dll;
    int count = 0;
    while (std::getline(in, dll)) {
        ++count;
        EXPECT_TRUE(system.count(dll)) << "imports " << dll;
    }
    EXPECT_GE(count, 5) << r.output;
    const Shell f = runShell("x86_64-w64-mingw32-objdump -f " +
                             quote(binDir + "../windows-viewer/bin/pagolux-viewer.exe"));
    EXPECT_NE(f.output.find("pei-x86-64"), std::string::npos) << f.output;
}

TEST_F(WineViewerTest, WindowHasTheProjectTitleAndSize)
{
    // Width and height are the client area (toolbar, page, status bar); without a window
    // manager Wine's X window is exactly that, plus the menu bar where there is one.
    struct Row {
        const char* name;
        int width;
        int height;
        bool fixed;
    };
    const Row rows[] = {{"sizeable", 640, 480, false}, {"fixed, no menu", 500, 300, true}};
    for (const Row& row : rows) {
        Project p = ProjectFile::read(work / "p.pgx");
        p.settings.width = row.width;
        p.settings.height = row.height;
        p.settings.fixedSize = row.fixed;
        ProjectFile::write(work / "p.pgx", p);
        const std::string exe = work / "window.exe";
        ASSERT_EQ(build(exe).exitCode, 0);
        startWindow(exe);
        const std::string id = findWindow("Wein Probe");
        ASSERT_FALSE(id.empty()) << row.name << ": no window named \"Wein Probe\"";
        const Shell g = runShell("xdotool getwindowgeometry --shell " + id);
        EXPECT_NE(g.output.find("WIDTH=" + std::to_string(row.width) + "\n"), std::string::npos)
            << row.name << g.output;
        // Wine's X window also holds the menu bar, which Windows counts to the frame.
        const auto at = g.output.find("HEIGHT=");
        ASSERT_NE(at, std::string::npos) << g.output;
        const int height = std::atoi(g.output.c_str() + at + 7);
        if (row.fixed)
            EXPECT_EQ(height, row.height) << row.name;
        else
            EXPECT_TRUE(height > row.height && height <= row.height + 40) << row.name << ": " << height;
        endWine();
    }
}

TEST_F(WineViewerTest, DamagedProgramShowsItsErrorAndExitsNonZero)
{
    const std::string exe = work / "broken.exe";
    ASSERT_EQ(build(exe).exitCode, 0);
    Bytes bytes = test::readBytes(exe);
    bytes.resize(bytes.size() - 40); // the archive's end is gone
    test::writeBytes(exe, bytes);

    const std::string report = work / "broken.txt";
    const Shell r = selfTest(exe, report);
    EXPECT_EQ(r.exitCode, 2);
    const Report rep = parseReport(test::readFile(report));
    EXPECT_EQ(rep.values.at("error").rfind("Die Seiten dieses Programms fehlen oder sind beschädigt.", 0), 0u)
        << rep.values.at("error");

    // Without the self-test the error is a window of its own; confirming it ends the program.
    const Shell shown =
        runShell(wineEnv() + "timeout 120 wine " + quote(exe) +
                 " & sleep 0; "
                 "id=$(timeout 60 xdotool search --sync --onlyvisible --name '^Pagolux$' | head -1); "
                 "[ -n \"$id\" ] && xdotool windowfocus --sync $id key Return; wait $!; echo rc=$?");
    EXPECT_NE(shown.output.find("rc=1"), std::string::npos) << shown.output;
}

TEST_F(WineViewerTest, UnpatchedViewerExplainsItHoldsNoPages)
{
    // The viewer as built, decoded from ProtoExe.dat.
    Bytes proto = test::readBytes(binDir + "windows/ProtoExe.dat");
    for (auto& b : proto)
        b = static_cast<std::uint8_t>(b - 1);
    const std::string exe = work / "plain.exe";
    test::writeBytes(exe, proto);
    const std::string report = work / "plain.txt";
    const Shell r = selfTest(exe, report);
    EXPECT_EQ(r.exitCode, 2);
    const Report rep = parseReport(test::readFile(report));
    EXPECT_EQ(rep.values.at("error").rfind("Dieses Programm enthält keine Seiten.", 0), 0u);
}

// The stand-in runtime's folders, built beside the viewer (see fake_webview2/).
std::string fakeRuntime(const std::string& binDir, const std::string& variant)
{
    return binDir + "../windows-viewer/" + variant;
}

TEST_F(WineViewerTest, EveryFailureOfWebView2EndsInTheBrowserControl)
{
    const std::string exe = work / "engine.exe";
    ASSERT_EQ(build(exe).exitCode, 0);
    fs::create_directories(work / "empty-runtime");
    const std::string full = winePath(fakeRuntime(binDir, "fake-webview2"));
    // Where the program keeps its user data in the prefix, and the temporary folder's place.
    const fs::path home = fs::path(winePrefix) / "drive_c/users" / getpwuid(getuid())->pw_name;
    const fs::path localData = home / "AppData/Local/Pagolux";
    const fs::path tempData = home / "Temp/Pagolux";
    struct Row {
        const char* name;
        std::string env;
        const char* engine;
        const char* reason;
        const char* detail = "";            // a part of engineDetail
        std::vector<fs::path> blocked = {}; // files made for the run, so no folder can be made there
    };
    const std::vector<Row> rows = {
        {"plain Wine", "", "ie", "runtime-missing"},
        {"a folder without the DLL",
         "WEBVIEW2_BROWSER_EXECUTABLE_FOLDER=" + quote(winePath(work / "empty-runtime")), "ie",
         "runtime-missing"},
        {"a DLL without the export",
         "WEBVIEW2_BROWSER_EXECUTABLE_FOLDER=" +
             quote(winePath(fakeRuntime(binDir, "fake-webview2-noexport"))),
         "ie", "export-missing"},
        {"a runtime older than the minimum",
         "WEBVIEW2_BROWSER_EXECUTABLE_FOLDER=" + quote(winePath(fakeRuntime(binDir, "fake-webview2-old"))),
         "ie", "runtime-too-old"},
        {"the environment fails",
         "WEBVIEW2_BROWSER_EXECUTABLE_FOLDER=" + quote(full) + " PAGOLUX_FAKE_WEBVIEW2_FAIL=environment",
         "ie", "environment-failed"},
        {"the controller fails",
         "WEBVIEW2_BROWSER_EXECUTABLE_FOLDER=" + quote(full) + " PAGOLUX_FAKE_WEBVIEW2_FAIL=controller", "ie",
         "controller-failed"},
        {"no environment ever comes",
         "WEBVIEW2_BROWSER_EXECUTABLE_FOLDER=" + quote(full) +
             " PAGOLUX_FAKE_WEBVIEW2_FAIL=silent-environment",
         "ie", "timeout"},
        {"no controller ever comes",
         "WEBVIEW2_BROWSER_EXECUTABLE_FOLDER=" + quote(full) +
             " PAGOLUX_FAKE_WEBVIEW2_FAIL=silent-controller",
         "ie", "timeout"},
        {"asked for the browser control",
         "WEBVIEW2_BROWSER_EXECUTABLE_FOLDER=" + quote(full) + " PAGOLUX_VIEWER_ENGINE=ie", "ie",
         "forced-ie"},
        {"a working runtime", "WEBVIEW2_BROWSER_EXECUTABLE_FOLDER=" + quote(full), "webview2", "runtime",
         "120.0.2210.91"},
        // A file where the folder "Pagolux" should be: no user data folder can be made there.
        {"no user data folder under %LOCALAPPDATA%",
         "WEBVIEW2_BROWSER_EXECUTABLE_FOLDER=" + quote(full),
         "webview2",
         "runtime",
         "user data in the temporary folder",
         {localData}},
        {"no user data folder anywhere",
         "WEBVIEW2_BROWSER_EXECUTABLE_FOLDER=" + quote(full),
         "ie",
         "user-data-unavailable",
         "",
         {localData, tempData}},
        {"a working runtime asked for",
         "WEBVIEW2_BROWSER_EXECUTABLE_FOLDER=" + quote(full) + " PAGOLUX_VIEWER_ENGINE=webview2", "webview2",
         "runtime"},
    };
    for (const Row& row : rows) {
        const std::string report = work / "engine.txt";
        const std::string fakeLog = work / "fake.log";
        std::remove(fakeLog.c_str());
        for (const fs::path& p : row.blocked) {
            fs::remove_all(p);
            test::writeFile(p, "");
        }
        const Shell r =
            selfTest(exe, report, "", row.env + " PAGOLUX_FAKE_WEBVIEW2_LOG=" + quote(winePath(fakeLog)));
        for (const fs::path& p : row.blocked)
            fs::remove(p);
        ASSERT_TRUE(fs::exists(report)) << row.name << "\n" << r.output;
        const std::string text = test::readFile(report);
        const Report rep = parseReport(text);
        EXPECT_EQ(rep.values.at("engine"), row.engine) << row.name << "\n" << text;
        EXPECT_EQ(rep.values.at("engineReason"), row.reason) << row.name << "\n" << text;
        EXPECT_NE(rep.values.at("engineDetail").find(row.detail), std::string::npos) << row.name << "\n"
                                                                                     << text;
        // The rest of the self-test holds whichever engine it is.
        EXPECT_EQ(rep.values.at("result"), "ok") << row.name;
        EXPECT_EQ(r.exitCode, 0) << row.name;
        if (std::string(row.reason) == "runtime" &&
            std::string(row.detail).find("temporary") == std::string::npos) {
            // An installed-elsewhere runtime (type 1), with the program's own user data folder.
            const std::string log = test::readFile(fakeLog);
            EXPECT_NE(log.find("create flag=1 type=1 userData="), std::string::npos) << log;
            EXPECT_NE(log.find("\\Pagolux\\WebView2\\engine-"), std::string::npos) << log;
        }
    }
}

TEST_F(WineViewerTest, InstalledRuntimeIsFoundInTheRegistry)
{
    const std::string exe = work / "installed.exe";
    ASSERT_EQ(build(exe).exitCode, 0);
    // Version folders as the runtime's installer lays them out, holding the stand-in.
    fs::create_directories(work / "rt");
    fs::create_directory_symlink(fakeRuntime(binDir, "fake-webview2"), work / "rt/120.0.2210.91");
    fs::create_directory_symlink(fakeRuntime(binDir, "fake-webview2"), work / "rt/85.0.564.0");
    const std::string key =
        "Software\\Microsoft\\EdgeUpdate\\ClientState\\{F3017226-FE2A-4295-8BDF-00C3A9A7E4C5}";
    struct Row {
        const char* name;
        const char* hive;
        const char* folder;
        const char* engine;
        const char* reason;
    };
    const Row rows[] = {
        {"per machine", "HKLM", "120.0.2210.91", "webview2", "runtime"},
        {"per user", "HKCU", "120.0.2210.91", "webview2", "runtime"},
        {"older than the minimum", "HKCU", "85.0.564.0", "ie", "runtime-too-old"},
        {"a folder that is gone", "HKLM", "121.0.0.1", "ie", "runtime-missing"},
    };
    for (const Row& row : rows) {
        const std::string hiveKey = std::string(row.hive) + "\\" + key;
        const Shell add =
            runShell(wineEnv() + "wine reg add " + quote(hiveKey) + " /v EBWebView /t REG_SZ /d " +
                     quote(winePath((fs::path(work / "rt") / row.folder).string())) + " /reg:32 /f");
        ASSERT_EQ(add.exitCode, 0) << row.name << "\n" << add.output;
        const std::string report = work / "installed.txt";
        const std::string fakeLog = work / "installed.log";
        std::remove(fakeLog.c_str());
        const Shell r = selfTest(exe, report, "", "PAGOLUX_FAKE_WEBVIEW2_LOG=" + quote(winePath(fakeLog)));
        runShell(wineEnv() + "wine reg delete " + quote(hiveKey) + " /reg:32 /f");
        const std::string text = fs::exists(report) ? test::readFile(report) : "";
        const Report rep = parseReport(text);
        ASSERT_TRUE(rep.values.count("engine")) << row.name << "\n" << r.output;
        EXPECT_EQ(rep.values.at("engine"), row.engine) << row.name << "\n" << text;
        EXPECT_EQ(rep.values.at("engineReason"), row.reason) << row.name << "\n" << text;
        EXPECT_EQ(rep.values.at("result"), "ok") << row.name;
        if (std::string(row.engine) == "webview2") {
            // An installed runtime is started as such (type 0).
            const std::string log = test::readFile(fakeLog);
            EXPECT_NE(log.find("create flag=1 type=0 "), std::string::npos) << row.name << "\n" << log;
        }
    }
}

TEST_F(WineViewerTest, WebView2PathAnswersTheRuntimesRequests)
{
    // A member above the streaming size, which goes to the engine piece by piece, and a folder
    // with an index page.
    Bytes big(9u * 1024 * 1024 + 17);
    for (std::size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<std::uint8_t>((i * 2654435761u) >> 13);
    test::writeBytes(site / "pages/gross.bin", big);
    test::writeFile(site / "pages/index.html", "<html><body>Seiten</body></html>");

    const std::string exe = work / "web.exe";
    ASSERT_EQ(build(exe).exitCode, 0);
    // The start page's folder is the site root.
    const std::string origin = "https://pagolux.localhost";
    const std::string root = origin + "/";
    struct Request {
        std::string url;
        const char* status;
        const char* type;
        Bytes bytes; // empty: only checked not to be empty
        std::string location = "";
    };
    const std::vector<Request> requests = {
        {root + "index.html", "200", "text/html", test::readBytes(site / "index.html")},
        {root + "css/style.css", "200", "text/css", test::readBytes(site / "css/style.css")},
        {root + "img/mein%20bild.png", "200", "image/png", test::readBytes(site / "img/mein bild.png")},
        {root + "pages/gross.bin", "200", "application/octet-stream", big},
        {root + "pages/", "200", "text/html", test::readBytes(site / "pages/index.html")},
        {root + "pages", "301", "text/html", test::bytesOf(""), root + "pages/"},
        {root + "nicht-da.html", "404", "text/html", {}},
        {root + "%2e%2e/%2e%2e/windows/win.ini", "404", "text/html", {}},
    };
    std::string urls;
    for (const auto& r : requests)
        urls += r.url + " ";
    const std::string fakeLog = work / "fake.log";
    const std::string opened = work / "opened.txt";
    const std::string env =
        wineEnv() +
        "WEBVIEW2_BROWSER_EXECUTABLE_FOLDER=" + quote(winePath(fakeRuntime(binDir, "fake-webview2"))) +
        " PAGOLUX_FAKE_WEBVIEW2_LOG=" + quote(winePath(fakeLog)) +
        " PAGOLUX_VIEWER_SELFTEST_OPENED=" + quote(winePath(opened)) +
        " PAGOLUX_FAKE_WEBVIEW2_REQUESTS=" + quote(urls) + " PAGOLUX_FAKE_WEBVIEW2_NAVIGATIONS=" +
        quote("user:" + root +
              "pages/tief/unten.html user:https://example.org/klick "
              "script:https://example.org/skript user:file:///C:/windows/win.ini "
              "user:javascript:alert(1) user:" +
              root + "img/mein%20bild.png missing:" + root + "fehlt%20hier.html fail:" + root +
              "kaputt.html") +
        " PAGOLUX_FAKE_WEBVIEW2_NEWWINDOWS=" +
        quote("user:https://example.org/neu script:https://example.org/popup user:" + root +
              "pages/tief/unten.html") +
        " ";
    // The stand-in closes the window when its script has run.
    const Shell r = runShell(env + "timeout 120 wine " + quote(exe));
    EXPECT_EQ(r.exitCode, 0) << r.output;
    ASSERT_TRUE(fs::exists(fakeLog)) << r.output;
    const std::string log = test::readFile(fakeLog);

    for (const char* line :
         {"filter uri=https://pagolux.localhost/* context=0", "handler WebResourceRequested",
          "handler NavigationStarting", "handler NewWindowRequested", "handler HistoryChanged",
          "setting AreDevToolsEnabled=0", "setting AreHostObjectsAllowed=0", "done"})
        EXPECT_NE(log.find(std::string(line) + "\n"), std::string::npos) << line << "\n" << log;
    EXPECT_NE(log.find("navigate uri=" + root + "index.html\n"), std::string::npos) << log;

    std::map<std::string, std::map<std::string, std::string>> answers;
    std::map<std::string, std::map<std::string, std::string>> navigations;
    std::map<std::string, std::map<std::string, std::string>> newWindows;
    std::istringstream in(log);
    std::string line;
    while (std::getline(in, line)) {
        const auto word = line.substr(0, line.find(' '));
        auto f = fields(line.substr(word.size()));
        if (word == "request")
            answers[f["uri"]] = f;
        else if (word == "navigation")
            navigations[f["uri"]] = f;
        else if (word == "newwindow")
            newWindows[f["uri"]] = f;
    }
    for (const Request& q : requests) {
        ASSERT_TRUE(answers.count(q.url)) << q.url << "\n" << log;
        const auto& a = answers.at(q.url);
        EXPECT_EQ(a.at("status"), q.status) << q.url;
        const std::map<std::string, std::string> reasons = {
            {"200", "OK"}, {"301", "Moved+Permanently"}, {"404", "Not+Found"}};
        EXPECT_EQ(a.at("reason"), reasons.at(q.status)) << q.url;
        EXPECT_EQ(a.at("type"), q.type) << q.url;
        EXPECT_EQ(a.at("length"), a.at("bytes")) << q.url;
        EXPECT_EQ(a.at("location"), q.location) << q.url;
        if (q.location.empty() && q.bytes.empty()) {
            EXPECT_NE(a.at("bytes"), "0") << q.url;
        } else {
            EXPECT_EQ(a.at("bytes"), std::to_string(q.bytes.size())) << q.url;
            EXPECT_EQ(a.at("crc"), crcHex(q.bytes)) << q.url;
        }
    }

    // Pages of the site load; the web opens in the browser only on the user's click; files and
    // other schemes go nowhere.
    struct Navigation {
        std::string url;
        const char* cancel;
        bool opens;
    };
    const std::vector<Navigation> expected = {
        {root + "index.html", "0", false},          {root + "pages/tief/unten.html", "0", false},
        {"https://example.org/klick", "1", true},   {"https://example.org/skript", "1", false},
        {"file:///C:/windows/win.ini", "1", false}, {"javascript:alert(1)", "1", false},
    };
    const std::string openedText = fs::exists(opened) ? test::readFile(opened) : "";
    for (const Navigation& n : expected) {
        ASSERT_TRUE(navigations.count(n.url)) << n.url << "\n" << log;
        EXPECT_EQ(navigations.at(n.url).at("cancel"), n.cancel) << n.url;
        EXPECT_EQ(openedText.find(n.url + "\n") != std::string::npos, n.opens) << n.url << "\n" << openedText;
    }
    for (const auto& [url, opens] :
         std::vector<std::pair<std::string, bool>>{{"https://example.org/neu", true},
                                                   {"https://example.org/popup", false},
                                                   {root + "pages/tief/unten.html", false}}) {
        ASSERT_TRUE(newWindows.count(url)) << url << "\n" << log;
        EXPECT_EQ(newWindows.at(url).at("handled"), "1") << url;
        EXPECT_EQ(openedText.find(url + "\n") != std::string::npos, opens) << url;
    }
    // A page of the site asked for in a new window opens in this one.
    EXPECT_NE(log.find("navigate uri=" + root + "pages/tief/unten.html\n"), std::string::npos) << log;

    // The status bar after the start and the end of each navigation, as the stand-in read it
    // from the window's status control: pages by their path in the site, never a folder of
    // this machine; a cancelled navigation's end keeps what became of it.
    std::map<std::string, std::string> statusText;
    std::istringstream statusLines(log);
    while (std::getline(statusLines, line)) {
        if (line.rfind("status after=", 0) != 0)
            continue;
        const auto text = line.find(" text=");
        const auto uri = line.find(" uri=");
        ASSERT_NE(text, std::string::npos) << line;
        statusText[line.substr(13, uri - 13) + " " + line.substr(uri + 5, text - uri - 5)] =
            line.substr(text + 6);
    }
    struct Status {
        std::string url;
        std::string starting;
        std::string completed;
    };
    const std::string refused = "Die Adresse wird nicht geöffnet.";
    const std::vector<Status> statuses = {
        {root + "index.html", "Lädt /index.html …", "Fertig"},
        {root + "pages/tief/unten.html", "Lädt /pages/tief/unten.html …", "Fertig"},
        {root + "img/mein%20bild.png", "Lädt /img/mein bild.png …", "Fertig"},
        {root + "fehlt%20hier.html", "Lädt /fehlt hier.html …", "Seite nicht gefunden"},
        {root + "kaputt.html", "Lädt /kaputt.html …", "Die Seite konnte nicht geladen werden (Fehler 13)."},
        {"https://example.org/klick", "Im Standardbrowser geöffnet: https://example.org/klick",
         "Im Standardbrowser geöffnet: https://example.org/klick"},
        {"https://example.org/skript", refused, refused},
        {"file:///C:/windows/win.ini", refused, refused},
    };
    for (const Status& st : statuses) {
        EXPECT_EQ(statusText["starting " + st.url], st.starting) << st.url << "\n" << log;
        EXPECT_EQ(statusText["completed " + st.url], st.completed) << st.url;
    }
    for (const std::string& folder : {site.folder(), winePath(site.folder())})
        EXPECT_EQ(log.find(folder), std::string::npos) << "a folder of this machine shows:\n" << log;
}

// Drucken opens the engine's print preview through the call for it where the runtime has one,
// else through the page's script.
TEST_F(WineViewerTest, WebView2PrintsThroughThePrintDialogCallWhereTheRuntimeHasIt)
{
    const std::string exe = work / "print.exe";
    ASSERT_EQ(build(exe).exitCode, 0);
    struct Row {
        const char* name;
        const char* env;
        const char* used;
        const char* unused;
    };
    const Row rows[] = {
        {"a runtime from 109 on", "", "printui kind=0\n", "script window.print();\n"},
        {"an older runtime", "PAGOLUX_FAKE_WEBVIEW2_NO_PRINT_UI=1 ", "script window.print();\n", "printui"},
    };
    for (const Row& row : rows) {
        const std::string fakeLog = work / "print.log";
        std::remove(fakeLog.c_str());
        const Shell r = runShell(wineEnv() + row.env + "WEBVIEW2_BROWSER_EXECUTABLE_FOLDER=" +
                                 quote(winePath(fakeRuntime(binDir, "fake-webview2"))) +
                                 " PAGOLUX_FAKE_WEBVIEW2_LOG=" + quote(winePath(fakeLog)) +
                                 " PAGOLUX_FAKE_WEBVIEW2_CLICK=Drucken timeout 120 wine " + quote(exe));
        EXPECT_EQ(r.exitCode, 0) << row.name << "\n" << r.output;
        const std::string log = fs::exists(fakeLog) ? test::readFile(fakeLog) : "";
        EXPECT_NE(log.find("click Drucken\n"), std::string::npos) << row.name << "\n" << log;
        EXPECT_NE(log.find(row.used), std::string::npos) << row.name << "\n" << log;
        EXPECT_EQ(log.find(row.unused), std::string::npos) << row.name << "\n" << log;
    }
}

// Waits up to a minute for text to appear in file, times times; true when it did.
bool waitForText(const std::string& file, const std::string& text, int times = 1)
{
    const auto count = [&] {
        const std::string content = fs::exists(file) ? test::readFile(file) : "";
        int n = 0;
        for (auto at = content.find(text); at != std::string::npos; at = content.find(text, at + 1))
            ++n;
        return n;
    };
    for (int i = 0; i < 300; ++i) {
        if (count() >= times)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    return false;
}

// With WebView2 the page's keys go to the engine's window, which lives on a thread of its own
// in the stand-in (in a process of its own with the real runtime), past the window's message
// loop. F1, Alt+Pos1 and Strg+Q still reach the window when its settings have Über,
// Startseite and Beenden, and then only the window sees them; every other key, and these when
// the settings leave the commands out, reaches the page.
TEST_F(WineViewerTest, WebView2PageKeepsItsKeysButTheWindowGetsF1AndCtrlQ)
{
    struct Row {
        const char* name;
        bool commands; // Über, Startseite, Beenden and the Beenden button in the settings
    };
    const Row rows[] = {{"the commands on", true}, {"the commands off", false}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Project p = ProjectFile::read(work / "p.pgx");
        for (const std::size_t element : {3, 4, 7, 9})
            p.settings.elements[element] = row.commands;
        ProjectFile::write(work / "p.pgx", p);
        const std::string exe = work / "keys.exe";
        ASSERT_EQ(build(exe).exitCode, 0);
        const std::string fakeLog = work / "keys.log";
        const std::string rcFile = work / "keys.rc";
        std::remove(fakeLog.c_str());
        std::remove(rcFile.c_str());
        ASSERT_EQ(runShell("(" + wineEnv() + "WEBVIEW2_BROWSER_EXECUTABLE_FOLDER=" +
                           quote(winePath(fakeRuntime(binDir, "fake-webview2"))) +
                           " PAGOLUX_FAKE_WEBVIEW2_LOG=" + quote(winePath(fakeLog)) +
                           " PAGOLUX_FAKE_WEBVIEW2_STAY=1 timeout 120 wine " + quote(exe) + "; echo $? > " +
                           quote(rcFile) + ") >/dev/null 2>&1 &")
                      .exitCode,
                  0);
        ASSERT_TRUE(waitForText(fakeLog, "done\n")) << "the stand-in runtime's script did not run";
        const std::string id = findWindow("Wein Probe");
        ASSERT_FALSE(id.empty());
        runShell("xdotool windowactivate --sync " + id + " 2>/dev/null; xdotool windowfocus --sync " + id);
        // The window gives the page the focus when it gets it.
        EXPECT_TRUE(waitForText(fakeLog, "focus\n")) << test::readFile(fakeLog);

        runShell("xdotool key a Tab");
        for (const char* key : {"key vk=41\n", "key vk=09\n"})
            EXPECT_TRUE(waitForText(fakeLog, key)) << key << "did not reach the page (\"a\", then Tab)\n"
                                                   << test::readFile(fakeLog);
        // Startseite navigates to the start page a second time.
        const std::string home = "navigate uri=https://pagolux.localhost/index.html\n";
        runShell("xdotool key alt+Home");
        if (row.commands)
            EXPECT_TRUE(waitForText(fakeLog, home, 2)) << "Alt+Pos1 did not go to the start page";
        else
            EXPECT_TRUE(waitForText(fakeLog, "key vk=24\n")) << "Alt+Pos1 did not reach the page";
        // A pause longer than the five seconds after which Wine takes an idle thread for hung
        // and passes keys by its hook.
        std::this_thread::sleep_for(std::chrono::seconds(6));
        runShell("xdotool key F1");
        if (row.commands) {
            const std::string about = findWindow("Über Wein Probe");
            EXPECT_FALSE(about.empty()) << "F1 opened no \"Über Wein Probe\"";
            if (!about.empty())
                runShell("xdotool windowfocus --sync " + about + " key Return");
        } else {
            EXPECT_TRUE(waitForText(fakeLog, "key vk=70\n")) << "F1 did not reach the page";
        }
        runShell("xdotool windowfocus --sync " + id + " 2>/dev/null; xdotool key ctrl+q");
        if (row.commands) {
            // The program ends as the menu's Beenden ends it.
            EXPECT_TRUE(waitForText(rcFile, "\n")) << "Strg+Q left the program running";
            EXPECT_EQ(fs::exists(rcFile) ? test::readFile(rcFile) : "", "0\n");
            const std::string log = test::readFile(fakeLog);
            EXPECT_EQ(log.find("key vk=70\n"), std::string::npos) << "F1 reached the page too\n" << log;
            EXPECT_EQ(log.find("key vk=51\n"), std::string::npos) << "Q reached the page too\n" << log;
            EXPECT_EQ(log.find("key vk=24\n"), std::string::npos) << "Pos1 reached the page too\n" << log;
        } else {
            EXPECT_TRUE(waitForText(fakeLog, "key vk=51\n")) << "Strg+Q did not reach the page";
            EXPECT_FALSE(fs::exists(rcFile)) << "Strg+Q ended the program though Beenden is off";
        }
        endWine();
    }
}

TEST_F(WineViewerTest, F1ShowsAboutAndCtrlQEnds)
{
    const std::string exe = work / "keys.exe";
    ASSERT_EQ(build(exe).exitCode, 0);
    startWindow(exe);
    const std::string id = findWindow("Wein Probe");
    ASSERT_FALSE(id.empty());
    runShell("xdotool windowactivate --sync " + id + " 2>/dev/null; xdotool windowfocus --sync " + id +
             " key F1");
    const std::string about = findWindow("Über Wein Probe");
    EXPECT_FALSE(about.empty()) << "F1 opened no \"Über Wein Probe\"";
    if (!about.empty())
        runShell("xdotool windowfocus --sync " + about + " key Return");
    runShell("xdotool windowfocus --sync " + id + " key ctrl+q");
    // The program ends: its window goes away.
    const Shell gone = runShell("for i in $(seq 100); do xdotool search --onlyvisible --name '^Wein Probe$' "
                                ">/dev/null 2>&1 || { echo gone; break; }; sleep 0.2; done");
    EXPECT_NE(gone.output.find("gone"), std::string::npos) << "Strg+Q left the window open";
    endWine();
}

} // namespace
} // namespace pagolux

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
