#include "platform/win32/BasketWindow.h"

#include <windowsx.h>

#include <iterator>

#include "app/Frmlan.h"
#include "platform/win32/DropTarget.h"
#include "platform/win32/ResourceIds.h"
#include "platform/win32/WinText.h"

namespace talvoro::win32 {
namespace {

constexpr wchar_t kMainClass[] = L"Talvoro.Frmlan";
constexpr wchar_t kPictureClass[] = L"Talvoro.Picture1";
// Wakes the basket to hand the drops it keeps to the core, once the drag source has been
// answered. It carries nothing: other programs can send it too.
constexpr UINT kDropArrived = WM_APP + 1;

// The basket image as drawn for each size the program carries, in pixels across.
struct BasketImage {
    int size;
    int id;
};
constexpr BasketImage kBasketImages[] = {
    {38, IDB_BASKET}, {48, IDB_BASKET_48}, {57, IDB_BASKET_57}, {76, IDB_BASKET_76}};

// The image drawn at `size`, else the one to scale down from with the least loss, else the
// largest.
int basketImageFor(int size) {
    for (const BasketImage& image : kBasketImages)
        if (image.size >= size) return image.id;
    return kBasketImages[std::size(kBasketImages) - 1].id;
}

}  // namespace

BasketWindow::BasketWindow(HINSTANCE instance)
    : instance_(instance), scale_(screenTwipsPerPixel()), layout_(basketLayout(scale_)) {
    background_ = CreateSolidBrush(kBasketDesign.background);
    basket_ = static_cast<HBITMAP>(LoadImageW(instance,
                                              MAKEINTRESOURCEW(basketImageFor(layout_.imageWidth)),
                                              IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    HICON icon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_TALVORO));

    registerClass(kMainClass, instance, icon);
    Picture::registerClass(kPictureClass, instance, nullptr, LoadCursorW(nullptr, IDC_SIZEALL),
                           reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));

    // No caption, no frame: the client area is the whole window. Not listed in the taskbar; the
    // basket is reached where it floats. The program is aware of the screen's scale, so the
    // system leaves the sizing to it: the basket keeps its size in twips, not in pixels.
    HWND main =
        create(kMainClass, WS_EX_TOPMOST | WS_EX_LAYERED | WS_EX_TOOLWINDOW, L"",
               WS_POPUP | WS_CLIPCHILDREN, 0, 0, layout_.width, layout_.height, nullptr, instance);
    if (!main) throw win32Error(GetLastError());
    // A layered window shows nothing until its opacity is set.
    SetLayeredWindowAttributes(main, 0, 255, LWA_ALPHA);

    if (!picture_.make(layout_.picture, main, instance)) {
        const DWORD error = GetLastError();
        DestroyWindow(main);
        throw win32Error(error);
    }
    takeDrops();
}

HWND BasketWindow::Picture::make(const PixelRect& at, HWND parent, HINSTANCE instance) {
    return create(kPictureClass, 0, L"", WS_CHILD | WS_VISIBLE, at.left, at.top, at.width,
                  at.height, parent, instance);
}

BasketWindow::~BasketWindow() {
    detach();
    if (HWND main = window()) DestroyWindow(main);
    if (dropTarget_) {
        dropTarget_->detach();
        dropTarget_->Release();
    }
    if (basket_) DeleteObject(basket_);
    if (background_) DeleteObject(background_);
}

// Drops are a convenience: when OLE refuses the registration, pasting still brings text in.
void BasketWindow::takeDrops() {
    try {
        dropTarget_ = new PictureDropTarget(
            picture(), scale_,
            [this](DataObject& data, std::int32_t& effect, int buttons, int shift, float x, float y,
                   int state) {
                toCore([&](Frmlan& form) {
                    form.Picture1_OLEDragOver(data, effect, buttons, shift, x, y, state);
                });
            },
            [this](HeldDrop drop) { return holdDrop(std::move(drop)); });
    } catch (...) {
        return;
    }
    dropsRegistered_ = SUCCEEDED(RegisterDragDrop(picture(), dropTarget_));
}

IDropTarget* BasketWindow::dropTarget() const {
    return dropTarget_;
}

bool BasketWindow::holdDrop(HeldDrop drop) {
    if (!window() || !PostMessageW(window(), kDropArrived, 0, 0)) return false;
    heldDrops_.hold(std::move(drop));
    return true;
}

// A wake-up with nothing held does nothing.
void BasketWindow::handHeldDrops() {
    heldDrops_.handOver([this](HeldDrop& drop) {
        toCore([&](Frmlan& form) {
            form.Picture1_OLEDragDrop(*drop.data, drop.effect, drop.buttons, drop.shift, drop.x,
                                      drop.y);
        });
    });
}

void BasketWindow::show() {
    ShowWindow(window(), SW_SHOWNORMAL);
    UpdateWindow(window());
}

void BasketWindow::unloadOnce() {
    if (unloaded_) return;
    unloaded_ = true;
    toCore([](Frmlan& form) { form.Form_Unload(); });
}

