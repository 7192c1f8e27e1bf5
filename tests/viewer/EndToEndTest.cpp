// Builds an executable from a generated site with the real ProtoExe.dat, runs it and checks
// what it shows: start page, subpage, image, CSS, a script's fetch, 404, no way out of the
// archive, window title and size, and the patched icon.

#include "builder/BuildPipeline.h"
#include "builder/IconPatcher.h"
#include "viewer/core/ViewerPackage.h"

#include "tests/builder/TestFiles.h"
#include "tests/support/BuildFolder.h"
#include "tests/support/EnvOverride.h"
#include "tests/support/ScriptedInteraction.h"
#include "tests/viewer/ProbeRun.h"

#include <QByteArray>
#include <QMap>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QThread>

#include <gtest/gtest.h>

namespace pagolux {
namespace {

using test::Bytes;
namespace fs = std::filesystem;

const std::string kPng =
    QByteArray::fromBase64(
        "iVBORw0KGgoAAAANSUhEUgAAAAIAAAABCAIAAAB7QOjdAAAADUlEQVR4nGP4zwAE/wEHAAH/4iOeWQAAAABJRU5ErkJggg==")
        .toStdString();

// An X server of its own with openbox managing its windows, as on a desktop: a window manager
// decides a window's real size, which bare Xvfb does not. Empty display() when either program
// is missing or did not start.
class DesktopWithWindowManager {
  public:
    DesktopWithWindowManager()
    {
        xvfb.start("Xvfb", {"-displayfd", "1", "-screen", "0", "1024x768x24", "-nolisten", "tcp"});
        if (!xvfb.waitForStarted(5000))
            return;
        QByteArray number;
        while (!number.contains('\n') && xvfb.waitForReadyRead(10000))
            number += xvfb.readAllStandardOutput();
        if (number.trimmed().isEmpty())
            return;
        const QString name = ":" + QString::fromLatin1(number.trimmed());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DISPLAY", name);
        wm.setProcessEnvironment(env);
        wm.start("openbox", {"--sm-disable"});
        if (!wm.waitForStarted(5000))
            return;
        // Ready once openbox announces itself on the root window.
        for (int k = 0; k < 100; ++k) {
            QProcess check;
            check.setProcessEnvironment(env);
            check.start("xprop", {"-root", "_NET_SUPPORTING_WM_CHECK"});
            check.waitForFinished(5000);
            if (check.readAllStandardOutput().contains("window id")) {
                display_ = name;
                return;
            }
            QThread::msleep(100);
        }
    }
    ~DesktopWithWindowManager()
    {
        for (QProcess* p : {&wm, &xvfb}) {
            p->terminate();
            if (!p->waitForFinished(5000)) {
                p->kill();
                p->waitForFinished();
            }
        }
    }
    [[nodiscard]] const QString& display() const { return display_; }

  private:
    QProcess xvfb, wm;
    QString display_;
};

class EndToEndTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        binDir = test::binDir();
        ASSERT_TRUE(fs::exists(binDir + "ProtoExe.dat"));
        ::setenv("TMPDIR", tmp.folder().c_str(), 1);

        // A network mount's folder (GVFS) has colons in its name.
        const std::string site = root / "smb-share:server=nas,share=docs/site/";
        for (const char* d : {"pages", "img", "css", "js", "data"})
            fs::create_directories(site + d);
        test::writeFile(site + "index.html",
                        "<!DOCTYPE html><html><head><meta charset=utf-8><title>E2E Start</title>"
                        "<link rel=stylesheet href=css/site.css><script src=js/app.js></script></head>"
                        "<body><a href=pages/sub.html>Weiter</a><img id=pic src=img/pic.png>"
                        "<p id=out></p></body></html>");
        test::writeFile(site + "pages/sub.html",
                        "<!DOCTYPE html><html><head><title>E2E Unterseite</title></head>"
                        "<body><a href=../index.html>Zurück</a></body></html>");
        test::writeBytes(site + "img/pic.png", Bytes(kPng.begin(), kPng.end()));
        test::writeFile(site + "css/site.css", "body { background-color: rgb(10, 20, 30); }");
        test::writeFile(
            site + "js/app.js",
            "fetch('data/info.json').then(r => r.json())"
            ".then(j => { window.__fetched = j.word; }, e => { window.__fetched = 'failed ' + e; });");
        test::writeFile(site + "data/info.json", "{\"word\": \"Pagolux\"}");
        // Something beside the site that no page may ever read.
        test::writeFile(root / "outside.txt", "SECRET");
        test::writeFile(root / "smb-share:server=nas,share=docs/outside.txt", "SECRET");

