#pragma once
// Shared set-up of the window tests: a home of their own, a main window with a scripted
// interaction, and helpers that drive the shell tree and list like a user.

#include "app/MainUnit.h"
#include "controls/TFilenameEdit.h"
#include "controls/TPaintBox.h"
#include "controls/TStatusBar.h"
#include "shell/TShellLink.h"
#include "shell/TShellList.h"
#include "shell/TShellTree.h"
#include "tests/support/EnvOverride.h"
#include "tests/support/ScriptedInteraction.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QSplitter>
#include <QString>
#include <QStringList>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace pagolux::test {

// Writes a file (creating folders on the way).
void writeFile(const QString& path, const QByteArray& content = "x");
// Bytes of a path as entries hold them.
std::string bytes(const QString& path);

// Presses a button with the mouse as a user does, a left click in its middle. The button must be
// enabled: a click on a disabled one does nothing and would hide a fault of the test.
inline void press(QWidget* button)
{
    ASSERT_NE(button, nullptr);
    ASSERT_TRUE(button->isEnabled()) << button->objectName().toStdString() << " is disabled";
    QTest::mouseClick(button, Qt::LeftButton);
}

class WindowTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Shows `folder` in the shell tree and waits until the list has read it.
    void showFolder(const QString& folder);
    // Selects `names` in the shell list and presses "Hinzufügen".
    void addFromFolder(const QString& folder, const QStringList& names);
    // Selects exactly these lines of ImageList.
    void selectImageLines(std::initializer_list<int> lines);
    [[nodiscard]] std::vector<std::string> lines(const class QListWidget* list) const;

    std::unique_ptr<IsolatedHome> home;
    // Questions nobody queued an answer for are answered OK.
    ScriptedInteraction script{MsgResult::Ok};
    std::unique_ptr<TMainForm> form;
    QTemporaryDir site; // files to add
};

} // namespace pagolux::test
