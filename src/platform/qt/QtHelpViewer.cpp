#include "platform/qt/QtHelpViewer.h"

#include <unistd.h>

#include <QApplication>
#include <QOpenGLContext>
#include <QVBoxLayout>
#include <memory>

#include "platform/posix/LoadableModule.h"
#include "platform/qt/AppLife.h"
#include "platform/qt/HelpBrowser.h"
#include "platform/qt/QtUi.h"

QT_BEGIN_NAMESPACE
// QtGui's own hooks for the OpenGL context that QtWebEngine shares with the application.
Q_GUI_EXPORT void qt_gl_set_global_share_context(QOpenGLContext* context);
Q_GUI_EXPORT QOpenGLContext* qt_gl_global_share_context();
QT_END_NAMESPACE

namespace talvoro::qt {
namespace {

struct HelpModule {
    HelpCreate create = nullptr;
    HelpNavigate navigate = nullptr;
};

// Loaded once, on the first Help, and kept loaded.
const HelpModule& helpModule() {
    static const HelpModule module = [] {
        // Chromium draws through an OpenGL context shared with the application's. Qt makes
        // one at start when asked, which would cost every run of the basket time and memory
        // for a window seldom opened; it is made here instead, the way Qt makes it, before
        // the browser's libraries load and look for it. Without OpenGL the browser cannot
        // draw at all: the window then stays empty.
        HelpModule m;
        if (!qt_gl_global_share_context()) {
            auto context = std::make_unique<QOpenGLContext>();
            if (!context->create()) return m;
            context->setParent(qApp);
            qt_gl_set_global_share_context(context.release());
        }
        const posix::LoadableModule module = posix::openModule(kHelpModuleFile);
        m.create = reinterpret_cast<HelpCreate>(module.symbol(kHelpCreateSymbol));
        m.navigate = reinterpret_cast<HelpNavigate>(module.symbol(kHelpNavigateSymbol));
        if (!m.create || !m.navigate) m = {};
        return m;
    }();
    return module;
}

class HelpWindow : public QWidget {
public:
    HelpWindow() {
        setAttribute(Qt::WA_DeleteOnClose);
        setWindowIcon(QIcon(QStringLiteral(":/talvoro-32.png")));
    }

protected:
    void closeEvent(QCloseEvent* e) override {
        QWidget::closeEvent(e);
        quitWhenNoWindowsRemain();
    }
};

}  // namespace

void prepareHelpViewer() {
    if (geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
}

void QtHelpViewer::loadHelp(const FormDesign& design) {
    auto* window = new HelpWindow;
    window->setWindowTitle(QString::fromStdString(design.caption));
    // The browser fills the client area at every size; without one the window stays empty.
    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    const HelpModule& module = helpModule();
    QWidget* browser = module.create ? module.create(window) : nullptr;
    if (browser) layout->addWidget(browser);

    // Placed where the window manager places new windows; sizable, as every top-level window is.
    const TwipsPerPixel scale = twipsPerPixelOf(nullptr);
    window->resize(twipsToPixels(design.clientWidth, scale.x),
                   twipsToPixels(design.clientHeight, scale.y));
    window_ = window;
    browser_ = browser;
}

void QtHelpViewer::navigate2(const std::string& path) {
    if (browser_) helpModule().navigate(browser_, path.c_str());
}

void QtHelpViewer::showHelp() {
    if (window_) bringForward(*window_);
}

}  // namespace talvoro::qt