        request.project.entries = {site + "index.html", site + "pages", site + "img",
                                   site + "css",        site + "js",    site + "data"};
        request.project.startIndex = 0;
        request.progPath = binDir;
        request.project.settings.projectName = "E2E Projekt";
        request.project.settings.width = 700;
        request.project.settings.height = 500;
        icon.fill(14);
        icon.setPixel(0, 0, 9);
        icon.setPixel(31, 31, 4);
        request.icon = &icon;
    }

    std::string build(const std::string& name) { return buildProgram(request, iconPos, out / name); }

    std::string binDir;
    test::EnvOverride tmpdir{"TMPDIR"};
    test::TempFolder tmp, root, out;
    BuildRequest request;
    IconBitmap icon;
    std::int32_t iconPos = 0;
};

TEST_F(EndToEndTest, BuiltProgramShowsItsSiteFromTheArchive)
{
    const std::string exe = build("handbuch");

    // The file carries the chosen icon where the viewer keeps its pixels.
    ASSERT_NE(iconPos, 0);
    EXPECT_EQ(iconPos, RenderIconPos(binDir));
    const Bytes file = test::readBytes(exe);
    const auto expectedIcon = icon.pixelBytes();
    ASSERT_GT(file.size(), static_cast<std::size_t>(iconPos) + 512);
    EXPECT_TRUE(std::equal(expectedIcon.begin(), expectedIcon.end(), file.begin() + iconPos));

    const QString outside = QString::fromStdString(root / "outside.txt");
    const ProbeRun run = runProbe(exe, QString(R"JS(
      (async () => {
        const out = [];
        const img = document.getElementById('pic');
        out.push(await new Promise(r => {
          if (img.complete) r('img ' + img.naturalWidth);
          else { img.onload = () => r('img ' + img.naturalWidth); img.onerror = () => r('img error'); }
        }));
        for (let k = 0; k < 200 && window.__fetched === undefined; k++)
          await new Promise(r => setTimeout(r, 25));
        out.push('script ' + window.__fetched);
        out.push(getComputedStyle(document.body).backgroundColor);
        const frame = src => new Promise(r => {
          const f = document.createElement('iframe');
          f.onload = () => r(f.contentDocument ? f.contentDocument.title : 'no document');
          f.src = src;
          document.body.appendChild(f);
        });
        out.push('sub ' + await frame('pages/sub.html'));
        out.push('unknown ' + await frame('nope.html'));
        out.push(await fetch('nope.html').then(() => 'fetch unknown resolved', () => 'fetch unknown rejected'));
        for (const p of ['../outside.txt', '../../outside.txt', '%2e%2e/outside.txt', '..%2Foutside.txt',
                         'css/..%5c..%5coutside.txt', 'file://%1'])
          out.push(await fetch(p).then(r => r.text()).then(t => t.includes('SECRET') ? 'LEAK ' + p : 'none',
                                                            () => 'none'));
        window.__probe = out.join('|');
      })();
    )JS")
                                           .arg(outside));

    ASSERT_EQ(run.exitCode, 0) << run.stderrText.toStdString();
    EXPECT_EQ(run.values.value("loaded"), "1");
    EXPECT_EQ(run.values.value("title"), "E2E Start");
    EXPECT_EQ(run.values.value("windowTitle"), "E2E Projekt");
    EXPECT_EQ(run.values.value("size"), "700x500");
    EXPECT_EQ(run.values.value("members"), "6");
    EXPECT_EQ(run.values.value("qtCancel"), "Abbrechen") << "Qt's own texts are German";
    EXPECT_EQ(run.values.value("icon"),
              QByteArray(reinterpret_cast<const char*>(expectedIcon.data()), 512).toHex())
        << "the running viewer sees the patched icon";
    EXPECT_EQ(run.values.value("script"), "img 2|script Pagolux|rgb(10, 20, 30)|sub E2E Unterseite|"
                                          "unknown 404 - Seite nicht gefunden|fetch unknown rejected|"
                                          "none|none|none|none|none|none");
}

