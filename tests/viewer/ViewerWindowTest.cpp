#include "viewer/qt/ViewerWindow.h"
#include "viewer/core/ViewerPackage.h"
#include "viewer/qt/ArchiveSchemeHandler.h"
#include "viewer/qt/NetworkGuard.h"
#include "viewer/qt/ViewerPage.h"
#include "viewer/qt/ViewerTexts.h"

#include "archive/TStream.h"
#include "tests/support/Files.h"
#include "tests/support/TempFolder.h"
#include "tests/viewer/WebTestSupport.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QMenuBar>
#include <QStatusBar>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QToolBar>
#include <QWebEngineProfile>
#include <QWebEngineView>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

namespace pagolux {
namespace {

// Members kept in a map; records what it was asked for and which members it streamed.
class MapSource : public MemberSource {
  public:
    std::optional<std::vector<std::uint8_t>> read(const std::string& key) override
    {
        asked.push_back(key);
        const std::string* m = find(key);
        if (!m)
            return std::nullopt;
        return std::vector<std::uint8_t>(m->begin(), m->end());
    }
    std::optional<std::int64_t> size(const std::string& key) override
    {
        const std::string* m = find(key);
        return m ? std::optional<std::int64_t>(static_cast<std::int64_t>(m->size())) : std::nullopt;
    }
    std::unique_ptr<TStream> stream(const std::string& key) override
    {
        const std::string* m = find(key);
        if (!m)
            return nullptr;
        streamed.push_back(key);
        return std::make_unique<TReadOnlyMemoryStream>(m->data(), m->size());
    }
    std::map<std::string, std::string> members;
    std::vector<std::string> asked;
    std::vector<std::string> streamed;

  private:
    const std::string* find(const std::string& key) const
    {
        std::string lower = key;
        for (char& c : lower)
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
        const auto it = members.find(lower);
        return it == members.end() ? nullptr : &it->second;
    }
};

// A WAV file of 8-bit mono samples at 8 kHz: seconds of a quiet saw tooth.
std::string wavFile(int seconds)
{
    const std::uint32_t samples = 8000u * static_cast<std::uint32_t>(seconds);
    std::string w = "RIFF";
    const auto le = [&](std::uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            w.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    };
    le(36 + samples, 4);
    w += "WAVEfmt ";
    le(16, 4);
    le(1, 2);    // PCM
    le(1, 2);    // mono
    le(8000, 4); // samples a second
    le(8000, 4); // bytes a second
    le(1, 2);    // block size
    le(8, 2);    // bits a sample
    w += "data";
    le(samples, 4);
    for (std::uint32_t i = 0; i < samples; ++i)
        w.push_back(static_cast<char>(128 + (i % 16)));
    return w;
}

// A 2 x 1 PNG (red, blue).
const std::string kPng =
    QByteArray::fromBase64(
        "iVBORw0KGgoAAAANSUhEUgAAAAIAAAABCAIAAAB7QOjdAAAADUlEQVR4nGP4zwAE/wEHAAH/4iOeWQAAAABJRU5ErkJggg==")
        .toStdString();

class ViewerWindowTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        source.members = {
            {"\\site\\index.html",
             "<!DOCTYPE html><html><head><title>Start</title><link rel=stylesheet "
             "href=css/s.css></head><body>"
             "<a id=sub href=pages/sub.html>Sub</a> <a id=ext href=https://example.org/x>Ext</a>"
             "<img id=img src=img/p.png></body></html>"},
            {"\\site\\pages\\sub.html",
             "<html><head><title>Unterseite</title></head><body>sub</body></html>"},
            {"\\site\\css\\s.css", "body { color: rgb(1, 2, 3); }"},
            {"\\site\\img\\p.png", kPng},
            {"\\site\\data.json", "{\"answer\": 42}"},
        };
        profile = new QWebEngineProfile();
        profile->setUrlRequestInterceptor(new NetworkGuard(profile));
    }
    void TearDown() override
    {
        window.reset();
        delete profile;
    }

