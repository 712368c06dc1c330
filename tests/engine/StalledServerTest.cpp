// A sound server that stops answering (a stopped or hung pulseaudio still accepts connections)
// costs a bounded wait and then a failed Speak, as a server that went away does, and the engine
// speaks again once it answers.

#include <gtest/gtest.h>

#include <future>

#include "EngineFixture.h"
#include "base/AppError.h"

namespace talvoro::testing {
namespace {

class StalledServerTest : public EngineAudioTest {
protected:
    // Runs `work` off the test's thread; false when it has not returned after `limit`. The server
    // is then let go, so that the work can return at all.
    bool returnsWithin(std::chrono::milliseconds limit, const std::function<void()>& work) {
        std::packaged_task<void()> task(work);
        std::future<void> done = task.get_future();
        std::thread runner(std::move(task));
        const bool inTime = done.wait_for(limit) == std::future_status::ready;
        if (!inTime) daemon->go();
        runner.join();
        if (inTime) done.get();
        return inTime;
    }
};

TEST_F(StalledServerTest, AStoppedServerCostsABoundedWaitThenAFailedSpeak) {
    ASSERT_TRUE(hear("Before the server stops.").audible);
    daemon->stall();

    // The first reading may still find the open stream: it ends unheard once the server has not
    // answered for a while. The next one fails.
    bool failed = false;
    for (int i = 0; i < 3 && !failed; ++i) {
        const long ends = ui.count("end");
        const auto start = Clock::now();
        ASSERT_TRUE(returnsWithin(5s, [&] {
            try {
                engine->Speak("Nobody hears this.", kRead);
            } catch (const AppError&) {
                failed = true;
            }
        })) << "Speak waited for the stopped server";
        EXPECT_LT(Clock::now() - start, 2500ms);
        if (!failed) {
            EXPECT_TRUE(ui.pumpUntil([&] { return ui.count("end") > ends; }, 5s))
                << "a stream started on the stopped server never ended";
        }
    }
    EXPECT_TRUE(failed);
    EXPECT_EQ(ui.count("start"), ui.count("end"));

    // Letting go of the engine does not wait for the server either.
    ASSERT_TRUE(returnsWithin(5s, [&] { engine.reset(); }));

    daemon->go();
    engine = std::make_unique<espeak::EspeakEngine>(ui, ui);
    EXPECT_TRUE(hear("The server answers again.").audible);
}

// While the sound is held the server owes no answer: a pause longer than the wait allowed for
// one loses nothing.
TEST_F(StalledServerTest, ALongPauseIsNoStall) {
    const std::string text = "One two three four five six seven eight nine ten eleven twelve.";
    const Recorder::Sound whole = hear(text);
    ASSERT_TRUE(whole.audible);

    recorder->clear();
    engine->Speak(text, kRead);
    ui.pumpFor(600ms);
    engine->Pause();
    ui.pumpFor(2500ms);
    engine->Resume();
    ASSERT_TRUE(ui.pumpUntil([&] { return ui.count("end") == 2; }));
    std::this_thread::sleep_for(100ms);
    EXPECT_NEAR(recorder->analyse().audibleSamples, whole.audibleSamples,
                whole.audibleSamples * 0.03);
    EXPECT_TRUE(hear("And on.").audible);
}

}  // namespace
}  // namespace talvoro::testing
