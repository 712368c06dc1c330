#pragma once
// Text and error conversions at the boundary between the core (UTF-8, AppError) and Win32
// (UTF-16, code pages, Win32 error codes and HRESULTs).

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

#include "base/AppError.h"

namespace talvoro::win32 {

std::wstring utf8ToWide(std::string_view text);
std::string wideToUtf8(std::wstring_view text);
// Bytes in the given code page (CP_ACP for the clipboard's plain text and ANSI files) as UTF-8.
std::string codePageToUtf8(std::string_view bytes, UINT codePage);
// The ANSI text (CP_ACP) in a global memory block another program handed over, as UTF-8: up to
// its first NUL and never past the block's size, NUL or not. nullopt when it cannot be locked.
std::optional<std::string> globalAnsiText(HGLOBAL memory);

// The system's message for a Win32 error code or HRESULT, as UTF-8 without the trailing line
// break; empty when the system has no text for it.
std::string systemMessage(DWORD code);

// An error carrying the HRESULT as its (signed) number and the system's message as description.
AppError hresultError(HRESULT hr);
// A Win32 error code, reported the way COM reports it (HRESULT_FROM_WIN32).
AppError win32Error(DWORD code);

// Throws hresultError(hr) when hr is a failure code.
inline void throwIfFailed(HRESULT hr) {
    if (FAILED(hr)) throw hresultError(hr);
}

}  // namespace talvoro::win32
