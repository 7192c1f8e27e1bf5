#pragma once
// TShellModel: the file-system model behind the shell tree and the shell list. A
// QFileSystemModel whose column titles, type names, sizes and dates read in German, as the
// rest of the window does. Files and folders carry the style's icons: Qt's plain file-system
// model asks only the desktop's icon theme, which is empty on many systems.

#include <QFileIconProvider>
#include <QFileSystemModel>

namespace pagolux {

class TShellModel : public QFileSystemModel {
    Q_OBJECT

  public:
    explicit TShellModel(QObject* parent = nullptr);

    [[nodiscard]] QVariant headerData(int section, Qt::Orientation orientation,
                                      int role = Qt::DisplayRole) const override;
    [[nodiscard]] QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    // "1 KB" style size of a file as the list shows it (whole kilobytes, rounded up, with a
    // thousands separator); exposed for tests.
    [[nodiscard]] static QString formatSize(qint64 bytes);
    // "HTML-Datei", "Datei", "Dateiordner".
    [[nodiscard]] static QString typeName(const QFileInfo& info);

  private:
    QFileIconProvider icons_;
};

} // namespace pagolux
