#pragma once
// A push button that draws a glyph beside its caption: with the desktop theme's push-button
// face while themes are in use, with the classic three-dimensional face otherwise. A stock
// Kind sets caption, glyph, modal result and default/cancel in one step.
//
// Events: the QPushButton signals keep working; Click() is the button's own click event,
// emitted after the modal result went to the parent dialog, and not emitted for bkClose and
// bkHelp when those found their target.

#include "controls/ButtonsXPTypes.h"
#include "controls/TButtonGlyph.h"
#include "controls/UxTheme.h"

#include <QImage>
#include <QPushButton>

#include <functional>
#include <memory>

class QAction;
class QShortcut;

namespace pagolux {

class TBitBtnXP : public QPushButton {
    Q_OBJECT
    Q_PROPERTY(int Kind READ kindValue WRITE setKindValue)
    Q_PROPERTY(QImage Glyph READ Glyph WRITE SetGlyph)
    Q_PROPERTY(int NumGlyphs READ NumGlyphs WRITE SetNumGlyphs)
    Q_PROPERTY(int Layout READ layoutValue WRITE setLayoutValue)
    Q_PROPERTY(int Margin READ Margin WRITE SetMargin)
    Q_PROPERTY(int Spacing READ Spacing WRITE SetSpacing)
    Q_PROPERTY(int Style READ styleValue WRITE setStyleValue)
    Q_PROPERTY(bool Cancel READ Cancel WRITE SetCancel)
    Q_PROPERTY(bool Default READ Default WRITE SetDefault)
    Q_PROPERTY(int ModalResult READ ModalResult WRITE SetModalResult)
    Q_PROPERTY(QString Caption READ text WRITE setText)
    Q_PROPERTY(QColor Color READ Color WRITE SetColor)

  public:
    explicit TBitBtnXP(QWidget* parent = nullptr);
    TBitBtnXP(const QString& caption, QWidget* parent = nullptr);
    ~TBitBtnXP() override;

    // Reading Kind re-checks it: a stock kind whose default, cancel or modal result was
    // changed, or whose glyph was replaced, reads (and from then on is) bkCustom.
    [[nodiscard]] TBitBtnXPKind Kind() const;
    void SetKind(TBitBtnXPKind kind);

    [[nodiscard]] const QImage& Glyph() const { return glyph->Glyph(); }
    // Copies the bitmap; a strip whose width is a whole multiple (at most 4) of its height
    // sets NumGlyphs to that multiple, a larger multiple sets 1.
    void SetGlyph(const QImage& image);
    [[nodiscard]] int NumGlyphs() const { return glyph->NumGlyphs(); }
    // Values above 4 become 4; values below 1 are ignored.
    void SetNumGlyphs(int value);
    [[nodiscard]] TButtonLayout Layout() const { return layout; }
    void SetLayout(TButtonLayout value);
    [[nodiscard]] int Margin() const { return margin; }
    // -1 centres glyph and caption; values below -1 are ignored.
    void SetMargin(int value);
    [[nodiscard]] int Spacing() const { return spacing; }
    void SetSpacing(int value);
    [[nodiscard]] TButtonStyle Style() const { return buttonStyle; }
    void SetStyle(TButtonStyle value);

    // Escape in the button's window clicks a cancel button.
    [[nodiscard]] bool Cancel() const { return cancel; }
    void SetCancel(bool value);
    // The designed default button (Enter presses it in a dialog). Kept apart from Qt's
    // default mark, which a dialog moves to whichever auto-default button has the focus.
    [[nodiscard]] bool Default() const { return defaultButton; }
    void SetDefault(bool value);
    // Given to the parent dialog on click (0: none).
    [[nodiscard]] int ModalResult() const { return modalResult; }
    void SetModalResult(int value) { modalResult = value; }
    [[nodiscard]] QColor Color() const;
    void SetColor(const QColor& colour);

    // While loading from stored form data, a stock Kind keeps a caption that is already set.
    void SetLoading(bool value) { loading = value; }
    // Which properties a form writer stores: the kind-dependent ones only for bkCustom, the
    // caption only when it differs from the kind's own.
    [[nodiscard]] bool IsCustomStored() const { return Kind() == bkCustom; }
    [[nodiscard]] bool IsCaptionStored() const;

    // Connects an action: caption, enabled state and trigger follow it; without a glyph the
    // action's icon becomes the glyph on a fuchsia background.
    void SetAction(QAction* action);

    // The active mark: set while this button is the one Enter would press in its window.
    [[nodiscard]] bool Active() const { return active; }
    [[nodiscard]] HTHEME ThemeHandle() const { return theme; }
    [[nodiscard]] TButtonGlyph& GlyphObject() { return *glyph; }

    // Opens help for a context number; bkHelp buttons call it. Without one, a bkHelp button
    // clicks like any other button.
    static void SetHelpHandler(std::function<void(int)> handler);
    // Widgets carry their help context in this dynamic property (int, 0 = none).
    static constexpr const char* HelpContextProperty = "HelpContext";

    [[nodiscard]] static QString KindCaption(TBitBtnXPKind kind);
    [[nodiscard]] static int KindModalResult(TBitBtnXPKind kind);
    // The shared stock glyph strip of a kind; null for bkCustom.
    [[nodiscard]] static QImage StockGlyph(TBitBtnXPKind kind);

  signals:
    void Click();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    void init();
    void handleClick();
    void focusMoved(QWidget* now);
    int kindValue() const { return Kind(); }
    void setKindValue(int v) { SetKind(static_cast<TBitBtnXPKind>(v)); }
    int layoutValue() const { return layout; }
    void setLayoutValue(int v) { SetLayout(static_cast<TButtonLayout>(v)); }
    int styleValue() const { return buttonStyle; }
    void setStyleValue(int v) { SetStyle(static_cast<TButtonStyle>(v)); }

    std::unique_ptr<TButtonGlyph> glyph;
    mutable TBitBtnXPKind kind = bkCustom;
    TButtonLayout layout = blGlyphLeft;
    TButtonStyle buttonStyle = bsAutoDetect;
    int margin = -1;
    int spacing = 4;
    int modalResult = 0;
    bool cancel = false;
    bool defaultButton = false;
    bool loading = false;
    bool active = false;
    bool modifiedGlyph = false;
    HTHEME theme = nullptr;
    QShortcut* cancelShortcut = nullptr;
};

} // namespace pagolux
