#include "controls/TImageBtn.h"

#include <QMouseEvent>
#include <QPainter>

namespace pagolux {

TImageBtn::TImageBtn(QWidget* parent) : QWidget(parent)
{
    setCursor(Qt::PointingHandCursor);
    // Moves without a button are reported as mouseMoved() too; they never change the look.
    setMouseTracking(true);
}

TImageBtn::~TImageBtn() = default;

void TImageBtn::SetPicture(const QImage& image)
{
    picture = image.copy();
    if (autoSize && !picture.isNull())
        resize(picture.size());
    updateGeometry();
    update();
}

void TImageBtn::SetPicture2(const QImage& image)
{
    picture2 = image.copy();
}

void TImageBtn::SetAutoSize(bool value)
{
    autoSize = value;
    if (autoSize && !picture.isNull())
        resize(picture.size());
}

QSize TImageBtn::sizeHint() const
{
    return picture.isNull() ? QWidget::sizeHint() : picture.size();
}

void TImageBtn::showPressedLook()
{
    if (swapped)
        return;
    swapped = true;
    backup = picture;
    SetPicture(picture2);
}

void TImageBtn::showNormalLook()
{
    if (!swapped)
        return;
    SetPicture(backup);
    swapped = false;
}

void TImageBtn::click()
{
    showNormalLook();
    emit clicked();
}

void TImageBtn::paintEvent(QPaintEvent*)
{
    if (picture.isNull())
        return;
    QPainter painter(this);
    painter.drawImage(0, 0, picture);
}

void TImageBtn::mousePressEvent(QMouseEvent* event)
{
    showPressedLook();
    pressed = true;
    emit mouseDown(event->button(), event->modifiers(), event->position().toPoint());
}

void TImageBtn::mouseDoubleClickEvent(QMouseEvent* event)
{
    mousePressEvent(event);
}

void TImageBtn::mouseReleaseEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    // The click comes before the mouse-up, so its handler sees the normal picture while the
    // pressed mark is still set.
    if (event->button() == Qt::LeftButton && rect().contains(pos))
        click();
    showNormalLook();
    pressed = false;
    emit mouseUp(event->button(), event->modifiers(), pos);
}

void TImageBtn::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    if (pressed) {
        if (pos.x() < 0 || pos.x() >= width() || pos.y() < 0 || pos.y() >= height())
            showNormalLook();
        else
            showPressedLook();
    }
    emit mouseMoved(event->modifiers(), pos);
}

} // namespace pagolux
