#include "shell/TShellList.h"

#include "shell/TShellModel.h"

#include <QDir>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>

#include <algorithm>

namespace pagolux {

TShellList::TShellList(QWidget* parent) : QTreeView(parent), model_(new TShellModel(this))
{
    // Files and folders of one folder; "." and ".." never appear.
    model_->setFilter(QDir::AllEntries | QDir::NoDotAndDotDot);
    model_->setNameFilters({QStringLiteral("*")});
    model_->setNameFilterDisables(false);
    setModel(model_);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setDragDropMode(QAbstractItemView::NoDragDrop);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSortingEnabled(true);
    sortByColumn(0, Qt::AscendingOrder);
    header()->setStretchLastSection(false);
    header()->setSectionResizeMode(0, QHeaderView::Stretch);
    setColumnWidth(1, 70);
    setColumnWidth(2, 90);
    setColumnWidth(3, 118);

    connect(this, &QAbstractItemView::doubleClicked, this, &TShellList::enter);
    connect(model_, &QFileSystemModel::directoryLoaded, this, [this](const QString& path) {
        if (!loaded_ && QDir::cleanPath(path) == folder_)
            markLoaded();
    });
}

void TShellList::setFolder(const QString& path)
{
    folder_ = QDir::cleanPath(path);
    loaded_ = false;
    clearSelection();
    const QModelIndex root = model_->setRootPath(folder_);
    setRootIndex(root);
    // A folder read before is not read again: it is complete at once.
    if (root.isValid() && !model_->canFetchMore(root) && model_->rowCount(root) > 0)
        markLoaded();
}

void TShellList::markLoaded()
{
    // The model sorts new rows a moment later; sorting now makes the display order final
    // before anybody is told that the folder is there.
    model_->sort(header()->sortIndicatorSection(), header()->sortIndicatorOrder());
    loaded_ = true;
    emit folderLoaded(folder_);
}

QStringList TShellList::selectedNames() const
{
    QModelIndexList rows = selectionModel()->selectedRows(0);
    // Rows of one folder: their row numbers are the display order of the sorted model.
    std::sort(rows.begin(), rows.end(),
              [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    QStringList names;
    for (const QModelIndex& index : rows)
        if (index.parent() == rootIndex())
            names << model_->fileName(index);
    return names;
}

QStringList TShellList::itemNames() const
{
    QStringList names;
    const QModelIndex root = rootIndex();
    for (int row = 0; row < model_->rowCount(root); ++row)
        names << model_->fileName(model_->index(row, 0, root));
    return names;
}

int TShellList::selectNames(const QStringList& names)
{
    QItemSelection selection;
    const QModelIndex root = rootIndex();
    int found = 0;
    for (int row = 0; row < model_->rowCount(root); ++row) {
        const QModelIndex index = model_->index(row, 0, root);
        if (names.contains(model_->fileName(index))) {
            selection.select(index, index);
            ++found;
        }
    }
    selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    return found;
}

void TShellList::keyPressEvent(QKeyEvent* event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        event->modifiers() == Qt::NoModifier) {
        const QModelIndex current = currentIndex();
        if (current.isValid() && model_->isDir(current)) {
            enter(current);
            return;
        }
    }
    QTreeView::keyPressEvent(event);
}

void TShellList::enter(const QModelIndex& index)
{
    if (index.isValid() && model_->isDir(index))
        emit folderEntered(model_->filePath(index));
}

} // namespace pagolux
