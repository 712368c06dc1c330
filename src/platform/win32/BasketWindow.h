#pragma once
// The basket on screen: the borderless, topmost main window `Frmlan` with its picture
// `Picture1`. Window-system events become calls of the core's handlers.

#include <windows.h>

#include <ole2.h>

#include <memory>

#include "app/BasketDesign.h"
#include "intake/HeldDrops.h"
#include "platform/win32/WinUi.h"

namespace talvoro {
class Frmlan;
}

namespace talvoro::win32 {

class PictureDropTarget;

class BasketWindow {
public:
    // Creates both windows, hidden, the picture taking drops (with OLE initialised on this
    // thread). Throws AppError when the windows cannot be created; without drops the basket
    // works all the same.
    explicit BasketWindow(HINSTANCE instance);
    ~BasketWindow();
    BasketWindow(const BasketWindow&) = delete;
    BasketWindow& operator=(const BasketWindow&) = delete;

    HWND mainWindow() const { return main_; }
    HWND picture() const { return picture_; }
    // The picture's drop target, registered while the picture lives; null when it could not be
    // made.
    IDropTarget* dropTarget() const;

    // The form whose handlers receive the events; null detaches it.
    void attach(Frmlan* form) { form_ = form; }
    void show();

private:
    static LRESULT CALLBACK mainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK pictureProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT onMainMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT onPictureMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    bool toPictureHandlers(UINT message, WPARAM wParam, LPARAM lParam);
    bool forwardCapturedMouse(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void unloadOnce();
    void paintPicture(HWND window);
    void takeDrops();
    bool holdDrop(HeldDrop drop);
    void handHeldDrops();

    HINSTANCE instance_;
    TwipsPerPixel scale_;
    BasketLayout layout_;
    HBRUSH background_ = nullptr;
    HBITMAP basket_ = nullptr;
    HWND main_ = nullptr;
    HWND picture_ = nullptr;
    PictureDropTarget* dropTarget_ = nullptr;
    bool dropsRegistered_ = false;
    // Drops taken from their sources and not yet handed to the core. Only a wake-up goes
    // through the message queue: any program can post to the basket, so a message must
    // never carry anything the basket would trust.
    HeldDrops heldDrops_;
    Frmlan* form_ = nullptr;
    bool unloaded_ = false;
};

}  // namespace talvoro::win32
