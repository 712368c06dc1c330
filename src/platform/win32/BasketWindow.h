#pragma once
// The basket on screen: the borderless, topmost main window `Frmlan` with its picture
// `Picture1`. Window-system events become calls of the core's handlers.

#include <windows.h>

#include <ole2.h>

#include <memory>

#include "ui/BasketDesign.h"
#include "intake/HeldDrops.h"
#include "base/MessageBoxes.h"
#include "platform/win32/BaseWindow.h"
#include "platform/win32/WinUi.h"

#include "base/ErrorPolicy.h"

namespace talvoro {
class Frmlan;
}

namespace talvoro::win32 {

class PictureDropTarget;

class BasketWindow : public BaseWindow<BasketWindow> {
public:
    // Creates both windows, hidden, the picture taking drops (with OLE initialised on this
    // thread). Throws AppError when the windows cannot be created; without drops the basket
    // works all the same.
    explicit BasketWindow(HINSTANCE instance);
    ~BasketWindow();

    HWND mainWindow() const { return window(); }
    HWND picture() const { return picture_.window(); }
    // The picture's drop target, registered while the picture lives; null when it could not be
    // made.
    IDropTarget* dropTarget() const;

    // The form whose handlers receive the events from now on, each through the core's one door:
    // what escapes them is shown through `boxes`.
    void attach(Frmlan& form, MessageBoxes& boxes) {
        form_ = &form;
        boxes_ = &boxes;
    }
    void detach() { form_ = nullptr; }
    void show();

    // The main window's messages.
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);

private:
    // The picture, a child window whose messages the basket answers.
    class Picture : public BaseWindow<Picture> {
    public:
        explicit Picture(BasketWindow& basket) : basket_(basket) {}
        HWND make(const PixelRect& at, HWND parent, HINSTANCE instance);
        LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
            return basket_.onPictureMessage(message, wParam, lParam);
        }

    private:
        BasketWindow& basket_;
    };

    LRESULT onPictureMessage(UINT message, WPARAM wParam, LPARAM lParam);
    bool toPictureHandlers(UINT message, WPARAM wParam, LPARAM lParam);
    bool forwardCapturedMouse(UINT message, WPARAM wParam, LPARAM lParam);
    template <typename Call>
    void toCore(Call&& call) {
        if (form_) handleEvent(*boxes_, [&] { call(*form_); });
    }
    void unloadOnce();
    void paintPicture();
    void takeDrops();
    bool holdDrop(HeldDrop drop);
    void handHeldDrops();

    HINSTANCE instance_;
    TwipsPerPixel scale_;
    BasketLayout layout_;
    HBRUSH background_ = nullptr;
    HBITMAP basket_ = nullptr;
    Picture picture_{*this};
    PictureDropTarget* dropTarget_ = nullptr;
    bool dropsRegistered_ = false;
    // Drops taken from their sources and not yet handed to the core. Only a wake-up goes
    // through the message queue: any program can post to the basket, so a message must
    // never carry anything the basket would trust.
    HeldDrops heldDrops_;
    Frmlan* form_ = nullptr;
    MessageBoxes* boxes_ = nullptr;
    bool unloaded_ = false;
};

}  // namespace talvoro::win32
