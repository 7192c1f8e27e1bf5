#include "controls/TBitBtnXP.h"

#include "controls/ControlsResources.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QShortcut>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <qdrawutil.h>

#include <array>
#include <map>

namespace pagolux {
namespace {

struct KindInfo {
    const char* caption;
    int modalResult;
    bool isDefault;
    bool isCancel;
    const char* resource;
};

// Captions are the program's resource strings, in this English wording.
constexpr std::array<KindInfo, 11> kinds{{
    {"", mrNone, false, false, ""},
    {"OK", mrOk, true, false, "BBOKX"},
    {"Cancel", mrCancel, false, true, "BBCANCELX"},
    {"&Help", mrNone, false, false, "BBHELPX"},
    {"&Yes", mrYes, true, false, "BBYESX"},
    {"&No", mrNo, false, true, "BBNOX"},
    {"&Close", mrNone, false, false, "BBCLOSEX"},
    {"Abort", mrAbort, false, false, "BBABORTX"},
    {"&Retry", mrRetry, false, false, "BBRETRYX"},
    {"&Ignore", mrIgnore, false, false, "BBIGNOREX"},
    {"&All", mrAll, false, false, "BBALLX"},
}};

const KindInfo& info(TBitBtnXPKind kind)
{
    const int i = static_cast<int>(kind);
    return kinds[(i >= 0 && i < static_cast<int>(kinds.size())) ? i : 0];
}

std::function<void(int)>& helpHandler()
{
    static std::function<void(int)> handler;
    return handler;
}

constexpr int textFlags = Qt::AlignCenter | Qt::TextShowMnemonic;

} // namespace

TBitBtnXP::TBitBtnXP(QWidget* parent) : QPushButton(parent)
{
    init();
}

TBitBtnXP::TBitBtnXP(const QString& caption, QWidget* parent) : QPushButton(caption, parent)
{
    init();
}

void TBitBtnXP::init()
{
    glyph = std::make_unique<TButtonGlyph>();
    glyph->OnChange = [this] { update(); };
    (void)AcquireThemeLibrary();
    if (ThemesInUse())
        theme = ThemeFunctions().OpenThemeData(nullptr, "BUTTON");
    // Connected first, so the kind's own work runs before anybody else's click handler.
    connect(this, &QAbstractButton::clicked, this, &TBitBtnXP::handleClick);
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { focusMoved(now); });
}

TBitBtnXP::~TBitBtnXP()
{
    glyph->OnChange = nullptr;
    glyph.reset();
    if (theme && ThemesInUse()) {
        ThemeFunctions().CloseThemeData(theme);
        theme = nullptr;
    }
    // The library stays loaded until program end; the button does not release it.
}

QString TBitBtnXP::KindCaption(TBitBtnXPKind kind)
{
    return QString::fromUtf8(info(kind).caption);
}

int TBitBtnXP::KindModalResult(TBitBtnXPKind kind)
{
    return info(kind).modalResult;
}

QImage TBitBtnXP::StockGlyph(TBitBtnXPKind kind)
{
    // Loaded on first use and shared by every button of the kind; freed at program end.
    static std::map<int, QImage> loaded;
    if (kind == bkCustom)
        return {};
    auto it = loaded.find(kind);
    if (it == loaded.end())
        it = loaded
                 .emplace(kind,
                          LoadControlsImage(
                              QStringLiteral("glyphs/%1.bmp").arg(QString::fromLatin1(info(kind).resource))))
                 .first;
    return it->second;
}

TBitBtnXPKind TBitBtnXP::Kind() const
{
    if (kind != bkCustom) {
        const KindInfo& k = info(kind);
        if (defaultButton != k.isDefault || cancel != k.isCancel || modalResult != k.modalResult ||
            modifiedGlyph)
            kind = bkCustom;
    }
    return kind;
}

