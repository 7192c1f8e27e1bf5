#include "app/MainUnit.h"

#include "app/AboutBoxUnit.h"
#include "app/QtUserInteraction.h"
#include "controls/TFilenameEdit.h"
#include "controls/placement/TFormStorage.h"
#include "icon/IconBitmap.h"
#include "platform/FileNameUtils.h"
#include "platform/Paths.h"
#include "shell/TShellTree.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QSpinBox>

namespace pagolux {

TMainForm* MainForm = nullptr;

namespace {
constexpr const char* kCaptionPrefix = "Orvanto Pagolux 2.0 - [";
} // namespace

TMainForm::TMainForm(QWidget* parent, std::unique_ptr<UserInteraction> interaction)
    : QMainWindow(parent), interaction_(std::move(interaction))
{
    if (!interaction_)
        interaction_ = std::make_unique<QtUserInteraction>(this);
    MainForm = this;
    setObjectName(QStringLiteral("MainForm"));
    buildLayout();
    connectHandlers();
    FormCreate();
    createFormStorage();
}

TMainForm::~TMainForm()
{
    if (FormStorage1)
        FormStorage1->destroyNotification(); // saves unless a close did, then FormDestroy
    FormDestroy();
    if (MainForm == this)
        MainForm = nullptr;
}

void TMainForm::setInteraction(std::unique_ptr<UserInteraction> interaction)
{
    if (interaction)
        interaction_ = std::move(interaction);
}

void TMainForm::FormCreate()
{
    ProgPath = ProgramFolder();
    // The dialogs and the shell tree start where the user's files are. A program folder on
    // Linux (/usr/lib/pagolux, a build folder) is neither writable nor where pages live, so
    // the home folder takes its place here.
    const std::string startFolder = HomeFolder();
    OpenDialog1.initialDir = startFolder;
    SaveDialog1.initialDir = startFolder;
    ShellTree1->selectFolder(QFile::decodeName(QByteArray::fromStdString(startFolder)));
    Setsavedfilename(std::string());
    EXENameEdit->setFileName(outputNameForTarget(DefaultOutputName(), buildTarget()));
    LoadPrefFolders();
    LoadIconAtStart();
}

void TMainForm::FormCloseQuery(bool& CanClose)
{
    CanClose = interaction().showMessage(
                   "Hiermit beenden Sie das Programm! Alle nicht gespeicherten Daten gehen verloren!",
                   "Programm beenden", MsgIcon::Information, MsgButtons::OkCancel) == MsgResult::Ok;
}

void TMainForm::closeEvent(QCloseEvent* e)
{
    bool canClose = true;
    FormCloseQuery(canClose);
    if (canClose)
        e->accept();
    else
        e->ignore();
}

void TMainForm::FormDestroy()
{
    if (destroyed_)
        return;
    destroyed_ = true;
    IconBmp.reset();
    DelallPics();
}

void TMainForm::NewBtnClick()
{
    if (interaction().showMessage("Hiermit gehen alle nicht gespeicherten Informationen verloren.",
                                  "Datei/Neu", MsgIcon::Information, MsgButtons::OkCancel) != MsgResult::Ok)
        return;
    showSettings(BuildSettings::afterNew());
    DelallPics();
    UpdateListBox();
    Setsavedfilename(std::string());
}

void TMainForm::Setsavedfilename(const std::string& name)
{
    SavedFileName = name;
    // The file dialogs open where the project was last opened or saved, and "Speichern
    // unter..." proposes its name; a new project keeps the folder but proposes no name.
    if (!name.empty()) {
        OpenDialog1.initialDir = ExtractFilePath(name);
        SaveDialog1.initialDir = ExtractFilePath(name);
    }
    SaveDialog1.fileName = ExtractFileName(name);
    const std::string shown = name.empty() ? std::string("Unbenannt.pgx") : ExtractFileName(name);
    setWindowTitle(QString::fromUtf8(kCaptionPrefix) + QFile::decodeName(QByteArray::fromStdString(shown)) +
                   QLatin1Char(']'));
}

void TMainForm::EndeBtnClick()
{
    close();
}

void TMainForm::ueberbtnClick()
{
    // Owned by the window while it is shown, released when it closes.
    TAboutBox box(this, &interaction());
    box.exec();
}

void TMainForm::wwwBtnClick()
{
    interaction().openUrl(kMakerUrl);
}

int TMainForm::startIndex() const
{
    const QModelIndexList rows = SortBox->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.constFirst().row();
}

} // namespace pagolux
