// The Linux engine heard through a real sound server: a pulseaudio daemon with a null sink whose
// monitor is recorded.

#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "EngineFixture.h"
#include "OutputTap.h"
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

// The sound between the first and the last sample louder than silence: a stream's sound without
// the silence played ahead of it to settle the sound server.
std::vector<std::int16_t> sounding(const std::vector<std::int16_t>& sound) {
    std::size_t from = 0, to = sound.size();
    while (from < to && sound[from] == 0) ++from;
    while (to > from && sound[to - 1] == 0) --to;
    return {sound.begin() + static_cast<long>(from), sound.begin() + static_cast<long>(to)};
}

// How alike two sounds are in their loudness from one 10 ms block to the next: 1 for the same
// sound, lower for a sound with a piece missing or said twice. The library's voice carries its
// phase from one reading into the next, so the same text never gives quite the same samples.
double envelopeCorrelation(const std::vector<std::int16_t>& a, const std::vector<std::int16_t>& b) {
    auto envelope = [](const std::vector<std::int16_t>& s) {
        std::vector<double> e;
        constexpr std::size_t block = Recorder::kRate / 100;
        for (std::size_t i = 0; i + block <= s.size(); i += block) {
            double sum = 0;
            for (std::size_t k = i; k < i + block; ++k) sum += double(s[k]) * s[k];
            e.push_back(std::sqrt(sum / block));
        }
        return e;
    };
    const std::vector<double> x = envelope(a), y = envelope(b);
    const std::size_t n = std::max(x.size(), y.size());
    auto at = [](const std::vector<double>& v, std::size_t i) { return i < v.size() ? v[i] : 0.0; };
    double mx = 0, my = 0;
    for (std::size_t i = 0; i < n; ++i) mx += at(x, i), my += at(y, i);
    mx /= double(n), my /= double(n);
    double sxy = 0, sxx = 0, syy = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const double dx = at(x, i) - mx, dy = at(y, i) - my;
        sxy += dx * dy, sxx += dx * dx, syy += dy * dy;
    }
    return sxx > 0 && syy > 0 ? sxy / std::sqrt(sxx * syy) : 0;
}

// The longest silence inside a recording: from the sample after the last audible one before
// it to the first audible one after it.
struct Silence {
    std::size_t begin = 0, end = 0;
};
Silence longestSilence(const std::vector<short>& sound, int threshold = 400) {
    Silence longest;
    std::size_t last = 0;
    bool any = false;
    for (std::size_t i = 0; i < sound.size(); ++i) {
        if (std::abs(sound[i]) <= threshold) continue;
        if (any && i - last - 1 > longest.end - longest.begin) longest = {last + 1, i};
        any = true;
        last = i;
    }
    return longest;
}

// How alike recorded[from, to) is to the handed sound `shift` samples later (normalised
// correlation).
double alike(const std::vector<short>& recorded, std::size_t from, std::size_t to,
             const std::vector<std::int16_t>& handed, long shift) {
    double rr = 0, hh = 0, rh = 0;
    for (std::size_t i = from; i < to; ++i) {
        const long h = long(i) + shift;
        const double r = recorded[i], x = h >= 0 && h < long(handed.size()) ? handed[h] : 0;
        rr += r * r, hh += x * x, rh += r * x;
    }
    return rr > 0 && hh > 0 ? rh / std::sqrt(rr * hh) : 0;
}

// Where the `n` recorded samples from `at` were handed on: the start in `handed` that matches
// them best, and how well (normalised correlation, 1 for the same waveform). The recording has
// been through the sound server's resampler and back, so it matches closely, never exactly.
struct Match {
    std::size_t at = 0;
    double correlation = -1;
};
Match whereHanded(const std::vector<short>& recorded, std::size_t at, std::size_t n,
                  const std::vector<std::int16_t>& handed) {
    Match best;
    if (at + n > recorded.size() || n > handed.size()) return best;
    double rr = 0;
    for (std::size_t i = 0; i < n; ++i) rr += double(recorded[at + i]) * recorded[at + i];
    double hh = 0;
    for (std::size_t i = 0; i < n; ++i) hh += double(handed[i]) * handed[i];
    for (std::size_t h = 0; h + n <= handed.size(); ++h) {
        if (h > 0)
            hh += double(handed[h + n - 1]) * handed[h + n - 1] -
                  double(handed[h - 1]) * handed[h - 1];
        if (hh <= 0 || rr <= 0) continue;
        double rh = 0;
        for (std::size_t i = 0; i < n; ++i) rh += double(recorded[at + i]) * handed[h + i];
        const double c = rh / std::sqrt(rr * hh);
        if (c > best.correlation) best = {h, c};
    }
    return best;
}

// Counted in samples, not against clocks, so that a busy machine changes nothing: what the
// engine hands the sound server and what the server's sink let through.
constexpr long kBufferSamples = Recorder::kRate * espeak::kBufferMs / 1000;
constexpr long kChunkSamples = Recorder::kRate / 100;  // the library's 10 ms of sound a call

