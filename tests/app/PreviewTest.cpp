// The page "Vorschau" with a real web view (needs a display).

#include "WindowTestSupport.h"

#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <QUrl>
#include <QVariant>
#include <QWebEngineHistory>
#include <QWebEnginePage>
#include <QWebEngineView>

namespace pagolux::test {
namespace {

class Preview : public WindowTest {
  protected:
    void SetUp() override
    {
        if (qEnvironmentVariableIsEmpty("DISPLAY"))
            GTEST_SKIP() << "needs an X display (run under xvfb-run)";
        WindowTest::SetUp();
        writeFile(site.filePath(QStringLiteral("index.html")),
                  "<html><head><title>Start</title></head><body>"
                  "<a id='weiter' href='seite2.html'>weiter</a></body></html>");
        writeFile(site.filePath(QStringLiteral("seite2.html")),
                  "<html><head><title>Seite 2</title></head><body>zwei</body></html>");
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        control<QTabWidget>(*form, "PageControl2")->setCurrentWidget(control<QWidget>(*form, "TabSheet5"));
    }

    // The preview's address of a site path: the start file's folder is the site's root.
    static QUrl fileUrl(const char* path)
    {
        return QUrl(QStringLiteral("pagolux://site/") + QLatin1String(path));
    }

    // Runs `action` and waits until the view has finished the load it started.
    bool loads(const std::function<void()>& action)
    {
        QSignalSpy finished(form->webBrowser(), &QWebEngineView::loadFinished);
        action();
        return finished.wait(20000) && finished.constLast().at(0).toBool();
    }

