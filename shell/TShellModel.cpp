#include "shell/TShellModel.h"

#include <QDateTime>
#include <QFileInfo>
#include <QLocale>

namespace pagolux {

TShellModel::TShellModel(QObject* parent) : QFileSystemModel(parent)
{
    setReadOnly(true);
    // The theme's icon where there is one, else the style's folder, drive and file icons.
    setIconProvider(&icons_);
}

QVariant TShellModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole) {
        switch (section) {
        case 0:
            return QStringLiteral("Name");
        case 1:
            return QStringLiteral("Größe");
        case 2:
            return QStringLiteral("Typ");
        case 3:
            return QStringLiteral("Geändert am");
        default:
            break;
        }
    }
    return QFileSystemModel::headerData(section, orientation, role);
}

QVariant TShellModel::data(const QModelIndex& index, int role) const
{
    if (role == Qt::DisplayRole && index.isValid() && index.column() > 0) {
        const QFileInfo info = fileInfo(index);
        switch (index.column()) {
        case 1:
            return info.isDir() ? QString() : formatSize(info.size());
        case 2:
            return typeName(info);
        case 3:
            return QLocale(QLocale::German, QLocale::Germany)
                .toString(info.lastModified(), QStringLiteral("dd.MM.yyyy HH:mm"));
        default:
            break;
        }
    }
    return QFileSystemModel::data(index, role);
}

QString TShellModel::formatSize(qint64 bytes)
{
    const qint64 kilobytes = bytes <= 0 ? 0 : (bytes + 1023) / 1024;
    return QLocale(QLocale::German, QLocale::Germany).toString(kilobytes) + QStringLiteral(" KB");
}

QString TShellModel::typeName(const QFileInfo& info)
{
    if (info.isDir())
        return QStringLiteral("Dateiordner");
    const QString suffix = info.suffix();
    if (suffix.isEmpty())
        return QStringLiteral("Datei");
    return suffix.toUpper() + QStringLiteral("-Datei");
}

} // namespace pagolux
