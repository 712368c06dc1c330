#pragma once

#include <functional>

namespace talvoro {

// Runs work on the user-interface thread, after the current handler has returned. Safe to
// call from any thread.
class UiThread {
public:
    virtual ~UiThread() = default;
    virtual void post(std::function<void()> work) = 0;
};

}  // namespace talvoro
