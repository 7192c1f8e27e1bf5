#pragma once
// An image list of one image size with a record of which slots are in use. Freed slots are
// reused (lowest first) before the list grows.

#include <QColor>
#include <QImage>
#include <QSize>

#include <vector>

class QPainter;

namespace pagolux {

class TGlyphList {
  public:
    explicit TGlyphList(QSize size);

    [[nodiscard]] QSize size() const { return imageSize; }
    [[nodiscard]] int width() const { return imageSize.width(); }
    [[nodiscard]] int height() const { return imageSize.height(); }

    // Stores the image in the lowest free slot; pixels of maskColour become transparent.
    // The image is cut or padded to the list's size. Returns the slot index.
    int AddMasked(const QImage& image, QColor maskColour);
    // Frees the slot; an index that is not in use is ignored.
    void Delete(int index);
    // Draws the slot's image with its transparent pixels left out.
    void Draw(QPainter& painter, int index, int x, int y) const;

    [[nodiscard]] int Count() const { return usedCount; }
    // Slots allocated so far, used or free.
    [[nodiscard]] int Capacity() const { return static_cast<int>(images.size()); }
    [[nodiscard]] bool IsUsed(int index) const;
    // The stored image (transparent pixels have alpha 0); a null image for a free slot.
    [[nodiscard]] QImage Image(int index) const;

  private:
    QSize imageSize;
    std::vector<QImage> images;
    std::vector<bool> used;
    int usedCount = 0;
};

} // namespace pagolux
