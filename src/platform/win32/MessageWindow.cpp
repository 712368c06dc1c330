#include "platform/win32/MessageWindow.h"

#include "platform/win32/WinText.h"

namespace talvoro::win32 {
namespace {

constexpr wchar_t kClassName[] = L"Talvoro.MessageWindow";

void registerClassOnce(WNDPROC proc) {
    WNDCLASSEXW cls{};
    cls.cbSize = sizeof cls;
    cls.lpfnWndProc = proc;
    cls.hInstance = GetModuleHandleW(nullptr);
    cls.lpszClassName = kClassName;
    if (!RegisterClassExW(&cls) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        throw win32Error(GetLastError());
}

}  // namespace

MessageWindow::MessageWindow(Handler handler) : handler_(std::move(handler)) {
    registerClassOnce(windowProc);
    window_ = CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
    if (!window_) throw win32Error(GetLastError());
    SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

MessageWindow::~MessageWindow() {
    SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    DestroyWindow(window_);
}

LRESULT CALLBACK MessageWindow::windowProc(HWND window, UINT message, WPARAM wParam,
                                           LPARAM lParam) {
    if (message >= WM_APP && message <= 0xBFFF) {
        auto* self = reinterpret_cast<MessageWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (self) {
            // Copied first: the handler may end this object's life.
            const Handler handler = self->handler_;
            try {
                handler(message, wParam, lParam);
            } catch (...) {
                // Nothing may unwind through the system's dispatcher.
            }
        }
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace talvoro::win32
