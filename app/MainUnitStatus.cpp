// The status bar's progress panel: a navy bar whose length is the percentage in ProStatus,
// set through the progress event (type 1024).

#include "app/MainUnit.h"

#include "controls/TStatusBar.h"

#include <QPainter>

#include <algorithm>

namespace pagolux {

namespace {

const QColor kNavy(0, 0, 128);

// The bar of `percent` in the rectangle (left, top, right, bottom; right and bottom
// exclusive): from left to left + width × percent / 100, the product taken as a 32-bit
// signed integer and the quotient truncated toward zero. Returned normalised; empty when
// the bar has no width.
QRect barRect(int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t percent)
{
    const auto product = static_cast<int32_t>(static_cast<int64_t>(right - left) * percent);
    // Painting coordinates stay in a range the painter handles.
    const int64_t end = std::clamp<int64_t>(int64_t{left} + product / 100, -32768, 32767);
    const int x1 = static_cast<int>(std::min<int64_t>(left, end));
    const int x2 = static_cast<int>(std::max<int64_t>(left, end));
    if (x1 == x2 || top >= bottom)
        return {};
    return QRect(QPoint(x1, top), QPoint(x2 - 1, bottom - 1));
}

} // namespace

bool TMainForm::event(QEvent* e)
{
    if (e->type() == TProgressEvent::kType) {
        WMUser(static_cast<TProgressEvent*>(e)->percent());
        return true;
    }
    return QMainWindow::event(e);
}

void TMainForm::WMUser(int32_t wParam)
{
    SetProStatus(wParam);
}

void TMainForm::SetProStatus(int32_t value)
{
    if (value < ProStatus) {
        ProStatus = value;
        StatusBar1->repaint();
    } else {
        ProStatus = value;
        SBarPaintMore();
    }
}

void TMainForm::StatusBar1DrawPanel(QPainter& canvas, int panel, const QRect& rect)
{
    if (panel != 1)
        return;
    const QRect bar = barRect(rect.left(), rect.top(), rect.right() + 1, rect.bottom() + 1, ProStatus);
    if (!bar.isEmpty())
        canvas.fillRect(bar, kNavy);
    SBarRect = {rect.left(), rect.top(), rect.right() + 1, rect.bottom() + 1};
}

void TMainForm::SBarPaintMore()
{
    // Only the bar's own area is painted again, at once; the rest of the status bar stays.
    const QRect bar = barRect(SBarRect.left, SBarRect.top, SBarRect.right, SBarRect.bottom, ProStatus);
    if (!bar.isEmpty())
        StatusBar1->repaint(bar);
}

} // namespace pagolux
