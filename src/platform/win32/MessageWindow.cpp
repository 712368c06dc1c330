#include "platform/win32/MessageWindow.h"

#include "platform/win32/WinText.h"

namespace talvoro::win32 {
namespace {

constexpr wchar_t kClassName[] = L"Talvoro.MessageWindow";

}  // namespace

MessageWindow::MessageWindow(Handler handler) : handler_(std::move(handler)) {
    registerClass(kClassName, GetModuleHandleW(nullptr), nullptr, nullptr);
    if (!create(kClassName, 0, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, GetModuleHandleW(nullptr)))
        throw win32Error(GetLastError());
}

MessageWindow::~MessageWindow() {
    if (HWND w = window()) {
        SetWindowLongPtrW(w, GWLP_USERDATA, 0);
        DestroyWindow(w);
    }
}

LRESULT MessageWindow::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message < WM_APP || message > 0xBFFF)
        return DefWindowProcW(window(), message, wParam, lParam);
    // Copied first: the handler may end this object's life.
    const Handler handler = handler_;
    handler(message, wParam, lParam);
    return 0;
}

}  // namespace talvoro::win32
