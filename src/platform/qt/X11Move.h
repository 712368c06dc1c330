#pragma once

#include <QPoint>

class QWidget;

namespace talvoro::qt {

// Hands `window` to the window manager's own move, started at `globalPos` with the left button
// held, the way a press on a title bar does. Returns false when there is no X11 window manager
// that offers the move.
bool startWindowManagerMove(QWidget& window, QPoint globalPos);

}  // namespace talvoro::qt
