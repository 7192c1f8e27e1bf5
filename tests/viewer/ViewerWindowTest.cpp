#include "viewer/qt/ViewerWindow.h"
#include "viewer/core/ViewerPackage.h"
#include "viewer/qt/ArchiveSchemeHandler.h"
#include "viewer/qt/ViewerPage.h"

#include "tests/viewer/WebTestSupport.h"

#include <QAction>
#include <QApplication>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>
#include <QWebEngineProfile>
#include <QWebEngineView>

#include <gtest/gtest.h>

#include <map>

namespace pagolux {
namespace {

// Members kept in a map; counts what it was asked for.
class MapSource : public MemberSource {
  public:
    std::optional<std::vector<std::uint8_t>> read(const std::string& key) override
    {
        asked.push_back(key);
        std::string lower = key;
        for (char& c : lower)
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
        const auto it = members.find(lower);
        if (it == members.end())
            return std::nullopt;
        return std::vector<std::uint8_t>(it->second.begin(), it->second.end());
    }
    std::map<std::string, std::string> members;
    std::vector<std::string> asked;
};

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
        handler = new ArchiveSchemeHandler(source, profile);
        profile->installUrlSchemeHandler(ArchiveSchemeHandler::kScheme, handler);
    }
    void TearDown() override
    {
        window.reset();
        delete profile;
    }

    ViewerWindow& open(const BuildSettings& settings)
    {
        window = std::make_unique<ViewerWindow>(
            settings, ArchiveSchemeHandler::urlForKey("\\site\\index.html"), profile);
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

    window->view()->load(ArchiveSchemeHandler::urlForKey("\\site\\nothing-here.html"));
    EXPECT_TRUE(test::waitUntil([&] { return window->view()->title() == "404 - Seite nicht gefunden"; }));

    window->view()->load(QUrl("file:///etc/passwd"));
    test::waitUntil([] { return false; }, 500);
    EXPECT_EQ(window->view()->title(), "404 - Seite nicht gefunden") << "file:// is never navigated to";

    window->findChild<QAction*>("actionHome")->trigger();
    EXPECT_TRUE(test::waitUntil([&] { return window->view()->title() == "Start"; }));
}

TEST_F(ViewerWindowTest, ExternalLinksLeaveForTheBrowser)
{
    open(BuildSettings{});
    std::vector<QUrl> opened;
    auto* page = new ViewerPage(
        profile, [&](const QUrl& u) { opened.push_back(u); }, window->view());
    window->view()->setPage(page);
    loaded = 0;
    window->view()->load(window->homeUrl());
    ASSERT_TRUE(test::waitUntil([&] { return loaded > 0; }));
    test::evaluate(*page, "document.getElementById('ext').click()");
    ASSERT_TRUE(test::waitUntil([&] { return !opened.empty(); }));
    EXPECT_EQ(opened[0], QUrl("https://example.org/x"));
    EXPECT_EQ(window->view()->title(), "Start") << "the viewer itself stays on its page";

    EXPECT_EQ(ViewerPage::route(QUrl("http://example.org/")), ViewerPage::Route::External);
    EXPECT_EQ(ViewerPage::route(QUrl("file:///etc/passwd")), ViewerPage::Route::Refuse);
    EXPECT_EQ(ViewerPage::route(QUrl("pagolux://other/x")), ViewerPage::Route::Refuse);
    EXPECT_EQ(ViewerPage::route(QUrl("pagolux://site/x")), ViewerPage::Route::Load);
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
        {"fixed size: no menu", [](BuildSettings& s) { s.fixedSize = true; }, allTools, false, true, true},
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
    window->view()->load(ArchiveSchemeHandler::urlForKey("\\site\\pages\\sub.html"));
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
