#pragma once
// TMainForm: the main window of Pagolux and the owner of the one open project.
//
// The window edits one `Project`: the handlers change it and the controls show it. Its entries
// are `Pics`, mirrored line for line by `ImageList` and `SortBox`; its start file is the
// selected line of `SortBox`; its build settings are shown by the controls of the page
// "EXE erstellen", which write every change back. Handlers are named after control and event;
// their bodies are spread over several source files by concern:
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

#include <QEvent>
#include <QMainWindow>
#include <QRect>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/Maker.h"
#include "builder/BuildTarget.h"
#include "builder/UserInteraction.h"
#include "controls/ButtonsXP.h"
#include "controls/ImageBtnUnit.h"
#include "project/Project.h"

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
    // Builds the layout and runs FormCreate. `interaction` defaults to the Qt message boxes
    // and file dialogs; tests pass a scripted one.
    explicit TMainForm(QWidget* parent = nullptr, std::unique_ptr<UserInteraction> interaction = nullptr);
    ~TMainForm() override;

    TMainForm(const TMainForm&) = delete;
    TMainForm& operator=(const TMainForm&) = delete;

    [[nodiscard]] UserInteraction& interaction() { return *interaction_; }
    void setInteraction(std::unique_ptr<UserInteraction> interaction);

    // ---- Controls (object names equal the member names) -----------------------------------
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
    QCheckBox* CheckBox1 = nullptr;  // "Statusbar"
    QCheckBox* CheckBox2 = nullptr;  // "Tool Leiste"
    QCheckBox* CheckBox3 = nullptr;  // "Drucken"
    QCheckBox* CheckBox4 = nullptr;  // "Beenden"
    QCheckBox* CheckBox5 = nullptr;  // "Über"
    QCheckBox* CheckBox6 = nullptr;  // "Zurück"
    QCheckBox* CheckBox7 = nullptr;  // "Vorwärts"
    QCheckBox* CheckBox8 = nullptr;  // "Startseite"
    QCheckBox* CheckBox9 = nullptr;  // "Neu laden"
    QCheckBox* CheckBox10 = nullptr; // "Beenden Button"
    QLabel* Label6 = nullptr;
    QLineEdit* NameED = nullptr;

    // Bottom row
    BitmapButton* wwwBtn = nullptr;
    QWidget* BottomPanel = nullptr;
    PictureButton* ueberbtn = nullptr;
    PictureButton* endebtn = nullptr;

    TStatusBar* StatusBar1 = nullptr;

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
    void UpdateListBox();
    void DelallPics();

    // Project files and favourite folders (MainUnitProjectFile.cpp)
    void OpenBtnClick();
    void SaveBtnClick();
    void SaveAsBtnClick();
    void SaveFile(const std::string& path);
    void OpenFile(const std::string& path);
    void PrefListBoxDblClick();
    void PrefListBoxKeyPress(char key);
    void AddToPrefFolders(const std::string& folder);
    void LoadPrefFolders(); // FormCreate step 6

    // Icon (MainUnitIcon.cpp)
    void OpenIconBtnClick();
    void StdIconBtnClick();
    void PaintBox1Paint(QPainter& canvas);
    void LoadIconAtStart(); // FormCreate step 7: creates IconBmp and loads it

    // Build (MainUnitBuild.cpp)
    void GoBtn1Click();

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
    [[nodiscard]] const Project& project() const { return project_; }
    [[nodiscard]] const std::vector<std::string>& entries() const { return Pics; }
    [[nodiscard]] int32_t PicCount() const { return static_cast<int32_t>(Pics.size()); }
    [[nodiscard]] const std::string& savedFileName() const { return SavedFileName; }
    [[nodiscard]] const std::string& progPath() const { return ProgPath; }
    [[nodiscard]] int32_t proStatus() const { return ProStatus; }
    [[nodiscard]] QRect sBarRect() const
    {
        return QRect(SBarRect.left, SBarRect.top, SBarRect.right - SBarRect.left,
                     SBarRect.bottom - SBarRect.top);
    }
    [[nodiscard]] int32_t iconPos() const { return IconPos; }
    // The system "Zielsystem" chooses for the next build.
    [[nodiscard]] BuildTarget buildTarget() const;
    [[nodiscard]] const IconBitmap* iconBmp() const { return IconBmp.get(); }
    // The selected line of SortBox: the start file, −1 for none.
    [[nodiscard]] int startIndex() const;
    // The entries that name no file or folder here (gone, or a path of another system such as
    // "C:\web\seite.html"), in list order. ImageList and SortBox show them greyed.
    [[nodiscard]] std::vector<std::string> missingEntries() const;

  protected:
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

  private:
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
    // The build settings (MainUnitSettings.cpp): showSettings makes them the project's and
    // shows them, connectSettings writes every change of a control back.
    void showSettings(const BuildSettings& settings);
    void connectSettings();
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
    void createFormStorage(); // MainUnitProjectFile.cpp

    // Data model, in the window's field order.
    Rect32 SBarRect;
    int32_t ProStatus = 0;
    std::string SavedFileName;
    std::string ProgPath;
    Project project_;                                  // startIndex follows SortBox's selection
    std::vector<std::string>& Pics = project_.entries; // PicCount() == Pics.size()
    int32_t IconPos = 0;
    int32_t IconPosWindows = 0; // the same for the Windows viewer, which has its own icon offset
    std::unique_ptr<IconBitmap> IconBmp;

    std::unique_ptr<UserInteraction> interaction_;
    QShortcut* cancelShortcut_ = nullptr; // Escape → DelBtn while "Dateien hinzufügen" shows
    bool destroyed_ = false;
};

// The single main window of the running program (null while none exists).
extern TMainForm* MainForm;

} // namespace pagolux
