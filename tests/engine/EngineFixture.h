#pragma once
// What the engine tests share: a user-interface thread that the test pumps, and an engine that
// speaks to a private sound server whose null sink is recorded.

#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "PulseSink.h"
#include "platform/UiThread.h"
#include "speech/espeak/EspeakEngine.h"

namespace talvoro::testing {

using namespace std::chrono_literals;

// The user-interface thread of the tests: posted work runs when the test pumps it.
class TestUi : public UiThread, public SpeechEvents {
public:
    void post(std::function<void()> work) override {
        std::lock_guard lock(mutex_);
        queue_.push_back(std::move(work));
        cv_.notify_all();
    }
    void Voice_StartStream() override { events.push_back("start"); }
    void Voice_EndStream() override { events.push_back("end"); }

    // Runs posted work until `done` holds or the time is up.
    bool pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = 20s) {
        const auto deadline = Clock::now() + limit;
        while (!done()) {
            std::function<void()> work;
            {
                std::unique_lock lock(mutex_);
                if (!cv_.wait_until(lock, deadline, [&] { return !queue_.empty(); })) return done();
                work = std::move(queue_.front());
                queue_.pop_front();
            }
            work();
        }
        return true;
    }
    void pumpFor(std::chrono::milliseconds d) {
        const auto until = Clock::now() + d;
        pumpUntil([&] { return Clock::now() >= until; }, d + 50ms);
    }
    long count(const std::string& e) const { return std::count(events.begin(), events.end(), e); }

    std::vector<std::string> events;

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    std::deque<std::function<void()>> queue_;
};

constexpr int kRead = kSvsfAsync | kSvsfPurgeBeforeSpeak | kSvsfIsXml;

// An engine speaking to a sound server of the suite's own.
class EngineAudioTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        setenv("LANG", "en_GB.UTF-8", 1);
        daemon = new PulseDaemon();
    }
    static void TearDownTestSuite() {
        delete daemon;
        daemon = nullptr;
    }
    void SetUp() override {
        ASSERT_TRUE(daemon->running());
        engine = std::make_unique<espeak::EspeakEngine>(ui, ui);
        recorder = std::make_unique<Recorder>();
    }
    void TearDown() override {
        engine.reset();
        recorder.reset();
    }

    // Speaks and waits for the end of the stream; returns the sound that was heard.
    Recorder::Sound hear(const std::string& text, int flags = kRead) {
        recorder->clear();
        const long ends = ui.count("end");
        engine->Speak(text, flags);
        EXPECT_TRUE(ui.pumpUntil([&] { return ui.count("end") > ends; }));
        recorder->settle();  // the monitor lags the sink
        return recorder->analyse();
    }

    static inline PulseDaemon* daemon = nullptr;
    TestUi ui;
    std::unique_ptr<espeak::EspeakEngine> engine;
    std::unique_ptr<Recorder> recorder;
};

}  // namespace talvoro::testing
