#include "platform/win32/Win32UiThread.h"

#include "base/ErrorPolicy.h"

namespace talvoro::win32 {
namespace {

constexpr UINT kRunQueued = WM_APP + 1;

}  // namespace

Win32UiThread::Win32UiThread(MessageBoxes& boxes)
    : boxes_(boxes), window_([this](UINT message, WPARAM, LPARAM) {
          if (message == kRunQueued) runQueued();
      }) {}

void Win32UiThread::post(std::function<void()> work) {
    std::lock_guard lock(mutex_);
    queue_.push_back(std::move(work));
    // One message wakes the loop for everything queued until it is handled.
    if (!signalled_) signalled_ = PostMessageW(window_.handle(), kRunQueued, 0, 0) != FALSE;
}

// Takes one piece of work at a time: work that runs a modal loop (a message box) lets the rest
// run inside that loop, still in order.
void Win32UiThread::runQueued() {
    for (;;) {
        std::function<void()> work;
        {
            std::lock_guard lock(mutex_);
            if (queue_.empty()) {
                signalled_ = false;
                return;
            }
            work = std::move(queue_.front());
            queue_.pop_front();
            signalled_ =
                !queue_.empty() && PostMessageW(window_.handle(), kRunQueued, 0, 0) != FALSE;
        }
        // A failure costs nothing of the rest.
        if (work) handleEvent(boxes_, work);
    }
}

}  // namespace talvoro::win32
