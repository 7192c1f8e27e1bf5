#include "controls/TPaintBox.h"

#include <QPainter>

namespace pagolux {

void TPaintBox::paintEvent(QPaintEvent*)
{
    if (!OnPaint)
        return;
    QPainter painter(this);
    OnPaint(painter);
}

} // namespace pagolux
