#pragma once
// The error numbers of the speech engines, one table for both editions, so that the same fault
// shows the same box on each: SAPI's own numbers (HRESULTs as signed 32-bit numbers), which the
// Linux engine reports too.

#include "base/AppError.h"
#include "speech/SpeechEngine.h"

namespace talvoro {

inline constexpr long kErrEngineFailed = -2147467259;     // E_FAIL
inline constexpr long kErrNotImplemented = -2147467263;   // E_NOTIMPL
inline constexpr long kErrInvalidArgument = -2147024809;  // E_INVALIDARG
inline constexpr long kErrVoiceNotFound = -2147200966;    // SPERR_NOT_FOUND
// The engine object cannot be made at all.
inline constexpr long kErrCannotCreateEngine = 429;

// A rate or volume outside the engine's range is refused before it reaches the engine, the way
// SAPI refuses it, and the engine keeps the value it had.
inline void checkRate(int rate) {
    if (rate < kRateMin || rate > kRateMax) throw AppError(kErrInvalidArgument, "参数不正确");
}

inline void checkVolume(int volume) {
    if (volume < kVolumeMin || volume > kVolumeMax)
        throw AppError(kErrInvalidArgument, "参数不正确");
}

}  // namespace talvoro
