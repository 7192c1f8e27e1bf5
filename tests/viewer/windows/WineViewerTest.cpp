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
    std::string sitePath = site.folder();
    while (!sitePath.empty() && sitePath.back() == '/')
        sitePath.pop_back();
    const std::string root = base + sitePath.substr(1) + "/";
    const std::vector<Member> expected = {
        {root + "index.html", site / "index.html", "text/html"},
        {root + "css/style.css", site / "css/style.css", "text/css"},
        {root + "img/mein%20bild.png", site / "img/mein bild.png", "image/png"},
        {root + "pages/tief/unten.html", site / "pages/tief/unten.html", "text/html"},
        {root + "pages/daten.json", site / "pages/daten.json", "application/json"},
        {root + "pages/app.js", site / "pages/app.js", "text/javascript"},
    };
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

} // namespace
} // namespace pagolux

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
