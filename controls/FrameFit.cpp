#include "controls/FrameFit.h"

#include <QEvent>
#include <QStyle>
#include <QWidget>

#include <algorithm>

namespace pagolux {

namespace {

// Lives as a child of the fitted widget: it watches the parent for a changed contents
// rectangle (a group box sets its margins from the style's frame and title) and places the
// widget again.
class FrameFitter : public QObject {
  public:
    FrameFitter(QWidget* child, const QRect& designed) : QObject(child), child_(child), designed_(designed)
    {
        child_->parentWidget()->installEventFilter(this);
        apply();
    }

    bool eventFilter(QObject* watched, QEvent* e) override
    {
        // QWidget::setContentsMargins sends ContentsRectChange after the new margins are set.
        if (watched == child_->parentWidget() && e->type() == QEvent::ContentsRectChange)
            apply();
        return false;
    }

  private:
    void apply() { child_->setGeometry(fitRect(designed_, frameRoom(child_->parentWidget()))); }

    QWidget* child_;
    QRect designed_;
};

int fitAxis(int start, int length, int roomStart, int roomLength)
{
    if (length >= roomLength)
        return roomStart;
    return std::clamp(start, roomStart, roomStart + roomLength - length);
}

} // namespace

QRect fitRect(const QRect& designed, const QRect& contents)
{
    return {fitAxis(designed.x(), designed.width(), contents.x(), contents.width()),
            fitAxis(designed.y(), designed.height(), contents.y(), contents.height()), designed.width(),
            designed.height()};
}

QRect frameRoom(const QWidget* box)
{
    // One pixel more keeps a child from touching the frame line.
    const int frame = box->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, box) + 1;
    return box->contentsRect().adjusted(frame, frame, -frame, -frame);
}

void fitIntoFrame(QWidget* child, const QRect& designed)
{
    new FrameFitter(child, designed);
}

} // namespace pagolux
