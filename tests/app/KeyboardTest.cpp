// The main window from the keyboard and at small sizes: the keys of Über and Ende, the page
// keys, the tab order of the page "EXE erstellen", and every control of every page reachable
// when the window is made very small.

#include "WindowTestSupport.h"

#include "app/AboutBoxUnit.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTabWidget>
#include <QTimer>

namespace pagolux::test {
namespace {

class Keyboard : public WindowTest {
  protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        form->show();
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    }
    QWidget* page() const { return control<QTabWidget>(*form, "PageControl2")->currentWidget(); }
};

TEST_F(Keyboard, PageKeysStepThroughThePagesBothWays)
{
    struct Step {
        QKeyCombination keys;
        const char* expected; // the page's object name
    };
    const Step steps[] = {
        {Qt::CTRL | Qt::Key_Tab, "TabSheet3"},
        {Qt::CTRL | Qt::Key_PageDown, "TabSheet5"},
        {Qt::CTRL | Qt::Key_Tab, "TabSheet6"},
        {Qt::CTRL | Qt::Key_PageDown, "TabSheet1"}, // past the last page: the first
        {Qt::CTRL | Qt::Key_PageUp, "TabSheet6"},
        {Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab, "TabSheet5"},
    };
    control<QListWidget>(*form, "ImageList")->setFocus();
    for (const Step& step : steps) {
        QTest::keyClick(QApplication::focusWidget(), step.keys.key(), step.keys.keyboardModifiers());
        EXPECT_EQ(page(), control<QWidget>(*form, step.expected))
            << QKeySequence(step.keys).toString().toStdString();
    }
}

TEST_F(Keyboard, AboutAndEndHaveKeysThatTheirHintsName)
{
    struct Row {
        const char* button;
        QKeyCombination keys;
        const char* hint;
    };
    const Row rows[] = {
        {"GoBtn1", TMainForm::kGoKeys, "Erstellt die EXE-Datei..."},
        {"ueberbtn", TMainForm::kAboutKeys, "Informationen über das Programm"},
        {"endebtn", TMainForm::kEndKeys, "Hiermit verlassen Sie das Programm"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(control<PictureButton>(*form, row.button)->toolTip(),
                  QString::fromUtf8(row.hint) + QStringLiteral(" (") +
                      QKeySequence(row.keys).toString(QKeySequence::NativeText) + QLatin1Char(')'));

    // F1 shows the information dialog.
    bool shown = false;
    QTimer::singleShot(0, [&] {
        if (auto* box = qobject_cast<TAboutBox*>(QApplication::activeModalWidget())) {
            shown = true;
            box->accept();
        }
    });
    QTest::keyClick(control<QListWidget>(*form, "ImageList"), TMainForm::kAboutKeys.key(),
                    TMainForm::kAboutKeys.keyboardModifiers());
    EXPECT_TRUE(shown);

    // Ctrl+Q asks as the Ende button does; Cancel keeps the window.
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    script.answers.push_back(MsgResult::Cancel);
    QTest::keyClick(control<QListWidget>(*form, "ImageList"), TMainForm::kEndKeys.key(),
                    TMainForm::kEndKeys.keyboardModifiers());
    ASSERT_EQ(script.messages.size(), 1u);
    EXPECT_EQ(script.messages[0].caption, "Programm beenden");
    EXPECT_TRUE(form->isVisible());
}

TEST_F(Keyboard, TabFollowsTheLayoutOfThePageExeErstellen)
{
    control<QTabWidget>(*form, "PageControl2")->setCurrentWidget(control<QWidget>(*form, "TabSheet6"));
    QWidget* const expected[] = {
        control<QCheckBox>(*form, "AutoStartCheck"),  control<GlyphButton>(*form, "OpenIconBtn"),
        control<GlyphButton>(*form, "StdIconBtn"),    control<QComboBox>(*form, "TargetCombo"),
        control<QRadioButton>(*form, "DefSizeCheck"), control<QCheckBox>(*form, "FixedSizeCheck"),
        control<QSpinBox>(*form, "WidthEd"),          control<QSpinBox>(*form, "HeightEd"),
        control<QCheckBox>(*form, "CheckBox1"),       control<QCheckBox>(*form, "CheckBox2"),
        control<QCheckBox>(*form, "CheckBox6"),       control<QCheckBox>(*form, "CheckBox7"),
        control<QCheckBox>(*form, "CheckBox3"),       control<QCheckBox>(*form, "CheckBox4"),
        control<QCheckBox>(*form, "CheckBox8"),       control<QCheckBox>(*form, "CheckBox9"),
        control<QCheckBox>(*form, "CheckBox5"),       control<QCheckBox>(*form, "CheckBox10"),
        control<QLineEdit>(*form, "NameED")};
    control<QCheckBox>(*form, "AutoStartCheck")->setFocus();
    for (QWidget* widget : expected) {
        QWidget* focused = QApplication::focusWidget();
        // A spin box has its focus in its line edit.
        EXPECT_TRUE(focused == widget || widget->isAncestorOf(focused))
            << widget->objectName().toStdString() << " expected, "
            << (focused ? focused->objectName().toStdString() : "nothing") << " has the focus";
        QTest::keyClick(focused, Qt::Key_Tab);
    }
}

// "Zielsystem" is narrow: its choices must show whole, not cut to "Window".
TEST_F(Keyboard, TargetChoicesShowInFull)
{
    QComboBox* combo = control<QComboBox>(*form, "TargetCombo");
    for (int i = 0; i < combo->count(); ++i) {
        QStyleOptionComboBox option;
        option.initFrom(combo);
        option.currentText = combo->itemText(i);
        const QRect field =
            combo->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, combo);
        EXPECT_GE(field.width(), combo->fontMetrics().horizontalAdvance(combo->itemText(i)))
            << combo->itemText(i).toStdString();
    }
}

// Made as small as the user can make it, the window keeps its rows of buttons whole, and every
// control of every page can be scrolled into view.
TEST_F(Keyboard, EveryControlStaysReachableInATinyWindow)
{
    form->resize(300, 200);
    QTest::qWait(0);
    ASSERT_LT(form->height(), 478) << "the window could not be made smaller than designed";
    ASSERT_LT(form->width(), 630);
    const QRect window = form->rect();
    for (QWidget* row : {control<QWidget>(*form, "ButtonRow"),
                         static_cast<QWidget*>(control<QWidget>(*form, "BottomPanel"))})
        for (QWidget* button : row->findChildren<QAbstractButton*>())
            EXPECT_TRUE(window.contains(QRect(button->mapTo(form.get(), QPoint()), button->size())))
                << button->objectName().toStdString();
    for (int p = 0; p < control<QTabWidget>(*form, "PageControl2")->count(); ++p) {
        control<QTabWidget>(*form, "PageControl2")->setCurrentIndex(p);
        QWidget* sheet = control<QTabWidget>(*form, "PageControl2")->widget(p);
        auto* scroll = sheet->findChild<QScrollArea*>();
        ASSERT_NE(scroll, nullptr) << p;
        for (QWidget* control : sheet->findChildren<QWidget*>()) {
            const bool isControl = control->focusPolicy() != Qt::NoFocus || qobject_cast<TImageBtn*>(control);
            if (!isControl || control->isHidden() || control->focusProxy() != nullptr ||
                !scroll->widget()->isAncestorOf(control))
                continue;
            scroll->ensureWidgetVisible(control, 0, 0);
            QTest::qWait(0);
            const QRect inView(control->mapTo(scroll->viewport(), QPoint()), control->size());
            EXPECT_TRUE(scroll->viewport()->rect().intersects(inView) && !inView.isEmpty())
                << "page " << p << ": " << control->objectName().toStdString();
            EXPECT_TRUE(scroll->viewport()->rect().contains(inView.center()))
                << "page " << p << ": " << control->objectName().toStdString();
        }
    }
}

} // namespace
} // namespace pagolux::test
