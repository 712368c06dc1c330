#pragma once
// The Linux edition's platform: Qt 6 Widgets on X11.

#include <QWidget>
#include <memory>

#include "platform/Platform.h"
#include "ui/Twips.h"
#include "platform/qt/BasketWindow.h"
#include "platform/qt/QtAboutBox.h"
#include "platform/qt/QtFileServices.h"
#include "platform/qt/QtHelpViewer.h"
#include "platform/qt/QtSystemServices.h"

namespace talvoro {
class Frmlan;
}

namespace talvoro::qt {

class QtPlatform : public WindowManager,
                   public MenuPresenter,
                   public MessageBoxes,
                   public Clipboard,
                   public SettingsStore,
                   public UiThread {
public:
    QtPlatform();
    ~QtPlatform() override;

    Platform platform() {
        return Platform{*this, *this, *this, *this, *this, *this, files_, help_, about_, system_};
    }
    // Connects the basket's events to the core's handlers.
    void attach(Frmlan& form);
    BasketWindow& basket() { return *basket_; }

    // WindowManager
    WindowHandle mainWindow() override { return kMain; }
    WindowHandle pictureWindow() override { return kPicture; }
    void keepOnTop(WindowHandle w) override;
    bool makeLayered(WindowHandle w) override;
    bool setOpacity(WindowHandle w, std::uint8_t alpha) override;
    void clearShape(WindowHandle w) override;
    void startMove(WindowHandle w) override;
    void setCapture(WindowHandle w) override;
    void releaseCapture() override;
    float windowTop() override;
    float windowLeft() override;
    void setWindowTop(float twips) override;
    void setWindowLeft(float twips) override;
    float windowWidth() override;
    float windowHeight() override;
    float pictureWidth() override;
    float pictureHeight() override;
    std::vector<Screen> screens() override;
    void unloadMainWindow() override;

    // MenuPresenter
    std::optional<MenuItemId> popupMenu(const MenuItem& root) override;
    // MessageBoxes
    void messageBox(const std::string& text, int style, const std::string& title) override;
    // Clipboard
    std::string clipboardText() override;
    // SettingsStore
    std::string getSetting(const std::string& app, const std::string& section,
                           const std::string& key, const std::string& fallback) override;
    void saveSetting(const std::string& app, const std::string& section, const std::string& key,
                     const std::string& value) override;
    // UiThread
    void post(std::function<void()> work) override;
    void postOnceShown(std::function<void()> work) override;

    static constexpr WindowHandle kMain = 1;
    static constexpr WindowHandle kPicture = 2;

private:
    QWidget* widget(WindowHandle w) const;
    TwipsPerPixel scale() const;

    QtFileServices files_;
    QtHelpViewer help_;
    QtAboutBox about_{*this};
    QtSystemServices system_;
    BasketEvents mouse_;
    std::unique_ptr<BasketWindow> basket_;
    WindowHandle capture_ = 0;
    // Fallback move where the window manager offers none: follow the pointer ourselves.
    bool following_ = false;
    QPoint followOffset_;
};

}  // namespace talvoro::qt
