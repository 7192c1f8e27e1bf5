#pragma once
// TShellTree: the folder tree of the page "Dateien hinzufügen". A QTreeView over a
// folders-only QFileSystemModel whose single top item is the file-system root "/".
// It offers what the window needs: the selected folder's path and selecting a folder by path.

#include <QPersistentModelIndex>
#include <QString>
#include <QTreeView>

#include "shell/TShellModel.h"

namespace pagolux {

class TShellTree : public QTreeView {
    Q_OBJECT

  public:
    explicit TShellTree(QWidget* parent = nullptr);

    // Full path of the selected folder; empty while nothing is selected.
    [[nodiscard]] QString selectedFolder() const;
    // Selects the folder, expanding the tree down to it and scrolling it into view. Returns
    // false and keeps the current selection when `path` is not an existing folder (a removed
    // favourite, a file, an empty text).
    bool selectFolder(const QString& path);

    [[nodiscard]] TShellModel* fileSystemModel() const { return model_; }

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void showEvent(QShowEvent* event) override;

  signals:
    // The selected folder changed (also when it was chosen by selectFolder()).
    void folderSelected(const QString& path);

  private:
    void keepPendingFolderInView();
    TShellModel* model_;
    QPersistentModelIndex pendingScroll_; // the folder to keep in view while its parents load
};

} // namespace pagolux
