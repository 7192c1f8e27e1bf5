// Program start, new project, caption, closing and the bottom row of the main window.

#include "WindowTestSupport.h"

#include "app/AboutBoxUnit.h"
#include "controls/TFilenameEdit.h"
#include "platform/Paths.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/TempFolder.h"

#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>

#include <filesystem>

namespace pagolux::test {
namespace {

using Lifecycle = WindowTest;

std::vector<QCheckBox*> elementBoxes(TMainForm& f)
{
    return {f.CheckBox1, f.CheckBox2, f.CheckBox3, f.CheckBox4, f.CheckBox5,
            f.CheckBox6, f.CheckBox7, f.CheckBox8, f.CheckBox9, f.CheckBox10};
}

TEST_F(Lifecycle, StartsUntitledWithTheDefaultSettings)
{
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Orvanto Pagolux 2.0 - [Unbenannt.pgx]"));
    EXPECT_TRUE(form->savedFileName().empty());
    EXPECT_EQ(form->PicCount(), 0);
    EXPECT_EQ(form->startIndex(), -1);
    EXPECT_FALSE(form->DelBtn->isEnabled());
    EXPECT_EQ(form->PageControl2->currentWidget(), form->TabSheet1);
    for (QCheckBox* box : elementBoxes(*form))
        EXPECT_TRUE(box->isChecked()) << box->objectName().toStdString();
    EXPECT_EQ(form->WidthEd->value(), 600);
    EXPECT_EQ(form->HeightEd->value(), 440);
    EXPECT_TRUE(form->DefSizeCheck->isChecked());
    EXPECT_FALSE(form->FullScreenCheck->isChecked());
    EXPECT_FALSE(form->FixedSizeCheck->isChecked());
    EXPECT_FALSE(form->AutoStartCheck->isChecked());
    EXPECT_EQ(form->NameED->text(), QStringLiteral("Pagolux 2.0"));
    EXPECT_EQ(form->EXENameEdit->FileName(), home->home() + "ziel");
    EXPECT_EQ(form->proStatus(), 0);
    EXPECT_EQ(form->iconPos(), 0);
    EXPECT_TRUE(script.messages.empty());
}

TEST_F(Lifecycle, ProgramFolderIsTheFolderOfTheRunningExecutable)
{
    const std::string path = form->progPath();
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(path.back(), '/');
    EXPECT_EQ(path, QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString() + "/");
}

TEST_F(Lifecycle, CaptionShowsOnlyTheFileNameOfTheProject)
{
    const struct {
        std::string name;
        QString caption;
    } cases[] = {
        {"/home/anna/projekte/Test.pgx", QStringLiteral("Orvanto Pagolux 2.0 - [Test.pgx]")},
        {"Test.pgx", QStringLiteral("Orvanto Pagolux 2.0 - [Test.pgx]")},
        {"/tmp/Grüße.pgx", QStringLiteral("Orvanto Pagolux 2.0 - [Grüße.pgx]")},
        {"", QStringLiteral("Orvanto Pagolux 2.0 - [Unbenannt.pgx]")},
    };
    for (const auto& c : cases) {
        form->Setsavedfilename(c.name);
        EXPECT_EQ(form->windowTitle(), c.caption) << c.name;
        EXPECT_EQ(form->savedFileName(), c.name);
    }
}

TEST_F(Lifecycle, NewAsksEvenOnAnEmptyProjectAndCancelChangesNothing)
{
    form->CheckBox3->setChecked(false);
    form->WidthEd->setValue(800);
    form->FullScreenCheck->setChecked(true);
    form->NameED->setText(QStringLiteral("Mein Projekt"));
    form->Setsavedfilename("/tmp/Alt.pgx");
    script.answers.push_back(MsgResult::Cancel);

    press(form->NewBtn);

    ASSERT_EQ(script.messages.size(), 1u);
    EXPECT_EQ(script.messages[0].text, "Hiermit gehen alle nicht gespeicherten Informationen verloren.");
    EXPECT_EQ(script.messages[0].caption, "Datei/Neu");
    EXPECT_EQ(script.messages[0].icon, MsgIcon::Information);
    EXPECT_EQ(script.messages[0].buttons, MsgButtons::OkCancel);
    EXPECT_FALSE(form->CheckBox3->isChecked());
    EXPECT_EQ(form->WidthEd->value(), 800);
    EXPECT_TRUE(form->FullScreenCheck->isChecked());
    EXPECT_EQ(form->NameED->text(), QStringLiteral("Mein Projekt"));
    EXPECT_EQ(form->savedFileName(), "/tmp/Alt.pgx");
}

TEST_F(Lifecycle, NewResetsTheProjectButKeepsOutputAutoStartAndFavourites)
{
    writeFile(site.filePath(QStringLiteral("a.html")));
    addFromFolder(site.path(), {QStringLiteral("a.html")});
    ASSERT_EQ(form->PicCount(), 1);
    for (QCheckBox* box : elementBoxes(*form))
        box->setChecked(false);
    form->WidthEd->setValue(1000);
    form->HeightEd->setValue(100);
    form->FullScreenCheck->setChecked(true);
    form->NameED->setText(QStringLiteral("Anders"));
    form->EXENameEdit->setFileName("/tmp/mein-programm");
    form->AutoStartCheck->setChecked(true);
    form->Setsavedfilename("/tmp/Alt.pgx");
    const int favourites = form->PrefListBox->count();
    script.answers.push_back(MsgResult::Ok);

    press(form->NewBtn);

    for (QCheckBox* box : elementBoxes(*form))
        EXPECT_TRUE(box->isChecked()) << box->objectName().toStdString();
    EXPECT_EQ(form->WidthEd->value(), 600);
    EXPECT_EQ(form->HeightEd->value(), 440);
    EXPECT_TRUE(form->DefSizeCheck->isChecked());
    EXPECT_FALSE(form->FullScreenCheck->isChecked());
    EXPECT_TRUE(form->FixedSizeCheck->isChecked()); // unlike at program start
    EXPECT_EQ(form->NameED->text(), QStringLiteral("Pagolux 2.0"));
    EXPECT_EQ(form->PicCount(), 0);
    EXPECT_EQ(form->ImageList->count(), 0);
    EXPECT_EQ(form->SortBox->count(), 0);
    EXPECT_EQ(form->startIndex(), -1);
    EXPECT_FALSE(form->DelBtn->isEnabled());
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Orvanto Pagolux 2.0 - [Unbenannt.pgx]"));
    EXPECT_EQ(form->EXENameEdit->FileName(), "/tmp/mein-programm");
    EXPECT_TRUE(form->AutoStartCheck->isChecked());
    EXPECT_EQ(form->PrefListBox->count(), favourites);
}

TEST_F(Lifecycle, ClosingAnsweredCancelKeepsWindowAndProject)
{
    writeFile(site.filePath(QStringLiteral("a.html")));
    addFromFolder(site.path(), {QStringLiteral("a.html")});
    form->Setsavedfilename("/tmp/Test.pgx");
    form->show();
    script.answers.push_back(MsgResult::Cancel);

    EXPECT_FALSE(form->close());

    ASSERT_EQ(script.messages.size(), 1u);
    EXPECT_EQ(script.messages[0].text,
              "Hiermit beenden Sie das Programm! Alle nicht gespeicherten Daten gehen verloren!");
    EXPECT_EQ(script.messages[0].caption, "Programm beenden");
    EXPECT_EQ(script.messages[0].icon, MsgIcon::Information);
    EXPECT_EQ(script.messages[0].buttons, MsgButtons::OkCancel);
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->savedFileName(), "/tmp/Test.pgx");
    EXPECT_EQ(form->PicCount(), 1);
}

TEST_F(Lifecycle, ExitButtonAsksAndClosesOnOk)
{
    form->show();
    script.answers.push_back(MsgResult::Ok);
    form->endebtn->click();
    ASSERT_EQ(script.messages.size(), 1u);
    EXPECT_EQ(script.messages[0].caption, "Programm beenden");
    EXPECT_FALSE(form->isVisible());
}

TEST_F(Lifecycle, MakerButtonOpensTheAddressItShows)
{
    form->wwwBtn->click();
    ASSERT_EQ(script.urls.size(), 1u);
    EXPECT_EQ(script.urls[0], kMakerUrl);
    EXPECT_TRUE(QString::fromUtf8(kMakerUrl).contains(form->wwwBtn->text()));
}

TEST_F(Lifecycle, InformationButtonShowsTheAboutBoxModallyOverTheWindow)
{
    form->show();
    QString shownTitle;
    bool ownedByWindow = false;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<TAboutBox*>(QApplication::activeModalWidget());
        if (box == nullptr)
            return;
        shownTitle = box->windowTitle();
        ownedByWindow = box->parentWidget() == form.get();
        box->accept();
    });
    form->ueberbtn->click();
    EXPECT_TRUE(ownedByWindow);
    EXPECT_FALSE(shownTitle.isEmpty());
    // It lives only while it is shown.
    EXPECT_TRUE(form->findChildren<TAboutBox*>().isEmpty());
}

