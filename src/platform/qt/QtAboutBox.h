#pragma once
// The Linux edition's About box: a Qt window built from the core's design, and the desktop's
// URL handler for its links.

#include <QPointer>
#include <QWidget>

#include <memory>

#include "platform/AboutBox.h"
#include "base/MessageBoxes.h"

namespace talvoro::qt {

class AboutWindow;

class QtAboutBox : public AboutBox {
public:
    // What escapes the box's handlers is shown through `boxes`.
    explicit QtAboutBox(MessageBoxes& boxes) : boxes_(boxes) {}
    ~QtAboutBox() override;
    QtAboutBox(const QtAboutBox&) = delete;
    QtAboutBox& operator=(const QtAboutBox&) = delete;

    void loadAbout(const FormDesign& design, AboutEvents& events) override;
    void showAbout() override;
    void setAboutForeColour(const std::string& control, Colour colour) override;
    void unloadAbout() override;
    // Opens the address with QDesktopServices, which hands it to xdg-open on Linux desktops.
    bool openAddress(const std::string& address) override;

private:
    MessageBoxes& boxes_;
    std::unique_ptr<AboutEvents> door_;
    QPointer<AboutWindow> window_;
};

}  // namespace talvoro::qt
