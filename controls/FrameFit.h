#pragma once
// Keeping a child of a framed box (a group box) inside the box's frame.
//
// A window designed with fixed positions places a group box's children at fixed places, but
// each style draws the frame and the title of a group box at places of its own: under one
// style a child at its designed place lies on the frame line or under the title. fitIntoFrame
// places the child inside the frame, as close to its designed place as the room allows, and
// again whenever the style or the font moves the frame.

#include <QRect>

class QWidget;

namespace pagolux {

// Where a child designed at `designed` goes inside `contents`: moved (not resized) by the
// least distance that brings it inside; a child larger than the room keeps its designed size
// and is aligned to the room's top left corner.
[[nodiscard]] QRect fitRect(const QRect& designed, const QRect& contents);

// The room inside a framed box's frame: its contents rectangle less the style's frame width and
// one pixel on every side (some styles, Fusion among them, start the contents rectangle on the
// frame line).
[[nodiscard]] QRect frameRoom(const QWidget* box);

// Places `child` by fitRect inside frameRoom(parent) now and each time the parent's contents
// rectangle changes. The child must have a parent.
void fitIntoFrame(QWidget* child, const QRect& designed);

} // namespace pagolux