LRESULT BasketWindow::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_ERASEBKGND: {
            RECT client;
            GetClientRect(window(), &client);
            FillRect(reinterpret_cast<HDC>(wParam), &client, background_);
            return 1;
        }
        case WM_CLOSE:
            // The close command and the system's close both end here: unload, then destroy.
            unloadOnce();
            DestroyWindow(window());
            return 0;
        case WM_ENDSESSION:
            // The session ends without closing windows: the place is saved all the same.
            if (wParam) unloadOnce();
            return 0;
        case kDropArrived:
            handHeldDrops();
            return 0;
        case WM_DESTROY:
            // Drops never handed over go with the window.
            heldDrops_.clear();
            PostQuitMessage(0);
            return 0;
        case WM_MOUSEMOVE:
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
        case WM_MBUTTONUP:
            if (forwardCapturedMouse(message, wParam, lParam)) return 0;
            return DefWindowProcW(window(), message, wParam, lParam);
        default:
            return DefWindowProcW(window(), message, wParam, lParam);
    }
}

// A button's release hands the capture to the basket itself, which then receives the pointer's
// input meant for the picture. Passed on, the next move over the picture takes the capture back
// (or a move elsewhere releases it), and a press on the picture still opens the menu or starts a
// move.
bool BasketWindow::forwardCapturedMouse(UINT message, WPARAM wParam, LPARAM lParam) {
    if (GetCapture() != window() || !picture()) return false;
    POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    MapWindowPoints(window(), picture(), &at, 1);
    const auto button = buttonMessage(message);
    const bool press = button && button->down;
    if (press) {
        RECT picture;
        GetClientRect(this->picture(), &picture);
        if (!PtInRect(&picture, at)) {
            ReleaseCapture();
            return true;
        }
    }
    toPictureHandlers(message, wParam, MAKELPARAM(at.x, at.y));
    return true;
}

LRESULT BasketWindow::onPictureMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT:
            paintPicture();
            return 0;
        case WM_DESTROY:
            // OLE lets go of the target only when told, before the window is gone.
            if (dropsRegistered_) RevokeDragDrop(picture());
            dropsRegistered_ = false;
            return 0;
        default:
            if (toPictureHandlers(message, wParam, lParam)) return 0;
            return DefWindowProcW(picture(), message, wParam, lParam);
    }
}

bool BasketWindow::toPictureHandlers(UINT message, WPARAM wParam, LPARAM lParam) {
    enum class Kind { Down, Up, Move };
    Kind kind;
    int button;
    if (message == WM_MOUSEMOVE) {
        kind = Kind::Move, button = mouseButtons(static_cast<DWORD>(wParam));
    } else if (const auto b = buttonMessage(message)) {
        kind = b->down ? Kind::Down : Kind::Up, button = b->button;
    } else {
        return false;
    }
    // Pixels relative to the picture, in twips; negative while the picture holds the capture
    // and the pointer is above or left of it.
    const auto x = static_cast<float>(GET_X_LPARAM(lParam) * scale_.x);
    const auto y = static_cast<float>(GET_Y_LPARAM(lParam) * scale_.y);
    const int shift = mouseKeys(wParam);
    // A press comes after the drops made before it, even when it reaches the basket first.
    if (kind == Kind::Down) handHeldDrops();
    toCore([&](Frmlan& form) {
        switch (kind) {
            case Kind::Down:
                form.Picture1_MouseDown(button, shift, x, y);
                break;
            case Kind::Up:
                form.Picture1_MouseUp(button, shift, x, y);
                break;
            case Kind::Move:
                form.Picture1_MouseMove(button, shift, x, y);
                break;
        }
    });
    return true;
}

// The image from the picture's top-left corner, at the size the screen's scale gives it; the
// picture is a little shorter, so its bottom rows are cut. An image carried at that size is
// copied as it is, any other scaled with averaging.
void BasketWindow::paintPicture() {
    PAINTSTRUCT paint;
    HDC target = BeginPaint(picture(), &paint);
    if (basket_) {
        if (HDC source = CreateCompatibleDC(target)) {
            HGDIOBJ previous = SelectObject(source, basket_);
            BITMAP info{};
            GetObjectW(basket_, sizeof info, &info);
            const int width = layout_.imageWidth, height = layout_.imageHeight;
            if (info.bmWidth == width && info.bmHeight == height) {
                BitBlt(target, 0, 0, width, height, source, 0, 0, SRCCOPY);
            } else {
                SetStretchBltMode(target, HALFTONE);
                SetBrushOrgEx(target, 0, 0, nullptr);
                StretchBlt(target, 0, 0, width, height, source, 0, 0, info.bmWidth, info.bmHeight,
                           SRCCOPY);
            }
            SelectObject(source, previous);
            DeleteDC(source);
        }
    }
    EndPaint(picture(), &paint);
}

}  // namespace talvoro::win32
