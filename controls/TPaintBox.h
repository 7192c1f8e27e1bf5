#pragma once
// TPaintBox: a plain area whose content is painted by a handler of its owner.

#include <QWidget>

#include <functional>

class QPainter;

namespace pagolux {

class TPaintBox : public QWidget {
    Q_OBJECT

  public:
    explicit TPaintBox(QWidget* parent = nullptr) : QWidget(parent) {}

    // Called with a painter on the box for every paint; unset: the box stays empty.
    std::function<void(QPainter&)> OnPaint;

  protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace pagolux
