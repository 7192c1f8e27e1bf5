// Project files and favourite folders of the main window: open, save, save as, and the list
// of favourite folders kept in "folders.dat" in the per-user data folder.

#include "app/MainUnit.h"
#include "controls/placement/TFormStorage.h"
#include "format/TextEncoding.h"
#include "platform/Paths.h"
#include "project/PrefFolders.h"
#include "project/ProjectFile.h"
#include "shell/TShellTree.h"

#include <QFile>
#include <QListWidget>

namespace pagolux {

namespace {

constexpr const char* kErrorCaption = "Fehler";
constexpr const char* kWarningCaption = "Warnung";
// A project with very many missing entries names the first of them and counts the rest, so
// that the message still fits on the screen.
constexpr std::size_t kMissingNamed = 20;

std::string missingEntriesMessage(const std::vector<std::string>& missing)
{
    std::string text =
        missing.size() == 1
            ? "Ein Eintrag des Projekts wurde nicht gefunden; er ist in der Liste grau markiert "
              "und wird beim Erstellen nicht gepackt:"
            : std::to_string(missing.size()) +
                  " Einträge des Projekts wurden nicht gefunden; sie sind in der Liste grau "
                  "markiert und werden beim Erstellen nicht gepackt:";
    for (std::size_t i = 0; i < missing.size() && i < kMissingNamed; ++i)
        text += "\n" + DisplayText(missing[i]);
    if (missing.size() > kMissingNamed)
        text += "\n… und " + std::to_string(missing.size() - kMissingNamed) + " weitere";
    return text;
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
    try {
        ProjectFile::write(path, project_);
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
        project = ProjectFile::read(path, project_.settings);
    } catch (const ProjectFileError& e) {
        // The file is read completely before anything changes, so a rejected file leaves the
        // project as it was.
        (void)interaction().showMessage(e.what(), kErrorCaption, MsgIcon::Error, MsgButtons::Ok);
        return;
    }
    DelallPics();
    Pics = std::move(project.entries);
    showSettings(project.settings);
    Setsavedfilename(path);
    UpdateListBox();
    if (project.startIndex >= 0 && project.startIndex < SortBox->count()) {
        SortBox->setCurrentRow(project.startIndex, QItemSelectionModel::ClearAndSelect);
    } else {
        SortBox->clearSelection();
        SortBox->setCurrentRow(-1);
    }
    // One message for all entries that name nothing here, once the project is shown.
    const std::vector<std::string> missing = missingEntries();
    if (!missing.empty())
        (void)interaction().showMessage(missingEntriesMessage(missing), kWarningCaption, MsgIcon::Warning,
                                        MsgButtons::Ok);
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
    FormStorage1->setStoredProps(
        {QStringLiteral("AutoStartCheck.Checked"), QStringLiteral("TargetCombo.currentIndex")});
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
