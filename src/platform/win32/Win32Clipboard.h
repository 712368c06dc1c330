#pragma once

#include <windows.h>

#include "platform/Clipboard.h"

namespace talvoro::win32 {

// The clipboard's plain text (CF_TEXT, the system's ANSI code page), handed on as UTF-8.
class Win32Clipboard : public Clipboard {
public:
    explicit Win32Clipboard(HWND owner) : owner_(owner) {}
    std::string clipboardText() override;

private:
    HWND owner_;
};

}  // namespace talvoro::win32
