#pragma once
// Waits off the user-interface thread for something that loads in the background, then posts
// work to the user-interface thread. Its thread ends with it: once destroyed it posts nothing, so
// a user who quits while the load is still under way quits at once, and no work is posted to a
// window system that is already gone.

#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <thread>

#include "platform/UiThread.h"

namespace talvoro::espeak {

template <class T>
class LoadWatcher {
public:
    LoadWatcher(std::shared_future<T> ready, UiThread& ui, std::function<void()> then)
        : thread_([this, ready = std::move(ready), &ui, then = std::move(then)]() mutable {
              // The load itself cannot be interrupted; waiting for it can.
              while (ready.wait_for(std::chrono::milliseconds(20)) != std::future_status::ready)
                  if (stop_) return;
              if (!stop_) ui.post(std::move(then));
          }) {}
    ~LoadWatcher() {
        stop_ = true;
        thread_.join();
    }
    LoadWatcher(const LoadWatcher&) = delete;
    LoadWatcher& operator=(const LoadWatcher&) = delete;

private:
    std::atomic<bool> stop_{false};
    std::thread thread_;  // last: it starts once the flag exists
};

}  // namespace talvoro::espeak