TEST_F(Lifecycle, DestroyReleasesEntriesOnce)
{
    writeFile(site.filePath(QStringLiteral("a.html")));
    addFromFolder(site.path(), {QStringLiteral("a.html")});
    form->FormDestroy();
    EXPECT_EQ(form->PicCount(), 0);
    EXPECT_EQ(form->iconBmp(), nullptr);
    form->FormDestroy(); // the destructor runs it again: harmless
    EXPECT_EQ(form->PicCount(), 0);
}

// At start the window writes "theicon.bmp". Under a file-size limit that the file passes, the
// window program is not ended by SIGXFSZ: the failed write is an ordinary error, told to the
// user, the window opens all the same and no temporary file is left.
TEST(WindowStart, FileSizeLimitIsAnOrdinaryErrorAtStart)
{
    const char* bin = std::getenv("PAGOLUX_BIN_DIR");
    ASSERT_NE(bin, nullptr);
    TempFolder home;
    const std::string command = "HOME='" + home.folder() + "' XDG_DATA_HOME='" + home / "data" +
                                "' XDG_CONFIG_HOME='" + home / "config" + "' XDG_CACHE_HOME='" +
                                home / "cache" + "' QT_QPA_PLATFORM=offscreen PAGOLUX_PROBE=1 exec '" + bin +
                                "/pagolux'";
    // theicon.bmp has 630 bytes.
    const ChildResult r = runShell(command, 300);
    EXPECT_EQ(r.signal, 0) << "ended by signal " << r.signal << ": " << r.output;
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_NE(r.output.find("windowTitle=Orvanto Pagolux 2.0 - [Unbenannt.pgx]"), std::string::npos)
        << r.output;
    EXPECT_NE(r.output.find("message=Pagolux 2.0|Datei " + home / "data/pagolux/theicon.bmp"),
              std::string::npos)
        << r.output;
    std::vector<std::string> left;
    for (const auto& e : std::filesystem::recursive_directory_iterator(home / "data"))
        if (!e.is_directory())
            left.push_back(e.path().string());
    EXPECT_TRUE(left.empty()) << "left behind: " << left.front();
}

} // namespace
} // namespace pagolux::test
