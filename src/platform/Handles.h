#pragma once
// Opaque window handles as the core sees them. The Win32 edition passes real HWND values; the
// Linux edition hands out small numbers that it maps back to its widgets.

#include <cstdint>

namespace talvoro {

using WindowHandle = std::intptr_t;

// Insert-after marker that puts a window at the top of the topmost band.
inline constexpr WindowHandle kHwndTopmost = -1;

// Flags and codes of the window operations the program uses.
inline constexpr unsigned kSwpNoSize = 0x0001;
inline constexpr unsigned kSwpNoMove = 0x0002;
inline constexpr int kGwlExStyle = -20;
inline constexpr std::int32_t kWsExLayered = 0x80000;
inline constexpr unsigned kLwaAlpha = 0x2;
inline constexpr unsigned kWmNcLButtonDown = 0xA1;
inline constexpr std::intptr_t kHtCaption = 2;

}  // namespace talvoro
