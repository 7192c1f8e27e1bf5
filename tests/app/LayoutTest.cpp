// The layout of the main window: names, captions, hints, sizes, pages, ranges and tab order.

#include "WindowTestSupport.h"

#include "controls/TPaintBox.h"
#include "controls/TPanel.h"
#include "controls/TStatusBar.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStyle>
#include <QStyleFactory>
#include <QTabWidget>
#include <QTest>

#include <cstdlib>

namespace pagolux::test {
namespace {

using Layout = WindowTest;

TEST_F(Layout, ButtonsCarryTheirCaptionsHintsAndSizes)
{
    const struct {
        const char* name;
        QString caption;
        QString hint;
        QSize size;
    } buttons[] = {
        {"NewBtn", QStringLiteral("&Neu"), QStringLiteral("Neues Projekt erstellen"), {121, 25}},
        {"OpenBtn", QStringLiteral("Ö&ffnen..."), QStringLiteral("Projekt öffnen..."), {121, 25}},
        {"SaveBtn", QStringLiteral("&Speichern"), QStringLiteral("Projekt speichern"), {121, 25}},
        {"SaveAsBtn",
         QStringLiteral("Speichern &unter..."),
         QStringLiteral("Projekt speichern unter..."),
         {121, 25}},
        {"AddBtn", QStringLiteral("&Hinzufügen"), QString(), {89, 25}},
        {"DelBtn", QStringLiteral("&Löschen"), QString(), {89, 25}},
        {"LoadBtn", QStringLiteral("Startdatei öffnen..."), QString(), {137, 25}},
        {"BackButton", QStringLiteral("Zurück"), QString(), {75, 25}},
        {"FwdButton", QStringLiteral("Vorwärts"), QString(), {75, 25}},
        {"HomeBtn", QStringLiteral("Startseite"), QString(), {89, 25}},
        {"ReloadButton", QStringLiteral("Neu laden"), QString(), {89, 25}},
        {"OpenIconBtn", QStringLiteral("Îcon laden..."), QString(), {105, 25}},
        {"StdIconBtn", QStringLiteral("Îcon zurücksetzen..."), QString(), {137, 25}},
        {"wwwBtn",
         QString::fromLatin1(kMakerAddress),
         QStringLiteral("Auf zur Orvanto Homepage..."),
         {137, 33}},
    };
    for (const auto& b : buttons) {
        auto* button = form->findChild<QAbstractButton*>(QLatin1String(b.name));
        ASSERT_NE(button, nullptr) << b.name;
        EXPECT_EQ(button->text(), b.caption) << b.name;
        EXPECT_EQ(button->toolTip(), b.hint) << b.name;
        EXPECT_EQ(button->size(), b.size) << b.name;
        const auto* glyphButton = qobject_cast<const TBitBtnXP*>(button);
        EXPECT_FALSE(glyphButton ? glyphButton->Glyph().isNull() : button->icon().isNull())
            << b.name << " has no glyph";
    }
    const struct {
        const char* name;
        QString hint;
    } pictureButtons[] = {
        {"GoBtn1", QStringLiteral("Erstellt die EXE-Datei...")},
        {"ueberbtn", QStringLiteral("Informationen über das Programm")},
        {"endebtn", QStringLiteral("Hiermit verlassen Sie das Programm")},
    };
    for (const auto& b : pictureButtons) {
        auto* button = form->findChild<QWidget*>(QLatin1String(b.name));
        ASSERT_NE(button, nullptr) << b.name;
        // The key follows the hint (tested with the keys).
        EXPECT_TRUE(button->toolTip().startsWith(b.hint + QStringLiteral(" ("))) << b.name;
        EXPECT_EQ(button->size(), QSize(101, 30)) << b.name;
        EXPECT_EQ(button->cursor().shape(), Qt::PointingHandCursor) << b.name;
    }
}

TEST_F(Layout, EveryNamedControlExists)
{
    const char* names[] = {"ButtonRow",       "PageControl2",   "TabSheet1",  "TabSheet3",   "TabSheet5",
                           "TabSheet6",       "PrefListBox",    "ShellTree1", "ShellList1",  "ImageList",
                           "SortBox",         "WebBrowserHost", "Label1",     "EXENameEdit", "AutoStartCheck",
                           "GroupBox1",       "PaintBox1",      "Image3",     "GroupBox2",   "DefSizeCheck",
                           "FullScreenCheck", "FixedSizeCheck", "Label2",     "WidthEd",     "Label4",
                           "Label3",          "HeightEd",       "Label5",     "GroupBox3",   "Label6",
                           "NameED",          "StatusBar1",     "BottomPanel"};
    for (const char* name : names)
        EXPECT_NE(form->findChild<QWidget*>(QLatin1String(name)), nullptr) << name;
    EXPECT_NE(form->findChild<QObject*>(QStringLiteral("ShellLink1")), nullptr);
    EXPECT_TRUE(control<QLabel>(*form, "Image3")->isHidden());
    EXPECT_EQ(control<QLabel>(*form, "Image3")->geometry(),
              control<TPaintBox>(*form, "PaintBox1")->geometry());
}

// Runs check once under every style Qt has here, the default style of the platform last (and
// left set), as "-style" would set it before the window opens.
template <typename Check> void underEveryStyle(Check check)
{
    const QString before = QApplication::style()->name();
    QStringList styles = QStyleFactory::keys();
    ASSERT_TRUE(styles.contains(QStringLiteral("Fusion"), Qt::CaseInsensitive)) << "Fusion is built into Qt";
    styles.append(before);
    for (const QString& key : styles) {
        SCOPED_TRACE(key.toStdString());
        QApplication::setStyle(key);
        ASSERT_EQ(QApplication::style()->name().compare(key, Qt::CaseInsensitive), 0);
        check();
    }
}

// Two colours a user tells apart: their grey values differ clearly.
bool standsOut(QRgb a, QRgb b)
{
    return std::abs(qGray(a) - qGray(b)) > 24 || std::abs(qAlpha(a) - qAlpha(b)) > 16;
}

// The icon preview lies inside the frame of "Icon der EXE Datei" under every style, also when
// the style changes while the window is open: it covers neither the frame's edges nor its title.
TEST_F(Layout, IconPreviewLiesInsideItsFrameUnderEveryStyle)
{
    QGroupBox* box = control<QGroupBox>(*form, "GroupBox1");
    underEveryStyle([&] {
        // The box alone, without its children: its frame, its filling and its title.
        QImage frame(box->size(), QImage::Format_ARGB32);
        frame.fill(Qt::transparent);
        box->render(&frame, QPoint(), QRegion(), QWidget::RenderFlags());
        const QRgb filling = frame.pixel(box->contentsRect().center());
        for (const QWidget* preview : {static_cast<QWidget*>(control<TPaintBox>(*form, "PaintBox1")),
                                       static_cast<QWidget*>(control<QLabel>(*form, "Image3"))}) {
            SCOPED_TRACE(preview->objectName().toStdString());
            const QRect r = preview->geometry();
            EXPECT_EQ(r.size(), QSize(32, 32));
            ASSERT_TRUE(box->rect().contains(r));
            // Through its middle column and row the preview meets nothing but the filling: an
            // edge or the title under it would be hidden.
            for (int y = r.top(); y <= r.bottom(); ++y)
                EXPECT_FALSE(standsOut(frame.pixel(r.center().x(), y), filling))
                    << "frame at row " << y << ", preview " << r.top() << ".." << r.bottom();
            for (int x = r.left(); x <= r.right(); ++x)
                EXPECT_FALSE(standsOut(frame.pixel(x, r.center().y()), filling)) << "frame at column " << x;
        }
    });
}

// Each status-bar panel has a closed frame: all four edges stand out from the bar's face.
TEST_F(Layout, StatusBarPanelsHaveClosedFramesUnderEveryStyle)
{
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    TStatusBar* bar = control<TStatusBar>(*form, "StatusBar1");
    underEveryStyle([&] {
        const QImage image = bar->grab().toImage();
        const QRgb face = image.pixel(0, 0);
        for (int panel = 0; panel < 2; ++panel) {
            SCOPED_TRACE(panel);
            const QRect edge = bar->panelRect(panel).adjusted(-1, -1, 1, 1);
            ASSERT_TRUE(bar->rect().contains(edge));
            const QPoint middle = edge.center();
            EXPECT_TRUE(standsOut(image.pixel(middle.x(), edge.top()), face)) << "top";
            EXPECT_TRUE(standsOut(image.pixel(middle.x(), edge.bottom()), face)) << "bottom";
            EXPECT_TRUE(standsOut(image.pixel(edge.left(), middle.y()), face)) << "left";
            EXPECT_TRUE(standsOut(image.pixel(edge.right(), middle.y()), face)) << "right";
        }
    });
}

TEST_F(Layout, PagesInOrderWithTabCaptionsPicturesAndHeaders)
{
    const struct {
        QWidget* page;
        QString caption;
        QString header;
    } pages[] = {
        {control<QWidget>(*form, "TabSheet1"), QStringLiteral("Dateien hinzufügen"),
         QStringLiteral(
             "Dateien und Verzeichnisse hinzufügen - Dateien markieren und auf \"Hinzufügen\" klicken")},
        {control<QWidget>(*form, "TabSheet3"), QStringLiteral("Startdatei"),
         QStringLiteral(
             "Startdatei - Hier müssen Sie die Datei markieren, die beim Starten aufgerufen wird")},
        {control<QWidget>(*form, "TabSheet5"), QStringLiteral("Vorschau"),
         QStringLiteral("Vorschau - Hier können Sie sehen wie das Ergebnis später aussehen wird")},
        {control<QWidget>(*form, "TabSheet6"), QStringLiteral("EXE erstellen"),
         QStringLiteral("EXE Datei erstellen - Dateinamen festlegen und Go! auf klicken")},
    };
    ASSERT_EQ(control<QTabWidget>(*form, "PageControl2")->count(), 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(control<QTabWidget>(*form, "PageControl2")->widget(i), pages[i].page);
        EXPECT_EQ(control<QTabWidget>(*form, "PageControl2")->tabText(i), pages[i].caption);
        EXPECT_FALSE(control<QTabWidget>(*form, "PageControl2")->tabIcon(i).isNull()) << i;
        bool headerFound = false;
        for (const QLabel* label : pages[i].page->findChildren<QLabel*>()) {
            if (label->text() != pages[i].header)
                continue;
            headerFound = true;
            auto* strip = qobject_cast<TPanel*>(label->parentWidget());
            ASSERT_NE(strip, nullptr);
            EXPECT_EQ(strip->height(), 33);
            EXPECT_EQ(strip->color(), QColor(240, 202, 166));
            EXPECT_TRUE(label->font().bold());
            EXPECT_EQ(label->pos(), QPoint(16, 10));
        }
        EXPECT_TRUE(headerFound) << pages[i].caption.toStdString();
    }
    EXPECT_EQ(control<QTabWidget>(*form, "PageControl2")->currentIndex(), 0);
}

TEST_F(Layout, SpinEditsKeepTheirRangeAndStepByTen)
{
    for (QSpinBox* edit : {control<QSpinBox>(*form, "WidthEd"), control<QSpinBox>(*form, "HeightEd")}) {
        SCOPED_TRACE(edit->objectName().toStdString());
        EXPECT_EQ(edit->minimum(), 64);
        EXPECT_EQ(edit->maximum(), 1280);
        edit->setValue(2000);
        EXPECT_EQ(edit->value(), 1280);
        edit->setValue(10);
        EXPECT_EQ(edit->value(), 64);
        edit->setValue(600);
        edit->stepBy(1);
        EXPECT_EQ(edit->value(), 610);
        edit->stepBy(-3);
        EXPECT_EQ(edit->value(), 580);
        edit->setValue(1275);
        edit->stepBy(1);
        EXPECT_EQ(edit->value(), 1280);
    }
}

TEST_F(Layout, WindowElementChecksSitInTheirGrid)
{
    const struct {
        QCheckBox* box;
        QString caption;
        QRect geometry;
    } boxes[] = {
        {control<QCheckBox>(*form, "CheckBox1"), QStringLiteral("Statusbar"), {16, 16, 97, 17}},
        {control<QCheckBox>(*form, "CheckBox2"), QStringLiteral("Tool Leiste"), {16, 32, 97, 17}},
        {control<QCheckBox>(*form, "CheckBox6"), QStringLiteral("Zurück"), {16, 56, 97, 17}},
        {control<QCheckBox>(*form, "CheckBox7"), QStringLiteral("Vorwärts"), {16, 72, 97, 17}},
        {control<QCheckBox>(*form, "CheckBox3"), QStringLiteral("Drucken"), {128, 16, 97, 17}},
        {control<QCheckBox>(*form, "CheckBox4"), QStringLiteral("Beenden"), {128, 32, 97, 17}},
        {control<QCheckBox>(*form, "CheckBox8"), QStringLiteral("Startseite"), {128, 56, 97, 17}},
        {control<QCheckBox>(*form, "CheckBox9"), QStringLiteral("Neu laden"), {128, 72, 97, 17}},
        {control<QCheckBox>(*form, "CheckBox5"), QStringLiteral("Über"), {240, 16, 97, 17}},
        {control<QCheckBox>(*form, "CheckBox10"), QStringLiteral("Beenden Button"), {240, 56, 113, 17}},
    };
    for (const auto& b : boxes) {
        EXPECT_EQ(b.box->text(), b.caption);
        EXPECT_EQ(b.box->geometry(), b.geometry) << b.caption.toStdString();
        EXPECT_EQ(b.box->parentWidget(), control<QGroupBox>(*form, "GroupBox3"));
        // The caption fits: nothing is cut off at the box's right edge.
        EXPECT_LE(b.box->sizeHint().width(), b.geometry.width()) << b.caption.toStdString();
    }
    EXPECT_EQ(control<QGroupBox>(*form, "GroupBox1")->title(), QStringLiteral("Icon der EXE Datei"));
    EXPECT_EQ(control<QGroupBox>(*form, "GroupBox2")->title(), QStringLiteral("Fenstergröße"));
    EXPECT_EQ(control<QGroupBox>(*form, "GroupBox3")->title(), QStringLiteral("Fensterelemente"));
    for (QAbstractButton* choice :
         {static_cast<QAbstractButton*>(control<QRadioButton>(*form, "DefSizeCheck")),
          static_cast<QAbstractButton*>(control<QRadioButton>(*form, "FullScreenCheck")),
          static_cast<QAbstractButton*>(control<QCheckBox>(*form, "FixedSizeCheck")),
          static_cast<QAbstractButton*>(control<QCheckBox>(*form, "AutoStartCheck"))})
        EXPECT_LE(choice->sizeHint().width(), choice->width()) << choice->text().toStdString();
}

TEST_F(Layout, SizeChoicesExcludeEachOther)
{
    control<QRadioButton>(*form, "FullScreenCheck")->setChecked(true);
    EXPECT_FALSE(control<QRadioButton>(*form, "DefSizeCheck")->isChecked());
    control<QRadioButton>(*form, "DefSizeCheck")->setChecked(true);
    EXPECT_FALSE(control<QRadioButton>(*form, "FullScreenCheck")->isChecked());
    EXPECT_FALSE(control<QCheckBox>(*form, "FixedSizeCheck")->isChecked()); // a check box of its own
}

TEST_F(Layout, PreviewRowTabOrder)
{
    const QWidget* expected[] = {
        control<GlyphButton>(*form, "LoadBtn"), control<GlyphButton>(*form, "ReloadButton"),
        control<GlyphButton>(*form, "HomeBtn"), control<GlyphButton>(*form, "FwdButton"),
        control<GlyphButton>(*form, "BackButton")};
    for (std::size_t i = 0; i + 1 < std::size(expected); ++i)
        EXPECT_EQ(expected[i]->nextInFocusChain(), expected[i + 1]) << i;
}

TEST_F(Layout, DialogsFiltersAndDefaultExtensions)
{
    EXPECT_EQ(form->OpenDialog1.filter, "EXE-HTML-Dateien|*.pgx");
    EXPECT_EQ(form->OpenDialog1.defaultExt, "pgx");
    EXPECT_FALSE(form->OpenDialog1.overwritePrompt);
    EXPECT_EQ(form->SaveDialog1.filter, "EXE-HTML-Dateien|*.pgx");
    EXPECT_EQ(form->SaveDialog1.defaultExt, "pgx");
    EXPECT_TRUE(form->SaveDialog1.overwritePrompt);
    EXPECT_TRUE(form->OpenPictureDialog1.picturePreview);
    EXPECT_EQ(form->OpenDialog1.initialDir, home->home());
}

TEST_F(Layout, StatusBarHasTwoPanelsTheSecondOwnerDrawn)
{
    const auto& panels = control<TStatusBar>(*form, "StatusBar1")->panels();
    ASSERT_EQ(panels.size(), 2u);
    EXPECT_EQ(panels[0].width, 250);
    EXPECT_FALSE(panels[0].ownerDraw);
    EXPECT_EQ(panels[1].width, 50);
    EXPECT_TRUE(panels[1].ownerDraw);
    EXPECT_EQ(control<TStatusBar>(*form, "StatusBar1")->height(), 19);
}

TEST_F(Layout, WindowHasItsDesignedSizeAndNothingOverlapsOnTheExePage)
{
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    EXPECT_EQ(form->size(), QSize(630, 478));
    control<QTabWidget>(*form, "PageControl2")->setCurrentWidget(control<QWidget>(*form, "TabSheet6"));
    // Every control of the page lies inside its visible area.
    QWidget* right = form->findChild<QWidget*>(QStringLiteral("ExeSettings"));
    ASSERT_NE(right, nullptr);
    for (QWidget* child : right->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child->isHidden())
            continue;
        EXPECT_TRUE(right->rect().contains(child->geometry())) << child->objectName().toStdString();
    }
}

} // namespace
} // namespace pagolux::test