TEST_F(EndToEndTest, FixedWindowWithoutMenuAndStatusBar)
{
    request.project.settings.fixedSize = true;
    request.project.settings.elements[0] = false; // status bar
    request.project.settings.elements[1] = false; // toolbar
    request.project.settings.width = 320;
    request.project.settings.height = 240;
    const ProbeRun run = runProbe(build("fest"));
    ASSERT_EQ(run.exitCode, 0) << run.stderrText.toStdString();
    EXPECT_EQ(run.values.value("size"), "320x240");
    EXPECT_EQ(run.values.value("fixed"), "1");
    EXPECT_EQ(run.values.value("menu"), "0");
    EXPECT_EQ(run.values.value("statusbar"), "0");
    EXPECT_EQ(run.values.value("toolbar"), "");
}

TEST_F(EndToEndTest, MaximumSizeFillsTheScreenUnderAWindowManager)
{
    const DesktopWithWindowManager desktop;
    ASSERT_FALSE(desktop.display().isEmpty()) << "Xvfb and openbox are needed (scripts/install-deps.sh)";
    request.project.settings.definedSize = false;
    const ProbeRun run = runProbe(build("maximal"), {}, true, desktop.display());
    ASSERT_EQ(run.exitCode, 0) << run.stderrText.toStdString();
    EXPECT_EQ(run.values.value("maximized"), "1");
    // The screen is 1024 x 768; openbox keeps a title bar above a maximised window.
    const QStringList size = run.values.value("size").split('x');
    ASSERT_EQ(size.size(), 2);
    EXPECT_EQ(size[0].toInt(), 1024) << run.values.value("size").toStdString();
    EXPECT_GE(size[1].toInt(), 700) << run.values.value("size").toStdString();
}

TEST_F(EndToEndTest, StartsWithoutAnyEngineSettingsAlsoForRoot)
{
    const ProbeRun run = runProbe(build("ohne"), {}, false);
    ASSERT_EQ(run.exitCode, 0) << run.stderrText.toStdString();
    EXPECT_EQ(run.values.value("title"), "E2E Start");
}

TEST_F(EndToEndTest, BrokenProgramsExplainInsteadOfShowingABlankWindow)
{
    // The viewer as built holds no pages.
    ProbeRun run = runProbe(binDir + "pagolux-viewer");
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.stderrText.contains(QString::fromUtf8(kMsgViewerUnpatched)))
        << run.stderrText.toStdString();

    // One changed byte in the archive part.
    const std::string exe = build("beschaedigt");
    Bytes file = test::readBytes(exe);
    file[file.size() - 100] ^= 0x40;
    test::writeBytes(exe, file);
    run = runProbe(exe);
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.stderrText.contains(QString::fromUtf8(kMsgViewerDamaged)))
        << run.stderrText.toStdString();
}

} // namespace
} // namespace pagolux

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        std::puts("no DISPLAY: the end-to-end viewer tests need an X server (run under xvfb-run)");
        return 0;
    }
    return RUN_ALL_TESTS();
}
