// The project's entries and the two lists rebuilt from them (ImageList on the page
// "Dateien hinzufügen", SortBox on the page "Startdatei", whose selection is the start file).

#include "app/MainUnit.h"

#include "format/TextEncoding.h"
#include "platform/FileNameUtils.h"
#include "project/ProjectFile.h"
#include "shell/TShellList.h"
#include "shell/TShellTree.h"

#include <QFile>
#include <QFont>
#include <QListWidget>
#include <QPushButton>

#include <sys/stat.h>

namespace pagolux {

namespace {

// An entry names nothing here when it is a full path of another system (a project file made on
// Windows) or when no file or folder of that name exists (any more).
bool isMissing(const std::string& entry)
{
    struct stat st {};
    return ProjectFile::isForeignPath(entry) || ::stat(entry.c_str(), &st) != 0;
}

// A list line shows the entry decoded for the screen and keeps its exact bytes beside it, so
// that comparing and saving never depend on the decoding. A missing entry stays in the list,
// greyed and in italics, with a tool tip that says why.
QListWidgetItem* makeLine(const std::string& entry, const QListWidget* list, bool missing)
{
    const std::string shown = DisplayText(entry);
    auto* item = new QListWidgetItem(QString::fromUtf8(shown.data(), static_cast<qsizetype>(shown.size())));
    item->setData(Qt::UserRole, QByteArray::fromStdString(entry));
    if (missing) {
        item->setForeground(list->palette().brush(QPalette::Disabled, QPalette::Text));
        QFont font = list->font();
        font.setItalic(true);
        item->setFont(font);
        item->setToolTip(QStringLiteral("Nicht gefunden: ") + item->text());
    }
    return item;
}

std::string lineBytes(const QListWidgetItem* item)
{
    return item->data(Qt::UserRole).toByteArray().toStdString();
}

} // namespace

void TMainForm::AddBtnClick()
{
    const QStringList names = ShellList1->selectedNames();
    QString folder = ShellTree1->selectedFolder();
    // Without a folder there is no full path to make; nothing is added then.
    const bool haveFolder = !folder.isEmpty();
    if (haveFolder && !folder.endsWith(QLatin1Char(kPathDelim)))
        folder += QLatin1Char(kPathDelim);
    int added = 0;
    if (haveFolder) {
        Pics.reserve(Pics.size() + static_cast<std::size_t>(names.size()));
        for (const QString& name : names) {
            Pics.push_back(QFile::encodeName(folder + name).toStdString());
            ++added;
        }
    }
    UpdateListBox();
    if (added > 0)
        AddToPrefFolders(QFile::encodeName(folder).toStdString());
}

void TMainForm::DelBtnClick()
{
    for (int i = ImageList->count() - 1; i >= 0; --i) {
        if (ImageList->item(i)->isSelected() && i < PicCount())
            Pics.erase(Pics.begin() + i);
    }
    UpdateListBox();
}

void TMainForm::ImageListKeyDown(int key)
{
    if (key == Qt::Key_Delete)
        DelBtnClick();
}

void TMainForm::UpdateListBox()
{
    std::string remembered;
    bool haveRemembered = false;
    const int s = startIndex();
    if (s >= 0 && s <= PicCount() - 1 && s < SortBox->count()) {
        remembered = lineBytes(SortBox->item(s));
        haveRemembered = true;
    }

    ImageList->clear();
    SortBox->clear();
    for (const std::string& entry : Pics) {
        const bool missing = isMissing(entry);
        ImageList->addItem(makeLine(entry, ImageList, missing));
        SortBox->addItem(makeLine(entry, SortBox, missing));
    }
    DelBtn->setEnabled(PicCount() > 0);
    updateCancelShortcut();
    // Removing rows does not report a selection change, so the start file is taken here too.
    project_.startIndex = startIndex();
    if (PicCount() <= 0)
        return;

    ImageList->clearSelection();
    ImageList->setCurrentRow(0, QItemSelectionModel::ClearAndSelect);
    int start = 0;
    if (haveRemembered) {
        for (int j = 0; j < PicCount(); ++j)
            if (Pics[static_cast<std::size_t>(j)] == remembered)
                start = j; // the last equal entry wins
    }
    SortBox->setCurrentRow(start, QItemSelectionModel::ClearAndSelect);
}

std::vector<std::string> TMainForm::missingEntries() const
{
    std::vector<std::string> missing;
    for (const std::string& entry : Pics)
        if (isMissing(entry))
            missing.push_back(entry);
    return missing;
}

void TMainForm::DelallPics()
{
    Pics.clear();
    Pics.shrink_to_fit();
}

} // namespace pagolux
