#pragma once
// TMainForm: the main window of Pagolux and the owner of the one open project.
//
// The project and its rules live in a `ProjectEditor`; the window renders its lists and pages
// from it whenever it reports a change, and its handlers forward what the user does: the
// entries are shown line for line by `ImageList` and `SortBox`, the start file is the editor's
// and shown as the selected line of `SortBox`, the build settings and the output choice are
// shown by the controls of the page "EXE erstellen", which hand every change to the editor.
// Handlers are named after control and event; their bodies are spread over several source
// files by concern:
//   MainUnit.cpp            creation, closing, caption, new project, bottom row
//   MainUnitLayout.cpp      building the controls (the only place a control is constructed)
//   MainUnitWiring.cpp      connecting controls and keys to the handlers
//   MainUnitEntries.cpp     adding and removing entries, the two project lists
//   MainUnitPreview.cpp     the page "Vorschau"
//   MainUnitStatus.cpp      the status bar's progress panel
//   MainUnitProjectFile.cpp project files and favourite folders
//   MainUnitSettings.cpp    the build settings and the controls that show them
//   MainUnitIcon.cpp        the icon of the output executable
//   MainUnitBuild.cpp       "Go!"
//   MainUnitSigning.cpp     the certificate a Windows program is signed with

#include <QEvent>
#include <QMainWindow>
#include <QRect>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/Maker.h"
#include "builder/BuildTarget.h"
#include "builder/CodeSigner.h"
#include "builder/UserInteraction.h"
#include "controls/ButtonsXP.h"
#include "controls/ImageBtnUnit.h"
#include "project/ProjectEditor.h"

class QCheckBox;
class QFrame;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPainter;
class QPushButton;
class QRadioButton;
class QShortcut;
class QSpinBox;
class QSplitter;
class QTabWidget;
class QWebEngineView;
class QWidget;

namespace pagolux {

// "theicon32.bmp" in the per-user data folder: the picture last loaded as the icon, kept for
// the true-colour icons of Windows programs.
[[nodiscard]] std::string keptIconPictureName();

class IconBitmap;
class PreviewSite;
class TShellTree;
class TShellList;
class TShellLink;
class TStatusBar;
class TPaintBox;
class TFilenameEdit;
class TFormStorage;

// The button classes of the window: the flat buttons of the project row and wwwBtn are plain
// buttons, the nine bitmap buttons of the pages themed bitmap buttons, and the three picture
// buttons image buttons.
using BitmapButton = QPushButton;
using GlyphButton = TBitBtnXP;
using PictureButton = TImageBtn;

// The custom event that carries a progress percentage to the main window (the status bar's
// progress panel). Its type number is 1024.
class TProgressEvent : public QEvent {
  public:
    static constexpr QEvent::Type kType = static_cast<QEvent::Type>(1024);
    explicit TProgressEvent(int32_t percent) : QEvent(kType), percent_(percent) {}
    [[nodiscard]] int32_t percent() const { return percent_; }

  private:
    int32_t percent_;
};

class TMainForm : public QMainWindow {
    Q_OBJECT

  public:
    // The keys of the three picture buttons, shown in their hints.
    static constexpr QKeyCombination kGoKeys{Qt::CTRL, Qt::Key_G};
    static constexpr QKeyCombination kAboutKeys{Qt::NoModifier, Qt::Key_F1};
    static constexpr QKeyCombination kEndKeys{Qt::CTRL, Qt::Key_Q};

    // Builds the layout and runs FormCreate. `interaction` defaults to the Qt message boxes
    // and file dialogs; tests pass a scripted one.
    explicit TMainForm(QWidget* parent = nullptr, std::unique_ptr<UserInteraction> interaction = nullptr);
    ~TMainForm() override;

    TMainForm(const TMainForm&) = delete;
    TMainForm& operator=(const TMainForm&) = delete;

