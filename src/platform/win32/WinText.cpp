#include "platform/win32/WinText.h"

#include <cstdint>
#include <cstring>
#include <limits>

namespace talvoro::win32 {
namespace {

// The Win32 conversion functions take int lengths; longer text is an error, not a truncation.
int checkedLength(std::size_t size) {
    if (size > static_cast<std::size_t>(std::numeric_limits<int>::max()))
        throw AppError(kErrOutOfMemory, "内存溢出");
    return static_cast<int>(size);
}

std::wstring toWide(std::string_view bytes, UINT codePage) {
    if (bytes.empty()) return {};
    const int length = checkedLength(bytes.size());
    const int needed = MultiByteToWideChar(codePage, 0, bytes.data(), length, nullptr, 0);
    if (needed <= 0) throw win32Error(GetLastError());
    std::wstring wide(static_cast<std::size_t>(needed), L'\0');
    MultiByteToWideChar(codePage, 0, bytes.data(), length, wide.data(), needed);
    return wide;
}

}  // namespace

std::wstring utf8ToWide(std::string_view text) {
    return toWide(text, CP_UTF8);
}

std::string wideToUtf8(std::wstring_view text) {
    if (text.empty()) return {};
    const int length = checkedLength(text.size());
    const int needed =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) throw win32Error(GetLastError());
    std::string utf8(static_cast<std::size_t>(needed), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), length, utf8.data(), needed, nullptr, nullptr);
    return utf8;
}

std::string codePageToUtf8(std::string_view bytes, UINT codePage) {
    return wideToUtf8(toWide(bytes, codePage));
}

std::optional<std::string> globalAnsiText(HGLOBAL memory) {
    if (!memory) return std::nullopt;
    const auto* data = static_cast<const char*>(GlobalLock(memory));
    if (!data) return std::nullopt;
    const std::size_t limit = GlobalSize(memory);
    const void* nul = std::memchr(data, '\0', limit);
    const std::size_t length =
        nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - data) : limit;
    try {
        std::string text = codePageToUtf8(std::string_view(data, length), CP_ACP);
        GlobalUnlock(memory);
        return text;
    } catch (...) {
        GlobalUnlock(memory);
        throw;
    }
}

std::string systemMessage(DWORD code) {
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    if (length == 0 || buffer == nullptr) return {};
    std::wstring text(buffer, length);
    LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' '))
        text.pop_back();
    try {
        return wideToUtf8(text);
    } catch (const AppError&) {
        return {};
    }
}

AppError hresultError(HRESULT hr) {
    const auto number = static_cast<std::int32_t>(hr);
    // Wrapped Win32 codes find their text under the plain code.
    const DWORD messageId = HRESULT_FACILITY(hr) == FACILITY_WIN32
                                ? static_cast<DWORD>(HRESULT_CODE(hr))
                                : static_cast<DWORD>(hr);
    std::string description = systemMessage(messageId);
    if (description.empty()) description = "自动化错误";
    return AppError(number, description);
}

AppError win32Error(DWORD code) {
    // A call that failed without setting the last error still failed.
    return hresultError(code == ERROR_SUCCESS ? E_FAIL : HRESULT_FROM_WIN32(code));
}

}  // namespace talvoro::win32
