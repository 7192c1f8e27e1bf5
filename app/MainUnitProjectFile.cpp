// Project files and favourite folders of the main window: open, save, save as, and the list
// of favourite folders kept in "folders.dat" in the per-user data folder.

#include "app/MainUnit.h"
#include "archive/platform/Paths.h"
#include "controls/placement/TFormStorage.h"
#include "project/PrefFolders.h"
#include "project/ProjectFile.h"
#include "shell/TShellTree.h"

#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QSpinBox>

namespace pagolux {

namespace {

constexpr const char* kErrorCaption = "Fehler";

std::array<QCheckBox*, BuildSettings::kElementCount> elementBoxes(const TMainForm& f)
{
    return {f.CheckBox1, f.CheckBox2, f.CheckBox3, f.CheckBox4, f.CheckBox5,
            f.CheckBox6, f.CheckBox7, f.CheckBox8, f.CheckBox9, f.CheckBox10};
}

BuildSettings settingsFromControls(const TMainForm& f)
{
    BuildSettings s;
    const auto boxes = elementBoxes(f);
    for (std::size_t i = 0; i < boxes.size(); ++i)
        s.elements[i] = boxes[i]->isChecked();
    s.width = f.WidthEd->value();
    s.height = f.HeightEd->value();
    s.definedSize = f.DefSizeCheck->isChecked();
    s.fixedSize = f.FixedSizeCheck->isChecked();
    s.projectName = f.NameED->text().toUtf8().toStdString();
    return s;
}

void settingsToControls(TMainForm& f, const BuildSettings& s)
{
    const auto boxes = elementBoxes(f);
    for (std::size_t i = 0; i < boxes.size(); ++i)
        boxes[i]->setChecked(s.elements[i]);
    f.WidthEd->setValue(s.width); // the spin edits keep 64..1280
    f.HeightEd->setValue(s.height);
    if (s.definedSize)
        f.DefSizeCheck->setChecked(true);
    else
        f.FullScreenCheck->setChecked(true);
    f.FixedSizeCheck->setChecked(s.fixedSize);
    f.NameED->setText(QString::fromUtf8(s.projectName.data(), static_cast<qsizetype>(s.projectName.size())));
}

// A favourite-folder line shows the folder decoded for the screen and keeps its bytes.
QListWidgetItem* folderLine(const std::string& folder)
{
    auto* item = new QListWidgetItem(QFile::decodeName(QByteArray::fromStdString(folder)));
    item->setData(Qt::UserRole, QByteArray::fromStdString(folder));
    return item;
}

std::vector<std::string> folderLines(const QListWidget* list)
{
    std::vector<std::string> lines;
    lines.reserve(static_cast<std::size_t>(list->count()));
    for (int i = 0; i < list->count(); ++i)
        lines.push_back(list->item(i)->data(Qt::UserRole).toByteArray().toStdString());
    return lines;
}

std::string prefFoldersPath(bool create)
{
    return UserDataFolder(create) + std::string(PrefFolders::kFileName);
}

} // namespace

void TMainForm::OpenBtnClick()
{
    if (interaction().showMessage("Hiermit gehen alle nicht gespeicherten Informationen verloren.",
                                  "Datei/Öffnen", MsgIcon::Information,
                                  MsgButtons::OkCancel) != MsgResult::Ok)
        return;
    const std::optional<std::string> path = interaction().chooseOpenFile(OpenDialog1);
    if (!path)
        return;
    OpenFile(*path);
}

void TMainForm::SaveBtnClick()
{
    if (!SavedFileName.empty())
        SaveFile(SavedFileName);
    else
        SaveAsBtnClick();
}

void TMainForm::SaveAsBtnClick()
{
    const std::optional<std::string> path = interaction().chooseSaveFile(SaveDialog1);
    if (path)
        SaveFile(*path);
}

void TMainForm::SaveFile(const std::string& path)
{
    Project project;
    project.entries = Pics;
    project.startIndex = startIndex();
    project.settings = settingsFromControls(*this);
    try {
        ProjectFile::write(path, project);
    } catch (const ProjectFileError& e) {
        // Either way the previous file and the title stay as they were.
        if (e.kind() == ProjectFileError::Kind::CannotCreate)
            (void)interaction().showMessage(e.what(), kErrorCaption, MsgIcon::Error, MsgButtons::Ok);
        else
            interaction().showError(e.what());
        return;
    }
    Setsavedfilename(path);
}

void TMainForm::OpenFile(const std::string& path)
{
    Project project;
    try {
        project = ProjectFile::read(path, settingsFromControls(*this));
    } catch (const ProjectFileError& e) {
        // The file is read completely before anything changes, so a rejected file leaves the
        // project as it was.
        (void)interaction().showMessage(e.what(), kErrorCaption, MsgIcon::Error, MsgButtons::Ok);
        return;
    }
    DelallPics();
    Pics = std::move(project.entries);
    settingsToControls(*this, project.settings);
    Setsavedfilename(path);
    UpdateListBox();
    if (project.startIndex >= 0 && project.startIndex < SortBox->count()) {
        SortBox->setCurrentRow(project.startIndex, QItemSelectionModel::ClearAndSelect);
    } else {
        SortBox->clearSelection();
        SortBox->setCurrentRow(-1);
    }
}

void TMainForm::PrefListBoxDblClick()
{
    const QList<QListWidgetItem*> selected = PrefListBox->selectedItems();
    if (selected.isEmpty())
        return;
    const int i = PrefListBox->row(selected.constFirst());
    if (i < 0 || i >= PrefListBox->count())
        return;
    // A folder that no longer exists is left to the tree, which keeps its selection then.
    ShellTree1->selectFolder(QFile::decodeName(PrefListBox->item(i)->data(Qt::UserRole).toByteArray()));
}

void TMainForm::PrefListBoxKeyPress(char key)
{
    if (key == '\r')
        PrefListBoxDblClick();
}

void TMainForm::AddToPrefFolders(const std::string& folder)
{
    std::vector<std::string> lines = folderLines(PrefListBox);
    PrefFolders::moveToTop(lines, folder);
    PrefListBox->clear();
    for (const std::string& line : lines)
        PrefListBox->addItem(folderLine(line));
    // A file that cannot be written is skipped without a message; the next change retries.
    (void)PrefFolders::save(prefFoldersPath(true), lines);
}

void TMainForm::createFormStorage()
{
    // The window opens centred until a stored placement says otherwise.
    setProperty("Position", QStringLiteral("poDesktopCenter"));
    FormStorage1 = new TFormStorage(this);
    FormStorage1->setObjectName(QStringLiteral("FormStorage1"));
    FormStorage1->setStoredProps({QStringLiteral("AutoStartCheck.Checked")});
    FormStorage1->OnError = [this](const std::string& text) { interaction().showError(text); };
    FormStorage1->Loaded(
        {nullptr, [this](bool& canClose) { FormCloseQuery(canClose); }, [this] { FormDestroy(); }});
}

void TMainForm::LoadPrefFolders()
{
    PrefListBox->clear();
    for (const std::string& line : PrefFolders::load(prefFoldersPath(false)))
        PrefListBox->addItem(folderLine(line));
}

} // namespace pagolux
