// The main window's project-file and favourite-folder handlers, driven through a scripted
// interaction, on scratch data and config folders.

#include "WindowTestSupport.h"

#include "app/MainUnit.h"
#include "controls/TFilenameEdit.h"
#include "controls/placement/ProfileFile.h"
#include "controls/placement/TFormStorage.h"
#include "platform/Paths.h"
#include "project/ProjectFile.h"
#include "shell/TShellTree.h"
#include "tests/support/BuildFolder.h"
#include "tests/support/EnvOverride.h"
#include "tests/support/Files.h"
#include "tests/support/ScriptedInteraction.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>

#include <filesystem>

namespace pagolux {
namespace {

using test::IsolatedHome;

using test::readFile;
using test::ScriptedInteraction;
using test::writeFile;

std::vector<std::string> listLines(const QListWidget* list)
{
    std::vector<std::string> out;
    for (int i = 0; i < list->count(); ++i)
        out.push_back(QFile::encodeName(list->item(i)->text()).toStdString());
    return out;
}

class WindowProjectFile : public ::testing::Test {
  protected:
    WindowProjectFile()
    {
        form = std::make_unique<TMainForm>(nullptr, ui.forWindow());
        // The sample's files exist, so that opening it warns of nothing.
        std::filesystem::create_directories(temp / "site");
        writeFile(temp / "site/index.html", "<p>Start</p>");
        writeFile(temp / "site/style.css", "p {}");
    }
    ~WindowProjectFile() override
    {
        if (form && form->FormStorage1)
            form->FormStorage1->setActive(false);
    }

    Project sample() const
    {
        Project p;
        p.entries = {temp / "site/index.html", temp / "site/style.css", "/usr/share/doc/"};
        p.startIndex = 1;
        p.settings.elements = {false, true, false, true, true, true, true, true, true, false};
        p.settings.width = 700;
        p.settings.height = 500;
        p.settings.definedSize = false;
        p.settings.fixedSize = true;
        p.settings.projectName = "Meine Seite";
        return p;
    }

    BuildSettings controls() const
    {
        BuildSettings s;
        const QCheckBox* boxes[] = {
            control<QCheckBox>(*form, "CheckBox1"), control<QCheckBox>(*form, "CheckBox2"),
            control<QCheckBox>(*form, "CheckBox3"), control<QCheckBox>(*form, "CheckBox4"),
            control<QCheckBox>(*form, "CheckBox5"), control<QCheckBox>(*form, "CheckBox6"),
            control<QCheckBox>(*form, "CheckBox7"), control<QCheckBox>(*form, "CheckBox8"),
            control<QCheckBox>(*form, "CheckBox9"), control<QCheckBox>(*form, "CheckBox10")};
        for (std::size_t i = 0; i < 10; ++i)
            s.elements[i] = boxes[i]->isChecked();
        s.width = control<QSpinBox>(*form, "WidthEd")->value();
        s.height = control<QSpinBox>(*form, "HeightEd")->value();
        s.definedSize = control<QRadioButton>(*form, "DefSizeCheck")->isChecked();
        s.fixedSize = control<QCheckBox>(*form, "FixedSizeCheck")->isChecked();
        s.projectName = control<QLineEdit>(*form, "NameED")->text().toStdString();
        return s;
    }