    // Serves the members the test has put into source at this point.
    ViewerWindow& open(const BuildSettings& settings, std::int64_t sharedLimit = 0)
    {
        std::vector<std::string> keys;
        for (const auto& [key, bytes] : source.members)
            keys.push_back(key);
        handler =
            new ArchiveSchemeHandler(source, viewer::SiteAddressSpace(keys, "\\site\\index.html"), profile);
        if (sharedLimit > 0)
            handler->setSharedMemberLimit(sharedLimit);
        profile->installUrlSchemeHandler(ArchiveSchemeHandler::kScheme, handler);
        window = std::make_unique<ViewerWindow>(settings, handler->startUrl(), profile);
        loaded = 0;
        QObject::connect(window->view(), &QWebEngineView::loadFinished, [this](bool) { ++loaded; });
        window->start();
        EXPECT_TRUE(test::waitUntil([this] { return loaded > 0; }));
        return *window;
    }

    QWebEnginePage& page() { return *window->view()->page(); }

    MapSource source;
    QWebEngineProfile* profile = nullptr;
    ArchiveSchemeHandler* handler = nullptr;
    std::unique_ptr<ViewerWindow> window;
    int loaded = 0;
};

TEST_F(ViewerWindowTest, ShowsTheStartPageWithItsStylesAndImage)
{
    open(BuildSettings{});
    EXPECT_EQ(window->view()->title(), "Start");
    EXPECT_EQ(test::evaluate(page(), "getComputedStyle(document.body).color").toString(), "rgb(1, 2, 3)");
    EXPECT_TRUE(test::waitUntil(
        [&] { return test::evaluate(page(), "document.getElementById('img').naturalWidth").toInt() == 2; }));
}

TEST_F(ViewerWindowTest, FollowsLinksFetchesAndAnswers404)
{
    open(BuildSettings{});
    const QString results = test::probe(page(), R"JS(
      Promise.all([
        fetch('data.json').then(r => r.json()).then(j => 'json ' + j.answer),
        fetch('missing.json').then(r => 'resolved', () => 'rejected'),
        fetch('../../../../etc/passwd').then(r => 'resolved', () => 'rejected'),
        fetch('css/%2e%2e/%2e%2e/%2e%2e/etc/passwd').then(r => 'resolved', () => 'rejected'),
        fetch('css/..%5c..%5cindex.html').then(r => 'resolved', () => 'rejected'),
        fetch('file:///etc/passwd').then(r => 'resolved', () => 'rejected'),
        new Promise(res => { const i = new Image(); i.onload = () => res('file image loaded');
                             i.onerror = () => res('file image blocked'); i.src = 'file:///etc/passwd'; }),
      ]).then(a => { window.__probe = a.join('|'); });
    )JS");
    EXPECT_EQ(results, "json 42|rejected|rejected|rejected|rejected|rejected|file image blocked");
    for (const auto& key : source.asked)
        EXPECT_EQ(key.find(".."), std::string::npos) << "the handler never sees a parent step: " << key;

    test::evaluate(page(), "document.getElementById('sub').click()");
    EXPECT_TRUE(test::waitUntil([&] { return window->view()->title() == "Unterseite"; }));

    window->view()->load(ArchiveSchemeHandler::urlForPath("/nothing-here.html"));
    EXPECT_TRUE(test::waitUntil([&] { return window->view()->title() == "404 - Seite nicht gefunden"; }));

    window->view()->load(QUrl("file:///etc/passwd"));
    test::waitUntil([] { return false; }, 500);
    EXPECT_EQ(window->view()->title(), "404 - Seite nicht gefunden") << "file:// is never navigated to";

    window->findChild<QAction*>("actionHome")->trigger();
    EXPECT_TRUE(test::waitUntil([&] { return window->view()->title() == "Start"; }));
}

// Clicks the element with this id as the user would: a mouse press and release at its place.
void clickElement(QWebEngineView& view, const QString& id)
{
    const QVariantList at =
        test::evaluate(*view.page(), QString("(() => { const r = document.getElementById('%1')"
                                             ".getBoundingClientRect(); return [r.x + r.width / 2, "
                                             "r.y + r.height / 2]; })()")
                                         .arg(id))
            .toList();
    ASSERT_EQ(at.size(), 2);
    QWidget* target = view.focusProxy() ? view.focusProxy() : &view;
    QTest::mouseClick(target, Qt::LeftButton, {}, QPoint(at[0].toInt(), at[1].toInt()));
}

