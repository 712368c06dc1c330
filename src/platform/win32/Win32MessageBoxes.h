#pragma once

#include <windows.h>

#include "base/MessageBoxes.h"

namespace talvoro::win32 {

class Win32MessageBoxes : public MessageBoxes {
public:
    explicit Win32MessageBoxes(HWND owner) : owner_(owner) {}
    void messageBox(const std::string& text, int style, const std::string& title) override;

private:
    HWND owner_;
};

}  // namespace talvoro::win32
