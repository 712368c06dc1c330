#pragma once

#include <deque>
#include <functional>
#include <mutex>

#include "base/MessageBoxes.h"
#include "platform/UiThread.h"
#include "platform/win32/MessageWindow.h"

namespace talvoro::win32 {

// Queues work from any thread and runs it on the thread that created this object, from its
// message loop, in the order it was posted.
class Win32UiThread : public UiThread {
public:
    // What escapes a piece of work is shown through `boxes`.
    explicit Win32UiThread(MessageBoxes& boxes);
    void post(std::function<void()> work) override;

private:
    void runQueued();

    MessageBoxes& boxes_;
    std::mutex mutex_;
    std::deque<std::function<void()>> queue_;
    bool signalled_ = false;  // a wake-up message is on its way
    MessageWindow window_;
};

}  // namespace talvoro::win32