TEST_F(ViewerWindowTest, OnlyTheUsersClickOpensTheBrowser)
{
    source.members["\\site\\index.html"] +=
        "<form id=form action=https://example.org/form method=get><input name=q value=x></form>"
        "<a id=ext2 href=https://example.org/scripted>Ext2</a>"
        "<p id=plain>Nur Text</p>"
        "<button id=button onclick=\"window.open('https://example.org/button')\">Knopf</button>";
    open(BuildSettings{});
    std::vector<QUrl> opened;
    auto* page = new ViewerPage(
        profile, [&](const QUrl& u) { opened.push_back(u); }, window->view());
    window->view()->setPage(page);
    loaded = 0;
    window->view()->load(window->homeUrl());
    ASSERT_TRUE(test::waitUntil([&] { return loaded > 0; }));

    // What pages do on their own: nothing of it reaches the browser.
    const char* const scripts[] = {
        "for (let i = 0; i < 5; i++) window.open('https://example.org/popup' + i);",
        "document.getElementById('ext2').click();",
        "document.getElementById('form').submit();",
        "location.href = 'https://example.org/redirect';",
    };
    for (const char* script : scripts) {
        test::evaluate(*page, script);
        test::waitUntil([] { return false; }, 400);
        EXPECT_TRUE(opened.empty()) << script << " opened " << opened.front().toString().toStdString();
        EXPECT_EQ(window->view()->title(), "Start") << script;
    }

    // The user's click on a link hands exactly that address to the browser, once.
    clickElement(*window->view(), "ext");
    ASSERT_TRUE(test::waitUntil([&] { return !opened.empty(); }));
    EXPECT_EQ(opened, std::vector<QUrl>{QUrl("https://example.org/x")});
    EXPECT_EQ(window->view()->title(), "Start") << "the viewer itself stays on its page";
    // The click is used up: a script running right after it opens nothing more.
    test::evaluate(*page, scripts[0]);
    test::waitUntil([] { return false; }, 400);
    EXPECT_EQ(opened.size(), 1u);

    // A page's timer that opens windows gets nothing from a click on plain text just before.
    test::evaluate(*page, "setInterval(() => { window.open('https://example.org/timer'); "
                          "document.getElementById('ext2').click(); }, 30);");
    clickElement(*window->view(), "plain");
    test::waitUntil([] { return false; }, 600);
    EXPECT_EQ(opened.size(), 1u) << opened.back().toString().toStdString();
    test::evaluate(*page, "for (let i = 1; i < 10000; i++) clearInterval(i);");

    // What the user's click itself starts (a button's window.open) reaches the browser.
    clickElement(*window->view(), "button");
    ASSERT_TRUE(test::waitUntil([&] { return opened.size() == 2; }));
    EXPECT_EQ(opened.back(), QUrl("https://example.org/button"));

    EXPECT_EQ(ViewerPage::route(QUrl("http://example.org/")), ViewerPage::Route::External);
    EXPECT_EQ(ViewerPage::route(QUrl("file:///etc/passwd")), ViewerPage::Route::Refuse);
    EXPECT_EQ(ViewerPage::route(QUrl("pagolux://other/x")), ViewerPage::Route::Refuse);
    EXPECT_EQ(ViewerPage::route(QUrl("pagolux://site/x")), ViewerPage::Route::Load);
}

