// "Go!" in the real main window: the values of the page "EXE erstellen" reach the output, the
// archive's progress reaches the status bar, the start file stays selected, the icon is
// patched, and the checks come before anything is written.

#include "WindowTestSupport.h"

#include "app/MainUnit.h"
#include "app/TApplication.h"
#include "builder/BuildPipeline.h"
#include "builder/ExeWriter.h"
#include "controls/TFilenameEdit.h"
#include "format/SettingsBlock.h"
#include "icon/IconBitmap.h"
#include "project/ProjectFile.h"
#include "viewer/qt/ViewerWindow.h"

#include "tests/builder/TestFiles.h"
#include "tests/support/BuildFolder.h"
#include "tests/support/EnvOverride.h"
#include "tests/support/ScriptedInteraction.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>
#include <QWebEngineProfile>

#include <gtest/gtest.h>

#include <cstring>
#include <unistd.h>

namespace pagolux {
namespace {

using test::Bytes;
namespace fs = std::filesystem;

// Watches the progress events (type 1024) that reach the window.
class ProgressSpy : public QObject {
  public:
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == TProgressEvent::kType)
            values.push_back(static_cast<TProgressEvent*>(e)->percent());
        return false;
    }
    std::vector<std::int32_t> values;
};

class GoButtonTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        // The window takes ProtoExe.dat and iconcomp.dat from its program folder: put the real
        // ones beside this test program.
        test::copyBesideTestProgram({"ProtoExe.dat", "iconcomp.dat"});

        fs::create_directories(site / "pages");
        test::writeFile(site / "index.html", "<title>Start</title>");
        test::writeFile(site / "pages/a.html", "<title>A</title>");
        form = std::make_unique<TMainForm>(nullptr, script.forWindow());
    }
    void TearDown() override { form.reset(); }

    void openProject(int startIndex)
    {
        Project p;
        p.entries = {site / "index.html", site / "pages", site / "pages/a.html"};
        p.startIndex = startIndex;
        ProjectFile::write(home / "p.pgx", p);
        form->OpenFile(home / "p.pgx");
        ASSERT_EQ(form->PicCount(), 3);
    }

    test::TempFolder site, out; // made before the home moves TMPDIR
    test::IsolatedHome home;
    // Questions nobody queued an answer for are cancelled.
    test::ScriptedInteraction script{MsgResult::Cancel};
    std::unique_ptr<TMainForm> form;
};

TEST_F(GoButtonTest, BuildsWithTheValuesOfThePage)
{
    openProject(2);
    form->EXENameEdit->setFileName(out / "handbuch");
    form->NameED->setText(QString::fromUtf8("Mein Größtes Handbuch"));
    form->WidthEd->setValue(800);
    form->HeightEd->setValue(300);
    form->FullScreenCheck->setChecked(true);
    form->FixedSizeCheck->setChecked(true);
    form->CheckBox3->setChecked(false);
    form->CheckBox10->setChecked(false);
    form->AutoStartCheck->setChecked(true);

    ProgressSpy spy;
    form->installEventFilter(&spy);
    test::press(form->GoBtn1);
    form->removeEventFilter(&spy);

    // pages/a.html is in the project twice (once inside "pages"): the archive notes it, and the
    // build reports that after its success message.
    ASSERT_EQ(script.texts().size(), 2u);
    EXPECT_EQ(script.texts()[0], kMsgExeCreated);
    EXPECT_EQ(script.texts()[1],
              std::string(kMsgNotPacked) + "\n" + site / "pages/a.html" + " already exists in the archive");
    EXPECT_EQ(script.started, std::vector<std::vector<std::string>>{{out / "handbuch"}});
    EXPECT_EQ(form->startIndex(), 2) << "the start file stays selected";
    ASSERT_FALSE(spy.values.empty()) << "the archive's progress reaches the status bar";
    EXPECT_EQ(*std::max_element(spy.values.begin(), spy.values.end()), 100);
    EXPECT_EQ(form->proStatus(), spy.values.back());
    EXPECT_TRUE(form->GoBtn1->isEnabled());

    const Bytes exe = test::readBytes(out / "handbuch");
    const auto marker = std::search(exe.begin(), exe.end(), kExeMarker + 4, kExeMarker + 8) - 4;
    const std::uint32_t n = test::getLE32(exe, static_cast<std::size_t>(marker - exe.begin()));
    TMemoryStream block(Bytes(exe.begin() + n, exe.end()));
    const SettingsBlock read = ReadSettingsBlock(block, static_cast<std::int64_t>(exe.size() - n));
    BuildSettings expected;
    expected.projectName = "Mein Größtes Handbuch";
    expected.width = 800;
    expected.height = 300;
    expected.definedSize = false;
    expected.fixedSize = true;
    expected.elements[2] = false;
    expected.elements[9] = false;
    EXPECT_EQ(read.settings, expected);
    EXPECT_EQ(read.startPath, site / "pages/a.html");

    ASSERT_NE(form->iconPos(), 0);
    const auto pixels = form->iconBmp()->pixelBytes();
    EXPECT_TRUE(std::equal(pixels.begin(), pixels.end(), exe.begin() + form->iconPos()));
}

