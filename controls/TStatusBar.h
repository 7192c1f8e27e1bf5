#pragma once
// TStatusBar: a status bar of fixed-width panels; an owner-drawn panel is painted by a
// handler (OnDrawPanel) with the panel's inner rectangle, after the bar's own face.

#include <QRect>
#include <QWidget>

#include <functional>
#include <vector>

class QPainter;

namespace pagolux {

class TStatusBar : public QWidget {
    Q_OBJECT

  public:
    struct Panel {
        int width = 50;
        bool ownerDraw = false;
    };

    explicit TStatusBar(QWidget* parent = nullptr);

    void setPanels(std::vector<Panel> panels);
    [[nodiscard]] const std::vector<Panel>& panels() const { return panels_; }
    // The inner rectangle of panel `index` (inside its sunken frame), in widget coordinates.
    [[nodiscard]] QRect panelRect(int index) const;

    // Painter, panel index, inner rectangle of the panel.
    std::function<void(QPainter&, int, const QRect&)> OnDrawPanel;

    // The rectangle of the last paint and the number of paints so far (for tests that check
    // that a growing bar repaints only its own area).
    [[nodiscard]] QRect lastPaintRect() const { return lastPaintRect_; }
    [[nodiscard]] int paintCount() const { return paintCount_; }

    [[nodiscard]] QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    std::vector<Panel> panels_;
    QRect lastPaintRect_;
    int paintCount_ = 0;
};

} // namespace pagolux
