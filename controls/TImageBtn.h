#pragma once
// A picture control used as a button: it shows Picture, and Picture2 while a mouse button is
// held down on it. The pictures carry the button's text; no caption is drawn. There is no
// hover effect.
//
// Order of a left click: press (pressed look) -> release inside -> clicked() with the normal
// picture already shown and the pressed mark still set -> mouseUp() clears the mark.

#include <QImage>
#include <QWidget>

namespace pagolux {

class TImageBtn : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QImage Picture READ Picture WRITE SetPicture)
    Q_PROPERTY(QImage Picture2 READ Picture2 WRITE SetPicture2)
    Q_PROPERTY(bool AutoSize READ AutoSize WRITE SetAutoSize)

  public:
    explicit TImageBtn(QWidget* parent = nullptr);
    ~TImageBtn() override;

    // The picture shown now (the copy of Picture2 while the pressed look is shown).
    [[nodiscard]] const QImage& Picture() const { return picture; }
    // Copies the picture, repaints and, with AutoSize, takes the size of a non-empty picture.
    void SetPicture(const QImage& image);
    // The pressed look; the control keeps its own copy.
    [[nodiscard]] const QImage& Picture2() const { return picture2; }
    void SetPicture2(const QImage& image);
    [[nodiscard]] bool AutoSize() const { return autoSize; }
    void SetAutoSize(bool value);

    // True while Picture holds the copy of Picture2.
    [[nodiscard]] bool Swapped() const { return swapped; }
    // True from a press on the control until the next release reported to it.
    [[nodiscard]] bool Pressed() const { return pressed; }

    [[nodiscard]] QSize sizeHint() const override;

    // The click notification run from code: shows the normal look and emits clicked().
    void click();

  signals:
    void clicked();
    void mouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint pos);
    void mouseUp(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint pos);
    void mouseMoved(Qt::KeyboardModifiers modifiers, QPoint pos);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

  private:
    void showPressedLook();
    void showNormalLook();

    QImage picture;
    QImage picture2;
    QImage backup;
    bool autoSize = true;
    bool swapped = false;
    bool pressed = false;
};

} // namespace pagolux
