#pragma once
// The Linux edition's About box: a Qt window built from the core's design, and the desktop's
// URL handler for its links.

#include <QPointer>
#include <QWidget>

#include "platform/AboutBox.h"

namespace talvoro::qt {

class AboutWindow;

class QtAboutBox : public AboutBox {
public:
    QtAboutBox() = default;
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
    QPointer<AboutWindow> window_;
};

}  // namespace talvoro::qt