    [[nodiscard]] UserInteraction& interaction() { return *interaction_; }
    void setInteraction(std::unique_ptr<UserInteraction> interaction);

    // ---- Components without a visible place ------------------------------------------------
    FileDialogRequest OpenDialog1;
    FileDialogRequest SaveDialog1;
    FileDialogRequest OpenPictureDialog1;
    FileDialogRequest EXENameDialog;      // the browse button of EXENameEdit
    TFormStorage* FormStorage1 = nullptr; // keeps the placement and AutoStartCheck (INI file)

    // ---- Handlers ---------------------------------------------------------------------------
    // Lifecycle, caption and bottom row (MainUnit.cpp)
    void FormCreate();
    void FormCloseQuery(bool& CanClose);
    void FormDestroy();
    void NewBtnClick();
    void Setsavedfilename(const std::string& name);
    void EndeBtnClick();
    void ueberbtnClick();
    void wwwBtnClick();

    // Entries and start file (MainUnitEntries.cpp)
    void AddBtnClick();
    void DelBtnClick();
    void ImageListKeyDown(int key);
    // Renders ImageList and SortBox from the project's entries and start file.
    void UpdateListBox();

    // Project files and favourite folders (MainUnitProjectFile.cpp)
    void OpenBtnClick();
    void SaveBtnClick();
    void SaveAsBtnClick();
    void SaveFile(const std::string& path);
    void OpenFile(const std::string& path);
    void PrefListBoxDblClick();
    void PrefListBoxKeyPress(char key);
    // Renders PrefListBox from the project's favourite folders.
    void showFavourites();

    // Icon (MainUnitIcon.cpp)
    void OpenIconBtnClick();
    void StdIconBtnClick();
    void PaintBox1Paint(QPainter& canvas);
    void LoadIconAtStart(); // FormCreate step 7: creates IconBmp and loads it

    // Build (MainUnitBuild.cpp)
    void GoBtn1Click();

    // Signing (MainUnitSigning.cpp)
    void addCertificateChoice(QWidget* page); // builds SignBtn on the page
    void SignBtnClick();                      // the certificate choice
    void updateCertificateChoice();           // usable for Windows programs only
    [[nodiscard]] SigningRequest signingRequest() const;

    // Preview (MainUnitPreview.cpp)
    void LoadBtnClick();
    void BackBtnClick();
    void FwdBtnClick();
    void ReloadButtonClick();
    QWebEngineView* webBrowser(); // creates WebBrowser1 on first use

    // Status bar and progress (MainUnitStatus.cpp)
    void WMUser(int32_t wParam);
    void SetProStatus(int32_t value);
    void StatusBar1DrawPanel(QPainter& canvas, int panel, const QRect& rect);
    void SBarPaintMore();

    // ---- Read access for tests and tools ---------------------------------------------------
    [[nodiscard]] const ProjectEditor& editor() const { return editor_; }
    [[nodiscard]] const Project& project() const { return editor_.project(); }
    [[nodiscard]] const std::vector<std::string>& entries() const { return editor_.entries(); }
    [[nodiscard]] int32_t PicCount() const { return static_cast<int32_t>(editor_.entries().size()); }
    [[nodiscard]] const std::string& savedFileName() const { return editor_.fileName(); }
    [[nodiscard]] const std::string& progPath() const { return ProgPath; }
    [[nodiscard]] int32_t proStatus() const { return ProStatus; }
    [[nodiscard]] QRect sBarRect() const
    {
        return QRect(SBarRect.left, SBarRect.top, SBarRect.right - SBarRect.left,
                     SBarRect.bottom - SBarRect.top);
    }
    // Where the Linux viewer's icon lies in its prototype (0 until a build found it).
    [[nodiscard]] int32_t iconPos() const;
    // The system "Zielsystem" chooses for the next build.
    [[nodiscard]] BuildTarget buildTarget() const;
    [[nodiscard]] const IconBitmap* iconBmp() const { return IconBmp.get(); }
    // The start file's line (shown selected in SortBox), −1 for none.
    [[nodiscard]] int startIndex() const { return editor_.startIndex(); }
    // The entries that name no file or folder here (gone, or a path of another system such as
    // "C:\web\seite.html"), in list order. ImageList and SortBox show them greyed.
    [[nodiscard]] std::vector<std::string> missingEntries() const { return editor_.missingEntries(); }

