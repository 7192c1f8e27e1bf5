// Building the main window: every control is constructed here, with its name, caption, hint,
// default and place. Positions are pixels at 96 dpi relative to the parent; rows of fixed
// height sit in box layouts so that the filling areas follow the window's size.

#include "app/MainUnit.h"

#include "controls/ControlsResources.h"
#include "controls/FrameFit.h"
#include "controls/TFilenameEdit.h"
#include "controls/TPaintBox.h"
#include "controls/TPanel.h"
#include "controls/TStatusBar.h"
#include "shell/TShellLink.h"
#include "shell/TShellList.h"
#include "shell/TShellTree.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFont>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QShortcut>
#include <QSpinBox>
#include <QSplitter>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

// The artwork lives in a static resource library; naming it here keeps it linked in.
static void initArtwork()
{
    Q_INIT_RESOURCE(pagolux);
}

namespace pagolux {

namespace {

// A single-selection list whose chosen line the user can move but not take away: Ctrl+click
// or Ctrl+Space on the chosen line keeps it chosen (the start file must not vanish by a
// click). Programs may still clear the selection.
class SingleChoiceList : public QListWidget {
  public:
    using QListWidget::QListWidget;

  protected:
    [[nodiscard]] QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                                       const QEvent* event) const override
    {
        const QItemSelectionModel::SelectionFlags flags = QListWidget::selectionCommand(index, event);
        if (index.isValid() && (flags & (QItemSelectionModel::Deselect | QItemSelectionModel::Toggle)))
            return QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows;
        return flags;
    }
};

const QColor kHeaderColor(240, 202, 166);     // header strips and the favourites label
const QColor kDecorationColor(192, 220, 192); // the decorative panels
const QColor kDarkRed(128, 0, 0);

// The client area that an outer frame of 638 × 512 leaves on the desktop the window was
// designed for (4-pixel borders, 26-pixel title bar).
constexpr int kClientWidth = 630;
constexpr int kClientHeight = 478;
// The least height that leaves the pages room to show a few lines and scroll the rest.
constexpr int kMinimumClientHeight = 300;

QWidget* fixedRow(QWidget* parent, int height)
{
    auto* row = new QWidget(parent);
    row->setFixedHeight(height);
    return row;
}

QVBoxLayout* column(QWidget* widget)
{
    auto* layout = new QVBoxLayout(widget);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    return layout;
}

QHBoxLayout* row(QWidget* widget)
{
    auto* layout = new QHBoxLayout(widget);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    return layout;
}

QLabel* makeLabel(QWidget* parent, const char* name, const QString& text, const QRect& geometry)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setGeometry(geometry);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return label;
}

QCheckBox* makeCheck(QWidget* parent, const char* name, const QString& caption, const QRect& geometry,
                     bool checked)
{
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(QLatin1String(name));
    box->setGeometry(geometry);
    box->setChecked(checked);
    return box;
}

// A header strip: 33 high, header colour, bevelled, the text in bold at (16, 10).
TPanel* makeHeader(QWidget* parent, const QString& text)
{
    auto* panel = new TPanel(kHeaderColor, parent);
    panel->setFixedHeight(33);
    auto* label = new QLabel(text, panel);
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    label->move(16, 10);
    label->adjustSize();
    return panel;
}

// The decorative column of the pages "Startdatei" and "EXE erstellen": a framed picture with a
// box over it that names the page's task.
TPanel* makeDecoration(QWidget* parent, const QString& picture, const QString& text)
{
    auto* panel = new TPanel(kDecorationColor, parent);
    panel->setFixedWidth(209);
    auto* image = new QLabel(panel);
    image->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    image->setLineWidth(1);
    image->setGeometry(7, 7, 193, 281);
    image->setPixmap(QPixmap(picture));
    image->setScaledContents(true);
    auto* box = new QLabel(text, panel);
    box->setGeometry(8, 8, 177, 73);
    box->setAutoFillBackground(true);
    QPalette palette = box->palette();
    palette.setColor(QPalette::Window, kHeaderColor);
    palette.setColor(QPalette::WindowText, kDarkRed);
    box->setPalette(palette);
    QFont font(QStringLiteral("Arial Black"));
    font.setPixelSize(19);
    font.setWeight(QFont::Black);
    box->setFont(font);
    box->setWordWrap(true);
    box->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    box->setContentsMargins(4, 2, 2, 2);
    return panel;
}

