#pragma once
// TShellLink: joins a shell tree and a shell list. The list always shows the folder selected
// in the tree; a folder entered in the list becomes the tree's selection.

#include <QObject>

namespace pagolux {

class TShellTree;
class TShellList;

class TShellLink : public QObject {
    Q_OBJECT

  public:
    TShellLink(TShellTree* tree, TShellList* list, QObject* parent = nullptr);

  private:
    TShellTree* tree_;
    TShellList* list_;
};

} // namespace pagolux
