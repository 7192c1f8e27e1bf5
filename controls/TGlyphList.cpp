#include "controls/TGlyphList.h"

#include <QPainter>

namespace pagolux {

TGlyphList::TGlyphList(QSize size) : imageSize(size) {}

int TGlyphList::AddMasked(const QImage& image, QColor maskColour)
{
    QImage stored(imageSize, QImage::Format_ARGB32);
    stored.fill(Qt::transparent);
    const QImage source = image.convertToFormat(QImage::Format_ARGB32);
    const QRgb mask = maskColour.rgb() & 0x00ffffff;
    const int w = std::min(source.width(), imageSize.width());
    const int h = std::min(source.height(), imageSize.height());
    for (int y = 0; y < h; ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(source.constScanLine(y));
        auto* out = reinterpret_cast<QRgb*>(stored.scanLine(y));
        for (int x = 0; x < w; ++x) {
            if ((in[x] & 0x00ffffff) != mask)
                out[x] = in[x] | 0xff000000;
        }
    }

    int index = 0;
    while (index < static_cast<int>(used.size()) && used[index])
        ++index;
    if (index == static_cast<int>(used.size())) {
        used.push_back(false);
        images.emplace_back();
    }
    images[index] = std::move(stored);
    used[index] = true;
    ++usedCount;
    return index;
}

void TGlyphList::Delete(int index)
{
    if (!IsUsed(index))
        return;
    used[index] = false;
    images[index] = QImage();
    --usedCount;
}

void TGlyphList::Draw(QPainter& painter, int index, int x, int y) const
{
    if (IsUsed(index))
        painter.drawImage(x, y, images[index]);
}

bool TGlyphList::IsUsed(int index) const
{
    return index >= 0 && index < static_cast<int>(used.size()) && used[index];
}

QImage TGlyphList::Image(int index) const
{
    return IsUsed(index) ? images[index] : QImage();
}

} // namespace pagolux