TEST_F(ViewerWindowTest, PagesLoadFromTheNetworkButSendNoBeacons)
{
    // A server on this machine stands for the network (the engine trusts 127.0.0.1 like https).
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost));
    QStringList requests;
    QObject::connect(&server, &QTcpServer::newConnection, [&] {
        while (QTcpSocket* socket = server.nextPendingConnection()) {
            QObject::connect(socket, &QTcpSocket::readyRead, [&requests, socket] {
                const QByteArray head = socket->readAll();
                requests.append(QString::fromLatin1(head.left(head.indexOf(' ', 5))));
                const QByteArray body = QByteArray::fromStdString(kPng);
                socket->write("HTTP/1.1 200 OK\r\nContent-Type: image/png\r\nConnection: close\r\n"
                              "Access-Control-Allow-Origin: *\r\nContent-Length: " +
                              QByteArray::number(body.size()) + "\r\n\r\n" + body);
                socket->disconnectFromHost();
            });
        }
    });
    open(BuildSettings{});
    const QString base = QString("http://127.0.0.1:%1/").arg(server.serverPort());
    const QString result = test::probe(page(), QString(R"JS(
      (async () => {
        navigator.sendBeacon('%1beacon', 'opened');
        const img = await new Promise(r => { const i = new Image(); i.onload = () => r('image ' + i.naturalWidth);
                                              i.onerror = () => r('image refused'); i.src = '%1picture.png'; });
        const f = await fetch('%1data').then(() => 'fetch ok', () => 'fetch refused');
        window.__probe = img + '|' + f;
      })();
    )JS")
                                                   .arg(base));
    EXPECT_EQ(result, "image 2|fetch ok");
    test::waitUntil([] { return false; }, 300);
    requests.sort();
    EXPECT_EQ(requests, QStringList({"GET /data", "GET /picture.png"})) << "no beacon arrives";

    using RT = QWebEngineUrlRequestInfo::ResourceType;
    EXPECT_TRUE(NetworkGuard::refuses(RT::ResourceTypePing, QUrl("https://tracker.example/p")));
    EXPECT_TRUE(NetworkGuard::refuses(RT::ResourceTypeCspReport, QUrl("https://example.org/r")));
    EXPECT_TRUE(NetworkGuard::refuses(RT::ResourceTypePrefetch, QUrl("https://example.org/n")));
    EXPECT_FALSE(NetworkGuard::refuses(RT::ResourceTypeScript, QUrl("https://cdn.example/lib.js")));
    EXPECT_FALSE(NetworkGuard::refuses(RT::ResourceTypeFontResource, QUrl("https://fonts.example/a.woff2")));
    EXPECT_FALSE(NetworkGuard::refuses(RT::ResourceTypeSubFrame, QUrl("https://video.example/embed")));
}

TEST_F(ViewerWindowTest, LargeMembersAreStreamedAndMediaPlays)
{
    // 20 minutes of 8 kHz sound: 9.6 MB, above the size from which these members are streamed.
    source.members["\\site\\media\\ton.wav"] = wavFile(1200);
    source.members["\\site\\media\\hören.html"] =
        "<!DOCTYPE html><meta charset=utf-8><title>Hören</title><audio id=a preload=auto "
        "src=ton.wav></audio>";
    open(BuildSettings{}, 8LL * 1024 * 1024); // members above 8 MB are streamed
    window->view()->load(ArchiveSchemeHandler::urlForPath("/media/hören.html"));
    ASSERT_TRUE(test::waitUntil([&] { return window->view()->title() == "Hören"; }))
        << window->view()->title().toStdString() << " " << window->view()->url().toString().toStdString();
    const QString result = test::probe(page(), R"JS(
      (async () => {
        const a = document.getElementById('a');
        if (a.readyState < 1)
          await new Promise(r => { a.onloadedmetadata = r; a.onerror = r; });
        const out = ['duration ' + Math.round(a.duration)];
        a.currentTime = 1100;
        await new Promise(r => { a.onseeked = r; a.onerror = r; setTimeout(r, 10000); });
        out.push('at ' + Math.round(a.currentTime));
        out.push('error ' + (a.error ? a.error.code : 'none'));
        window.__probe = out.join('|');
      })();
    )JS");
    EXPECT_EQ(result, "duration 1200|at 1100|error none");
    EXPECT_NE(std::find(source.streamed.begin(), source.streamed.end(), "\\site\\media\\ton.wav"),
              source.streamed.end());
    EXPECT_EQ(std::find(source.asked.begin(), source.asked.end(), "\\site\\media\\ton.wav"),
              source.asked.end())
        << "the large member is never read whole";
    EXPECT_EQ(std::find(source.streamed.begin(), source.streamed.end(), "\\site\\index.html"),
              source.streamed.end())
        << "small members are read whole";
}

