#pragma once
// The one window procedure of the program's window classes. A window's object is handed over at
// its creation and found again for every message, which the object's handleMessage answers.
// Nothing a handler throws unwinds into the system's dispatcher: it is shown in the common error
// box, as on the Linux edition.

#include <windows.h>

#include <exception>

namespace talvoro::win32 {

// Shows what escaped a handler of `window` in the common error box, owned by the window's
// top-level window while that is shown.
void reportEscaped(HWND window, const std::exception_ptr& escaped) noexcept;

// Registers a window class, unless it is registered already; throws AppError when it cannot be.
void registerWindowClass(const WNDCLASSEXW& cls);

// `Derived` answers its window's messages with
//     LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);
// and reaches its window through window() from the first message on.
template <typename Derived>
class BaseWindow {
public:
    HWND window() const { return window_; }

    // Registers the class `name` of windows answered by windowProc, unless it is registered
    // already; throws AppError when it cannot be.
    static void registerClass(const wchar_t* name, HINSTANCE instance, HICON icon = nullptr,
                              HCURSOR cursor = LoadCursorW(nullptr, IDC_ARROW),
                              HBRUSH background = nullptr) {
        WNDCLASSEXW cls{};
        cls.cbSize = sizeof cls;
        cls.lpfnWndProc = windowProc;
        cls.hInstance = instance;
        cls.hIcon = icon;
        cls.hIconSm = icon;
        cls.hCursor = cursor;
        cls.hbrBackground = background;
        cls.lpszClassName = name;
        registerWindowClass(cls);
    }

    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_NCCREATE) {
            const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
            auto* made = static_cast<Derived*>(create->lpCreateParams);
            SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(made));
            if (made) static_cast<BaseWindow*>(made)->window_ = window;
        }
        auto* self = reinterpret_cast<Derived*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (!self) return DefWindowProcW(window, message, wParam, lParam);
        LRESULT result = 0;
        try {
            result = self->handleMessage(message, wParam, lParam);
        } catch (...) {
            reportEscaped(window, std::current_exception());
        }
        if (message == WM_NCDESTROY) {
            // The object may outlive its window, and make another.
            SetWindowLongPtrW(window, GWLP_USERDATA, 0);
            static_cast<BaseWindow*>(self)->window_ = nullptr;
        }
        return result;
    }

protected:
    BaseWindow() = default;
    ~BaseWindow() = default;
    BaseWindow(const BaseWindow&) = delete;
    BaseWindow& operator=(const BaseWindow&) = delete;

    // Creates a window of a class whose procedure is windowProc, handing it this object.
    HWND create(const wchar_t* className, DWORD exStyle, const wchar_t* title, DWORD style, int x,
                int y, int width, int height, HWND parent, HINSTANCE instance) {
        return CreateWindowExW(exStyle, className, title, style, x, y, width, height, parent,
                               nullptr, instance, static_cast<Derived*>(this));
    }

private:
    HWND window_ = nullptr;
};

}  // namespace talvoro::win32
