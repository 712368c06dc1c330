#pragma once
// The one thread that talks to libespeak-ng. The library keeps global state, so every call into
// it, initialisation included, runs here.

#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <thread>

namespace talvoro::espeak {

class EngineThread {
public:
    EngineThread();
    ~EngineThread();
    EngineThread(const EngineThread&) = delete;
    EngineThread& operator=(const EngineThread&) = delete;

    // Queues `work` and returns at once.
    void post(std::function<void()> work);

    // Runs `work` on the engine thread and waits for its result; exceptions travel back.
    template <typename F>
    auto call(F work) -> decltype(work()) {
        std::packaged_task<decltype(work())()> task(std::move(work));
        auto result = task.get_future();
        post([&task] { task(); });
        return result.get();
    }

private:
    void run();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> queue_;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace talvoro::espeak