TEST_F(ViewerWindowTest, ParallelFetchesOfALargeMemberInflateItOnce)
{
    const std::string wav = wavFile(1200); // 9.6 MB
    source.members["\\site\\media\\ton.wav"] = wav;
    open(BuildSettings{});
    const QString result = test::probe(page(), R"JS(
      Promise.all(Array.from({ length: 100 }, () =>
        fetch('media/ton.wav').then(r => r.arrayBuffer()).then(b => b.byteLength, () => -1)))
        .then(sizes => { window.__probe = String(new Set(sizes).size) + ' ' + sizes[0]; });
    )JS");
    EXPECT_EQ(result, QString("1 %1").arg(wav.size()));
    EXPECT_EQ(std::count(source.asked.begin(), source.asked.end(), "\\site\\media\\ton.wav"), 1);
    EXPECT_LE(handler->bytesInflated(), static_cast<std::int64_t>(wav.size() + 4096));
}

TEST_F(ViewerWindowTest, DownloadLinksAskWhereTheFileGoes)
{
    source.members["\\site\\index.html"] += "<a id=dl download=antwort.json href=data.json>Laden</a>";
    open(BuildSettings{});
    test::TempFolder target;
    std::vector<QString> asked;
    window->setSaveChooser([&](const QString& suggested) {
        asked.push_back(suggested);
        return QString::fromStdString(target / "gespeichert.json");
    });
    clickElement(*window->view(), "dl");
    ASSERT_TRUE(test::waitUntil([&] { return std::filesystem::exists(target / "gespeichert.json"); }));
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_TRUE(asked[0].endsWith("/antwort.json")) << asked[0].toStdString();
    // Where the home holds no download folder, the dialog is still offered one that is there
    // (given one that is not, it would open in the working folder).
    EXPECT_TRUE(QFileInfo(QFileInfo(asked[0]).path()).isDir()) << asked[0].toStdString();
    EXPECT_TRUE(test::waitUntil(
        [&] { return test::readBytes(target / "gespeichert.json") == test::bytesOf("{\"answer\": 42}"); }));
}

TEST_F(ViewerWindowTest, StatusBarNamesPagesInsideTheSite)
{
    open(BuildSettings{});
    struct Row {
        const char* hovered;
        const char* shown;
    } rows[] = {
        {"pagolux://site/pages/sub.html", "pages/sub.html"},
        {"pagolux://site/a%20b/%C3%BC.html#teil", "a b/ü.html#teil"},
        {"pagolux://site/elsewhere/x.html", "elsewhere/x.html"},
        {"https://example.org/x?y=1", "https://example.org/x?y=1"},
    };
    for (const auto& row : rows) {
        emit window->view()->page()->linkHovered(QString::fromUtf8(row.hovered));
        EXPECT_EQ(window->statusBar()->currentMessage(), QString::fromUtf8(row.shown)) << row.hovered;
    }
}

TEST_F(ViewerWindowTest, QtDialogsSpeakGerman)
{
    EXPECT_GE(installGermanQtTexts(*qApp), 1);
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), "Abbrechen");
    EXPECT_EQ(QCoreApplication::translate("QPrintDialog", "Print"), "Drucken");
}