TEST_F(GoButtonTest, EmptyProjectIsRefusedAfterTheIconSearch)
{
    form->EXENameEdit->setFileName(out / "handbuch");
    test::press(form->GoBtn1);
    EXPECT_EQ(script.texts(), std::vector<std::string>{kMsgNoStartFile});
    EXPECT_NE(form->iconPos(), 0);
    EXPECT_FALSE(fs::exists(out / "handbuch"));
    EXPECT_TRUE(fs::is_empty(home / "tmp"));
}

TEST_F(GoButtonTest, ExistingOutputIsKeptOnNo)
{
    openProject(0);
    test::writeFile(out / "handbuch", "old");
    form->EXENameEdit->setFileName(out / "handbuch");
    script.answers = {MsgResult::No};
    test::press(form->GoBtn1);
    EXPECT_EQ(script.texts(), std::vector<std::string>{kMsgOverwrite});
    EXPECT_EQ(test::readBytes(out / "handbuch"), test::bytesOf("old"));
}

// The ten window elements are mapped three times: from the check boxes into the project file,
// from the check boxes into the settings block of the built program, and from that block into
// the viewer's window. Each flag alone, and each flag alone off, must arrive at its own place in
// all three.
TEST_F(GoButtonTest, EachWindowElementArrivesAtItsPlaceInTheProjectFileTheProgramAndTheViewer)
{
    const struct Row {
        QCheckBox* TMainForm::*box;
        const char* viewer; // what the viewer shows for it: its command, tool bar or status bar
    } rows[BuildSettings::kElementCount] = {
        {&TMainForm::CheckBox1, "StatusBar"},     {&TMainForm::CheckBox2, "ToolBar"},
        {&TMainForm::CheckBox3, "actionPrint"},   {&TMainForm::CheckBox4, "actionExit"},
        {&TMainForm::CheckBox5, "actionAbout"},   {&TMainForm::CheckBox6, "actionBack"},
        {&TMainForm::CheckBox7, "actionForward"}, {&TMainForm::CheckBox8, "actionHome"},
        {&TMainForm::CheckBox9, "actionReload"},  {&TMainForm::CheckBox10, "actionExitButton"},
    };
    openProject(0); // titled: "Speichern" writes it back without a dialog
    form->EXENameEdit->setFileName(out / "programm");
    form->FixedSizeCheck->setChecked(false); // the commands then sit in the menu and on the tool bar
    const std::string projectName = form->NameED->text().toStdString();
    QWebEngineProfile profile;

    for (const bool alone : {true, false}) {
        for (int k = 0; k < BuildSettings::kElementCount; ++k) {
            SCOPED_TRACE(std::string(rows[k].viewer) + (alone ? " alone" : " alone off"));
            std::array<bool, BuildSettings::kElementCount> flags{};
            for (int i = 0; i < BuildSettings::kElementCount; ++i) {
                flags[static_cast<std::size_t>(i)] = (i == k) == alone;
                QCheckBox* box = form.get()->*rows[i].box;
                if (box->isChecked() != flags[static_cast<std::size_t>(i)])
                    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
                ASSERT_EQ(box->isChecked(), flags[static_cast<std::size_t>(i)])
                    << box->objectName().toStdString();
            }
            const Bytes expected(flags.begin(), flags.end());

            // The project file: the ten bytes in front of width, height, the two size bytes and the name.
            test::press(form->SaveBtn);
            const Bytes project = test::readBytes(home / "p.pgx");
            const std::size_t elementsAt = project.size() - 24 - projectName.size();
            EXPECT_EQ(Bytes(project.begin() + static_cast<std::ptrdiff_t>(elementsAt),
                            project.begin() + static_cast<std::ptrdiff_t>(elementsAt) + 10),
                      expected)
                << "project file";

            // The built program: the first ten bytes of its settings block.
            fs::remove(out / "programm");
            test::press(form->GoBtn1);
            const Bytes exe = test::readBytes(out / "programm");
            const auto marker = std::search(exe.begin(), exe.end(), kExeMarker + 4, kExeMarker + 8) - 4;
            const std::uint32_t n = test::getLE32(exe, static_cast<std::size_t>(marker - exe.begin()));
            ASSERT_LT(n + 10, exe.size());
            EXPECT_EQ(Bytes(exe.begin() + n, exe.begin() + n + 10), expected) << "settings block";

            // The viewer's window made from that block.
            TMemoryStream blockStream(Bytes(exe.begin() + n, exe.end()));
            const SettingsBlock block =
                ReadSettingsBlock(blockStream, static_cast<std::int64_t>(exe.size() - n));
            const ViewerWindow viewer(block.settings, QUrl(), &profile);
            const bool anyTool = std::any_of(rows, rows + BuildSettings::kElementCount, [&](const Row& r) {
                const std::string name = r.viewer;
                return flags[static_cast<std::size_t>(&r - rows)] && name != "actionExit" &&
                       name != "actionAbout" && name.rfind("action", 0) == 0;
            });
            for (int i = 0; i < BuildSettings::kElementCount; ++i) {
                const std::string name = rows[i].viewer;
                const bool shown = name == "StatusBar" ? viewer.findChild<QStatusBar*>() != nullptr
                                   : name == "ToolBar"
                                       ? viewer.toolBar() != nullptr
                                       : viewer.findChild<QAction*>(QString::fromStdString(name)) != nullptr;
                // A tool bar shows only when a command is on it.
                const bool wanted = flags[static_cast<std::size_t>(i)] && (name != "ToolBar" || anyTool);
                EXPECT_EQ(shown, wanted) << "viewer: " << name;
            }
        }
    }
}

} // namespace
} // namespace pagolux
