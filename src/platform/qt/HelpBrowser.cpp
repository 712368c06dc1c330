// The help module: the browser of the help viewer, made on QtWebEngine.

#include "platform/qt/HelpBrowser.h"

#include <QDesktopServices>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineView>

namespace {

// Shows the manual and nothing else: a link out of it (the voice download page, the maker's
// site) opens in the user's own browser rather than inside the viewer.
class ManualPage : public QWebEnginePage {
public:
    ManualPage(QWebEngineProfile* profile, QObject* parent) : QWebEnginePage(profile, parent) {}

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override {
        if (url.isLocalFile()) return true;
        const QString scheme = url.scheme();
        if (type == NavigationTypeLinkClicked && isMainFrame &&
            (scheme == QLatin1String("http") || scheme == QLatin1String("https") ||
             scheme == QLatin1String("mailto")))
            QDesktopServices::openUrl(url);
        return false;
    }
};

}  // namespace

extern "C" __attribute__((visibility("default"))) QWidget* talvoro_help_create(QWidget* parent) {
    auto* browser = new QWebEngineView(parent);
    // Nothing of the viewer is kept on disk: the profile lives in memory with the window. Made
    // after the view, it is deleted after the view's page.
    auto* profile = new QWebEngineProfile(parent);
    auto* page = new ManualPage(profile, browser);
    QWebEngineSettings* settings = page->settings();
    settings->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    settings->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    browser->setPage(page);
    return browser;
}

extern "C" __attribute__((visibility("default"))) void talvoro_help_navigate(QWidget* browser,
                                                                             const char* path) {
    if (auto* view = qobject_cast<QWebEngineView*>(browser))
        view->setUrl(QUrl::fromLocalFile(QString::fromUtf8(path)));
}