// A page: the header strip on top and a body below it, both in a scroll area, so that a
// window made smaller than the page needs still reaches every control by scrolling.
QWidget* makePageBody(QWidget* page, const QString& header)
{
    auto* scroll = new QScrollArea(page);
    scroll->setObjectName(page->objectName() + QStringLiteral("Scroll"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    column(page)->addWidget(scroll);
    auto* content = new QWidget;
    auto* layout = column(content);
    layout->addWidget(makeHeader(content, header));
    auto* body = new QWidget(content);
    layout->addWidget(body, 1);
    scroll->setWidget(content);
    return body;
}

// A widget whose children have fixed places asks for the room they take.
void reserveRoomOfChildren(QWidget* widget, int margin)
{
    const QRect used = widget->childrenRect();
    widget->setMinimumSize(used.right() + 1 + margin, used.bottom() + 1 + margin);
}

QIcon twoStateIcon(const QString& strip)
{
    const QPixmap glyphs(strip);
    QIcon icon;
    if (glyphs.isNull())
        return icon;
    const int w =
        glyphs.height() > 0 && glyphs.width() >= 2 * glyphs.height() ? glyphs.width() / 2 : glyphs.width();
    icon.addPixmap(glyphs.copy(0, 0, w, glyphs.height()), QIcon::Normal);
    if (w < glyphs.width())
        icon.addPixmap(glyphs.copy(w, 0, w, glyphs.height()), QIcon::Disabled);
    return icon;
}

} // namespace

BitmapButton* TMainForm::makeBitmapButton(QWidget* parent, const char* name, const QString& caption,
                                          const QString& hint, const QRect& geometry, const QString& glyph)
{
    auto* button = new BitmapButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setGeometry(geometry);
    if (!hint.isEmpty())
        button->setToolTip(hint);
    if (!glyph.isEmpty()) {
        button->setIcon(twoStateIcon(glyph));
        button->setIconSize(QSize(16, 16));
    }
    return button;
}

GlyphButton* TMainForm::makeGlyphButton(QWidget* parent, const char* name, const QString& caption,
                                        const QString& hint, const QRect& geometry, const QString& glyph)
{
    auto* button = new GlyphButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setGeometry(geometry);
    if (!hint.isEmpty())
        button->setToolTip(hint);
    // No name or a missing glyph strip leaves the button bare.
    const QImage strip = glyph.isEmpty() ? QImage() : ButtonGlyph(glyph);
    if (!strip.isNull())
        button->SetGlyph(strip);
    return button;
}

PictureButton* TMainForm::makePictureButton(QWidget* parent, const char* name, const QString& hint,
                                            const QRect& geometry, const QString& picture)
{
    // The image button carries its words in its pictures.
    auto* button = new PictureButton(parent);
    button->setObjectName(QLatin1String(name));
    button->move(geometry.topLeft());
    button->resize(geometry.size());
    button->setToolTip(hint);
    button->setCursor(Qt::PointingHandCursor);
    button->SetPicture(LoadControlsImage(QStringLiteral("buttons/%1.gif").arg(picture)));
    button->SetPicture2(LoadControlsImage(QStringLiteral("buttons/%1_down.gif").arg(picture)));
    return button;
}

void TMainForm::buildLayout()
{
    initArtwork();
    // The designed fonts; their metric twins on Linux stand in when they are missing.
    QFont::insertSubstitutions(
        QStringLiteral("MS Sans Serif"),
        {QStringLiteral("Liberation Sans"), QStringLiteral("Arial"), QStringLiteral("DejaVu Sans")});
    QFont::insertSubstitutions(QStringLiteral("Segoe UI"),
                               {QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans")});
    QFont::insertSubstitutions(QStringLiteral("Arial Black"),
                               {QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans")});
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(11);
    setFont(font);

    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("ClientArea"));
    setCentralWidget(central);
    auto* layout = column(central);

    ButtonRow = fixedRow(central, 27);
    ButtonRow->setObjectName(QStringLiteral("ButtonRow"));
    buildProjectRow(ButtonRow);
    layout->addWidget(ButtonRow);

    PageControl2 = new QTabWidget(central);
    PageControl2->setObjectName(QStringLiteral("PageControl2"));
    PageControl2->tabBar()->setAttribute(Qt::WA_Hover); // tabs highlight under the mouse
    PageControl2->setIconSize(QSize(16, 16));
    PageControl2->setDocumentMode(false);
    layout->addWidget(PageControl2, 1);
    const QString tab = QStringLiteral(":/pagolux/tabs/tab%1.png");
    TabSheet1 = new QWidget;
    TabSheet1->setObjectName(QStringLiteral("TabSheet1"));
    PageControl2->addTab(TabSheet1, QIcon(tab.arg(0)), QStringLiteral("Dateien hinzufügen"));
    TabSheet3 = new QWidget;
    TabSheet3->setObjectName(QStringLiteral("TabSheet3"));
    PageControl2->addTab(TabSheet3, QIcon(tab.arg(3)), QStringLiteral("Startdatei"));
    TabSheet5 = new QWidget;
    TabSheet5->setObjectName(QStringLiteral("TabSheet5"));
    PageControl2->addTab(TabSheet5, QIcon(tab.arg(1)), QStringLiteral("Vorschau"));
    TabSheet6 = new QWidget;
    TabSheet6->setObjectName(QStringLiteral("TabSheet6"));
    PageControl2->addTab(TabSheet6, QIcon(tab.arg(4)), QStringLiteral("EXE erstellen"));
    buildFilesPage();
    buildStartPage();
    buildPreviewPage();
    buildExePage();
    PageControl2->setCurrentIndex(0);

    auto* bottom = fixedRow(central, 41);
    bottom->setObjectName(QStringLiteral("BottomRow"));
    buildBottomRow(bottom);
    layout->addWidget(bottom);

    buildStatusBar();
    layout->addWidget(StatusBar1);

    // The component dialogs.
    const std::string projectFilter = "EXE-HTML-Dateien|*.pgx";
    OpenDialog1.filter = projectFilter;
    OpenDialog1.defaultExt = "pgx";
    SaveDialog1.filter = projectFilter;
    SaveDialog1.defaultExt = "pgx";
    SaveDialog1.overwritePrompt = true;
    OpenPictureDialog1.picturePreview = true;
#ifdef _WIN32
    EXENameDialog.filter = "EXE-Dateien (*.exe)|*.exe";
    EXENameDialog.defaultExt = "exe";
#else
    EXENameDialog.filter = "Programme (*)|*";
#endif
    EXENameDialog.title = "Ausgabe Datei";
    EXENameDialog.overwritePrompt = false; // "Go!" asks before it replaces a file

    buildTabOrder();
    // Smaller than designed, the pages scroll; the rows above and below them stay whole.
    setMinimumHeight(kMinimumClientHeight);
    resize(kClientWidth, kClientHeight);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect available = screen->availableGeometry();
        move(available.center() - QPoint(kClientWidth / 2, kClientHeight / 2));
    }
}

void TMainForm::buildProjectRow(QWidget* parent)
{
    const QString glyph = QStringLiteral(":/pagolux/glyphs/%1.png");
    NewBtn =
        makeBitmapButton(parent, "NewBtn", QStringLiteral("&Neu"), QStringLiteral("Neues Projekt erstellen"),
                         QRect(8, 0, 121, 25), glyph.arg(QStringLiteral("new")));
    OpenBtn =
        makeBitmapButton(parent, "OpenBtn", QStringLiteral("Ö&ffnen..."), QStringLiteral("Projekt öffnen..."),
                         QRect(129, 0, 121, 25), glyph.arg(QStringLiteral("open")));
    SaveBtn =
        makeBitmapButton(parent, "SaveBtn", QStringLiteral("&Speichern"), QStringLiteral("Projekt speichern"),
                         QRect(250, 0, 121, 25), glyph.arg(QStringLiteral("save")));
    SaveAsBtn = makeBitmapButton(parent, "SaveAsBtn", QStringLiteral("Speichern &unter..."),
                                 QStringLiteral("Projekt speichern unter..."), QRect(371, 0, 121, 25),
                                 glyph.arg(QStringLiteral("saveas")));
    for (BitmapButton* button : {NewBtn, OpenBtn, SaveBtn, SaveAsBtn})
        button->setFlat(true);
    // The window is never narrower than this row: its buttons do not scroll.
    parent->setMinimumWidth(SaveAsBtn->geometry().right() + 1 + 8);
}

void TMainForm::buildFilesPage()
{
    QWidget* body = makePageBody(
        TabSheet1,
        QStringLiteral(
            "Dateien und Verzeichnisse hinzufügen - Dateien markieren und auf \"Hinzufügen\" klicken"));
    auto* layout = column(body);

    PageSplitter = new QSplitter(Qt::Vertical, body);
    PageSplitter->setObjectName(QStringLiteral("PageSplitter"));
    PageSplitter->setHandleWidth(3);
    PageSplitter->setChildrenCollapsible(false);
    layout->addWidget(PageSplitter);

    // Upper area: favourites row and the shell area.
    auto* upper = new QWidget(PageSplitter);
    auto* upperLayout = column(upper);
    auto* favourites = fixedRow(upper, 33);
    auto* favouritesLayout = row(favourites);
    auto* favouritesLabel = new TPanel(kHeaderColor, favourites);
    favouritesLabel->setFixedWidth(121);
    auto* label = new QLabel(QStringLiteral("Lieblings Ordner:"), favouritesLabel);
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    label->move(8, 10);
    label->adjustSize();
    favouritesLayout->addWidget(favouritesLabel);
    PrefListBox = new QListWidget(favourites);
    PrefListBox->setObjectName(QStringLiteral("PrefListBox"));
    PrefListBox->setSelectionMode(QAbstractItemView::SingleSelection);
    PrefListBox->setUniformItemSizes(true);
    favouritesLayout->addWidget(PrefListBox, 1);
    upperLayout->addWidget(favourites);

    QFont shellFont(QStringLiteral("Segoe UI"));
    shellFont.setPixelSize(12);
    ShellSplitter = new QSplitter(Qt::Horizontal, upper);
    ShellSplitter->setObjectName(QStringLiteral("ShellSplitter"));
    ShellSplitter->setHandleWidth(3);
    ShellSplitter->setChildrenCollapsible(false);
    ShellTree1 = new TShellTree(ShellSplitter);
    ShellTree1->setObjectName(QStringLiteral("ShellTree1"));
    ShellTree1->setFont(shellFont);
    ShellList1 = new TShellList(ShellSplitter);
    ShellList1->setObjectName(QStringLiteral("ShellList1"));
    ShellList1->setFont(shellFont);
    ShellSplitter->setSizes({241, kClientWidth - 241});
    ShellSplitter->setStretchFactor(0, 0);
    ShellSplitter->setStretchFactor(1, 1);
    ShellLink1 = new TShellLink(ShellTree1, ShellList1, this);
    ShellLink1->setObjectName(QStringLiteral("ShellLink1"));
    upperLayout->addWidget(ShellSplitter, 1);

    // Lower area: the two buttons and the list of entries.
    auto* lower = new QWidget(PageSplitter);
    auto* lowerLayout = column(lower);
    auto* buttons = fixedRow(lower, 41);
    AddBtn = makeGlyphButton(buttons, "AddBtn", QStringLiteral("&Hinzufügen"), QString(), QRect(8, 8, 89, 25),
                             QStringLiteral("add"));
    DelBtn = makeGlyphButton(buttons, "DelBtn", QStringLiteral("&Löschen"), QString(), QRect(104, 8, 89, 25),
                             QStringLiteral("delete"));
    DelBtn->setEnabled(false);
    reserveRoomOfChildren(buttons, 8);
    lowerLayout->addWidget(buttons);
    ImageList = new QListWidget(lower);
    ImageList->setObjectName(QStringLiteral("ImageList"));
    ImageList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ImageList->setUniformItemSizes(true);
    lowerLayout->addWidget(ImageList, 1);

    PageSplitter->setSizes({209, 120});
    PageSplitter->setStretchFactor(0, 0);
    PageSplitter->setStretchFactor(1, 1);

    cancelShortcut_ = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    cancelShortcut_->setContext(Qt::WindowShortcut);
    cancelShortcut_->setEnabled(false);
}

void TMainForm::buildStartPage()
{
    QWidget* body = makePageBody(
        TabSheet3,
        QStringLiteral("Startdatei - Hier müssen Sie die Datei markieren, die beim Starten aufgerufen wird"));
    auto* layout = row(body);
    layout->addWidget(makeDecoration(body, QStringLiteral(":/pagolux/pictures/start.png"),
                                     QStringLiteral("Startdatei markieren...")));
    SortBox = new SingleChoiceList(body);
    SortBox->setObjectName(QStringLiteral("SortBox"));
    SortBox->setSelectionMode(QAbstractItemView::SingleSelection);
    SortBox->setUniformItemSizes(true);
    layout->addWidget(SortBox, 1);
}

void TMainForm::buildPreviewPage()
{
    QWidget* body = makePageBody(
        TabSheet5, QStringLiteral("Vorschau - Hier können Sie sehen wie das Ergebnis später aussehen wird"));
    auto* layout = column(body);
    auto* buttons = fixedRow(body, 41);
    LoadBtn = makeGlyphButton(buttons, "LoadBtn", QStringLiteral("Startdatei öffnen..."), QString(),
                              QRect(16, 8, 137, 25), QStringLiteral("load"));
    BackButton = makeGlyphButton(buttons, "BackButton", QStringLiteral("Zurück"), QString(),
                                 QRect(160, 8, 75, 25), QStringLiteral("back"));
    FwdButton = makeGlyphButton(buttons, "FwdButton", QStringLiteral("Vorwärts"), QString(),
                                QRect(240, 8, 75, 25), QStringLiteral("forward"));
    HomeBtn = makeGlyphButton(buttons, "HomeBtn", QStringLiteral("Startseite"), QString(),
                              QRect(320, 8, 89, 25), QStringLiteral("home"));
    ReloadButton = makeGlyphButton(buttons, "ReloadButton", QStringLiteral("Neu laden"), QString(),
                                   QRect(416, 8, 89, 25), QStringLiteral("reload"));
    reserveRoomOfChildren(buttons, 8);
    layout->addWidget(buttons);
    WebBrowserHost = new QWidget(body);
    WebBrowserHost->setObjectName(QStringLiteral("WebBrowserHost"));
    column(WebBrowserHost);
    layout->addWidget(WebBrowserHost, 1);
}

void TMainForm::buildExePage()
{
    // The controls start with the settings of the project the window begins with.
    const BuildSettings& start = editor_.settings();
    QWidget* body = makePageBody(
        TabSheet6, QStringLiteral("EXE Datei erstellen - Dateinamen festlegen und Go! auf klicken"));
    auto* layout = row(body);
    layout->addWidget(makeDecoration(body, QStringLiteral(":/pagolux/pictures/exe.png"),
                                     QStringLiteral("EXE-Datei erstellen...")));
    auto* right = new QWidget(body);
    right->setObjectName(QStringLiteral("ExeSettings"));
    layout->addWidget(right, 1);

    Label1 = makeLabel(right, "Label1", QStringLiteral("Ausgabe Datei:"), QRect(8, 8, 82, 21));
    EXENameEdit = new TFilenameEdit(right);
    EXENameEdit->setObjectName(QStringLiteral("EXENameEdit"));
    EXENameEdit->setGeometry(92, 8, 193, 21);
    GoBtn1 = makePictureButton(right, "GoBtn1", QStringLiteral("Erstellt die EXE-Datei..."),
                               QRect(296, 8, 101, 30), QStringLiteral("go"));
    AutoStartCheck = makeCheck(right, "AutoStartCheck", QStringLiteral("Datei nach dem Erstellen ausführen"),
                               QRect(16, 32, 257, 17), false);

    GroupBox1 = new QGroupBox(QStringLiteral("Icon der EXE Datei"), right);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox1->setGeometry(12, 48, 381, 57);
    OpenIconBtn = makeGlyphButton(GroupBox1, "OpenIconBtn", QStringLiteral("Îcon laden..."), QString(),
                                  QRect(8, 24, 105, 25), QStringLiteral("openicon"));
    StdIconBtn = makeGlyphButton(GroupBox1, "StdIconBtn", QStringLiteral("Îcon zurücksetzen..."), QString(),
                                 QRect(120, 24, 137, 25), QString());
    // The stock kind for retrying gives the glyph; the caption, set first, stays.
    StdIconBtn->SetLoading(true);
    StdIconBtn->SetKind(bkRetry);
    StdIconBtn->SetLoading(false);
    // The icon preview is designed at (272, 17); it is kept inside the frame, whose title and
    // edges each style draws at places of its own.
    const QRect iconPlace(272, 17, 32, 32);
    PaintBox1 = new TPaintBox(GroupBox1);
    PaintBox1->setObjectName(QStringLiteral("PaintBox1"));
    fitIntoFrame(PaintBox1, iconPlace);
    Image3 = new QLabel(GroupBox1);
    Image3->setObjectName(QStringLiteral("Image3"));
    fitIntoFrame(Image3, iconPlace);
    Image3->hide();
    // The free room right of the icon takes the target system, so the designed layout stays.
    // It reaches from just beside the icon to the frame's inner edge, so that "Windows" shows
    // whole.
    TargetLabel = makeLabel(GroupBox1, "TargetLabel", QStringLiteral("Zielsystem:"), QRect(308, 6, 68, 17));
    TargetCombo = new QComboBox(GroupBox1);
    TargetCombo->setObjectName(QStringLiteral("TargetCombo"));
    TargetCombo->addItems({QStringLiteral("Linux"), QStringLiteral("Windows")});
    TargetCombo->setToolTip(QStringLiteral("Für welches System die EXE-Datei erstellt wird"));
    TargetCombo->setGeometry(308, 24, 70, 25);
    TargetLabel->setBuddy(TargetCombo);
    // Between the caption of "Datei nach dem Erstellen ausführen" and "Go!": code signing.
    addCertificateChoice(right);

    GroupBox2 = new QGroupBox(QStringLiteral("Fenstergröße"), right);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    GroupBox2->setGeometry(12, 112, 381, 81);
    DefSizeCheck = new QRadioButton(QStringLiteral("Definierte Größe"), GroupBox2);
    DefSizeCheck->setObjectName(QStringLiteral("DefSizeCheck"));
    DefSizeCheck->setGeometry(8, 24, 137, 17);
    DefSizeCheck->setChecked(start.definedSize);
    FullScreenCheck = new QRadioButton(QStringLiteral("Maximale Größe"), GroupBox2);
    FullScreenCheck->setObjectName(QStringLiteral("FullScreenCheck"));
    FullScreenCheck->setGeometry(8, 40, 137, 17);
    FullScreenCheck->setChecked(!start.definedSize);
    FixedSizeCheck = makeCheck(GroupBox2, "FixedSizeCheck", QStringLiteral("Feste Größe (kein Menü)"),
                               QRect(8, 56, 144, 17), start.fixedSize);
    // The replacement fonts are a little wider than the designed one: the gap between box and
    // caption is narrowed, and the longest caption takes the free room up to the labels at
    // x 152, so that every caption stays whole.
    for (QAbstractButton* choice :
         {static_cast<QAbstractButton*>(DefSizeCheck), static_cast<QAbstractButton*>(FullScreenCheck),
          static_cast<QAbstractButton*>(FixedSizeCheck)})
        choice->setStyleSheet(QStringLiteral("spacing: 2px;"));
    auto spin = [this](const char* name, int y, int value) {
        auto* box = new QSpinBox(GroupBox2);
        box->setObjectName(QLatin1String(name));
        box->setGeometry(216, y, 73, 21);
        box->setRange(BuildSettings::kMinExtent, BuildSettings::kMaxExtent);
        box->setSingleStep(10);
        box->setValue(value);
        box->setAccelerated(true);
        return box;
    };
    Label2 = makeLabel(GroupBox2, "Label2", QStringLiteral("Breite:"), QRect(152, 24, 60, 21));
    WidthEd = spin("WidthEd", 24, start.width);
    Label4 = makeLabel(GroupBox2, "Label4", QStringLiteral("Pixel"), QRect(296, 24, 60, 21));
    Label3 = makeLabel(GroupBox2, "Label3", QStringLiteral("Höhe:"), QRect(152, 48, 60, 21));
    HeightEd = spin("HeightEd", 48, start.height);
    Label5 = makeLabel(GroupBox2, "Label5", QStringLiteral("Pixel"), QRect(296, 48, 60, 21));

    GroupBox3 = new QGroupBox(QStringLiteral("Fensterelemente"), right);
    GroupBox3->setObjectName(QStringLiteral("GroupBox3"));
    GroupBox3->setGeometry(12, 200, 381, 121);
    // The ten window elements, in settings-block order: caption and place in three columns.
    const struct {
        const char* caption;
        QRect place;
    } elements[BuildSettings::kElementCount] = {
        {"Statusbar", {16, 16, 97, 17}},  {"Tool Leiste", {16, 32, 97, 17}},
        {"Drucken", {128, 16, 97, 17}},   {"Beenden", {128, 32, 97, 17}},
        {"Über", {240, 16, 97, 17}},      {"Zurück", {16, 56, 97, 17}},
        {"Vorwärts", {16, 72, 97, 17}},   {"Startseite", {128, 56, 97, 17}},
        {"Neu laden", {128, 72, 97, 17}}, {"Beenden Button", {240, 56, 113, 17}},
    };
    for (std::size_t i = 0; i < CheckBoxes.size(); ++i) {
        const QByteArray name = "CheckBox" + QByteArray::number(static_cast<int>(i + 1));
        CheckBoxes[i] = makeCheck(GroupBox3, name.constData(), QString::fromUtf8(elements[i].caption),
                                  elements[i].place, start.elements[i]);
    }
    Label6 = makeLabel(GroupBox3, "Label6", QStringLiteral("Projekt Name:"), QRect(16, 96, 108, 21));
    NameED = new QLineEdit(projectNameText(start.projectName), GroupBox3);
    NameED->setObjectName(QStringLiteral("NameED"));
    NameED->setGeometry(128, 96, 241, 21);
    reserveRoomOfChildren(right, 4);
}

void TMainForm::buildBottomRow(QWidget* parent)
{
    auto* layout = row(parent);
    auto* left = new QWidget(parent);
    wwwBtn = makeBitmapButton(left, "wwwBtn", QString::fromLatin1(kMakerAddress),
                              QStringLiteral("Auf zur Orvanto Homepage..."), QRect(5, 5, 137, 33),
                              QStringLiteral(":/pagolux/glyphs/www.png"));
    wwwBtn->setFlat(true);
    reserveRoomOfChildren(left, 0);
    layout->addWidget(left, 1);
    BottomPanel = new QWidget(parent);
    BottomPanel->setObjectName(QStringLiteral("BottomPanel"));
    BottomPanel->setFixedWidth(214);
    ueberbtn = makePictureButton(BottomPanel, "ueberbtn", QStringLiteral("Informationen über das Programm"),
                                 QRect(0, 8, 101, 30), QStringLiteral("ueber"));
    endebtn = makePictureButton(BottomPanel, "endebtn", QStringLiteral("Hiermit verlassen Sie das Programm"),
                                QRect(104, 8, 101, 30), QStringLiteral("ende"));
    layout->addWidget(BottomPanel);
}

void TMainForm::buildStatusBar()
{
    StatusBar1 = new TStatusBar(centralWidget());
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setPanels({{250, false}, {50, true}});
    StatusBar1->OnDrawPanel = [this](QPainter& canvas, int panel, const QRect& rect) {
        StatusBar1DrawPanel(canvas, panel, rect);
    };
}

void TMainForm::buildTabOrder()
{
    const auto chain = [](std::initializer_list<QWidget*> widgets) {
        QWidget* previous = nullptr;
        for (QWidget* widget : widgets) {
            if (previous != nullptr)
                QWidget::setTabOrder(previous, widget);
            previous = widget;
        }
    };
    const auto& e = CheckBoxes;
    chain({NewBtn, OpenBtn, SaveBtn, SaveAsBtn, PageControl2, PrefListBox, ShellTree1, ShellList1, AddBtn,
           DelBtn, ImageList, SortBox, LoadBtn, ReloadButton, HomeBtn, FwdButton, BackButton, EXENameEdit,
           GoBtn1, AutoStartCheck, OpenIconBtn, StdIconBtn, TargetCombo, DefSizeCheck, FullScreenCheck,
           FixedSizeCheck, WidthEd, HeightEd,
           // The window elements column by column, as they stand.
           e[0], e[1], e[5], e[6], e[2], e[3], e[7], e[8], e[4], e[9], NameED, wwwBtn, ueberbtn, endebtn});
}

} // namespace pagolux
