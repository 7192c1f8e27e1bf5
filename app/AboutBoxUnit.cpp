#include "app/AboutBoxUnit.h"

#include "builder/UserInteraction.h"
#include "controls/ButtonsXP.h"
#include "controls/ControlsResources.h"

#include <QDate>
#include <QDesktopServices>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QUrl>
#include <qdrawutil.h>

namespace pagolux {
namespace {

const QColor panelColour(240, 202, 166);

// A coloured panel with a lowered outer and a raised inner bevel, one pixel each.
class BevelPanel : public QWidget {
  public:
    explicit BevelPanel(QWidget* parent) : QWidget(parent) {}

  protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), panelColour);
        const QPalette pal = palette();
        qDrawShadeRect(&painter, rect(), pal, true, 1);
        qDrawShadeRect(&painter, rect().adjusted(1, 1, -1, -1), pal, false, 1);
    }
};

QLabel* makeLabel(QWidget* parent, const char* name, const QString& text, QRect geometry, bool wrap = false)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setWordWrap(wrap);
    if (geometry.width() > 0)
        label->setGeometry(geometry);
    else {
        label->move(geometry.topLeft());
        label->adjustSize();
    }
    return label;
}

} // namespace

TAboutBox::TAboutBox(QWidget* owner, UserInteraction* interaction) : QDialog(owner), interaction(interaction)
{
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("Info"));
    setFixedSize(664, 453);
    QFont dialogFont(QStringLiteral("MS Sans Serif"));
    dialogFont.setPixelSize(11);
    setFont(dialogFont);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, pal.color(QPalette::Button));
    setPalette(pal);

    auto* panel = new BevelPanel(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setGeometry(8, 8, 649, 385);

    ProgramIcon = new QLabel(panel);
    ProgramIcon->setObjectName(QStringLiteral("ProgramIcon"));
    ProgramIcon->setGeometry(16, 40, 306, 322);
    ProgramIcon->setScaledContents(true);
    ProgramIcon->setPixmap(QPixmap::fromImage(LoadControlsImage(QStringLiteral("about.jpg"))));

    ProductName = makeLabel(panel, "ProductName", QStringLiteral("Orvanto Software"), {8, 8, 406, 27});
    QFont heading(QStringLiteral("Arial Narrow"));
    heading.setPixelSize(24);
    heading.setBold(true);
    ProductName->setFont(heading);
    QPalette black = ProductName->palette();
    black.setColor(QPalette::WindowText, Qt::black);
    ProductName->setPalette(black);

    YearLabel = makeLabel(panel, "YearLabel", QStringLiteral("Pagolux 2.0 \u00a9 XXXX Orvanto Software"),
                          {336, 40, 208, 13});
    Comments = makeLabel(panel, "Comments",
                         QStringLiteral("Pagolux wird von Orvanto Software entwickelt. "
                                        "Post erreicht uns unter info@orvanto.de."),
                         {336, 56, 257, 33}, true);
    Label1 =
        makeLabel(panel, "Label1", QStringLiteral("Aus HTML-Seiten wird ein Programm."), {336, 96, 0, 0});
    QFont bold = font();
    bold.setBold(true);
    Label1->setFont(bold);
    Label1->adjustSize();
    Label2 = makeLabel(panel, "Label2", QStringLiteral("Eine Datei, kein Installieren, kein Browser."),
                       {336, 112, 0, 0});
    Label3 = makeLabel(panel, "Label3",
                       QStringLiteral("Neuigkeiten, Anleitungen und weitere Programme finden Sie auf "
                                      "unserer Homepage. Ein Klick auf die Schaltfl\u00e4che unten "
                                      "\u00f6ffnet sie in Ihrem Browser."),
                       {336, 128, 238, 121}, true);

    BitBtnXP1 = new TBitBtnXP(QString::fromLatin1(kMakerAddress), panel);
    BitBtnXP1->setObjectName(QStringLiteral("BitBtnXP1"));
    BitBtnXP1->setGeometry(336, 240, 169, 25);
    BitBtnXP1->SetGlyph(ButtonGlyph(QStringLiteral("web")));
    connect(BitBtnXP1, &TBitBtnXP::Click, this, &TAboutBox::BitBtnXP1Click);

    BitBtn1 = new TBitBtnXP(this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setGeometry(241, 404, 181, 37);
    BitBtn1->SetKind(bkOK);

    // The web button comes first in the tab order, so it holds the focus at opening.
    setTabOrder(BitBtnXP1, BitBtn1);
    BitBtnXP1->setFocus();

    FormCreate();
}

QString TAboutBox::InsertYear(const QString& text, int year)
{
    const QString number = QString::number(year);
    const qsizetype at = text.indexOf(QStringLiteral("XXXX"));
    if (at < 0)
        return number + text;
    QString result = text;
    result.replace(at, 4, number);
    return result;
}

void TAboutBox::FormCreate()
{
    YearLabel->setText(InsertYear(YearLabel->text(), QDate::currentDate().year()));
}

void TAboutBox::BitBtnXP1Click()
{
    if (interaction)
        interaction->openUrl(kMakerUrl);
    else
        QDesktopServices::openUrl(QUrl(QString::fromLatin1(kMakerUrl)));
}

void TAboutBox::keyPressEvent(QKeyEvent* event)
{
    // There is no cancel button: Escape does nothing.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TAboutBox::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (QScreen* screen = this->screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    BitBtnXP1->setFocus();
}

} // namespace pagolux
