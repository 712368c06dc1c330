#pragma once

#include <functional>

namespace talvoro {

// Runs work on the user-interface thread, after the current handler has returned. Safe to
// call from any thread.
class UiThread {
public:
    virtual ~UiThread() = default;
    virtual void post(std::function<void()> work) = 0;
    // Like post, but not before the program's window is first on screen: for background work
    // that would otherwise compete with the window for the processor while it appears.
    virtual void postOnceShown(std::function<void()> work) { post(std::move(work)); }
};

}  // namespace talvoro
