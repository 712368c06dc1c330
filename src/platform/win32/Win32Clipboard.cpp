#include "platform/win32/Win32Clipboard.h"

#include "platform/win32/WinText.h"

namespace talvoro::win32 {
namespace {

constexpr long kErrCannotOpenClipboard = 521;

class OpenedClipboard {
public:
    explicit OpenedClipboard(HWND owner) {
        if (!OpenClipboard(owner)) throw AppError(kErrCannotOpenClipboard, "不能打开剪贴板");
    }
    ~OpenedClipboard() { CloseClipboard(); }
    OpenedClipboard(const OpenedClipboard&) = delete;
    OpenedClipboard& operator=(const OpenedClipboard&) = delete;
};

}  // namespace

std::string Win32Clipboard::clipboardText() {
    OpenedClipboard opened(owner_);
    // Pictures, file lists and the like count as no text.
    if (!IsClipboardFormatAvailable(CF_TEXT)) return {};
    HANDLE memory = GetClipboardData(CF_TEXT);
    if (!memory) return {};
    return globalAnsiText(memory).value_or(std::string());
}

}  // namespace talvoro::win32
