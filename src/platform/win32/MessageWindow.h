#pragma once
// A message-only window of the creating thread: the way work and engine notifications reach the
// user-interface thread.

#include <windows.h>

#include <functional>

namespace talvoro::win32 {

class MessageWindow {
public:
    // Receives the window's messages from WM_APP on, on the creating thread. It must not throw;
    // it may destroy this object.
    using Handler = std::function<void(UINT message, WPARAM wParam, LPARAM lParam)>;

    // Throws AppError when the window cannot be created.
    explicit MessageWindow(Handler handler);
    ~MessageWindow();
    MessageWindow(const MessageWindow&) = delete;
    MessageWindow& operator=(const MessageWindow&) = delete;

    HWND handle() const { return window_; }

private:
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    Handler handler_;
    HWND window_ = nullptr;
};

}  // namespace talvoro::win32
