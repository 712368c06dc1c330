// The Linux edition: the basket on Qt 6, speaking through libespeak-ng.

#include <QApplication>
#include <QIcon>

#include "app/Frmlan.h"
#include "platform/qt/AppLife.h"
#include "platform/qt/QtHelpViewer.h"
#include "platform/qt/QtPlatform.h"
#include "speech/espeak/EngineLoader.h"

int main(int argc, char* argv[]) {
    // Placement and always-on-top need X11; on a Wayland desktop the basket runs on XWayland.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") &&
        !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb");

    // The speech engine loads while the window system starts.
    talvoro::espeak::readVoicesEarly();

    talvoro::qt::prepareHelpViewer();
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Talvoro"));
    QApplication::setApplicationName(QStringLiteral("Talvoro"));
    // The basket is a tool window, which Qt does not count: closing a message box would end the
    // program. It ends when the basket closes (quitWhenNoWindowsRemain).
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/talvoro-48.png")));

    talvoro::qt::QtPlatform platform;
    talvoro::Platform services = platform.platform();
    // The speech engine is part of the program: no runtime to put in place at start.
    talvoro::Frmlan form(services, talvoro::espeak::engineFactory(platform),
                         /*provision=*/{});
    platform.attach(form);
    form.Form_Load();
    platform.basket().show();
    talvoro::qt::endAsOnClose([&platform] { platform.basket().close(); });
    const int code = app.exec();
    // The basket has closed and released its engine: the engine's thread ends here, while the
    // window system it posts to still stands.
    talvoro::espeak::stopEngine();
    return code;
}
