#pragma once
// The error policies of the handlers. Each handler wraps its body in exactly one of these.

#include <functional>
#include <string>

#include "base/AppError.h"

namespace talvoro {

class MessageBoxes;

// Any exception as an error number and description.
AppError asAppError(const std::exception_ptr& e);

// Runs `body`; on an error shows the common error box ("错误信息：" and the number as title,
// the description as text, the exclamation icon) and returns false.
bool withCommonErrorBox(MessageBoxes& boxes, const std::function<void()>& body);

// As withCommonErrorBox, except that a cancelled file dialog (kErrDialogCancelled) ends
// silently.
bool withCommonErrorBoxUnlessCancelled(MessageBoxes& boxes, const std::function<void()>& body);

// Runs `body`; on an error ends silently and returns false.
bool withSilentEnd(const std::function<void()>& body);

// Runs one step, passing over its failure. Returns false when the step failed.
inline bool eachStepOnItsOwn(const std::function<void()>& step) {
    return withSilentEnd(step);
}

std::string commonErrorTitle(long number);

// The door by which the window system's events reach the core, on both editions. Each handler
// owns its error policy, so nothing should escape one; whatever does is shown in the common
// error box, and nothing unwinds into the window system.
void handleEvent(MessageBoxes& boxes, const std::function<void()>& handler) noexcept;

// Shows what escaped a handler in the common error box. A box that cannot be shown is passed
// over: there is nowhere left to report it.
void reportEscaped(MessageBoxes& boxes, const std::exception_ptr& escaped) noexcept;

}  // namespace talvoro
