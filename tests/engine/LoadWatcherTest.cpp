// The wait for the speech module: work is posted once it has loaded, and a wait given up (the
// user quit first) ends at once and posts nothing, however late the load comes.

#include <gtest/gtest.h>

#include <chrono>
#include <deque>
#include <memory>
#include <mutex>

#include "speech/espeak/LoadWatcher.h"

namespace talvoro::espeak {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

class CountingUi : public UiThread {
public:
    void post(std::function<void()> work) override {
        std::lock_guard lock(mutex_);
        posted_.push_back(std::move(work));
    }
    std::size_t posted() {
        std::lock_guard lock(mutex_);
        return posted_.size();
    }
    void runAll() {
        std::deque<std::function<void()>> work;
        {
            std::lock_guard lock(mutex_);
            work.swap(posted_);
        }
        for (auto& w : work) w();
    }

private:
    std::mutex mutex_;
    std::deque<std::function<void()>> posted_;
};

TEST(LoadWatcher, PostsOnceTheLoadIsDone) {
    CountingUi ui;
    std::promise<int> load;
    int ran = 0;
    LoadWatcher<int> watcher(load.get_future().share(), ui, [&] { ++ran; });
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(ui.posted(), 0u);
    load.set_value(1);
    const auto deadline = Clock::now() + 5s;
    while (ui.posted() == 0 && Clock::now() < deadline) std::this_thread::sleep_for(5ms);
    ui.runAll();
    EXPECT_EQ(ran, 1);
}

TEST(LoadWatcher, AWaitGivenUpEndsAtOnceAndPostsNothingLater) {
    CountingUi ui;
    std::promise<int> load;
    auto watcher = std::make_unique<LoadWatcher<int>>(load.get_future().share(), ui, [] {});
    std::this_thread::sleep_for(50ms);
    const auto start = Clock::now();
    watcher.reset();  // with the load still under way
    EXPECT_LT(Clock::now() - start, 1s);
    load.set_value(1);
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(ui.posted(), 0u);
}

}  // namespace
}  // namespace talvoro::espeak
