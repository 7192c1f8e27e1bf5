#include "controls/placement/ProfileFile.h"
#include "controls/placement/TFormStorage.h"
#include "tests/support/EnvOverride.h"
#include "tests/support/Files.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QScreen>
#include <QTest>
#include <QWidget>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <sstream>

namespace pagolux {

// A window like the main one: its class name is the section, one check box is stored.
class TMainForm : public QWidget {
    Q_OBJECT
  public:
    TMainForm()
    {
        setObjectName(QStringLiteral("MainForm"));
        setProperty("Position", QStringLiteral("poDesktopCenter"));
        AutoStartCheck = new QCheckBox(QStringLiteral("Datei nach dem Erstellen ausführen"), this);
        AutoStartCheck->setObjectName(QStringLiteral("AutoStartCheck"));
        setGeometry(100, 100, 640, 480);
        FormStorage1 = new TFormStorage(this);
        FormStorage1->setObjectName(QStringLiteral("FormStorage1"));
        FormStorage1->setStoredProps({QStringLiteral("AutoStartCheck.Checked")});
        FormStorage1->OnError = [this](const std::string& text) { errors.push_back(text); };
        FormStorage1->Loaded(
            {nullptr, [this](bool& canClose) { canClose = allowClose; }, [this] { ++destroyHandlerCalls; }});
    }
    ~TMainForm() override { FormStorage1->destroyNotification(); }

    QCheckBox* AutoStartCheck;
    TFormStorage* FormStorage1;
    bool allowClose = true;
    int destroyHandlerCalls = 0;
    std::vector<std::string> errors;
};

namespace {

using test::readFile;
using test::TempFolder;
using test::writeFile;

std::string screenSuffix()
{
    const QSize s = QGuiApplication::primaryScreen()->geometry().size();
    return "(" + std::to_string(s.width()) + "x" + std::to_string(s.height()) + ")";
}

int ppi()
{
    return qRound(QGuiApplication::primaryScreen()->logicalDotsPerInch());
}

std::string rectText(const QRect& r)
{
    std::ostringstream s;
    s << r.left() << "," << r.top() << "," << r.left() + r.width() << "," << r.top() + r.height();
    return s.str();
}

class Placement : public ::testing::Test {
  protected:
    void SetUp() override
    {
        ::setenv("XDG_CONFIG_HOME", temp.folder().c_str(), 1);
        iniPath = temp / "placement_test.INI";
    }

    // A stored section with the given extra lines and a usable placement.
    void writeIni(const std::string& lines) { writeFile(iniPath, "[TMainForm]\n" + lines); }
    bool iniExists() const { return std::filesystem::exists(iniPath); }

    TempFolder temp;
    std::string iniPath;