  protected:
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

  private:
    // ---- Controls (object names equal the member names; tools and tests find them by name,
    // see control()) ---------------------------------------------------------------------------
    // Project button row
    QWidget* ButtonRow = nullptr;
    BitmapButton* NewBtn = nullptr;
    BitmapButton* OpenBtn = nullptr;
    BitmapButton* SaveBtn = nullptr;
    BitmapButton* SaveAsBtn = nullptr;

    QTabWidget* PageControl2 = nullptr;
    QWidget* TabSheet1 = nullptr; // "Dateien hinzufügen"
    QWidget* TabSheet3 = nullptr; // "Startdatei"
    QWidget* TabSheet5 = nullptr; // "Vorschau"
    QWidget* TabSheet6 = nullptr; // "EXE erstellen"

    // Page "Dateien hinzufügen"
    QListWidget* PrefListBox = nullptr;
    TShellTree* ShellTree1 = nullptr;
    TShellList* ShellList1 = nullptr;
    TShellLink* ShellLink1 = nullptr;
    QSplitter* ShellSplitter = nullptr; // tree | list
    QSplitter* PageSplitter = nullptr;  // upper area / lower area
    GlyphButton* AddBtn = nullptr;
    GlyphButton* DelBtn = nullptr;
    QListWidget* ImageList = nullptr;

    // Page "Startdatei"
    QListWidget* SortBox = nullptr;

    // Page "Vorschau"
    GlyphButton* LoadBtn = nullptr;
    GlyphButton* BackButton = nullptr;
    GlyphButton* FwdButton = nullptr;
    GlyphButton* HomeBtn = nullptr;
    GlyphButton* ReloadButton = nullptr;
    QWidget* WebBrowserHost = nullptr;     // the area the browser fills
    QWebEngineView* WebBrowser1 = nullptr; // created on first use (webBrowser())
    PreviewSite* previewSite_ = nullptr;   // serves the project to WebBrowser1 (PreviewSite.h)

    // Page "EXE erstellen"
    QLabel* Label1 = nullptr;
    TFilenameEdit* EXENameEdit = nullptr;
    PictureButton* GoBtn1 = nullptr;
    QCheckBox* AutoStartCheck = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    // "Zielsystem": the system the next build is for (0 Linux, 1 Windows), beside the icon.
    QLabel* TargetLabel = nullptr;
    QComboBox* TargetCombo = nullptr;
    GlyphButton* OpenIconBtn = nullptr;
    GlyphButton* StdIconBtn = nullptr;
    TPaintBox* PaintBox1 = nullptr;
    QLabel* Image3 = nullptr; // hidden; holds the standard icon
    // Optional code signing of Windows programs: a small button in the free room between
    // "Datei nach dem Erstellen ausführen" and "Go!", opening the certificate choice.
    QPushButton* SignBtn = nullptr;
    QGroupBox* GroupBox2 = nullptr;
    QRadioButton* DefSizeCheck = nullptr;
    QRadioButton* FullScreenCheck = nullptr;
    QCheckBox* FixedSizeCheck = nullptr;
    QLabel* Label2 = nullptr;
    QSpinBox* WidthEd = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label3 = nullptr;
    QSpinBox* HeightEd = nullptr;
    QLabel* Label5 = nullptr;
    QGroupBox* GroupBox3 = nullptr;
    // CheckBox1 … CheckBox10 ("Statusbar", "Tool Leiste", "Drucken", "Beenden", "Über",
    // "Zurück", "Vorwärts", "Startseite", "Neu laden", "Beenden Button"), in settings-block order.
    std::array<QCheckBox*, BuildSettings::kElementCount> CheckBoxes{};
    QLabel* Label6 = nullptr;
    QLineEdit* NameED = nullptr;

