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
        form->PageControl2->setCurrentWidget(form->TabSheet5);
    }

    QUrl fileUrl(const char* name) const
    {
        return QUrl::fromLocalFile(site.filePath(QString::fromLatin1(name)));
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
    form->LoadBtn->click();
    ASSERT_EQ(script.messages.size(), 1u);
    EXPECT_EQ(script.messages[0].text, "Sie müssen zunächst eine Startdatei auswählen!");
    EXPECT_EQ(script.messages[0].caption, "");
    EXPECT_EQ(script.messages[0].icon, MsgIcon::Error);
    EXPECT_TRUE(form->webBrowser()->url().isEmpty());
}

TEST_F(Preview, BackBeforeAnythingWasLoadedDoesNothing)
{
    form->BackButton->click();
    form->FwdButton->click();
    form->ReloadButton->click();
    EXPECT_TRUE(script.messages.empty());
    EXPECT_TRUE(script.errors.empty());
    EXPECT_TRUE(form->webBrowser()->url().isEmpty());
}

TEST_F(Preview, LoadsTheStartFileAndHomeReturnsToItAfterFollowingALink)
{
    addFromFolder(site.path(), {QStringLiteral("index.html"), QStringLiteral("seite2.html")});
    ASSERT_EQ(form->startIndex(), 0);

    ASSERT_TRUE(loads([&] { form->LoadBtn->click(); }));
    EXPECT_EQ(form->webBrowser()->url(), fileUrl("index.html"));
    EXPECT_EQ(form->webBrowser()->title(), QStringLiteral("Start"));

    // "Zurück" at the start of the history stays on the page.
    EXPECT_FALSE(form->webBrowser()->history()->canGoBack());
    form->BackButton->click();
    EXPECT_EQ(pageLocation(), fileUrl("index.html"));
    EXPECT_EQ(form->webBrowser()->url(), fileUrl("index.html"));

    ASSERT_TRUE(loads([&] {
        form->webBrowser()->page()->runJavaScript(
            QStringLiteral("document.getElementById('weiter').click()"));
    }));
    EXPECT_EQ(form->webBrowser()->url(), fileUrl("seite2.html"));

    ASSERT_TRUE(loads([&] { form->HomeBtn->click(); }));
    EXPECT_EQ(form->webBrowser()->url(), fileUrl("index.html"));

    ASSERT_TRUE(loads([&] { form->BackButton->click(); }));
    EXPECT_EQ(form->webBrowser()->url(), fileUrl("seite2.html"));
    ASSERT_TRUE(loads([&] { form->FwdButton->click(); }));
    EXPECT_EQ(form->webBrowser()->url(), fileUrl("index.html"));
    ASSERT_TRUE(loads([&] { form->ReloadButton->click(); }));
    EXPECT_EQ(form->webBrowser()->url(), fileUrl("index.html"));
    EXPECT_TRUE(script.messages.empty());
}

TEST_F(Preview, FolderStartFileIsGivenToTheViewAsItsPath)
{
    writeFile(site.filePath(QStringLiteral("bilder/logo.png")));
    addFromFolder(site.path(), {QStringLiteral("bilder")});
    (void)loads([&] { form->LoadBtn->click(); });
    EXPECT_EQ(form->webBrowser()->page()->requestedUrl(), fileUrl("bilder"));
    // The engine shows the folder's listing under the folder's address with a final "/".
    EXPECT_EQ(form->webBrowser()->url().adjusted(QUrl::StripTrailingSlash), fileUrl("bilder"));
    EXPECT_TRUE(script.errors.empty());
}

TEST_F(Preview, ChosenStartFileIsShownAndStaysAfterItIsRemoved)
{
    addFromFolder(site.path(), {QStringLiteral("index.html"), QStringLiteral("seite2.html")});
    form->SortBox->setCurrentRow(1);
    ASSERT_TRUE(loads([&] { form->LoadBtn->click(); }));
    EXPECT_EQ(form->webBrowser()->url(), fileUrl("seite2.html"));

    selectImageLines({1});
    press(form->DelBtn);
    EXPECT_EQ(pageLocation(), fileUrl("seite2.html"));
    EXPECT_EQ(form->webBrowser()->url(), fileUrl("seite2.html"));
}

} // namespace
} // namespace pagolux::test
