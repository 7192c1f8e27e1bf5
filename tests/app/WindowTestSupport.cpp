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

namespace {
void restore(const char* name, const QByteArray& value)
{
    if (value.isNull())
        qunsetenv(name);
    else
        qputenv(name, value);
}
} // namespace

IsolatedHome::~IsolatedHome()
{
    restore("HOME", oldHome_);
    restore("XDG_DATA_HOME", oldData_);
    restore("XDG_CONFIG_HOME", oldConfig_);
}

IsolatedHome::IsolatedHome()
    : oldHome_(qgetenv("HOME")), oldData_(qgetenv("XDG_DATA_HOME")), oldConfig_(qgetenv("XDG_CONFIG_HOME"))
{
    QDir(dir_.path()).mkpath(QStringLiteral("data"));
    QDir(dir_.path()).mkpath(QStringLiteral("config"));
    qputenv("HOME", dir_.path().toUtf8());
    qputenv("XDG_DATA_HOME", (dir_.path() + QStringLiteral("/data")).toUtf8());
    qputenv("XDG_CONFIG_HOME", (dir_.path() + QStringLiteral("/config")).toUtf8());
}

std::string IsolatedHome::home() const
{
    return QFile::encodeName(dir_.path()).toStdString() + "/";
}

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
    form = std::make_unique<TMainForm>(nullptr, std::make_unique<ScriptedInteraction>(script));
}

void WindowTest::TearDown()
{
    form.reset();
    home.reset();
}

void WindowTest::showFolder(const QString& folder)
{
    ASSERT_TRUE(form->ShellTree1->selectFolder(folder)) << folder.toStdString();
    ASSERT_EQ(form->ShellList1->folder(), QDir::cleanPath(folder));
    // The list reads the folder in the background; wait until all its items are there.
    const int expected =
        static_cast<int>(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size());
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return form->ShellList1->isLoaded() && form->ShellList1->itemNames().size() == expected; },
        10000))
        << "list shows " << form->ShellList1->itemNames().size() << " of " << expected;
}

void WindowTest::addFromFolder(const QString& folder, const QStringList& names)
{
    showFolder(folder);
    ASSERT_EQ(form->ShellList1->selectNames(names), names.size());
    form->AddBtnClick();
}

void WindowTest::selectImageLines(std::initializer_list<int> selected)
{
    form->ImageList->clearSelection();
    for (int line : selected)
        form->ImageList->item(line)->setSelected(true);
}

std::vector<std::string> WindowTest::lines(const QListWidget* list) const
{
    std::vector<std::string> result;
    for (int i = 0; i < list->count(); ++i)
        result.push_back(list->item(i)->data(Qt::UserRole).toByteArray().toStdString());
    return result;
}

} // namespace pagolux::test
