#pragma once
// The basket on screen: the borderless, topmost main window `Frmlan` with its picture
// `Picture1`. Window-system events become calls of the core's handlers.

#include <windows.h>

#include <ole2.h>

#include <deque>
#include <memory>

#include "platform/win32/Twips.h"

namespace talvoro {
class Frmlan;
}

namespace talvoro::win32 {

class PictureDropTarget;
struct PictureDrop;

// The basket's design in twips: a 600 x 600 window of dark blue around the picture, 570 x 555 at
// 15, 15, which shows the 570 x 570 basket image from its top-left corner (its last rows cut).
inline constexpr int kBasketTwips = 600;
inline constexpr int kPictureLeftTwips = 15;
inline constexpr int kPictureTopTwips = 15;
inline constexpr int kPictureWidthTwips = 570;
inline constexpr int kPictureHeightTwips = 555;
inline constexpr int kImageTwips = 570;
inline constexpr COLORREF kBasketBackground = RGB(0, 0, 192);

// The design in whole pixels at a screen's scale: at 96 dpi a 40 x 40 window, the picture 38 x 37
// at 1, 1 and the image 38 x 38; at 144 dpi (150 %) half as large again. Each edge is rounded
// on its own, so the frame around the picture keeps its shape as the sizes grow.
struct BasketLayout {
    int width = 0, height = 0;  // the window
    RECT picture{};             // in the window's client area
    int imageWidth = 0, imageHeight = 0;
};
BasketLayout basketLayout(TwipsPerPixel scale);

// Mouse-event arguments as the core's picture handlers take them.
int mouseButtonsFromKeys(WPARAM keys);
int shiftStateFromKeys(WPARAM keys);

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
    bool keepDrop(std::unique_ptr<PictureDrop> drop);
    void handlePendingDrops();

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
    std::deque<std::unique_ptr<PictureDrop>> pendingDrops_;
    Frmlan* form_ = nullptr;
    bool unloaded_ = false;
};

}  // namespace talvoro::win32
