#pragma once
// Qt's text, mouse buttons, keyboard modifiers and screens in the core's terms.

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <string>

#include "ui/Mouse.h"
#include "ui/Twips.h"

namespace talvoro::qt {

// The core's UTF-8 text as Qt's, and back.
inline QString qs(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}
inline std::string ss(const QString& s) {
    return s.toUtf8().toStdString();
}

// One button or several; 0 for buttons the core has no code for.
inline int buttonsOf(Qt::MouseButtons b) {
    return buttonCode(b.testFlag(Qt::LeftButton), b.testFlag(Qt::RightButton),
                      b.testFlag(Qt::MiddleButton));
}

inline int keysOf(Qt::KeyboardModifiers m) {
    return shiftCode(m.testFlag(Qt::ShiftModifier), m.testFlag(Qt::ControlModifier),
                     m.testFlag(Qt::AltModifier));
}

// The scale of `screen`, or of the primary screen when a window has none yet.
inline TwipsPerPixel twipsPerPixelOf(const QScreen* screen) {
    if (!screen) screen = QGuiApplication::primaryScreen();
    if (!screen) return {};
    return twipsPerPixelAt(screen->logicalDotsPerInchX(), screen->logicalDotsPerInchY());
}

// Shows a window of the program's own, or brings it forward when it shows already; one the window
// manager minimized comes back as it was, maximized or not.
inline void bringForward(QWidget& window) {
    window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
    window.show();
    window.raise();
    window.activateWindow();
}

}  // namespace talvoro::qt
