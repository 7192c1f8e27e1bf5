// The shell tree, the shell list and the link between them.

#include "shell/TShellLink.h"
#include "shell/TShellList.h"
#include "shell/TShellModel.h"
#include "shell/TShellTree.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace pagolux {
namespace {

void touch(const QString& path)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("x");
}

class Shell : public ::testing::Test {
  protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        for (const char* name : {"zeta.html", "alpha.html", "Mitte.css", "mit leer.txt", "über.htm"})
            touch(dir.filePath(QString::fromUtf8(name)));
        touch(dir.filePath(QStringLiteral("ordner/innen.html")));
        touch(dir.filePath(QStringLiteral("bilder/a.png")));
        QDir(dir.path()).mkdir(QStringLiteral("leer"));
    }

    // Waits until the list shows every item of its folder.
    void waitForList(TShellList& list)
    {
        const auto expected = QDir(list.folder()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size();
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return list.isLoaded() && list.itemNames().size() == expected; }, 10000));
    }

    QTemporaryDir dir;
};

TEST_F(Shell, TreeSelectsExistingFoldersOnly)
{
    TShellTree tree;
    QSignalSpy selected(&tree, &TShellTree::folderSelected);
    ASSERT_TRUE(tree.selectFolder(dir.path()));
    EXPECT_EQ(tree.selectedFolder(), dir.path());
    ASSERT_EQ(selected.size(), 1);
    EXPECT_EQ(selected[0][0].toString(), dir.path());

    const QString sub = dir.filePath(QStringLiteral("ordner"));
    ASSERT_TRUE(tree.selectFolder(sub + QLatin1Char('/'))); // trailing separator accepted
    EXPECT_EQ(tree.selectedFolder(), sub);

    const QString rejected[] = {dir.filePath(QStringLiteral("gibt-es-nicht")),
                                dir.filePath(QStringLiteral("alpha.html")), QString(),
                                QStringLiteral("relativ/ordner")};
    for (const QString& path : rejected) {
        EXPECT_FALSE(tree.selectFolder(path)) << path.toStdString();
        EXPECT_EQ(tree.selectedFolder(), sub);
    }
    EXPECT_TRUE(tree.selectFolder(QStringLiteral("/")));
    EXPECT_EQ(tree.selectedFolder(), QStringLiteral("/"));
}

TEST_F(Shell, SelectedFolderIsExpandedAndScrolledIntoView)
{
    // Chosen before the tree is shown, as at program start.
    TShellTree tree;
    tree.resize(241, 176);
    const QString deep = dir.filePath(QStringLiteral("ordner"));
    ASSERT_TRUE(tree.selectFolder(deep));
    tree.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&tree));
    // The folders above it are read in the background; it must end up visible.
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            const QModelIndex current = tree.currentIndex();
            return current.isValid() && tree.viewport()->rect().contains(tree.visualRect(current));
        },
        5000));
    for (QModelIndex parent = tree.currentIndex().parent(); parent.isValid(); parent = parent.parent())
        EXPECT_TRUE(tree.isExpanded(parent)) << parent.data().toString().toStdString();
}

TEST_F(Shell, ListShowsFilesAndFoldersButNeverAParentItem)
{
    TShellList list;
    list.setFolder(dir.path());
    waitForList(list);
    const QStringList names = list.itemNames();
    EXPECT_FALSE(names.contains(QStringLiteral("..")));
    EXPECT_FALSE(names.contains(QStringLiteral(".")));
    // Folders first, then files, each by name.
    EXPECT_EQ(names.mid(0, 3),
              (QStringList{QStringLiteral("bilder"), QStringLiteral("leer"), QStringLiteral("ordner")}));
    EXPECT_EQ(names.size(), 8);
    EXPECT_TRUE(names.contains(QStringLiteral("über.htm")));
}

TEST_F(Shell, SelectedNamesComeInDisplayOrder)
{
    TShellList list;
    list.setFolder(dir.path());
    waitForList(list);
    EXPECT_TRUE(list.selectedNames().isEmpty());
    const QStringList wanted = {QStringLiteral("zeta.html"), QStringLiteral("ordner"),
                                QStringLiteral("alpha.html"), QStringLiteral("gibt-es-nicht")};
    EXPECT_EQ(list.selectNames(wanted), 3);
    QStringList expected;
    for (const QString& name : list.itemNames())
        if (wanted.contains(name))
            expected << name;
    EXPECT_EQ(list.selectedNames(), expected);
    EXPECT_EQ(expected.first(), QStringLiteral("ordner"));
}

TEST_F(Shell, ChangingTheFolderClearsTheSelection)
{
    TShellList list;
    list.setFolder(dir.path());
    waitForList(list);
    ASSERT_EQ(list.selectNames({QStringLiteral("alpha.html")}), 1);
    list.setFolder(dir.filePath(QStringLiteral("ordner")));
    waitForList(list);
    EXPECT_TRUE(list.selectedNames().isEmpty());
    EXPECT_EQ(list.itemNames(), QStringList{QStringLiteral("innen.html")});
}

