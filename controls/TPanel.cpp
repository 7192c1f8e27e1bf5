#include "controls/TPanel.h"

#include <QPainter>

namespace pagolux {

TPanel::TPanel(const QColor& color, QWidget* parent) : QWidget(parent), color_(color)
{
    setAutoFillBackground(false);
}

void TPanel::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QRect r = rect();
    p.fillRect(r, color_);
    const QColor shadow = palette().color(QPalette::Dark);
    const QColor light = palette().color(QPalette::Light);
    auto frame = [&p](const QRect& f, const QColor& topLeft, const QColor& bottomRight) {
        p.setPen(topLeft);
        p.drawLine(f.topLeft(), f.topRight());
        p.drawLine(f.topLeft(), f.bottomLeft());
        p.setPen(bottomRight);
        p.drawLine(f.bottomLeft(), f.bottomRight());
        p.drawLine(f.topRight(), f.bottomRight());
    };
    frame(r, shadow, light);                        // lowered outer bevel
    frame(r.adjusted(1, 1, -1, -1), light, shadow); // raised inner bevel
}

} // namespace pagolux
