#include "shell/TShellLink.h"

#include "shell/TShellList.h"
#include "shell/TShellTree.h"

namespace pagolux {

TShellLink::TShellLink(TShellTree* tree, TShellList* list, QObject* parent)
    : QObject(parent), tree_(tree), list_(list)
{
    connect(tree_, &TShellTree::folderSelected, list_, &TShellList::setFolder);
    connect(list_, &TShellList::folderEntered, tree_,
            [this](const QString& path) { tree_->selectFolder(path); });
    if (const QString current = tree_->selectedFolder(); !current.isEmpty())
        list_->setFolder(current);
}

} // namespace pagolux