    IsolatedHome temp;
    // Questions nobody queued an answer for are answered OK.
    ScriptedInteraction ui{MsgResult::Ok};
    std::unique_ptr<TMainForm> form;
};

TEST_F(WindowProjectFile, OpenShowsEverythingAndSavingWritesItBack)
{
    std::filesystem::create_directories(temp / "site");
    const Project p = sample();
    ProjectFile::write(temp / "site/a.pgx", p);
    form->OpenFile(temp / "site/a.pgx");
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(form->entries(), p.entries);
    EXPECT_EQ(control<QListWidget>(*form, "ImageList")->count(), 3);
    EXPECT_EQ(control<QListWidget>(*form, "SortBox")->count(), 3);
    EXPECT_EQ(form->startIndex(), 1);
    EXPECT_EQ(controls(), p.settings);
    EXPECT_EQ(form->savedFileName(), temp / "site/a.pgx");
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Orvanto Pagolux 2.0 - [a.pgx]"));

    form->SaveFile(temp / "site/b.pgx");
    EXPECT_EQ(readFile(temp / "site/b.pgx"), readFile(temp / "site/a.pgx"));
    EXPECT_EQ(form->savedFileName(), temp / "site/b.pgx");
}

// Where the program goes is the project's: saved with it, back after "Neu" and "Öffnen...".
TEST_F(WindowProjectFile, OutputChoiceComesBackWithTheProject)
{
    ProjectFile::write(temp / "p.pgx", sample());
    form->OpenFile(temp / "p.pgx");
    auto* name = control<TFilenameEdit>(*form, "EXENameEdit");
    auto* target = control<QComboBox>(*form, "TargetCombo");
    auto* autoStart = control<QCheckBox>(*form, "AutoStartCheck");
    name->setFileName(temp / "bin/seite.exe");
    target->setCurrentIndex(1);
    autoStart->setChecked(true);
    form->SaveFile(temp / "p.pgx");

    test::press(control<QPushButton>(*form, "NewBtn"));
    ASSERT_EQ(name->FileName(), DefaultOutputName());
    ASSERT_EQ(target->currentIndex(), 0);
    ASSERT_FALSE(autoStart->isChecked());

    form->OpenFile(temp / "p.pgx");
    EXPECT_EQ(name->FileName(), temp / "bin/seite.exe");
    EXPECT_EQ(target->currentIndex(), 1);
    EXPECT_TRUE(autoStart->isChecked());
    EXPECT_EQ(form->startIndex(), 1);
}

// A file of the older layout opens as it always did, keeping the output choice of the window,
// and "Speichern" writes it back byte for byte.
TEST_F(WindowProjectFile, OlderFileOpensAsBeforeAndSavesBackUnchanged)
{
    ProjectFile::write(temp / "old.pgx", sample());
    const std::string before = readFile(temp / "old.pgx");
    auto* name = control<TFilenameEdit>(*form, "EXENameEdit");
    name->setFileName(temp / "mein-programm");
    form->OpenFile(temp / "old.pgx");
    EXPECT_EQ(name->FileName(), temp / "mein-programm");
    test::press(control<QPushButton>(*form, "SaveBtn"));
    EXPECT_EQ(readFile(temp / "old.pgx"), before);
}

TEST_F(WindowProjectFile, StartIndexOutsideTheEntriesLeavesNoStartFile)
{
    for (const int index : {-1, 3, 1000, -7}) {
        Project p = sample();
        p.startIndex = index;
        ProjectFile::write(temp / "p.pgx", p);
        form->OpenFile(temp / "p.pgx");
        EXPECT_EQ(form->startIndex(), -1) << index;
        form->SaveFile(temp / "q.pgx");
        EXPECT_EQ(ProjectFile::read(temp / "q.pgx").startIndex, -1) << index;
    }
}

TEST_F(WindowProjectFile, RejectedFilesLeaveTheProjectAsItWas)
{
    ProjectFile::write(temp / "good.pgx", sample());
    form->OpenFile(temp / "good.pgx");
    const auto entries = form->entries();
    const BuildSettings settings = controls();
    const QString title = form->windowTitle();

    std::string damaged = readFile(temp / "good.pgx");
    damaged.resize(damaged.size() - 3); // inside the project name
    writeFile(temp / "damaged.pgx", damaged);
    writeFile(temp / "other.pgx", "EXE-HTML 2.0" + damaged.substr(12));

    struct Row {
        std::string file;
        std::string message;
    };
    const Row rows[] = {
        {temp / "missing.pgx", "Projekt öffnen: Konnte die Datei missing.pgx nicht öffnen!"},
        {temp / "other.pgx", "Die Datei ist keine gültige \"Pagolux 1.0\"-Datei!"},
        {temp / "damaged.pgx",
         "Die Projektdatei damaged.pgx ist beschädigt: der Projektname ist unvollständig."},
    };
    for (const Row& row : rows) {
        ui.messages.clear();
        form->OpenFile(row.file);
        ASSERT_EQ(ui.messages.size(), 1u) << row.file;
        EXPECT_EQ(ui.messages[0].text, row.message);
        EXPECT_EQ(ui.messages[0].caption, "Fehler");
        EXPECT_EQ(ui.messages[0].icon, MsgIcon::Error);
        EXPECT_EQ(ui.messages[0].buttons, MsgButtons::Ok);
        EXPECT_EQ(form->entries(), entries);
        EXPECT_EQ(control<QListWidget>(*form, "ImageList")->count(), static_cast<int>(entries.size()));
        EXPECT_EQ(control<QListWidget>(*form, "SortBox")->count(), static_cast<int>(entries.size()));
        EXPECT_EQ(controls(), settings);
        EXPECT_EQ(form->windowTitle(), title);
    }
}

TEST_F(WindowProjectFile, FileWithoutSettingsKeepsTheControlsAndValuesAreClamped)
{
    control<QLineEdit>(*form, "NameED")->setText(QStringLiteral("Vorher"));
    control<QSpinBox>(*form, "WidthEd")->setValue(999);
    const BuildSettings before = controls();
    std::string bytes = ProjectFile::serialize(sample(), temp / "p.pgx");
    std::size_t end = 20;
    for (const auto& e : sample().entries)
        end += 4 + ProjectFile::storedEntry(e, temp / "p.pgx").size();
    writeFile(temp / "p.pgx", bytes.substr(0, end));
    form->OpenFile(temp / "p.pgx");
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(form->entries(), sample().entries);
    EXPECT_EQ(controls(), before);

    Project big = sample();
    big.settings.width = 2000;
    big.settings.height = 10;
    writeFile(temp / "big.pgx", ProjectFile::serialize(big, temp / "big.pgx"));
    form->OpenFile(temp / "big.pgx");
    EXPECT_EQ(control<QSpinBox>(*form, "WidthEd")->value(), 1280);
    EXPECT_EQ(control<QSpinBox>(*form, "HeightEd")->value(), 64);
}

TEST_F(WindowProjectFile, SaveIntoAMissingFolderKeepsTheTitle)
{
    form->SaveFile(temp / "a.pgx");
    ASSERT_TRUE(ui.messages.empty());
    form->SaveFile(temp / "nowhere/p.pgx");
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Projekt speichern: Konnte die Datei p.pgx nicht erstellen!");
    EXPECT_EQ(ui.messages[0].caption, "Fehler");
    EXPECT_EQ(ui.messages[0].icon, MsgIcon::Error);
    EXPECT_EQ(form->savedFileName(), temp / "a.pgx");
}

TEST_F(WindowProjectFile, ButtonsAskAndUseTheDialogs)
{
    ProjectFile::write(temp / "p.pgx", sample());
    // Open: Cancel on the question ends it before the dialog.
    ui.answers = {MsgResult::Cancel};
    test::press(control<BitmapButton>(*form, "OpenBtn"));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Hiermit gehen alle nicht gespeicherten Informationen verloren.");
    EXPECT_EQ(ui.messages[0].caption, "Datei/Öffnen");
    EXPECT_EQ(ui.messages[0].icon, MsgIcon::Information);
    EXPECT_EQ(ui.messages[0].buttons, MsgButtons::OkCancel);
    EXPECT_TRUE(ui.openRequests.empty());
    // OK, then the dialog is cancelled: nothing changes.
    test::press(control<BitmapButton>(*form, "OpenBtn"));
    ASSERT_EQ(ui.openRequests.size(), 1u);
    EXPECT_EQ(ui.openRequests[0].filter, "EXE-HTML-Dateien|*.pgx");
    EXPECT_EQ(ui.openRequests[0].defaultExt, "pgx");
    EXPECT_TRUE(form->savedFileName().empty());
    // OK and a file.
    ui.openFiles = {temp / "p.pgx"};
    test::press(control<BitmapButton>(*form, "OpenBtn"));
    EXPECT_EQ(form->savedFileName(), temp / "p.pgx");

    // Save while titled: no dialog, no question.
    ui.messages.clear();
    test::press(control<BitmapButton>(*form, "SaveBtn"));
    EXPECT_TRUE(ui.saveRequests.empty());
    EXPECT_TRUE(ui.messages.empty());
    // Save as: the dialog asks before replacing.
    ui.saveFiles = {temp / "r.pgx"};
    test::press(control<BitmapButton>(*form, "SaveAsBtn"));
    ASSERT_EQ(ui.saveRequests.size(), 1u);
    EXPECT_TRUE(ui.saveRequests[0].overwritePrompt);
    EXPECT_EQ(ui.saveRequests[0].filter, "EXE-HTML-Dateien|*.pgx");
    EXPECT_EQ(ui.saveRequests[0].defaultExt, "pgx");
    EXPECT_EQ(form->savedFileName(), temp / "r.pgx");
    EXPECT_EQ(ProjectFile::read(temp / "r.pgx"), ProjectFile::read(temp / "p.pgx"));
}

TEST_F(WindowProjectFile, UntitledSaveGoesThroughTheDialog)
{
    ui.saveFiles = {std::nullopt};
    test::press(control<BitmapButton>(*form, "SaveBtn"));
    EXPECT_EQ(ui.saveRequests.size(), 1u);
    EXPECT_TRUE(form->savedFileName().empty());
    EXPECT_FALSE(std::filesystem::exists(temp / "Unbenannt.pgx"));
}

// A project file written by the Windows program: its text is Windows-1252 and one entry is a
// full Windows path. The window shows the name decoded, keeps its bytes, lists every entry,
// greys those that name nothing here and tells the user about them once.
TEST_F(WindowProjectFile, WindowsProjectShowsItsNameKeepsItsBytesAndMarksMissingEntries)
{
    std::filesystem::create_directories(temp / "site/sub");
    writeFile(temp / "site/sub/da.html", "<p>da</p>");
    const auto le32 = [](std::int32_t v) {
        std::string b(4, '\0');
        for (int i = 0; i < 4; ++i)
            b[static_cast<std::size_t>(i)] =
                static_cast<char>((static_cast<std::uint32_t>(v) >> (8 * i)) & 0xFF);
        return b;
    };
    const auto text = [&](const std::string& t) { return le32(static_cast<std::int32_t>(t.size())) + t; };
    const std::string windowsEntry = "C:\\web\\seite.html";
    const std::string present = temp / "site/sub/da.html";
    const std::string gone = temp / "site/sub/weg.html";
    const std::string written = "EXE-HTML 1.0" + le32(1) + le32(3) + text(windowsEntry) + text(present) +
                                text(gone) + std::string("\1\1\1\1\1\1\1\1\1\1", 10) + le32(600) + le32(440) +
                                std::string("\1\0", 2) +
                                text("\xDC"
                                     "bung");
    writeFile(temp / "site/alt.pgx", written);

    ui.openFiles = {temp / "site/alt.pgx"};
    test::press(control<BitmapButton>(*form, "OpenBtn"));
    ASSERT_EQ(form->savedFileName(), temp / "site/alt.pgx");
    EXPECT_EQ(control<QLineEdit>(*form, "NameED")->text(), QString::fromUtf8("Übung"));
    EXPECT_EQ(form->entries(), (std::vector<std::string>{windowsEntry, present, gone}))
        << "the Windows path is kept as written, not joined to the project's folder";

    // Question, then one warning that names both missing entries and not the present one.
    ASSERT_EQ(ui.messages.size(), 2u);
    const test::ShownMessage& warning = ui.messages[1];
    EXPECT_EQ(warning.caption, "Warnung");
    EXPECT_EQ(warning.icon, MsgIcon::Warning);
    EXPECT_EQ(warning.buttons, MsgButtons::Ok);
    EXPECT_NE(warning.text.find(windowsEntry), std::string::npos) << warning.text;
    EXPECT_NE(warning.text.find(gone), std::string::npos) << warning.text;
    EXPECT_EQ(warning.text.find(present), std::string::npos) << warning.text;

    // Both lists show every entry; the missing ones greyed, with a tool tip.
    for (const QListWidget* list :
         {control<QListWidget>(*form, "ImageList"), control<QListWidget>(*form, "SortBox")}) {
        SCOPED_TRACE(list->objectName().toStdString());
        ASSERT_EQ(list->count(), 3);
        EXPECT_EQ(list->item(0)->text(), QString::fromStdString(windowsEntry));
        const QColor normal = list->palette().color(QPalette::Active, QPalette::Text);
        for (const int row : {0, 2}) {
            EXPECT_NE(list->item(row)->foreground().color(), normal) << row;
            EXPECT_FALSE(list->item(row)->toolTip().isEmpty()) << row;
        }
        EXPECT_EQ(list->item(1)->foreground().style(), Qt::NoBrush) << "a present entry looks as usual";
        EXPECT_TRUE(list->item(1)->toolTip().isEmpty());
    }

    // Saved back unchanged, the name's byte 0xDC included.
    test::press(control<BitmapButton>(*form, "SaveBtn"));
    EXPECT_EQ(readFile(temp / "site/alt.pgx"), written);

    // A name the user edits is stored as typed, in UTF-8.
    control<QLineEdit>(*form, "NameED")->setFocus();
    control<QLineEdit>(*form, "NameED")->end(false);
    QTest::keyClicks(control<QLineEdit>(*form, "NameED"), QStringLiteral(" 2"));
    test::press(control<BitmapButton>(*form, "SaveBtn"));
    EXPECT_EQ(ProjectFile::read(temp / "site/alt.pgx").settings.projectName, "Übung 2");
}

TEST(WindowFavourites, LoadAndOpenInTheTree)
{
    IsolatedHome temp;
    std::filesystem::create_directories(temp / "data/pagolux");
    std::filesystem::create_directories(temp / "one");
    std::filesystem::create_directories(temp / "two");
    const std::string file = temp / "data/pagolux/folders.dat";
    writeFile(file,
              temp / "one/" + "\r\n" + temp / "two/" + "\r\n\r\n" + temp / "gone/" + "\r\n\x1a" + "junk");

    ScriptedInteraction ui{MsgResult::Ok};
    TMainForm form(nullptr, ui.forWindow());
    form.FormStorage1->setActive(false);
    EXPECT_EQ(listLines(control<QListWidget>(form, "PrefListBox")),
              (std::vector<std::string>{temp / "one/", temp / "two/", "", temp / "gone/"}));

    // The user's mouse and keys on the list: Enter without a selected line does nothing, another
    // key does nothing, Enter and a double-click on a line show its folder in the tree.
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    QListWidget* list = control<QListWidget>(form, "PrefListBox");
    const auto lineAt = [list](int row) {
        list->scrollToItem(list->item(row));
        return list->visualItemRect(list->item(row)).center();
    };
    // What a widget gets from a double-click: press, release, double-click, release.
    const auto doubleClick = [&](int row) {
        const QPoint at = lineAt(row);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, at);
    };
    const auto treeFolder = [&form] {
        return QFile::encodeName(control<TShellTree>(form, "ShellTree1")->selectedFolder()).toStdString() +
               "/";
    };
    list->clearSelection();
    const QString before = control<TShellTree>(form, "ShellTree1")->selectedFolder();
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_EQ(control<TShellTree>(form, "ShellTree1")->selectedFolder(), before);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, lineAt(1));
    ASSERT_EQ(list->currentRow(), 1);
    QTest::keyClick(list, Qt::Key_A);
    EXPECT_EQ(control<TShellTree>(form, "ShellTree1")->selectedFolder(), before);
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_EQ(treeFolder(), temp / "two/");
    doubleClick(0);
    EXPECT_EQ(treeFolder(), temp / "one/");
    // A folder that is gone keeps the tree where it was.
    doubleClick(3);
    ASSERT_EQ(list->currentRow(), 3);
    EXPECT_EQ(treeFolder(), temp / "one/");
}

