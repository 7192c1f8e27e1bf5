#pragma once
// TShellList: the report-view file list of the page "Dateien hinzufügen". It shows the files
// and folders of one folder (never an item for the parent folder), lets the user select
// several, and enters a folder on double-click or Enter.

#include <QString>
#include <QStringList>
#include <QTreeView>

namespace pagolux {

class TShellModel;

class TShellList : public QTreeView {
    Q_OBJECT

  public:
    explicit TShellList(QWidget* parent = nullptr);

    // Shows the contents of `path` (loaded in the background; `folderLoaded` follows).
    void setFolder(const QString& path);
    [[nodiscard]] QString folder() const { return folder_; }
    // True once the folder shown has been read completely and sorted.
    [[nodiscard]] bool isLoaded() const { return loaded_; }

    // Names (with extension) of the selected items, in the list's display order, relative to
    // the folder shown.
    [[nodiscard]] QStringList selectedNames() const;
    // Selects exactly the items with these names (those present); returns how many were found.
    int selectNames(const QStringList& names);
    // Names of all items shown, in display order.
    [[nodiscard]] QStringList itemNames() const;

    [[nodiscard]] TShellModel* fileSystemModel() const { return model_; }

  signals:
    // The user asked to open the folder `path` (double-click or Enter on a folder item).
    void folderEntered(const QString& path);
    // The contents of the folder shown have been read.
    void folderLoaded(const QString& path);

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void enter(const QModelIndex& index);
    void markLoaded();

    TShellModel* model_;
    QString folder_;
    bool loaded_ = false;
};

} // namespace pagolux
