#pragma once

namespace talvoro::qt {

// The program ends when its last window has closed: the basket, the help viewer and the About
// box each keep it running. Call after one of them has closed.
void quitWhenNoWindowsRemain();

}  // namespace talvoro::qt
