#pragma once
// Small helpers shared by the controls' widget tests.

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QStyle>
#include <QStyleFactory>
#include <QWidget>

#include <string>

namespace pagolux::test {

// Sends a mouse event straight to the widget, as Qt does while the mouse is grabbed by it.
inline void sendMouse(QWidget* w, QEvent::Type type, QPoint pos, Qt::MouseButton button,
                      Qt::MouseButtons buttons)
{
    QMouseEvent event(type, QPointF(pos), QPointF(w->mapToGlobal(pos)), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &event);
}

// Colours compared as 8-bit "#rrggbb": palettes may carry finer channels than a pixel holds.
inline std::string hex(const QColor& c)
{
    return c.name().toStdString();
}

inline QImage grabImage(QWidget* w)
{
    return w->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

inline QImage solidImage(QSize size, QColor colour)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// Switches the application style for the life of the object.
class StyleScope {
  public:
    explicit StyleScope(const QString& name) : previous(QApplication::style()->name())
    {
        QApplication::setStyle(QStyleFactory::create(name));
    }
    ~StyleScope() { QApplication::setStyle(QStyleFactory::create(previous)); }
    StyleScope(const StyleScope&) = delete;
    StyleScope& operator=(const StyleScope&) = delete;

  private:
    QString previous;
};

} // namespace pagolux::test
