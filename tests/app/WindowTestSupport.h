#pragma once
// Shared set-up of the window tests: private XDG and home folders, a main window with a
// scripted interaction, and helpers that drive the shell tree and list like a user.

#include "ScriptedInteraction.h"

#include "app/MainUnit.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace pagolux::test {

// Points HOME, XDG_DATA_HOME and XDG_CONFIG_HOME into a fresh temporary folder, so that no
// test reads or writes the real user's files. Call before the window is created.
class IsolatedHome {
  public:
    IsolatedHome();
    ~IsolatedHome(); // puts the previous values back
    IsolatedHome(const IsolatedHome&) = delete;
    IsolatedHome& operator=(const IsolatedHome&) = delete;
    [[nodiscard]] QString path() const { return dir_.path(); }
    [[nodiscard]] std::string home() const; // with a trailing "/"

  private:
    QTemporaryDir dir_;
    QByteArray oldHome_, oldData_, oldConfig_;
};

// Writes a file (creating folders on the way).
void writeFile(const QString& path, const QByteArray& content = "x");
// Bytes of a path as entries hold them.
std::string bytes(const QString& path);

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
    Script script;
    std::unique_ptr<TMainForm> form;
    QTemporaryDir site; // files to add
};

} // namespace pagolux::test
