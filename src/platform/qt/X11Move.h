#pragma once

#include <QPoint>
#include <optional>

class QWidget;

namespace talvoro::qt {

// Hands `window` to the window manager's own move, started at `globalPos` with the left button
// held, the way a press on a title bar does. Returns false when there is no X11 window manager
// that offers the move.
bool startWindowManagerMove(QWidget& window, QPoint globalPos);

// Where the X server has `window`'s top-left corner on the screen, asked each time: Qt's own idea
// can stay at the window manager's frame origin when the window was placed while being framed.
std::optional<QPoint> x11WindowOrigin(QWidget& window);

}  // namespace talvoro::qt
