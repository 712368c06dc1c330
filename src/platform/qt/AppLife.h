#pragma once

#include <functional>

namespace talvoro::qt {

// The program ends when its last window has closed: the basket, the help viewer and the About
// box each keep it running. Call after one of them has closed.
void quitWhenNoWindowsRemain();

// When the system ends the program, it ends as it does on its close command: `closeBasket` runs
// (the basket closes and its place is saved), then the program quits, whatever other windows
// are open. That is on SIGTERM (logout, shutdown, kill), SIGHUP (its terminal or session gone)
// and SIGINT (Ctrl+C in its terminal), and on any other way out of the event loop, such as the
// session manager's. Call once the basket is up; `closeBasket` runs on the user-interface thread
// and may run more than once.
void endAsOnClose(std::function<void()> closeBasket);

}  // namespace talvoro::qt