    // Bottom row
    BitmapButton* wwwBtn = nullptr;
    QWidget* BottomPanel = nullptr;
    PictureButton* ueberbtn = nullptr;
    PictureButton* endebtn = nullptr;

    TStatusBar* StatusBar1 = nullptr;

    struct Rect32 {
        int32_t left = 0, top = 0, right = 0, bottom = 0;
    };

    void buildLayout();
    void buildProjectRow(QWidget* parent);
    void buildFilesPage();
    void buildStartPage();
    void buildPreviewPage();
    void buildExePage();
    void buildBottomRow(QWidget* parent);
    void buildStatusBar();
    void connectHandlers();
    // The build settings and the output choice (MainUnitSettings.cpp): show* render them from
    // the editor, connectSettings hands every change of a control to it.
    void showSettings();
    void showOutput();
    void connectSettings();
    // What the controls of the page "EXE erstellen" hold.
    [[nodiscard]] BuildSettings shownSettings() const;
    [[nodiscard]] OutputChoice shownOutput() const;
    // Renders what changed (ProjectEditor::Change bits).
    void render(unsigned changes);
    // The caption and the project dialogs' folder and name, from the project file's name.
    void showTitle();
    // Selects the start file's line of SortBox.
    void showStart();
    // What NameED shows for the stored bytes of a project name.
    [[nodiscard]] static QString projectNameText(const std::string& bytes);
    void buildTabOrder();
    BitmapButton* makeBitmapButton(QWidget* parent, const char* name, const QString& caption,
                                   const QString& hint, const QRect& geometry, const QString& glyph);
    // glyph: the name of one of the controls' glyph strips (ButtonGlyph).
    GlyphButton* makeGlyphButton(QWidget* parent, const char* name, const QString& caption,
                                 const QString& hint, const QRect& geometry, const QString& glyph);
    // picture: the name of one of the controls' picture-button GIFs, "<picture>.gif" up and
    // "<picture>_down.gif" pressed.
    PictureButton* makePictureButton(QWidget* parent, const char* name, const QString& hint,
                                     const QRect& geometry, const QString& picture);
    void updateCancelShortcut();
    // The keys of Go!, Über and Ende, Enter on the page "EXE erstellen" and the page keys
    // (MainUnitWiring.cpp).
    void connectKeys();
    void updateEnterShortcut();
    void createFormStorage(); // MainUnitProjectFile.cpp

    // Data model, in the window's field order.
    Rect32 SBarRect;
    int32_t ProStatus = 0;
    std::string ProgPath;
    ProjectEditor editor_;
    bool rendering_ = false; // the controls' own signals are not changes of the user meanwhile
    std::unique_ptr<IconBitmap> IconBmp;
    // The certificate, password and time-stamp server chosen with SignBtn, for this run only:
    // never written to the project, the settings or anywhere else.
    SigningRequest signing_;

    std::unique_ptr<UserInteraction> interaction_;
    QShortcut* cancelShortcut_ = nullptr;    // Escape → DelBtn while "Dateien hinzufügen" shows
    std::vector<QShortcut*> enterShortcuts_; // Return and Enter → Go! on "EXE erstellen"
    bool destroyed_ = false;
};

// A control of a window by its object name (the member names of TMainForm), for tools and tests
// that drive the window from outside as a user would; null when there is none.
template <typename T = QWidget> T* control(const QObject& window, const char* name)
{
    return window.findChild<T*>(QLatin1String(name));
}

// The single main window of the running program (null while none exists).
extern TMainForm* MainForm;

} // namespace pagolux