void TBitBtnXP::SetKind(TBitBtnXPKind value)
{
    if (value == kind)
        return;
    if (value != bkCustom) {
        const KindInfo& k = info(value);
        SetDefault(k.isDefault);
        SetCancel(k.isCancel);
        if (!(loading && !text().isEmpty()))
            setText(KindCaption(value));
        modalResult = k.modalResult;
        glyph->SetGlyph(StockGlyph(value));
        glyph->SetNumGlyphs(2);
        modifiedGlyph = false;
    }
    kind = value;
    update();
}

void TBitBtnXP::SetGlyph(const QImage& image)
{
    glyph->SetGlyph(image);
    if (image.height() >= 1 && image.width() % image.height() == 0) {
        int n = image.width() / image.height();
        if (n > 4)
            n = 1;
        glyph->SetNumGlyphs(n);
    }
    modifiedGlyph = true;
    update();
}

void TBitBtnXP::SetNumGlyphs(int value)
{
    if (value > 4)
        value = 4;
    if (value < 1 || value == glyph->NumGlyphs())
        return;
    glyph->SetNumGlyphs(value);
    update();
}

void TBitBtnXP::SetLayout(TButtonLayout value)
{
    if (value == layout)
        return;
    layout = value;
    update();
}

void TBitBtnXP::SetMargin(int value)
{
    if (value < -1 || value == margin)
        return;
    margin = value;
    update();
}

void TBitBtnXP::SetSpacing(int value)
{
    if (value == spacing)
        return;
    spacing = value;
    update();
}

void TBitBtnXP::SetStyle(TButtonStyle value)
{
    if (value == buttonStyle)
        return;
    buttonStyle = value;
    update();
}

void TBitBtnXP::SetDefault(bool value)
{
    defaultButton = value;
    setDefault(value);
}

void TBitBtnXP::SetCancel(bool value)
{
    cancel = value;
    if (cancel && !cancelShortcut) {
        cancelShortcut = new QShortcut(QKeySequence(Qt::Key_Escape), this);
        cancelShortcut->setContext(Qt::WindowShortcut);
        connect(cancelShortcut, &QShortcut::activated, this, [this] {
            if (isEnabled() && isVisible())
                click();
        });
    }
    if (cancelShortcut)
        cancelShortcut->setEnabled(cancel);
}

QColor TBitBtnXP::Color() const
{
    return palette().color(QPalette::Active, QPalette::Button);
}

void TBitBtnXP::SetColor(const QColor& colour)
{
    QPalette p = palette();
    p.setColor(QPalette::All, QPalette::Button, colour);
    setPalette(p);
}

bool TBitBtnXP::IsCaptionStored() const
{
    const TBitBtnXPKind k = Kind();
    if (k == bkCustom)
        return !text().isEmpty();
    return text() != KindCaption(k);
}

void TBitBtnXP::SetAction(QAction* action)
{
    if (!action)
        return;
    setText(action->text());
    setEnabled(action->isEnabled());
    connect(action, &QAction::changed, this, [this, action] {
        setText(action->text());
        setEnabled(action->isEnabled());
    });
    connect(this, &TBitBtnXP::Click, action, &QAction::trigger);
    if (glyph->Glyph().isNull() && !action->icon().isNull()) {
        const QList<QSize> sizes = action->icon().availableSizes();
        const QSize size = sizes.isEmpty() ? QSize(16, 16) : sizes.first();
        QImage image(size, QImage::Format_ARGB32);
        image.fill(QColor(255, 0, 255));
        QPainter painter(&image);
        painter.drawPixmap(0, 0, action->icon().pixmap(size));
        painter.end();
        glyph->SetGlyph(image);
    }
}

void TBitBtnXP::SetHelpHandler(std::function<void(int)> handler)
{
    helpHandler() = std::move(handler);
}

void TBitBtnXP::handleClick()
{
    // The kind as last set, without the re-check that reading Kind performs.
    if (kind == bkClose) {
        QWidget* form = window();
        if (form && form != this) {
            form->close();
            return;
        }
    } else if (kind == bkHelp && helpHandler()) {
        for (QWidget* w = this; w; w = w->parentWidget()) {
            const int context = w->property(HelpContextProperty).toInt();
            if (context != 0) {
                helpHandler()(context);
                return;
            }
        }
    }
    if (auto* dialog = qobject_cast<QDialog*>(window()); dialog && modalResult != mrNone)
        dialog->done(modalResult);
    emit Click();
}

