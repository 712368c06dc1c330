#pragma once

#include <cstdint>

#include "platform/Handles.h"

namespace talvoro {

class WindowManager;

inline constexpr std::int32_t kAlphaSet = 0;
inline constexpr std::int32_t kAlphaOutOfRange = 1;
inline constexpr std::int32_t kAlphaPlatformFailed = 2;

// Makes `hWnd` a layered window of opacity `Alpha` (0 to 255). Returns 0 when set, 1 when
// `Alpha` is out of range (nothing touched), 2 when a platform call failed; a failing call is
// passed over and the next one still runs.
std::int32_t SetWindowAlpha(WindowManager& wm, WindowHandle hWnd, std::int16_t Alpha);

}  // namespace talvoro
