// Every stream starts and ends, in the order it was queued, whatever is purged and whenever: the
// menu follows these events, and an end that overtakes a start shows "not reading" while a
// stream speaks.

#include <gtest/gtest.h>

#include <thread>

#include "EngineFixture.h"
#include "speech/espeak/Synthesizer.h"

namespace talvoro::testing {
namespace {

// The events of one stream, written to a log shared by all streams.
class Tagged : public SpeechEvents {
public:
    Tagged(std::vector<std::string>& log, std::string tag) : log_(log), tag_(std::move(tag)) {}
    void Voice_StartStream() override { log_.push_back("S" + tag_); }
    void Voice_EndStream() override { log_.push_back("E" + tag_); }

private:
    std::vector<std::string>& log_;
    std::string tag_;
};

class StreamEventsTest : public EngineAudioTest {
protected:
    void SetUp() override {
        EngineAudioTest::SetUp();
        for (const char* tag : {"1", "2", "3"})
            tagged_.push_back(std::make_unique<Tagged>(log, tag));
    }
    void TearDown() override {
        synth.purgeAndWait();
        synth.streamTaken = nullptr;
        EngineAudioTest::TearDown();
    }

    // Stream `n` (1..3), through the synthesiser itself, with its own events.
    void speak(int n, const std::string& text, int flags) {
        synth.speak({std::make_shared<const std::string>(text), flags, synth.defaultVoice(), 0,
                     tagged_[n - 1].get(), &ui});
    }

    // Holds the engine thread where it has taken a stream from the queue and posted nothing about
    // it yet, until the gate opens.
    void closeGate() {
        synth.streamTaken = [this](long) {
            std::unique_lock lock(gateMutex_);
            ++held_;
            gateChanged_.notify_all();
            gateChanged_.wait(lock, [this] { return open_; });
        };
    }
    void awaitHeld() {
        std::unique_lock lock(gateMutex_);
        ASSERT_TRUE(gateChanged_.wait_for(lock, 10s, [this] { return held_ > 0; }));
    }
    void openGate() {
        std::lock_guard lock(gateMutex_);
        open_ = true;
        gateChanged_.notify_all();
    }

    bool logged(const std::string& event) {
        return std::find(log.begin(), log.end(), event) != log.end();
    }

    espeak::Synthesizer& synth = espeak::Synthesizer::instance();
    std::vector<std::string> log;
    const std::vector<std::string> kInOrder{"S1", "E1", "S2", "E2", "S3", "E3"};
    static constexpr const char* kLong =
        "A reading long enough to be still under way when the next ones are asked for.";

private:
    std::vector<std::unique_ptr<Tagged>> tagged_;
    std::mutex gateMutex_;
    std::condition_variable gateChanged_;
    bool open_ = false;
    int held_ = 0;
};

TEST_F(StreamEventsTest, PurgedStreamsStartAndEndInQueueOrderWhileTheEngineHoldsOne) {
    closeGate();
    speak(1, kLong, kSvsfAsync);
    awaitHeld();  // the engine thread has taken stream 1 and posted nothing yet
    speak(2, "Two.", kSvsfAsync);
    speak(3, "Three.", kSvsfAsync | kSvsfPurgeBeforeSpeak);
    openGate();
    ASSERT_TRUE(ui.pumpUntil([&] { return logged("E3"); }));
    ui.pumpFor(200ms);
    EXPECT_EQ(log, kInOrder);
    EXPECT_TRUE(recorder->analyse().audible) << "the stream after the purge is spoken";
}

TEST_F(StreamEventsTest, AStreamQueuedBehindAReadingStartsAfterTheReadingEnds) {
    speak(1, kLong, kSvsfAsync);
    ASSERT_TRUE(ui.pumpUntil([&] { return logged("S1"); }));
    ui.pumpFor(300ms);
    speak(2, "Two.", kSvsfAsync);
    speak(3, "Three.", kSvsfAsync | kSvsfPurgeBeforeSpeak);
    ASSERT_TRUE(ui.pumpUntil([&] { return logged("E3"); }));
    ui.pumpFor(200ms);
    EXPECT_EQ(log, kInOrder);
}

TEST_F(StreamEventsTest, ADiscardedQueueStillStartsAndEndsEveryStream) {
    closeGate();
    speak(1, kLong, kSvsfAsync);
    awaitHeld();
    speak(2, "Two.", kSvsfAsync);
    speak(3, "Three.", kSvsfAsync);
    std::thread opener([this] {
        std::this_thread::sleep_for(200ms);
        openGate();
    });
    synth.purgeAndWait();  // as the engine does when it goes
    opener.join();
    ui.pumpFor(300ms);
    EXPECT_EQ(log, kInOrder);
    EXPECT_FALSE(recorder->analyse().audible) << "nothing discarded is spoken";
}

}  // namespace
}  // namespace talvoro::testing