  private:
    test::EnvOverride configHome{"XDG_CONFIG_HOME"};
};

TEST_F(Placement, FirstRunCreatesEveryKeyInOrder)
{
    auto form = std::make_unique<TMainForm>();
    EXPECT_EQ(form->FormStorage1->iniFilePath(), iniPath);
    form->show();
    EXPECT_FALSE(form->AutoStartCheck->isChecked());
    form->AutoStartCheck->setChecked(true);
    const QRect normal = form->geometry();
    // The maximized position is minus the frame's left and bottom thickness.
    const std::string maxPos = std::to_string(-(normal.left() - form->frameGeometry().left())) + "," +
                               std::to_string(-(form->frameGeometry().bottom() - normal.bottom()));
    EXPECT_TRUE(form->close());
    const std::string norm = rectText(normal);
    const std::string expected =
        "[TMainForm]\nFormVersion=0\nFlags=0\nShowCmd=1\nPixelsPerInch=" + std::to_string(ppi()) +
        "\nMinMaxPos" + screenSuffix() + "=-1,-1," + maxPos + "\nMinMaxPos=-1,-1," + maxPos + "\nNormPos" +
        screenSuffix() + "=" + norm + "\nNormPos=" + norm + "\nVisible=0\nAutoStartCheck_Checked=True\n";
    EXPECT_EQ(readFile(iniPath), expected);
    EXPECT_TRUE(form->errors.empty());

    // Destroying after a saved close writes nothing more.
    const std::string before = readFile(iniPath);
    form.reset();
    EXPECT_EQ(readFile(iniPath), before);
}

TEST_F(Placement, CancelledCloseWritesNothing)
{
    writeIni("Other=kept\n");
    const std::string before = readFile(iniPath);
    TMainForm form;
    form.show();
    form.allowClose = false;
    EXPECT_FALSE(form.close());
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(readFile(iniPath), before);
    EXPECT_FALSE(form.FormStorage1->saved());
    form.FormStorage1->setActive(false); // keep the destructor from saving
}

TEST_F(Placement, NeverShownWindowWritesNothing)
{
    {
        TMainForm form;
    }
    EXPECT_FALSE(iniExists());
}

TEST_F(Placement, DestroyWithoutCloseSavesWithVisibleSet)
{
    {
        TMainForm form;
        form.show();
    }
    ProfileFile ini(iniPath);
    EXPECT_EQ(ini.readString("TMainForm", "Visible", ""), "1");
    EXPECT_EQ(ini.readString("TMainForm", "AutoStartCheck_Checked", ""), "False");
}

TEST_F(Placement, OtherKeysAndSectionsSurviveASave)
{
    writeFile(iniPath, "[Mine]\na=1\n[TMainForm]\nShowCmd=1\nExtra=x\n");
    {
        TMainForm form;
        form.show();
        form.close();
    }
    ProfileFile ini(iniPath);
    EXPECT_EQ(ini.readString("Mine", "a", ""), "1");
    EXPECT_EQ(ini.readString("TMainForm", "Extra", ""), "x");
    EXPECT_EQ(readFile(iniPath).rfind("[Mine]\na=1\n[TMainForm]\nShowCmd=1\nExtra=x\nFormVersion=0\n", 0),
              0u);
}

TEST_F(Placement, PositionRestoredFromTheScreenKeyBeforeThePlainKey)
{
    const QRect screenRect(150, 120, 500, 300);
    const QRect plainRect(60, 70, 400, 200);
    writeIni("PixelsPerInch=" + std::to_string(ppi()) + "\nNormPos" + screenSuffix() + "=" +
             rectText(screenRect) + "\nNormPos=" + rectText(plainRect) + "\n");
    TMainForm form;
    form.show();
    EXPECT_EQ(form.geometry(), screenRect);
    EXPECT_EQ(form.property("Position").toString(), QStringLiteral("poDesigned"));
    form.FormStorage1->setActive(false);
}

TEST_F(Placement, OtherResolutionFallsBackToThePlainKey)
{
    const QRect plainRect(60, 70, 400, 200);
    writeIni("PixelsPerInch=" + std::to_string(ppi()) +
             "\nNormPos(1x1)=1,1,2,2\nNormPos=" + rectText(plainRect) + "\n");
    TMainForm form;
    form.show();
    EXPECT_EQ(form.geometry(), plainRect);
    form.FormStorage1->setActive(false);
}

TEST_F(Placement, EmptyScreenKeyFallsBackToThePlainKey)
{
    const QRect plainRect(61, 71, 401, 201);
    writeIni("NormPos" + screenSuffix() + "=\nNormPos=" + rectText(plainRect) + "\n");
    TMainForm form;
    form.show();
    EXPECT_EQ(form.geometry(), plainRect);
    form.FormStorage1->setActive(false);
}

TEST_F(Placement, OtherPixelsPerInchKeepsSizeButRestoresState)
{
    writeIni("PixelsPerInch=" + std::to_string(ppi() + 24) + "\nShowCmd=3\nNormPos=10,10,300,300\n");
    TMainForm form;
    const QRect before = form.geometry();
    form.show();
    EXPECT_TRUE(form.isMaximized());
    EXPECT_EQ(form.normalGeometry(), before);
    form.FormStorage1->setActive(false);
}

TEST_F(Placement, InvalidRectangleIsNotApplied)
{
    for (const char* rect : {"300,10,300,200", "300,10,100,200", "10,300,400,300"}) {
        writeIni(std::string("NormPos=") + rect + "\n");
        TMainForm form;
        const QRect before = form.geometry();
        form.show();
        EXPECT_EQ(form.geometry(), before) << rect;
        EXPECT_EQ(form.property("Position").toString(), QStringLiteral("poDesktopCenter")) << rect;
        form.FormStorage1->setActive(false);
    }
}

TEST_F(Placement, MissingOrNonNumberWordsKeepTheCurrentEdge)
{
    // Which of left, top, right, bottom the words give; the others stay at the window's edge.
    struct Row {
        const char* text;
        std::array<std::optional<int>, 4> edges;
    };
    const Row rows[] = {
        {"20 30 220 130", {20, 30, 220, 130}},
        {"  20 , 30,,220 ,x", {20, 30, 220, std::nullopt}},
        {"20,30,x,y", {20, 30, std::nullopt, std::nullopt}},
        {"20,30", {20, 30, std::nullopt, std::nullopt}},
        {"a,b,420,330", {std::nullopt, std::nullopt, 420, 330}},
        {"1e3,30,220,130", {std::nullopt, 30, 220, 130}},
    };
    for (const Row& row : rows) {
        writeIni(std::string("NormPos=") + row.text + "\n");
        TMainForm form;
        const QRect g = form.geometry();
        const int current[4] = {g.left(), g.top(), g.left() + g.width(), g.top() + g.height()};
        int e[4];
        for (int i = 0; i < 4; ++i)
            e[i] = row.edges[i].value_or(current[i]);
        ASSERT_LT(e[0], e[2]) << row.text << ": the row must give a usable rectangle";
        ASSERT_LT(e[1], e[3]) << row.text << ": the row must give a usable rectangle";
        form.show();
        EXPECT_EQ(form.geometry(), QRect(e[0], e[1], e[2] - e[0], e[3] - e[1])) << row.text;
        form.FormStorage1->setActive(false);
    }
}

TEST_F(Placement, MaximizedRestoreKeepsTheSavedNormalRectangle)
{
    const QRect saved(80, 90, 420, 260);
    writeIni("ShowCmd=3\nNormPos=" + rectText(saved) + "\n");
    {
        TMainForm form;
        form.show();
        EXPECT_TRUE(form.isMaximized());
        EXPECT_EQ(form.normalGeometry(), saved);
        form.close();
    }
    ProfileFile ini(iniPath);
    EXPECT_EQ(ini.readString("TMainForm", "ShowCmd", ""), "3");
    EXPECT_EQ(ini.readString("TMainForm", "NormPos", ""), rectText(saved));
}

TEST_F(Placement, MinimizedRestoreIsPostedAndComesUpMinimized)
{
    writeIni("ShowCmd=2\n");
    TMainForm form;
    form.show();
    EXPECT_FALSE(form.isMinimized()); // not yet: the minimize waits in the event queue
    EXPECT_TRUE(QTest::qWaitFor([&] { return form.isMinimized(); }));
    form.FormStorage1->setActive(false);
}

TEST_F(Placement, ShowCmdMapping)
{
    struct Row {
        const char* value;
        bool maximized;
    };
    for (const Row row : {Row{"3", true}, Row{"1", false}, Row{"5", false}, Row{"9", false}, Row{"4", false},
                          Row{"0x3", true}, Row{"junk", false}}) {
        writeIni(std::string("ShowCmd=") + row.value + "\n");
        TMainForm form;
        form.show();
        EXPECT_EQ(form.isMaximized(), row.maximized) << row.value;
        EXPECT_FALSE(form.isMinimized()) << row.value;
        form.FormStorage1->setActive(false);
    }
}

TEST_F(Placement, BooleanTextMatching)
{
    struct Row {
        const char* stored;
        bool before;
        bool after;
    };
    for (const Row row : {Row{"True", false, true}, Row{"true", false, true}, Row{"  TRUE\t", false, true},
                          Row{"False", true, false}, Row{"fAlSe", true, false}, Row{"yes", false, false},
                          Row{"yes", true, true}, Row{"1", false, false}, Row{"", true, true}}) {
        writeIni(std::string("AutoStartCheck_Checked=") + row.stored + "\n");
        TMainForm form;
        form.AutoStartCheck->setChecked(row.before);
        form.show();
        EXPECT_EQ(form.AutoStartCheck->isChecked(), row.after) << '"' << row.stored << '"';
        form.FormStorage1->setActive(false);
    }
}

TEST_F(Placement, NegativeFormVersionRestoresNothingButTheNextCloseSaves)
{
    writeIni("FormVersion=-1\nNormPos=10,20,300,400\nShowCmd=3\nAutoStartCheck_Checked=True\n");
    TMainForm form;
    const QRect before = form.geometry();
    form.show();
    EXPECT_EQ(form.geometry(), before);
    EXPECT_FALSE(form.isMaximized());
    EXPECT_FALSE(form.AutoStartCheck->isChecked());
    EXPECT_TRUE(form.FormStorage1->restored());
    form.close();
    ProfileFile ini(iniPath);
    EXPECT_EQ(ini.readString("TMainForm", "FormVersion", ""), "0");
    EXPECT_EQ(ini.readString("TMainForm", "AutoStartCheck_Checked", ""), "False");
    EXPECT_EQ(ini.readString("TMainForm", "NormPos", ""), rectText(before));
}

TEST_F(Placement, HigherVersionNeedsANewerFile)
{
    writeIni("FormVersion=2\nAutoStartCheck_Checked=True\n");
    {
        TMainForm form;
        form.FormStorage1->setVersion(3);
        form.show();
        EXPECT_FALSE(form.AutoStartCheck->isChecked());
        form.FormStorage1->setActive(false);
    }
    TMainForm form;
    form.FormStorage1->setVersion(2);
    form.show();
    EXPECT_TRUE(form.AutoStartCheck->isChecked());
    form.FormStorage1->setActive(false);
}

TEST_F(Placement, RefusedWriteIsReportedAndTheCloseGoesOn)
{
    TMainForm form;
    form.FormStorage1->setIniFileName(QStringLiteral("/proc/pagolux-no-such-folder/test.INI"));
    form.show();
    EXPECT_TRUE(form.close());
    ASSERT_EQ(form.errors.size(), 1u);
    EXPECT_EQ(form.errors[0], "nach test.INI kann nicht geschrieben werden");
    EXPECT_FALSE(form.isVisible());
    form.FormStorage1->setActive(false);
}

TEST_F(Placement, SingleValuesAndTheQuoteRule)
{
    TMainForm form;
    TFormPlacement& p = *form.FormStorage1;
    p.WriteString("S", "quoted", "\"abc\"");
    p.WriteString("S", "single", "'x'");
    p.WriteString("S", "plain", "a\"b");
    EXPECT_EQ(p.ReadString("S", "quoted", ""), "\"abc\"");
    EXPECT_EQ(p.ReadString("S", "single", ""), "'x'");
    EXPECT_EQ(p.ReadString("S", "plain", ""), "a\"b");
    struct Row {
        const char* text;
        int expected;
    };
    for (const Row row : {Row{"42", 42}, Row{"-7", -7}, Row{"0x10", 16}, Row{"0XfF", 255}, Row{"0x", -1},
                          Row{"", -1}, Row{"12abc", -1}, Row{"99999999999", -1}, Row{"0xFFFFFFFF", -1}}) {
        p.WriteString("TMainForm", "Num", row.text);
        EXPECT_EQ(p.ReadInteger("Num", -1), row.expected) << row.text;
    }
    p.setActive(false);
}

TEST_F(Placement, DefaultSections)
{
    TMainForm form;
    QObject plain;
    plain.setObjectName(QStringLiteral("Plain"));
    EXPECT_EQ(TFormPlacement::defaultSection(&form), "TMainForm");
    EXPECT_EQ(TFormPlacement::defaultSection(form.AutoStartCheck), "TMainFormAutoStartCheck");
    EXPECT_EQ(TFormPlacement::defaultSection(form.FormStorage1), "TMainForm.FormStorage1");
    EXPECT_EQ(TFormPlacement::defaultSection(&plain), "Plain");
    EXPECT_EQ(TFormPlacement::defaultSection(nullptr), "");
    EXPECT_EQ(form.FormStorage1->iniSection(), "TMainForm");
    form.FormStorage1->setIniSection(QStringLiteral("Eigene"));
    EXPECT_EQ(form.FormStorage1->iniSection(), "Eigene");
    form.FormStorage1->setActive(false);
}

TEST_F(Placement, StoredPropsResolution)
{
    TMainForm form;
    form.FormStorage1->setStoredProps({QStringLiteral("NoDot"), QStringLiteral(".Checked"),
                                       QStringLiteral("AutoStartCheck."), QStringLiteral("Missing.Checked"),
                                       QStringLiteral(" AutoStartCheck . checked ")});
    form.FormStorage1->Loaded({});
    EXPECT_EQ(form.FormStorage1->StoredProps(), QStringList{QStringLiteral(" AutoStartCheck . checked ")});
    form.AutoStartCheck->setObjectName(QStringLiteral("Renamed"));
    form.show();
    EXPECT_EQ(form.FormStorage1->StoredProps(), QStringList{QStringLiteral("Renamed.checked")});
    form.AutoStartCheck->setChecked(true);
    form.close();
    EXPECT_EQ(ProfileFile(iniPath).readString("TMainForm", "Renamed_checked", ""), "True");
}

TEST_F(Placement, InactiveComponentLeavesEverythingAlone)
{
    writeIni("AutoStartCheck_Checked=True\nShowCmd=3\n");
    const std::string before = readFile(iniPath);
    {
        TMainForm form;
        form.FormStorage1->setActive(false);
        form.show();
        EXPECT_FALSE(form.AutoStartCheck->isChecked());
        EXPECT_FALSE(form.isMaximized());
        form.close();
    }
    EXPECT_EQ(readFile(iniPath), before);
}

TEST_F(Placement, ShowAndDestroyHandlersStillRun)
{
    int shows = 0;
    int destroys = 0;
    {
        TMainForm form;
        form.FormStorage1->Loaded({[&] { ++shows; }, nullptr, [&] { ++destroys; }});
        form.show();
        form.hide();
        form.show();
        form.FormStorage1->setActive(false);
    }
    EXPECT_EQ(shows, 2);
    EXPECT_EQ(destroys, 1);
}

} // namespace
} // namespace pagolux

#include "PlacementTest.moc"
