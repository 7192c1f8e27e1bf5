#include "controls/TStatusBar.h"

#include <QPaintEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>

namespace pagolux {

namespace {
constexpr int kHeight = 19;
constexpr int kTopMargin = 2; // the bar's face shows above the panels
constexpr int kGap = 2;       // between two panels
} // namespace

TStatusBar::TStatusBar(QWidget* parent) : QWidget(parent)
{
    setFixedHeight(kHeight);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void TStatusBar::setPanels(std::vector<Panel> panels)
{
    panels_ = std::move(panels);
    update();
}

QRect TStatusBar::panelRect(int index) const
{
    if (index < 0 || index >= static_cast<int>(panels_.size()))
        return {};
    int left = 0;
    for (int i = 0; i < index; ++i)
        left += panels_[static_cast<std::size_t>(i)].width + kGap;
    const QRect frame(left, kTopMargin, panels_[static_cast<std::size_t>(index)].width,
                      height() - kTopMargin);
    return frame.adjusted(1, 1, -1, -1);
}

QSize TStatusBar::sizeHint() const
{
    return {300, kHeight};
}

void TStatusBar::paintEvent(QPaintEvent* event)
{
    ++paintCount_;
    lastPaintRect_ = event->rect();
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Button));
    const QColor shadow = palette().color(QPalette::Dark);
    const QColor light = palette().color(QPalette::Light);
    for (int i = 0; i < static_cast<int>(panels_.size()); ++i) {
        const QRect frame = panelRect(i).adjusted(-1, -1, 1, 1);
        p.setPen(shadow);
        p.drawLine(frame.topLeft(), frame.topRight());
        p.drawLine(frame.topLeft(), frame.bottomLeft());
        p.setPen(light);
        p.drawLine(frame.bottomLeft(), frame.bottomRight());
        p.drawLine(frame.topRight(), frame.bottomRight());
    }
    // Owner-drawn panels last, so that what they draw lies over the bar's face (a progress
    // bar above 100 % reaches past its panel).
    if (!OnDrawPanel)
        return;
    for (int i = 0; i < static_cast<int>(panels_.size()); ++i) {
        if (!panels_[static_cast<std::size_t>(i)].ownerDraw)
            continue;
        p.save();
        OnDrawPanel(p, i, panelRect(i));
        p.restore();
    }
}

} // namespace pagolux