TEST_F(Shell, EnterOnAFolderOpensItAndOnAFileDoesNot)
{
    TShellList list;
    list.setFolder(dir.path());
    waitForList(list);
    list.show();
    QSignalSpy entered(&list, &TShellList::folderEntered);
    const auto indexOf = [&](const QString& name) {
        for (int row = 0; row < list.model()->rowCount(list.rootIndex()); ++row) {
            const QModelIndex index = list.model()->index(row, 0, list.rootIndex());
            if (index.data().toString() == name)
                return index;
        }
        return QModelIndex();
    };
    list.setCurrentIndex(indexOf(QStringLiteral("alpha.html")));
    QTest::keyClick(&list, Qt::Key_Return);
    EXPECT_EQ(entered.size(), 0);
    list.setCurrentIndex(indexOf(QStringLiteral("bilder")));
    QTest::keyClick(&list, Qt::Key_Return);
    ASSERT_EQ(entered.size(), 1);
    EXPECT_EQ(entered[0][0].toString(), dir.filePath(QStringLiteral("bilder")));
    emit list.doubleClicked(indexOf(QStringLiteral("ordner")));
    ASSERT_EQ(entered.size(), 2);
    EXPECT_EQ(entered[1][0].toString(), dir.filePath(QStringLiteral("ordner")));
}

TEST_F(Shell, LinkKeepsListOnTheTreeFolderBothWays)
{
    TShellTree tree;
    TShellList list;
    TShellLink link(&tree, &list);
    ASSERT_TRUE(tree.selectFolder(dir.path()));
    EXPECT_EQ(list.folder(), dir.path());
    waitForList(list);

    emit list.folderEntered(dir.filePath(QStringLiteral("ordner")));
    EXPECT_EQ(tree.selectedFolder(), dir.filePath(QStringLiteral("ordner")));
    EXPECT_EQ(list.folder(), dir.filePath(QStringLiteral("ordner")));

    // A folder that vanished in the meantime: nothing changes, nothing breaks.
    const QString gone = dir.filePath(QStringLiteral("leer"));
    ASSERT_TRUE(QDir(gone).removeRecursively());
    emit list.folderEntered(gone);
    EXPECT_EQ(tree.selectedFolder(), dir.filePath(QStringLiteral("ordner")));
}

TEST(ShellModel, GermanSizesAndTypes)
{
    const struct {
        qint64 bytes;
        QString text;
    } sizes[] = {{0, QStringLiteral("0 KB")},
                 {1, QStringLiteral("1 KB")},
                 {1024, QStringLiteral("1 KB")},
                 {1025, QStringLiteral("2 KB")},
                 {5 * 1024 * 1024, QStringLiteral("5.120 KB")}};
    for (const auto& s : sizes)
        EXPECT_EQ(TShellModel::formatSize(s.bytes), s.text) << s.bytes;

    QTemporaryDir dir;
    touch(dir.filePath(QStringLiteral("seite.html")));
    touch(dir.filePath(QStringLiteral("LIESMICH")));
    EXPECT_EQ(TShellModel::typeName(QFileInfo(dir.filePath(QStringLiteral("seite.html")))),
              QStringLiteral("HTML-Datei"));
    EXPECT_EQ(TShellModel::typeName(QFileInfo(dir.filePath(QStringLiteral("LIESMICH")))),
              QStringLiteral("Datei"));
    EXPECT_EQ(TShellModel::typeName(QFileInfo(dir.path())), QStringLiteral("Dateiordner"));

    TShellModel model;
    EXPECT_EQ(model.headerData(0, Qt::Horizontal).toString(), QStringLiteral("Name"));
    EXPECT_EQ(model.headerData(1, Qt::Horizontal).toString(), QStringLiteral("Größe"));
    EXPECT_EQ(model.headerData(2, Qt::Horizontal).toString(), QStringLiteral("Typ"));
    EXPECT_EQ(model.headerData(3, Qt::Horizontal).toString(), QStringLiteral("Geändert am"));
}

// Every row of the tree and the list shows an icon, folders another one than files, even
// where the desktop has no icon theme.
TEST_F(Shell, FilesAndFoldersHaveIcons)
{
    TShellList list;
    list.setFolder(dir.path());
    waitForList(list);
    TShellTree tree;
    ASSERT_TRUE(tree.selectFolder(dir.path()));
    const auto iconOf = [](const QAbstractItemModel* model, const QModelIndex& index) {
        return model->data(index.siblingAtColumn(0), Qt::DecorationRole).value<QIcon>();
    };
    const QAbstractItemModel* model = list.model();
    QIcon folderIcon, fileIcon;
    for (int row = 0; row < model->rowCount(list.rootIndex()); ++row) {
        const QModelIndex index = model->index(row, 0, list.rootIndex());
        const QString name = index.data().toString();
        EXPECT_FALSE(iconOf(model, index).isNull()) << name.toStdString();
        if (name == QStringLiteral("ordner"))
            folderIcon = iconOf(model, index);
        if (name == QStringLiteral("alpha.html"))
            fileIcon = iconOf(model, index);
    }
    EXPECT_FALSE(iconOf(tree.model(), tree.currentIndex()).isNull()) << "the folder in the tree";
    ASSERT_FALSE(folderIcon.isNull());
    ASSERT_FALSE(fileIcon.isNull());
    EXPECT_NE(folderIcon.pixmap(16).toImage(), fileIcon.pixmap(16).toImage());
}

} // namespace
} // namespace pagolux
