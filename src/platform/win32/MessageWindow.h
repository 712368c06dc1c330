#pragma once
// A message-only window of the creating thread: the way work and engine notifications reach the
// user-interface thread.

#include <windows.h>

#include <functional>

#include "platform/win32/BaseWindow.h"

namespace talvoro::win32 {

class MessageWindow : public BaseWindow<MessageWindow> {
public:
    // Receives the window's messages from WM_APP on, on the creating thread. It may destroy
    // this object.
    using Handler = std::function<void(UINT message, WPARAM wParam, LPARAM lParam)>;

    // Throws AppError when the window cannot be created.
    explicit MessageWindow(Handler handler);
    ~MessageWindow();

    HWND handle() const { return window(); }

    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);

private:
    Handler handler_;
};

}  // namespace talvoro::win32