TEST(WindowPlacement, CheckBoxAndPlacementSurviveARestart)
{
    IsolatedHome temp;
    const std::string ini = temp / ("config/" + test::programName() + ".INI");
    {
        ScriptedInteraction ui{MsgResult::Ok};
        TMainForm form(nullptr, ui.forWindow());
        form.show();
        EXPECT_FALSE(control<QCheckBox>(form, "AutoStartCheck")->isChecked());
        control<QCheckBox>(form, "AutoStartCheck")->setChecked(true);
        form.setGeometry(QRect(30, 40, 700, 500));
        ui.answers = {MsgResult::Cancel};
        EXPECT_FALSE(form.close()); // cancelled: nothing written
        EXPECT_FALSE(std::filesystem::exists(ini));
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0].caption, "Programm beenden");
        EXPECT_TRUE(form.close());
    }
    ProfileFile file(ini);
    EXPECT_EQ(file.readString("TMainForm", "AutoStartCheck_Checked", ""), "True");
    EXPECT_EQ(file.readString("TMainForm", "NormPos", ""), "30,40,730,540");
    EXPECT_EQ(file.readString("TMainForm", "Visible", ""), "0");

    ScriptedInteraction againUi{MsgResult::Ok};
    TMainForm again(nullptr, againUi.forWindow());
    again.show();
    EXPECT_TRUE(control<QCheckBox>(again, "AutoStartCheck")->isChecked());
    EXPECT_EQ(again.geometry(), QRect(30, 40, 700, 500));
    again.FormStorage1->setActive(false);
}

