// The project's entries and the two lists rebuilt from them (ImageList on the page
// "Dateien hinzufügen", SortBox on the page "Startdatei", whose selection is the start file).

#include "app/MainUnit.h"

#include "archive/platform/FileNameUtils.h"
#include "shell/TShellList.h"
#include "shell/TShellTree.h"

#include <QFile>
#include <QListWidget>
#include <QPushButton>

namespace pagolux {

namespace {

// A list line shows the entry decoded for the screen and keeps its exact bytes beside it, so
// that comparing and saving never depend on the decoding.
QListWidgetItem* makeLine(const std::string& entry)
{
    auto* item = new QListWidgetItem(QFile::decodeName(QByteArray::fromStdString(entry)));
    item->setData(Qt::UserRole, QByteArray::fromStdString(entry));
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
        ImageList->addItem(makeLine(entry));
        SortBox->addItem(makeLine(entry));
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

void TMainForm::DelallPics()
{
    Pics.clear();
    Pics.shrink_to_fit();
}

} // namespace pagolux
