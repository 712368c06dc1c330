#include "platform/qt/AppLife.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>

namespace talvoro::qt {

void quitWhenNoWindowsRemain() {
    // Checked once the closing window has gone away.
    QTimer::singleShot(0, qApp, [] {
        for (const QWidget* w : QApplication::topLevelWidgets()) {
            const Qt::WindowType type = w->windowType();
            if (w->isVisible() && type != Qt::Popup && type != Qt::ToolTip) return;
        }
        QApplication::quit();
    });
}

}  // namespace talvoro::qt
