#include "WindowTestSupport.h"

#include "shell/TShellList.h"
#include "shell/TShellTree.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QSignalSpy>
#include <QTest>

namespace pagolux::test {

void writeFile(const QString& path, const QByteArray& content)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(content);
}

std::string bytes(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

void WindowTest::SetUp()
{
    home = std::make_unique<IsolatedHome>();
    form = std::make_unique<TMainForm>(nullptr, script.forWindow());
}

void WindowTest::TearDown()
{
    form.reset();
    home.reset();
}

void WindowTest::showFolder(const QString& folder)
{
    ASSERT_TRUE(control<TShellTree>(*form, "ShellTree1")->selectFolder(folder)) << folder.toStdString();
    ASSERT_EQ(control<TShellList>(*form, "ShellList1")->folder(), QDir::cleanPath(folder));
    // The list reads the folder in the background; wait until all its items are there.
    const int expected =
        static_cast<int>(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size());
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return control<TShellList>(*form, "ShellList1")->isLoaded() &&
                   control<TShellList>(*form, "ShellList1")->itemNames().size() == expected;
        },
        10000))
        << "list shows " << control<TShellList>(*form, "ShellList1")->itemNames().size() << " of "
        << expected;
}

void WindowTest::addFromFolder(const QString& folder, const QStringList& names)
{
    showFolder(folder);
    ASSERT_EQ(control<TShellList>(*form, "ShellList1")->selectNames(names), names.size());
    press(control<GlyphButton>(*form, "AddBtn"));
}

void WindowTest::selectImageLines(std::initializer_list<int> selected)
{
    control<QListWidget>(*form, "ImageList")->clearSelection();
    for (int line : selected)
        control<QListWidget>(*form, "ImageList")->item(line)->setSelected(true);
}

std::vector<std::string> WindowTest::lines(const QListWidget* list) const
{
    std::vector<std::string> result;
    for (int i = 0; i < list->count(); ++i)
        result.push_back(list->item(i)->data(Qt::UserRole).toByteArray().toStdString());
    return result;
}

} // namespace pagolux::test
