#include "controls/TStatusBar.h"

#include <QPaintEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>

namespace pagolux {

namespace {
constexpr int kHeight = 19;
constexpr int kTopMargin = 2;    // the bar's face shows above the panels
constexpr int kBottomMargin = 1; // and below them, so the frame does not run into the window edge
constexpr int kGap = 2;          // between two panels
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
                      height() - kTopMargin - kBottomMargin);
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
    // A closed, sunken frame: the shadow at the top and left, and at the bottom and right a
    // lighter edge that still stands out from the face. The palette's own light colour is
    // nearly the face colour under several styles, which made the panels look open.
    const QColor shadow = palette().color(QPalette::Dark);
    const QColor lit = palette().color(QPalette::Mid);
    for (int i = 0; i < static_cast<int>(panels_.size()); ++i) {
        const QRect frame = panelRect(i).adjusted(-1, -1, 1, 1);
        p.setPen(lit);
        p.drawLine(frame.bottomLeft(), frame.bottomRight());
        p.drawLine(frame.topRight(), frame.bottomRight());
        p.setPen(shadow);
        p.drawLine(frame.topLeft(), frame.topRight());
        p.drawLine(frame.topLeft(), frame.bottomLeft());
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