void TBitBtnXP::focusMoved(QWidget* now)
{
    if (!now || now->window() != window())
        return;
    const bool newActive = now == this || (!qobject_cast<QPushButton*>(now) && defaultButton);
    if (newActive != active) {
        active = newActive;
        update();
    }
}

void TBitBtnXP::mouseDoubleClickEvent(QMouseEvent* event)
{
    // A double click is a second press, so it counts as a second click.
    mousePressEvent(event);
}

void TBitBtnXP::changeEvent(QEvent* event)
{
    QPushButton::changeEvent(event);
    if (event->type() == QEvent::EnabledChange || event->type() == QEvent::FontChange ||
        event->type() == QEvent::StyleChange || event->type() == QEvent::PaletteChange)
        update();
}

void TBitBtnXP::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    // The face, shadow and highlight are the desktop's button colours, the same in every
    // state; the disabled look comes from the etched caption and glyph.
    QPalette pal = palette();
    pal.setCurrentColorGroup(QPalette::Active);
    QRect r = rect();
    const bool themed = ThemesInUse();
    if (themed) {
        painter.fillRect(r, Color());
        // A button made while themes were off has no handle yet; open it now rather than
        // paint no face at all.
        if (!theme)
            theme = ThemeFunctions().OpenThemeData(nullptr, "BUTTON");
    }
    const bool pressed = isDown();
    const bool focused = hasFocus();
    const TButtonState state = !isEnabled() ? bsDisabled : (pressed ? bsDown : bsUp);

    if ((active || focused) && !themed) {
        painter.setPen(QPen(pal.color(QPalette::WindowText), 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(r.adjusted(0, 0, -1, -1));
        r.adjust(1, 1, -1, -1);
    }

    if (pressed) {
        if (themed) {
            ThemeFunctions().DrawThemeBackground(theme, painter, BP_PUSHBUTTON, PBS_PRESSED, r, this);
        } else {
            painter.setPen(QPen(pal.color(QPalette::Dark), 1));
            painter.setBrush(pal.color(QPalette::Button));
            painter.drawRect(r.adjusted(0, 0, -1, -1));
        }
        r.adjust(1, 1, -1, -1);
    } else if (themed) {
        const int s = state == bsDisabled ? PBS_DISABLED : ((active || focused) ? PBS_NORMAL : PBS_PLAIN);
        ThemeFunctions().DrawThemeBackground(theme, painter, BP_PUSHBUTTON, s, r, this);
    } else {
        const QBrush face = pal.brush(QPalette::Button);
        qDrawWinButton(&painter, r, pal, false, &face);
        r.adjust(2, 2, -2, -2);
    }

    if (active)
        r = rect().adjusted(1, 1, -1, -1);
    painter.setFont(font());
    if (pressed)
        r.translate(1, 1);

    const QString caption = text();
    QSize textSize(0, 0);
    if (!caption.isEmpty())
        textSize = QFontMetrics(font())
                       .boundingRect(QRect(0, 0, r.width(), 0), Qt::AlignLeft | Qt::TextShowMnemonic, caption)
                       .size();
    const ButtonLayoutResult place =
        CalcButtonLayout(r, glyph->ImageSize(), textSize, layout, margin, spacing, isRightToLeft());
    glyph->DrawButtonGlyph(painter, place.glyphPos, state, pal);

    if (!caption.isEmpty()) {
        painter.setBrush(Qt::NoBrush);
        if (state == bsDisabled) {
            painter.setPen(pal.color(QPalette::Light));
            painter.drawText(place.textRect.translated(1, 1), textFlags, caption);
            painter.setPen(pal.color(QPalette::Dark));
            painter.drawText(place.textRect, textFlags, caption);
        } else {
            painter.setPen(pal.color(QPalette::ButtonText));
            painter.drawText(place.textRect, textFlags, caption);
        }
    }

    if (active && focused) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = rect().adjusted(4, 4, -4, -4);
        option.backgroundColor = Color();
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
}

} // namespace pagolux
