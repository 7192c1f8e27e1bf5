#pragma once
// TPanel: a coloured panel with a lowered outer and a raised inner bevel, one pixel each,
// as used by the header strips and the decorative panels of the main window.

#include <QColor>
#include <QWidget>

namespace pagolux {

class TPanel : public QWidget {
    Q_OBJECT

  public:
    explicit TPanel(const QColor& color, QWidget* parent = nullptr);

    [[nodiscard]] QColor color() const { return color_; }
    // Width of the two bevels together; children start inside it.
    static constexpr int kBevelWidth = 2;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QColor color_;
};

} // namespace pagolux
