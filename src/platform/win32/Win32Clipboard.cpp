#include "platform/win32/Win32Clipboard.h"

#include <cstring>

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

class LockedGlobal {
public:
    explicit LockedGlobal(HGLOBAL memory)
        : memory_(memory), data_(static_cast<const char*>(GlobalLock(memory))) {}
    ~LockedGlobal() {
        if (data_) GlobalUnlock(memory_);
    }
    LockedGlobal(const LockedGlobal&) = delete;
    LockedGlobal& operator=(const LockedGlobal&) = delete;
    const char* data() const { return data_; }
    std::size_t size() const { return GlobalSize(memory_); }

private:
    HGLOBAL memory_;
    const char* data_;
};

}  // namespace

std::string Win32Clipboard::clipboardText() {
    OpenedClipboard opened(owner_);
    // Pictures, file lists and the like count as no text.
    if (!IsClipboardFormatAvailable(CF_TEXT)) return {};
    HANDLE memory = GetClipboardData(CF_TEXT);
    if (!memory) return {};
    const LockedGlobal locked(memory);
    if (!locked.data()) return {};
    // The text ends at its first NUL, and never past the block another program handed over.
    const std::size_t limit = locked.size();
    const void* nul = std::memchr(locked.data(), '\0', limit);
    const std::size_t length =
        nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - locked.data()) : limit;
    return codePageToUtf8(std::string_view(locked.data(), length), CP_ACP);
}

}  // namespace talvoro::win32
