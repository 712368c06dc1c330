// The Linux engine heard through a real sound server: a pulseaudio daemon with a null sink whose
// monitor is recorded.

#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "EngineFixture.h"
#include "base/AppError.h"

namespace talvoro::testing {
namespace {

TEST_F(EngineAudioTest, MandarinAndEnglishAreHeardWithEveryStreamStartedAndEnded) {
    const auto voices = engine->GetVoices("", "");
    Recorder::Sound english = hear("Hello, this is a test of the speech engine.");
    EXPECT_TRUE(english.audible);
    EXPECT_GT(english.seconds(), 1.0);

    for (const VoiceToken& v : voices)
        if (engine->GetDescription(v, 0) == "Chinese (Mandarin)") engine->SetVoice(v);
    Recorder::Sound mandarin = hear("你好，这是语音朗读的测试。");
    EXPECT_TRUE(mandarin.audible);
    EXPECT_GT(mandarin.seconds(), 1.0);
    EXPECT_EQ(ui.events, (std::vector<std::string>{"start", "end", "start", "end"}));
}

TEST_F(EngineAudioTest, PauseSilencesAtOnceAndResumeLosesNothing) {
    const std::string text = "One two three four five six seven eight nine ten eleven twelve.";
    const Recorder::Sound whole = hear(text);
    ASSERT_TRUE(whole.audible);

    recorder->clear();
    engine->Speak(text, kRead);
    ui.pumpFor(700ms);
    const auto paused = Clock::now();
    engine->Pause();
    ui.pumpFor(1000ms);
    // Silent within 50 ms of the pause, and silent from then on.
    EXPECT_FALSE(recorder->audibleBetween(paused + 50ms, Clock::now())) << "sound after pause";
    // Speech queued while paused waits for the resume as well.
    EXPECT_EQ(ui.count("end"), 1);
    engine->Resume();
    const auto resumed = Clock::now();
    ASSERT_TRUE(ui.pumpUntil([&] { return ui.count("end") == 2; }));
    std::this_thread::sleep_for(100ms);
    EXPECT_TRUE(recorder->audibleBetween(resumed, Clock::now()));
    const Recorder::Sound split = recorder->analyse();
    // The same sound as an unpaused run: within one buffer (20 ms) and the recorder's blocks.
    const double gap = std::chrono::duration<double>(resumed - paused).count();
    EXPECT_NEAR(split.seconds() - gap, whole.seconds(), 0.045);
    EXPECT_NEAR(split.audibleSamples, whole.audibleSamples, whole.audibleSamples * 0.03);
}

TEST_F(EngineAudioTest, PauseAndResumeCountAndAResumeWithoutPauseDoesNothing) {
    engine->Resume();
    engine->Pause();
    engine->Pause();
    recorder->clear();
    engine->Speak("Counting pauses.", kRead);
    ui.pumpFor(400ms);
    engine->Resume();
    ui.pumpFor(400ms);
    EXPECT_FALSE(recorder->analyse().audible) << "one resume for two pauses must not sound";
    engine->Resume();
    EXPECT_TRUE(ui.pumpUntil([&] { return ui.count("end") == 1; }));
    EXPECT_TRUE(recorder->analyse().audible);
}

TEST_F(EngineAudioTest, PurgeCutsOffAtOnceAndEndsTheStream) {
    recorder->clear();
    engine->Speak("This sentence is long enough to be cut off well before it is over, surely.",
                  kRead);
    ui.pumpFor(600ms);
    const auto purged = Clock::now();
    engine->Speak("", kSvsfPurgeBeforeSpeak);  // the stop command
    ASSERT_TRUE(ui.pumpUntil([&] { return ui.count("end") == 2; }));
    ui.pumpFor(500ms);
    EXPECT_TRUE(recorder->audibleBetween(purged - 400ms, purged));
    EXPECT_FALSE(recorder->audibleBetween(purged + 50ms, Clock::now()));
    EXPECT_EQ(ui.events, (std::vector<std::string>{"start", "end", "start", "end"}));
}

TEST_F(EngineAudioTest, MarkupShapesTheSound) {
    // The pause between the words grows by the second that the markup asks for.
    const double plain = hear("Hello there General Kenobi").longestGap;
    const double silence = hear("Hello there <silence msec=\"1000\"/> General Kenobi").longestGap;
    EXPECT_NEAR(silence - plain, 1.0, 0.1);

    const double normal = hear("The quick brown fox jumps over the lazy dog.").seconds();
    const double fast =
        hear("<rate absspeed=\"10\">The quick brown fox jumps over the lazy dog.</rate>").seconds();
    EXPECT_NEAR(normal / fast, 3.0, 0.6);

    const Recorder::Sound loud = hear("Loud and clear, loud and clear.");
    const Recorder::Sound soft =
        hear("<volume level=\"50\">Loud and clear, loud and clear.</volume>");
    EXPECT_NEAR(soft.rms / loud.rms, 0.5, 0.05);
    EXPECT_NEAR(soft.peak / loud.peak, 0.5, 0.05);

    const Recorder::Sound word = hear("cab");
    const Recorder::Sound spelled = hear("<spell>cab</spell>");
    EXPECT_TRUE(spelled.audible);
    EXPECT_GT(spelled.seconds(), word.seconds() * 1.5);

    // A stray "<" does not swallow the text around it, not even at the very start.
    const Recorder::Sound stray = hear("one < two and three");
    const Recorder::Sound clean = hear("one two and three");
    EXPECT_NEAR(stray.seconds(), clean.seconds(), 0.3);
    const Recorder::Sound leading = hear("<one two and three");
    EXPECT_NEAR(leading.seconds(), clean.seconds(), 0.3);
}

TEST_F(EngineAudioTest, EngineVolumeScalesTheSound) {
    const Recorder::Sound full = hear("Volume check, volume check.");
    engine->SetVolume(50);
    const Recorder::Sound half = hear("Volume check, volume check.");
    EXPECT_NEAR(half.rms / full.rms, 0.5, 0.05);
    engine->SetVolume(50);
    const Recorder::Sound quarter =
        hear("<volume level=\"50\">Volume check, volume check.</volume>");
    EXPECT_NEAR(quarter.rms / full.rms, 0.25, 0.04);
}

TEST_F(EngineAudioTest, AudioTagTouchesNoFileAndStartsNoProcess) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / "talvoro-audio-tag";
    fs::create_directories(dir);
    const fs::path wav = dir / "x.wav", mp3 = dir / "x.mp3";
    std::ofstream(wav) << "RIFF";
    std::ofstream(mp3) << "ID3";
    const int watch = inotify_init1(IN_NONBLOCK);
    inotify_add_watch(watch, dir.c_str(), IN_OPEN | IN_ACCESS);
    const std::string marker = (dir / "ran").string();
    const Recorder::Sound s =
        hear("Before <audio src=\"" + wav.string() + "\"/> <audio src=\"" + mp3.string() +
             "\">fallback</audio> <audio src=\"x.mp3;touch " + marker + "\"/> after.");
    EXPECT_TRUE(s.audible);
    char buf[4096];
    EXPECT_LE(read(watch, buf, sizeof buf), 0) << "a file was opened";
    EXPECT_FALSE(fs::exists(marker));
    close(watch);
    fs::remove_all(dir);
}

TEST_F(EngineAudioTest, SoundServerGoneFailsTheSpeakAndAComebackSpeaksAgain) {
    daemon->kill();
    recorder.reset();
    EXPECT_THROW(
        {
            for (int i = 0; i < 3; ++i) {  // the first may still find the old stream
                engine->Speak("Nobody hears this.", kRead);
                ui.pumpFor(200ms);
            }
        },
        AppError);
    ASSERT_TRUE(daemon->restart());
    recorder = std::make_unique<Recorder>();
    EXPECT_TRUE(hear("Back again.").audible);
}

}  // namespace
}  // namespace talvoro::testing
