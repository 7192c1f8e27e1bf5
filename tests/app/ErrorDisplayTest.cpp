// The application's default error display, the per-user paths, the dialog filters and the
// output-name rule of the window.

#include "WindowTestSupport.h"

#include "app/QtUserInteraction.h"
#include "app/TApplication.h"
#include "controls/TFilenameEdit.h"
#include "platform/Exception.h"
#include "platform/Paths.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QPushButton>

namespace pagolux::test {
namespace {

// An object whose event handler fails, as a handler of the window can.
class FailingObject : public QObject {
  protected:
    bool event(QEvent* e) override
    {
        if (e->type() == QEvent::User)
            throw Exception("Datei x kann nicht geöffnet werden");
        return QObject::event(e);
    }
};

class ErrorDisplay : public WindowTest {
  protected:
    void TearDown() override
    {
        TApplication::errorDisplay() = nullptr;
        WindowTest::TearDown();
    }
};

TEST_F(ErrorDisplay, NotifyShowsAnEscapedErrorThroughTheWindowAndTheProgramGoesOn)
{
    FailingObject failing;
    QEvent event(QEvent::User);
    QApplication::sendEvent(&failing, &event);
    ASSERT_EQ(script.errors.size(), 1u);
    EXPECT_EQ(script.errors[0], "Datei x kann nicht geöffnet werden");
    // The window still works afterwards.
    form->wwwBtn->click();
    EXPECT_EQ(script.urls.size(), 1u);
}

TEST_F(ErrorDisplay, GuardedHandlerReportsFailureAndEachErrorKind)
{
    EXPECT_TRUE(runGuarded([] {}));
    EXPECT_FALSE(runGuarded([] { throw Exception("Stream-Write-Fehler"); }));
    EXPECT_FALSE(runGuarded([] { throw std::bad_alloc(); }));
    EXPECT_FALSE(runGuarded([] { throw 42; }));
    const std::vector<std::string> expected = {"Stream-Write-Fehler", "Zu wenig Arbeitsspeicher",
                                               "Unbekannter Fehler"};
    EXPECT_EQ(script.errors, expected);
}

TEST_F(ErrorDisplay, ReplaceableDisplayReceivesTheText)
{
    std::vector<std::string> shown;
    TApplication::errorDisplay() = [&shown](const std::string& text) { shown.push_back(text); };
    TApplication::showException("Stream-Read-Fehler");
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], "Stream-Read-Fehler");
    EXPECT_TRUE(script.errors.empty());
}

TEST(ApplicationTitle, IsPagolux20)
{
    EXPECT_EQ(TApplication::title(), QStringLiteral("Pagolux 2.0"));
}

TEST(AppPaths, UserDataFolderFollowsXdgAndIsCreated)
{
    IsolatedHome home;
    const std::string folder = UserDataFolder();
    EXPECT_EQ(folder, home / "data/pagolux/");
    EXPECT_TRUE(QFileInfo(QString::fromStdString(folder)).isDir());

    qputenv("XDG_DATA_HOME", "relative/ignored");
    EXPECT_EQ(UserDataFolder(false), home.home() + ".local/share/pagolux/");
    qunsetenv("XDG_DATA_HOME");
    EXPECT_EQ(UserDataFolder(false), home.home() + ".local/share/pagolux/");
    EXPECT_EQ(DefaultOutputName(), home.home() + "ziel");
}

TEST(DialogFilters, BecomeQtNameFilters)
{
    const struct {
        std::string filter;
        QStringList expected;
    } cases[] = {
        {"EXE-HTML-Dateien|*.pgx", {QStringLiteral("EXE-HTML-Dateien (*.pgx)")}},
        {"EXE-Dateien (*.exe)|*.exe", {QStringLiteral("EXE-Dateien (*.exe)")}},
        {"Programme (*)|*", {QStringLiteral("Programme (*)")}},
        {"Bilder|*.bmp;*.ico|Alle|*", {QStringLiteral("Bilder (*.bmp *.ico)"), QStringLiteral("Alle (*)")}},
        {"", {}},
        {"Ohne Muster", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(QtUserInteraction::nameFilters(c.filter), c.expected) << c.filter;
}

TEST(OutputName, FieldTextBecomesTheFileName)
{
    QTemporaryDir dir;
    const std::string existing = bytes(dir.filePath(QStringLiteral("mit leer zeichen")));
    writeFile(dir.filePath(QStringLiteral("mit leer zeichen")));
    const struct {
        std::string text;
        std::string expected;
    } cases[] = {
        {"/home/anna/ziel", "/home/anna/ziel"},
        {"  /home/anna/ziel  ", "/home/anna/ziel"},
        {"\"/home/anna/mein ziel\"", "/home/anna/mein ziel"},
        {"\"/home/anna/mein ziel\" rest", "/home/anna/mein ziel"},
        {"\"/home/anna/offen", "/home/anna/offen"},
        {"/home/anna/mein ziel", "/home/anna/mein ziel"},
        {existing, existing},
        {"   ", ""},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TFilenameEdit::fileNameOf(c.text), c.expected) << c.text;
}

TEST_F(ErrorDisplay, BrowseButtonOfTheOutputNameUsesTheProgramDialog)
{
    script.saveFiles.push_back(std::string("/tmp/neues programm"));
    form->EXENameEdit->OnButtonClick();
    ASSERT_EQ(script.saveRequests.size(), 1u);
    EXPECT_EQ(script.saveRequests[0].filter, "Programme (*)|*");
    EXPECT_EQ(script.saveRequests[0].fileName, home->home() + "ziel");
    EXPECT_EQ(form->EXENameEdit->FileName(), "/tmp/neues programm");

    form->EXENameEdit->OnButtonClick(); // cancelled: the name stays
    EXPECT_EQ(form->EXENameEdit->FileName(), "/tmp/neues programm");
}

} // namespace
} // namespace pagolux::test
