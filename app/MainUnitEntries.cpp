// The project's entries and the two lists rebuilt from them (ImageList on the page
// "Dateien hinzufügen", SortBox on the page "Startdatei", whose selection is the start file).

#include "app/MainUnit.h"

#include "format/TextEncoding.h"
#include "platform/FileNameUtils.h"
#include "shell/TShellList.h"
#include "shell/TShellTree.h"

#include <QFile>
#include <QFont>
#include <QListWidget>
#include <QPushButton>

namespace pagolux {

namespace {

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

} // namespace

void TMainForm::AddBtnClick()
{
    QString folder = ShellTree1->selectedFolder();
    if (!folder.isEmpty() && !folder.endsWith(QLatin1Char(kPathDelim)))
        folder += QLatin1Char(kPathDelim);
    std::vector<std::string> names;
    for (const QString& name : ShellList1->selectedNames())
        names.push_back(QFile::encodeName(name).toStdString());
    // Without a folder there is no full path to make; nothing is added then.
    editor_.add(folder.isEmpty() ? std::string() : QFile::encodeName(folder).toStdString(), names);
}

void TMainForm::DelBtnClick()
{
    std::vector<int> lines;
    for (int i = 0; i < ImageList->count(); ++i)
        if (ImageList->item(i)->isSelected())
            lines.push_back(i);
    editor_.remove(lines);
}

void TMainForm::ImageListKeyDown(int key)
{
    if (key == Qt::Key_Delete)
        DelBtnClick();
}

void TMainForm::UpdateListBox()
{
    const bool wasRendering = std::exchange(rendering_, true);
    ImageList->clear();
    SortBox->clear();
    for (const std::string& entry : editor_.entries()) {
        const bool missing = ProjectEditor::isMissing(entry);
        ImageList->addItem(makeLine(entry, ImageList, missing));
        SortBox->addItem(makeLine(entry, SortBox, missing));
    }
    DelBtn->setEnabled(PicCount() > 0);
    updateCancelShortcut();
    if (PicCount() > 0)
        ImageList->setCurrentRow(0, QItemSelectionModel::ClearAndSelect);
    showStart();
    rendering_ = wasRendering;
}

void TMainForm::showStart()
{
    const bool wasRendering = std::exchange(rendering_, true);
    if (startIndex() >= 0) {
        if (SortBox->currentRow() != startIndex() || !SortBox->item(startIndex())->isSelected())
            SortBox->setCurrentRow(startIndex(), QItemSelectionModel::ClearAndSelect);
    } else {
        SortBox->clearSelection();
        SortBox->setCurrentRow(-1);
    }
    rendering_ = wasRendering;
}

} // namespace pagolux
