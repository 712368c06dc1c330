#include "platform/qt/AppLife.h"

#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <QWidget>
#include <cerrno>
#include <csignal>

namespace talvoro::qt {
namespace {

// A signal handler may do almost nothing: it writes a byte that the event loop then reads.
int signalPipe[2] = {-1, -1};

void onEndSignal(int) {
    const int saved = errno;
    const char byte = 1;
    // A failure means a byte is already waiting, which is all the loop needs.
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
    errno = saved;
}

}  // namespace

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

void endAsOnClose(std::function<void()> closeBasket) {
    // Every way out of the event loop closes the basket first. At that point the window system
    // is still there, and the basket knows its place.
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, qApp, closeBasket);

    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    // Owned by the application object.
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, qApp);
    QObject::connect(notifier, &QSocketNotifier::activated, qApp, [closeBasket] {
        char drained[64];
        while (::read(signalPipe[0], drained, sizeof drained) > 0) {
        }
        closeBasket();
        // Open dialogs and menus return, as they do when the basket's own close ends the program.
        QCoreApplication::quit();
    });
    struct sigaction action {};
    action.sa_handler = onEndSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGTERM, SIGHUP, SIGINT}) ::sigaction(signal, &action, nullptr);
}

}  // namespace talvoro::qt
