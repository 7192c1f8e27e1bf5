// "Zielsystem" on the page "EXE erstellen", used as a user does: chosen with the mouse in its
// drop-down list, the default output name follows ("ziel" / "ziel.exe"), "Go!" builds a
// Windows (PE) or Linux (ELF) program, the choice comes back after a restart of the window,
// and "Datei nach dem Erstellen ausführen" starts a Windows program through the `wine` of
// PATH (here a script that writes down how it was called) or the desktop's opener.

#include "WindowTestSupport.h"
#include "app/MainUnit.h"
#include "app/QtUserInteraction.h"
#include "app/TApplication.h"
#include "builder/ExeWriter.h"
#include "builder/ProgramStart.h"
#include "controls/TFilenameEdit.h"
#include "controls/placement/ProfileFile.h"
#include "controls/placement/TFormStorage.h"
#include "format/PeImage.h"
#include "project/ProjectFile.h"

#include "tests/support/BuildFolder.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/EnvOverride.h"
#include "tests/support/Files.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>

namespace pagolux {
namespace {

namespace fs = std::filesystem;
using test::EnvOverride;

struct Message {
    std::string text, caption;
};

// The window's real interaction, whose message boxes are written down and answered with OK
// or Yes instead of being shown; programs are started for real.
class RecordingQtInteraction : public QtUserInteraction {
  public:
    explicit RecordingQtInteraction(std::vector<Message>& messages) : messages_(messages) {}
    MsgResult showMessage(const std::string& text, const std::string& caption, MsgIcon,
                          MsgButtons buttons) override
    {
        messages_.push_back({text, caption});
        return buttons == MsgButtons::YesNo || buttons == MsgButtons::YesNoCancel ? MsgResult::Yes
                                                                                  : MsgResult::Ok;
    }
    void showError(const std::string& text) override { messages_.push_back({text, "Pagolux 2.0"}); }

  private:
    std::vector<Message>& messages_;
};

enum class Kind { None, PE, ELF };

// What a built file is, by its header: a PE image ("MZ", then "PE\0\0" where e_lfanew
// points) or an ELF file.
Kind kindOf(const std::string& path)
{
    const std::string b = test::readFile(path);
    if (b.compare(0, 4,
                  "\x7f"
                  "ELF") == 0)
        return Kind::ELF;
    if (b.size() < 0x40 || b.compare(0, 2, "MZ") != 0)
        return Kind::None;
    const std::size_t pe = static_cast<unsigned char>(b[0x3c]) | static_cast<unsigned char>(b[0x3d]) << 8 |
                           static_cast<std::size_t>(static_cast<unsigned char>(b[0x3e])) << 16;
    return b.compare(pe, 4, std::string("PE\0\0", 4)) == 0 ? Kind::PE : Kind::None;
}

class TargetChoice : public ::testing::Test {
  protected:
    static void SetUpTestSuite()
    {
        // The window takes each target's ProtoExe.dat and iconcomp.dat from its program folder
        // (the Windows pair from "windows/"): put the real ones beside this test program.
        for (const char* sub : {"", "windows/"})
            test::copyBesideTestProgram({"ProtoExe.dat", "iconcomp.dat"}, sub);
    }

    void SetUp() override
    {
        test::writeFile(temp / "site/index.html", "<title>Start</title>");
        test::writeFile(temp / "site/pages/a.html", "<title>A</title>");
        Project p;
        p.entries = {temp / "site/index.html", temp / "site/pages"};
        p.startIndex = 0;
        ProjectFile::write(temp / "p.pgx", p);
    }

    // A window as the program opens it: shown, so the stored placement and choices are read.
    std::unique_ptr<TMainForm> openWindow()
    {
        auto form = std::make_unique<TMainForm>(nullptr, std::make_unique<RecordingQtInteraction>(messages));
        form->show();
        control<QTabWidget>(*form, "PageControl2")->setCurrentWidget(control<QWidget>(*form, "TabSheet6"));
        return form;
    }

    // Closes the window as the user does (the question answered with OK), which stores the
    // remembered choices.
    static void closeWindow(std::unique_ptr<TMainForm> form) { EXPECT_TRUE(form->close()); }

    // Opens the drop-down list of "Zielsystem" with a click and clicks the line `text`.
    static void chooseTarget(TMainForm& form, const QString& text)
    {
        QComboBox* combo = control<QComboBox>(form, "TargetCombo");
        ASSERT_TRUE(combo->isVisible());
        QTest::mouseClick(combo, Qt::LeftButton);
        QAbstractItemView* list = combo->view();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(list->window()));
        const int row = combo->findText(text);
        ASSERT_GE(row, 0) << text.toStdString();
        // A release within the double-click time of the opening click is taken as part of it.
        QTest::qWait(QApplication::doubleClickInterval() + 50);
        const QRect line = list->visualRect(combo->model()->index(row, 0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, line.center());
        ASSERT_TRUE(QTest::qWaitFor([list] { return !list->window()->isVisible(); }));
        ASSERT_EQ(combo->currentText(), text);
    }

