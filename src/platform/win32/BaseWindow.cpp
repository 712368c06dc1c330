#include "platform/win32/BaseWindow.h"

#include "base/ErrorPolicy.h"
#include "platform/win32/Win32MessageBoxes.h"
#include "platform/win32/WinText.h"

namespace talvoro::win32 {

void reportEscaped(HWND window, const std::exception_ptr& escaped) noexcept {
    HWND root = GetAncestor(window, GA_ROOT);
    Win32MessageBoxes boxes(root && IsWindowVisible(root) ? root : nullptr);
    talvoro::reportEscaped(boxes, escaped);
}

void registerWindowClass(const WNDCLASSEXW& cls) {
    if (!RegisterClassExW(&cls) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        throw win32Error(GetLastError());
}

}  // namespace talvoro::win32