    // The address the page itself reports, asked after everything sent to it before: a
    // navigation an earlier click started would have replaced the page by then.
    QUrl pageLocation()
    {
        QString location;
        bool answered = false;
        form->webBrowser()->page()->runJavaScript(QStringLiteral("location.href"), [&](const QVariant& v) {
            location = v.toString();
            answered = true;
        });
        return QTest::qWaitFor([&] { return answered; }, 20000) ? QUrl(location) : QUrl();
    }
};

TEST_F(Preview, WithoutStartFileOnlyTheMessageAppears)
{
    control<GlyphButton>(*form, "LoadBtn")->click();
    ASSERT_EQ(script.messages.size(), 1u);
    EXPECT_EQ(script.messages[0].text, "Sie müssen zunächst eine Startdatei auswählen!");
    EXPECT_EQ(script.messages[0].caption, "");
    EXPECT_EQ(script.messages[0].icon, MsgIcon::Error);
    EXPECT_TRUE(form->webBrowser()->url().isEmpty());
}

TEST_F(Preview, BackBeforeAnythingWasLoadedDoesNothing)
{
    control<GlyphButton>(*form, "BackButton")->click();
    control<GlyphButton>(*form, "FwdButton")->click();
    control<GlyphButton>(*form, "ReloadButton")->click();
    EXPECT_TRUE(script.messages.empty());
    EXPECT_TRUE(script.errors.empty());
    EXPECT_TRUE(form->webBrowser()->url().isEmpty());
}

TEST_F(Preview, LoadsTheStartFileAndHomeReturnsToItAfterFollowingALink)
{
    addFromFolder(site.path(), {QStringLiteral("index.html"), QStringLiteral("seite2.html")});
    ASSERT_EQ(form->startIndex(), 0);

    ASSERT_TRUE(loads([&] { control<GlyphButton>(*form, "LoadBtn")->click(); }));
    EXPECT_EQ(form->webBrowser()->url(), fileUrl("index.html"));
    EXPECT_EQ(form->webBrowser()->title(), QStringLiteral("Start"));

    // "Zurück" at the start of the history stays on the page.
    EXPECT_FALSE(form->webBrowser()->history()->canGoBack());
    control<GlyphButton>(*form, "BackButton")->click();
    EXPECT_EQ(pageLocation(), fileUrl("index.html"));
    EXPECT_EQ(form->webBrowser()->url(), fileUrl("index.html"));

    ASSERT_TRUE(loads([&] {
        form->webBrowser()->page()->runJavaScript(
            QStringLiteral("document.getElementById('weiter').click()"));
    }));
    EXPECT_EQ(form->webBrowser()->url(), fileUrl("seite2.html"));

    ASSERT_TRUE(loads([&] { control<GlyphButton>(*form, "HomeBtn")->click(); }));
    EXPECT_EQ(form->webBrowser()->url(), fileUrl("index.html"));

    ASSERT_TRUE(loads([&] { control<GlyphButton>(*form, "BackButton")->click(); }));
    EXPECT_EQ(form->webBrowser()->url(), fileUrl("seite2.html"));
    ASSERT_TRUE(loads([&] { control<GlyphButton>(*form, "FwdButton")->click(); }));
    EXPECT_EQ(form->webBrowser()->url(), fileUrl("index.html"));
    ASSERT_TRUE(loads([&] { control<GlyphButton>(*form, "ReloadButton")->click(); }));
    EXPECT_EQ(form->webBrowser()->url(), fileUrl("index.html"));
    EXPECT_TRUE(script.messages.empty());
}

TEST_F(Preview, FolderStartFileShowsItsIndexPage)
{
    writeFile(site.filePath(QStringLiteral("bilder/index.html")), "<title>Bilder</title>");
    writeFile(site.filePath(QStringLiteral("leer/logo.png")));
    addFromFolder(site.path(), {QStringLiteral("bilder"), QStringLiteral("leer")});
    ASSERT_TRUE(loads([&] { control<GlyphButton>(*form, "LoadBtn")->click(); }));
    EXPECT_EQ(form->webBrowser()->url(), fileUrl(""));
    EXPECT_EQ(form->webBrowser()->title(), QStringLiteral("Bilder"));

    // A folder without an index page has no start page: the German 404 page says so.
    control<QListWidget>(*form, "SortBox")->setCurrentRow(1);
    ASSERT_TRUE(loads([&] { control<GlyphButton>(*form, "LoadBtn")->click(); }));
    EXPECT_EQ(form->webBrowser()->title(), QStringLiteral("404 - Seite nicht gefunden"));
    EXPECT_TRUE(script.errors.empty());
}

TEST_F(Preview, ShowsOnlyWhatTheProjectHoldsAndRefusesLocalFiles)
{
    // The page links a style sheet and a page that the project does not hold, though both lie
    // beside it on disk, and tries to read local files.
    writeFile(site.filePath(QStringLiteral("stil.css")), "body { color: rgb(1, 2, 3); }");
    writeFile(site.filePath(QStringLiteral("geheim.html")), "<title>Geheim</title>");
    writeFile(site.filePath(QStringLiteral("app/index.html")),
              "<html><head><title>App</title><link rel=stylesheet href=/stil.css></head>"
              "<body>App</body></html>");
    addFromFolder(site.path(), {QStringLiteral("app")});
    ASSERT_TRUE(loads([&] { control<GlyphButton>(*form, "LoadBtn")->click(); }));
    ASSERT_EQ(form->webBrowser()->title(), QStringLiteral("App"));
    QWebEnginePage* page = form->webBrowser()->page();
    const auto evaluate = [page](const QString& js) {
        QVariant result;
        bool done = false;
        page->runJavaScript(js, [&](const QVariant& v) {
            result = v;
            done = true;
        });
        EXPECT_TRUE(QTest::qWaitFor([&] { return done; }, 10000));
        return result;
    };
    EXPECT_EQ(evaluate("getComputedStyle(document.body).color").toString(), "rgb(0, 0, 0)")
        << "the style sheet is not in the project";
    const QString probe = QStringLiteral(R"JS(
      window.__r = null;
      Promise.all([
        fetch('/geheim.html').then(r => 'resolved ' + r.status, () => 'rejected'),
        fetch('file:///etc/passwd').then(r => 'resolved', () => 'rejected'),
        new Promise(res => { const x = new XMLHttpRequest(); x.open('GET', 'file:///etc/passwd');
                             x.onload = () => res('xhr read'); x.onerror = () => res('xhr refused');
                             try { x.send(); } catch (e) { res('xhr refused'); } }),
      ]).then(a => { window.__r = a.join('|'); });
    )JS");
    evaluate(probe);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return evaluate("window.__r").typeId() == QMetaType::QString; }, 10000));
    EXPECT_EQ(evaluate("window.__r").toString(), "rejected|rejected|xhr refused");
}

TEST_F(Preview, ChosenStartFileIsShownAndStaysAfterItIsRemoved)
{
    addFromFolder(site.path(), {QStringLiteral("index.html"), QStringLiteral("seite2.html")});
    control<QListWidget>(*form, "SortBox")->setCurrentRow(1);
    ASSERT_TRUE(loads([&] { control<GlyphButton>(*form, "LoadBtn")->click(); }));
    EXPECT_EQ(form->webBrowser()->url(), fileUrl("seite2.html"));

    selectImageLines({1});
    press(control<GlyphButton>(*form, "DelBtn"));
    EXPECT_EQ(pageLocation(), fileUrl("seite2.html"));
    EXPECT_EQ(form->webBrowser()->url(), fileUrl("seite2.html"));
}

} // namespace
} // namespace pagolux::test
