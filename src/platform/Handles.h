#pragma once
// Opaque window handles as the core sees them. The Win32 edition passes real HWND values; the
// Linux edition hands out small numbers that it maps back to its widgets.

#include <cstdint>

namespace talvoro {

using WindowHandle = std::intptr_t;

}  // namespace talvoro