// Pressing the real buttons: after a project was opened or saved the dialogs start in its
// folder, and "Speichern unter..." proposes its name; "Neu" drops the name, not the folder.
TEST_F(WindowProjectFile, DialogsStartInTheProjectFolderAndSaveAsProposesItsName)
{
    std::filesystem::create_directories(temp / "proj");
    ProjectFile::write(temp / "proj/seite.pgx", sample());
    const auto inProjectFolder = [this](const std::string& dir) {
        return !dir.empty() && std::filesystem::equivalent(dir, temp / "proj");
    };

    ui.openFiles.push_back(temp / "proj/seite.pgx");
    test::press(control<BitmapButton>(*form, "OpenBtn"));
    ASSERT_EQ(form->savedFileName(), temp / "proj/seite.pgx");
    ui.saveFiles.push_back(std::nullopt);
    test::press(control<BitmapButton>(*form, "SaveAsBtn"));
    ASSERT_EQ(ui.saveRequests.size(), 1u);
    EXPECT_TRUE(inProjectFolder(ui.saveRequests.back().initialDir)) << ui.saveRequests.back().initialDir;
    EXPECT_EQ(ui.saveRequests.back().fileName, "seite.pgx");
    ui.openFiles.push_back(std::nullopt);
    test::press(control<BitmapButton>(*form, "OpenBtn"));
    ASSERT_EQ(ui.openRequests.size(), 2u);
    EXPECT_TRUE(inProjectFolder(ui.openRequests.back().initialDir)) << ui.openRequests.back().initialDir;

    // Saved under another name in another folder: the dialogs follow.
    std::filesystem::create_directories(temp / "other");
    ui.saveFiles.push_back(temp / "other/neu.pgx");
    test::press(control<BitmapButton>(*form, "SaveAsBtn"));
    ASSERT_TRUE(std::filesystem::exists(temp / "other/neu.pgx"));
    ui.saveFiles.push_back(std::nullopt);
    test::press(control<BitmapButton>(*form, "SaveAsBtn"));
    EXPECT_TRUE(std::filesystem::equivalent(ui.saveRequests.back().initialDir, temp / "other"));
    EXPECT_EQ(ui.saveRequests.back().fileName, "neu.pgx");

    test::press(control<BitmapButton>(*form, "NewBtn"));
    ui.saveFiles.push_back(std::nullopt);
    test::press(control<BitmapButton>(*form, "SaveAsBtn"));
    EXPECT_TRUE(std::filesystem::equivalent(ui.saveRequests.back().initialDir, temp / "other"));
    EXPECT_EQ(ui.saveRequests.back().fileName, "");
}

} // namespace
} // namespace pagolux