TEST_F(EngineAudioTest, PauseSilencesAtOnceAndResumeLosesNothing) {
    const std::string text = "One two three four five six seven eight nine ten eleven twelve.";
    OutputTap& tap = OutputTap::instance();
    hear(text);  // the voice settles in its first reading
    tap.clear();
    const Recorder::Sound whole = hear(text);
    ASSERT_TRUE(whole.audible);
    const std::vector<std::int16_t> unpaused = sounding(tap.samples());

    recorder->clear();
    tap.clear();
    const long ends = ui.count("end");
    engine->Speak(text, kRead);
    ui.pumpFor(700ms);
    engine->Pause();
    // The sound is held before Pause returns, not some time later on the engine thread.
    ASSERT_EQ(tap.marks().size(), 1u);
    ui.pumpFor(1000ms);
    EXPECT_EQ(ui.count("end"), ends);
    engine->Resume();
    ASSERT_TRUE(ui.pumpUntil([&] { return ui.count("end") == ends + 1; }));
    recorder->settle();

    const std::vector<std::int16_t> handed = tap.samples();
    const std::vector<OutputTap::Mark> marks = tap.marks();
    ASSERT_EQ(marks.size(), 2u);
    ASSERT_EQ(marks[0].event, OutputTap::Event::Paused);
    ASSERT_EQ(marks[1].event, OutputTap::Event::Resumed);
    // The engine handed on the sound of a reading that was never paused.
    EXPECT_GT(envelopeCorrelation(sounding(handed), unpaused), 0.99);
    // While held, the engine filled the server's buffer and then waited.
    EXPECT_LE(audibleSamples(handed, marks[0].at, marks[1].at), kBufferSamples + 2 * kChunkSamples);

    // What was heard, matched against what was handed on: the 50 ms heard last before the
    // pause's silence and the 50 ms heard first after it, each found in the handed sound.
    const std::vector<short> heard = recorder->sound();
    const Silence pause = longestSilence(heard);
    const std::size_t window = Recorder::kRate / 20;
    ASSERT_GE(pause.begin, window);
    const Match before = whereHanded(heard, pause.begin - window, window, handed);
    const Match after = whereHanded(heard, pause.end, window, handed);
    ASSERT_GT(before.correlation, 0.9);
    ASSERT_GT(after.correlation, 0.9);
    const std::size_t stopped = before.at + window, resumed = after.at;
    // The sound went on from where it stopped: nothing said twice, and nothing audible skipped
    // (the handed sound between the two is the silence the pause fell into). The server takes
    // back what its sink had mixed ahead but not yet played when the stream is held, and plays
    // it at the resume; its monitor has passed on some of that already, or on a busy machine
    // not all of it, so a few ms can be recorded twice or not at all. A piece the engine lost
    // or repeated is at least one library call.
    EXPECT_GT(resumed + kChunkSamples, stopped) << "sound repeated after the resume";
    if (resumed > stopped) {
        EXPECT_LT(audibleSamples(handed, stopped, resumed), kChunkSamples)
            << "sound lost in the pause";
    }
    // And all that was heard before and after the pause is what was handed on, in one piece
    // each: a piece lost or played twice anywhere puts the rest out of step.
    const long shiftBefore = long(before.at) - long(pause.begin - window);
    const long shiftAfter = long(after.at) - long(pause.end);
    EXPECT_GT(alike(heard, 0, pause.begin, handed, shiftBefore), 0.9);
    EXPECT_GT(alike(heard, pause.end, heard.size(), handed, shiftAfter), 0.9);
    // Silent at once: the sound stopped somewhere in that silence, at no sound handed on after
    // the pause and within one buffer of it.
    EXPECT_LE(stopped, marks[0].at + kChunkSamples) << "sound handed on after the pause was heard";
    EXPECT_GE(resumed + kBufferSamples + 2 * kChunkSamples, marks[0].at);
    // And the rest came after it: as much sound as the reading that was never paused.
    const Recorder::Sound split = recorder->analyse();
    EXPECT_GE(split.longestGap, 0.5);
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
    const std::string text =
        "This sentence is long enough to be cut off well before it is over, surely.";
    OutputTap& tap = OutputTap::instance();
    tap.clear();
    hear(text);
    const long wholeSound = audibleSamples(tap.samples(), 0, SIZE_MAX);
    ui.events.clear();

    recorder->clear();
    tap.clear();
    engine->Speak(text, kRead);
    ui.pumpFor(600ms);
    engine->Speak("", kSvsfPurgeBeforeSpeak);  // the stop command
    const std::size_t atPurge = tap.samples().size();
    ASSERT_TRUE(ui.pumpUntil([&] { return ui.count("end") == 2; }));
    ui.pumpFor(300ms);
    EXPECT_EQ(ui.events, (std::vector<std::string>{"start", "end", "start", "end"}));

    const std::vector<std::int16_t> handed = tap.samples();
    const std::vector<OutputTap::Mark> marks = tap.marks();
    // The engine stops handing on sound at once, and drops what the server still holds.
    EXPECT_LE(audibleSamples(handed, atPurge, handed.size()), kChunkSamples);
    ASSERT_FALSE(marks.empty());
    EXPECT_EQ(marks.back().event, OutputTap::Event::Flushed);
    const long cut = audibleSamples(handed, 0, handed.size());
    EXPECT_LT(cut, wholeSound * 2 / 3) << "the reading was not cut short";
    // What was heard is the beginning of it, no more than was handed on.
    const Recorder::Sound heard = recorder->analyse();
    EXPECT_TRUE(heard.audible);
    EXPECT_LE(heard.audibleSamples, cut + cut / 30);
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
