#include "platform/win32/Win32MessageBoxes.h"

#include "platform/win32/WinText.h"

namespace talvoro::win32 {

void Win32MessageBoxes::messageBox(const std::string& text, int style, const std::string& title) {
    const std::wstring wideText = utf8ToWide(text);
    const std::wstring wideTitle = utf8ToWide(title.empty() ? kAppTitle : title);
    // Once the basket is gone (a box raised while it closes), the box stands on its own.
    HWND owner = IsWindow(owner_) ? owner_ : nullptr;
    MessageBoxW(owner, wideText.c_str(), wideTitle.c_str(), static_cast<UINT>(style));
}

}  // namespace talvoro::win32