TEST_F(ViewerWindowTest, WindowFollowsTheSettings)
{
    struct Row {
        const char* name;
        std::function<void(BuildSettings&)> change;
        QStringList toolbar;
        bool menu;
        bool statusBar;
        bool fixed;
    };
    const QStringList allTools{"actionBack",   "actionForward", "actionHome",
                               "actionReload", "actionPrint",   "actionExitButton"};
    const std::vector<Row> rows = {
        {"defaults", [](BuildSettings&) {}, allTools, true, true, false},
        {"fixed size: no menu, about on the toolbar",
         [](BuildSettings& s) { s.fixedSize = true; },
         {"actionBack", "actionForward", "actionHome", "actionReload", "actionPrint", "actionAbout",
          "actionExitButton"},
         false,
         true,
         true},
        {"no status bar", [](BuildSettings& s) { s.elements[0] = false; }, allTools, true, false, false},
        {"no toolbar", [](BuildSettings& s) { s.elements[1] = false; }, {}, true, true, false},
        {"no print, no exit button",
         [](BuildSettings& s) {
             s.elements[2] = false;
             s.elements[9] = false;
         },
         {"actionBack", "actionForward", "actionHome", "actionReload"},
         true,
         true,
         false},
        {"nothing at all", [](BuildSettings& s) { s.elements.fill(false); }, {}, false, false, false},
    };
    for (const auto& row : rows) {
        BuildSettings s;
        s.projectName = "Mein Projekt";
        s.width = 640;
        s.height = 480;
        row.change(s);
        open(s);
        EXPECT_EQ(window->windowTitle(), "Mein Projekt") << row.name;
        EXPECT_EQ(window->size(), QSize(640, 480)) << row.name;
        QStringList tools;
        if (window->toolBar())
            for (QAction* a : window->toolBar()->actions())
                tools.append(a->objectName());
        EXPECT_EQ(tools, row.toolbar) << row.name;
        EXPECT_EQ(window->menuWidget() != nullptr && !window->menuBar()->actions().isEmpty(), row.menu)
            << row.name;
        EXPECT_EQ(window->findChild<QStatusBar*>() != nullptr, row.statusBar) << row.name;
        EXPECT_EQ(window->minimumSize() == window->maximumSize(), row.fixed) << row.name;
        // "Über..." is reachable in every window that has it: F1 works without menu and toolbar.
        if (QAction* about = window->findChild<QAction*>("actionAbout")) {
            EXPECT_EQ(about->shortcut(), QKeySequence(QKeySequence::HelpContents)) << row.name;
        }
    }
}

TEST_F(ViewerWindowTest, MaximumSizeOpensMaximisedAndOutOfRangeSizesAreBounded)
{
    BuildSettings s;
    s.definedSize = false;
    open(s);
    EXPECT_TRUE(window->windowState() & Qt::WindowMaximized);
    EXPECT_FALSE(window->minimumSize() == window->maximumSize());

    s.definedSize = true;
    s.width = -5;
    s.height = 1 << 30;
    open(s);
    EXPECT_EQ(window->requestedSize(), QSize(64, 16384));
}

TEST_F(ViewerWindowTest, BackAndForwardFollowTheHistory)
{
    open(BuildSettings{});
    QAction* back = window->findChild<QAction*>("actionBack");
    QAction* forward = window->findChild<QAction*>("actionForward");
    ASSERT_TRUE(back && forward);
    EXPECT_FALSE(back->isEnabled());
    // A navigation the user starts (a script's click without a gesture would be skipped by the
    // engine's history rules).
    window->view()->load(ArchiveSchemeHandler::urlForPath("/pages/sub.html"));
    ASSERT_TRUE(test::waitUntil([&] { return window->view()->title() == "Unterseite"; }));
    EXPECT_TRUE(test::waitUntil([&] { return back->isEnabled(); }));
    back->trigger();
    const bool backHome = test::waitUntil([&] { return window->view()->title() == "Start"; });
    ASSERT_TRUE(backHome) << window->view()->url().toString().toStdString();
    EXPECT_TRUE(test::waitUntil([&] { return forward->isEnabled(); }));
    forward->trigger();
    EXPECT_TRUE(test::waitUntil([&] { return window->view()->title() == "Unterseite"; }));
}

TEST(ViewerIcon, PixelBytesBecomeTheWindowIcon)
{
    std::array<std::uint8_t, 512> pixels{};
    pixels[496] = 0x9C; // top row: red (9), then blue (12)
    pixels[15] = 0x0F;  // bottom row, last pixel: white
    const QImage image = ViewerWindow::iconImage(pixels);
    EXPECT_EQ(image.size(), QSize(32, 32));
    EXPECT_EQ(image.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(1, 0), qRgb(0, 0, 255));
    EXPECT_EQ(image.pixel(2, 0), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(31, 31), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(30, 31), qRgb(0, 0, 0));
}

} // namespace
} // namespace pagolux

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        std::puts("no DISPLAY: the web engine tests need an X server (run under xvfb-run)");
        return 0;
    }
    pagolux::ArchiveSchemeHandler::registerScheme();
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