    static void go(TMainForm& form)
    {
        QTest::mouseClick(control<PictureButton>(form, "GoBtn1"), Qt::LeftButton);
    }

    test::IsolatedHome temp;
    std::vector<Message> messages;
};

TEST_F(TargetChoice, TheChoiceNamesTheOutputAndGoBuildsThatKind)
{
    auto form = openWindow();
    form->OpenFile(temp / "p.pgx");
    ASSERT_EQ(control<QComboBox>(*form, "TargetCombo")->currentText(), "Linux");
    ASSERT_EQ(control<TFilenameEdit>(*form, "EXENameEdit")->FileName(), temp / "ziel");

    const struct {
        const char* choice;
        std::string output;
        Kind kind;
    } rows[] = {
        {"Windows", temp / "ziel.exe", Kind::PE},
        {"Linux", temp / "ziel", Kind::ELF},
        {"Windows", temp / "ziel.exe", Kind::PE},
    };
    for (const auto& row : rows) {
        chooseTarget(*form, QString::fromLatin1(row.choice));
        EXPECT_EQ(control<TFilenameEdit>(*form, "EXENameEdit")->FileName(), row.output) << row.choice;
        fs::remove(row.output);
        messages.clear();
        go(*form);
        ASSERT_EQ(messages.size(), 1u) << row.choice;
        EXPECT_EQ(messages[0].text, kMsgExeCreated) << row.choice;
        EXPECT_EQ(kindOf(row.output), row.kind) << row.choice;
    }

    // A name of the user's own stays whatever the target.
    control<TFilenameEdit>(*form, "EXENameEdit")->setFileName(temp / "handbuch");
    chooseTarget(*form, QStringLiteral("Linux"));
    EXPECT_EQ(control<TFilenameEdit>(*form, "EXENameEdit")->FileName(), temp / "handbuch");
    chooseTarget(*form, QStringLiteral("Windows"));
    EXPECT_EQ(control<TFilenameEdit>(*form, "EXENameEdit")->FileName(), temp / "handbuch");
    go(*form);
    EXPECT_EQ(kindOf(temp / "handbuch"), Kind::PE);
}

// Fills the dialog of "Signieren..." as a user does, once it is shown, and confirms it.
void fillSigningDialog(const std::string& certificate, const QString& password)
{
    QTimer::singleShot(0, [certificate, password] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        ASSERT_EQ(dialog->objectName(), "SignDialog");
        dialog->findChild<TFilenameEdit*>("SignCertEdit")->setFileName(certificate);
        auto* edit = dialog->findChild<QLineEdit*>("SignPasswordEdit");
        edit->clear();
        QTest::keyClicks(edit, password);
        QTest::keyClick(edit, Qt::Key_Return);
    });
}

TEST_F(TargetChoice, SignBtnChoosesACertificateThatSignsWindowsPrograms)
{
    for (const char* tool : {"openssl", "osslsigncode"})
        if (!test::haveProgram(tool))
            GTEST_SKIP() << "not installed: " << tool;
    const std::string cert = temp / "zert.p12";
    const test::ChildResult made = test::runShell(
        "cd " + test::quote(temp.home()) +
        " && openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj '/CN=Pagolux Test' -keyout k.pem -out "
        "c.pem"
        " && openssl pkcs12 -export -inkey k.pem -in c.pem -passout pass:Fenster-7 -out zert.p12");
    ASSERT_EQ(made.exitCode, 0) << made.output;

    auto form = openWindow();
    form->OpenFile(temp / "p.pgx");
    EXPECT_FALSE(control<QPushButton>(*form, "SignBtn")->isEnabled()); // Linux programs are not signed
    chooseTarget(*form, QStringLiteral("Windows"));
    ASSERT_TRUE(control<QPushButton>(*form, "SignBtn")->isEnabled());
    const std::string output = temp / "ziel.exe";

    struct Row {
        const char* name;
        QString password;
        bool signs;
    };
    const Row rows[] = {{"right password", QStringLiteral("Fenster-7"), true},
                        {"wrong password", QStringLiteral("fenster-7"), false}};
    for (const Row& row : rows) {
        fillSigningDialog(cert, row.password);
        QTest::mouseClick(control<QPushButton>(*form, "SignBtn"), Qt::LeftButton);
        const std::string before = fs::exists(output) ? test::readFile(output) : std::string();
        messages.clear();
        go(*form);
        TFileStream file(output, TFileMode::fmOpenRead);
        const bool hasSignature = PeDataEnd(file) < file.Size();
        if (row.signs) {
            ASSERT_FALSE(messages.empty()) << row.name;
            EXPECT_EQ(messages.back().text, kMsgExeCreated) << row.name;
            EXPECT_TRUE(hasSignature) << row.name;
            continue;
        }
        // After the question to replace the old program: the reason, then the failure.
        const bool named = std::any_of(messages.begin(), messages.end(), [&cert](const Message& m) {
            return m.text == kMsgSignWrongPassword + cert;
        });
        EXPECT_TRUE(named) << row.name;
        EXPECT_EQ(test::readFile(output), before) << row.name; // the signed program of before
    }
    closeWindow(std::move(form));
    // The password is kept nowhere: not in the project, the settings or any file of the home.
    for (const auto& entry : fs::recursive_directory_iterator(temp.home())) {
        if (!entry.is_regular_file() || entry.path().extension() == ".pem")
            continue;
        EXPECT_EQ(test::readFile(entry.path()).find("Fenster-7"), std::string::npos) << entry.path();
    }
}

TEST_F(TargetChoice, TheChoiceBelongsToTheProjectNotToTheNextRun)
{
    // The window's INI file, named after the program: it keeps the check box, while the target
    // goes with the project, so a new run starts a new project for Linux.
    const std::string ini = temp / ("config/" + test::programName() + ".INI");
    const struct {
        bool autoStart;
        const char* storedCheck;
    } rows[] = {{true, "True"}, {false, "False"}};
    for (const auto& row : rows) {
        auto form = openWindow();
        chooseTarget(*form, QStringLiteral("Windows"));
        control<QCheckBox>(*form, "AutoStartCheck")->setChecked(row.autoStart);
        form->SaveFile(temp / "windows.pgx");
        closeWindow(std::move(form));
        ProfileFile file(ini);
        EXPECT_EQ(file.readString("TMainForm", "TargetCombo_currentIndex", ""), "");
        EXPECT_EQ(file.readString("TMainForm", "AutoStartCheck_Checked", ""), row.storedCheck);

        auto again = openWindow();
        EXPECT_EQ(control<QComboBox>(*again, "TargetCombo")->currentText(), QStringLiteral("Linux"));
        EXPECT_EQ(control<TFilenameEdit>(*again, "EXENameEdit")->FileName(), temp / "ziel");
        EXPECT_EQ(control<QCheckBox>(*again, "AutoStartCheck")->isChecked(), row.autoStart);
        again->OpenFile(temp / "windows.pgx");
        EXPECT_EQ(control<QComboBox>(*again, "TargetCombo")->currentText(), QStringLiteral("Windows"));
        EXPECT_EQ(control<TFilenameEdit>(*again, "EXENameEdit")->FileName(), temp / "ziel.exe");
        again->FormStorage1->setActive(false);
    }
}

// The programs of PATH are scripts that write down their name and arguments.
TEST_F(TargetChoice, AWindowsResultIsStartedThroughWineOrTheDesktopsOpener)
{
    const std::string record = temp / "started.txt";
    const auto fake = [&](const std::string& folder, const std::string& name) {
        test::writeFile(folder + "/" + name, "#!/bin/sh\nprintf '%s\\n' " + name + " \"$@\" > '" + record +
                                                 ".part' && /bin/mv '" + record + ".part' '" + record +
                                                 "'\n");
        fs::permissions(folder + "/" + name, fs::perms::owner_all | fs::perms::group_read |
                                                 fs::perms::group_exec | fs::perms::others_read |
                                                 fs::perms::others_exec);
    };
    fake(temp / "both", "wine");
    fake(temp / "both", "xdg-open");
    fake(temp / "opener", "xdg-open");
    fs::create_directories(temp / "nothing");
    const EnvOverride path("PATH");
    const std::string output = temp / "ziel.exe";
    const struct {
        const char* name;
        std::string path;
        std::string started; // the record's lines; "" when nothing may start
        std::string message; // after the success message
    } rows[] = {
        {"wine", temp / "both", "wine\n" + output + "\n", ""},
        {"opener", temp / "opener", "xdg-open\n" + output + "\n", ""},
        {"neither", temp / "nothing", "", kMsgWindowsProgramHere},
    };

    auto form = openWindow();
    form->OpenFile(temp / "p.pgx");
    chooseTarget(*form, QStringLiteral("Windows"));
    control<QCheckBox>(*form, "AutoStartCheck")->setChecked(true);
    for (const auto& row : rows) {
        fs::remove(record);
        fs::remove(output);
        messages.clear();
        ::setenv("PATH", row.path.c_str(), 1);
        go(*form);
        ASSERT_FALSE(messages.empty()) << row.name;
        EXPECT_EQ(messages[0].text, kMsgExeCreated) << row.name;
        EXPECT_EQ(kindOf(output), Kind::PE) << row.name;
        if (row.message.empty()) {
            EXPECT_EQ(messages.size(), 1u) << row.name << ": " << messages.back().text;
            EXPECT_TRUE(QTest::qWaitFor([&] { return fs::exists(record); }, 10000)) << row.name;
            EXPECT_EQ(test::readFile(record), row.started) << row.name;
        } else {
            ASSERT_EQ(messages.size(), 2u) << row.name;
            EXPECT_EQ(messages[1].text, row.message) << row.name;
            EXPECT_EQ(messages[1].caption, kCaptionStart) << row.name;
            QTest::qWait(200);
            EXPECT_FALSE(fs::exists(record)) << row.name;
        }
    }
    form->FormStorage1->setActive(false);
}

} // namespace
} // namespace pagolux
