#include "shell/TShellTree.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QItemSelectionModel>

namespace pagolux {

TShellTree::TShellTree(QWidget* parent) : QTreeView(parent), model_(new TShellModel(this))
{
    model_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
    model_->setRootPath(QDir::rootPath());
    setModel(model_);
    // The tree shows names only: size, type and date belong to the list.
    for (int column = 1; column < model_->columnCount(); ++column)
        hideColumn(column);
    header()->hide();
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setDragDropMode(QAbstractItemView::NoDragDrop);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setAnimated(false);
    setSortingEnabled(false);
    model_->sort(0, Qt::AscendingOrder);

    // The folders above a chosen one are read and sorted in the background, which moves it;
    // it is scrolled into view again after each of these steps until the user takes over.
    connect(model_, &QFileSystemModel::directoryLoaded, this, &TShellTree::keepPendingFolderInView);
    connect(model_, &QAbstractItemModel::layoutChanged, this, &TShellTree::keepPendingFolderInView);
    connect(model_, &QAbstractItemModel::rowsInserted, this, &TShellTree::keepPendingFolderInView);
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current, const QModelIndex&) {
                if (current.isValid())
                    emit folderSelected(model_->filePath(current));
            });
}

QString TShellTree::selectedFolder() const
{
    const QModelIndex current = selectionModel()->currentIndex();
    return current.isValid() ? model_->filePath(current) : QString();
}

bool TShellTree::selectFolder(const QString& path)
{
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    if (!info.isDir())
        return false;
    const QString clean = QDir::cleanPath(info.absoluteFilePath());
    const QModelIndex index = model_->index(clean);
    if (!index.isValid())
        return false;
    for (QModelIndex parent = index.parent(); parent.isValid(); parent = parent.parent())
        expand(parent);
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    scrollTo(index, QAbstractItemView::PositionAtCenter);
    // The folders above it are read in the background; scroll again once they are there.
    pendingScroll_ = QPersistentModelIndex(index);
    return true;
}

} // namespace pagolux

namespace pagolux {

// Once the user moves around in the tree, it no longer jumps back to a chosen folder.
void TShellTree::mousePressEvent(QMouseEvent* event)
{
    pendingScroll_ = QPersistentModelIndex();
    QTreeView::mousePressEvent(event);
}

void TShellTree::keyPressEvent(QKeyEvent* event)
{
    pendingScroll_ = QPersistentModelIndex();
    QTreeView::keyPressEvent(event);
}

void TShellTree::showEvent(QShowEvent* event)
{
    QTreeView::showEvent(event);
    // A folder chosen while the tree was hidden comes into view once the tree has its size.
    keepPendingFolderInView();
}

void TShellTree::keepPendingFolderInView()
{
    // Queued, so the scroll happens after the model has laid out what it just loaded.
    if (pendingScroll_.isValid())
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (pendingScroll_.isValid())
                    scrollTo(pendingScroll_, QAbstractItemView::PositionAtCenter);
            },
            Qt::QueuedConnection);
}

void TShellTree::wheelEvent(QWheelEvent* event)
{
    pendingScroll_ = QPersistentModelIndex();
    QTreeView::wheelEvent(event);
}

} // namespace pagolux
