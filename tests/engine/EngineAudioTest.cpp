// The Linux engine heard through a real sound server: a pulseaudio daemon with a null sink whose
// monitor is recorded.

#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

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

// Where the `n` recorded samples from `at` were handed on, looked for at the starts [lo, hi) in
// `handed`: the start that matches them best, and how well (normalised correlation, 1 for the
// same waveform). The recording has been through the sound server's resampler and back, so it
// matches closely, never exactly.
struct Match {
    std::size_t at = 0;
    double correlation = -1;
};
Match whereHanded(const std::vector<short>& recorded, std::size_t at, std::size_t n,
                  const std::vector<std::int16_t>& handed, std::size_t lo, std::size_t hi) {
    Match best;
    hi = std::min(hi, handed.size() >= n ? handed.size() - n + 1 : 0);
    if (at + n > recorded.size() || lo >= hi) return best;
    double rr = 0;
    for (std::size_t i = 0; i < n; ++i) rr += double(recorded[at + i]) * recorded[at + i];
    double hh = 0;
    for (std::size_t i = 0; i < n; ++i) hh += double(handed[lo + i]) * handed[lo + i];
    for (std::size_t h = lo; h < hi; ++h) {
        if (h > lo)
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

// The recording cut at its silences of 2 ms or more. An output that runs dry on a busy machine
// is filled with silence by the server and then goes on where it was, so sound handed on in one
// stretch may be heard in two, with a silence between them that was never handed on.
struct Piece {
    std::size_t begin, end;   // in the recording
    bool placed = false;      // looked for in the handed sound, and
    std::size_t at = 0;       // where it starts there
    double correlation = -1;  // the worst of its 50 ms there
    std::size_t handedEnd() const { return at + (end - begin); }
};
std::vector<Piece> pieces(const std::vector<short>& sound) {
    constexpr int kQuiet = 64;
    constexpr std::size_t kGap = Recorder::kRate / 500;
    std::vector<Piece> out;
    std::size_t i = 0;
    while (i < sound.size()) {
        while (i < sound.size() && std::abs(sound[i]) <= kQuiet) ++i;
        if (i == sound.size()) break;
        const std::size_t begin = i;
        std::size_t loud = i;
        for (; i < sound.size() && i - loud <= kGap; ++i)
            if (std::abs(sound[i]) > kQuiet) loud = i;
        out.push_back({begin, loud + 1});
    }
    return out;
}

// The sound through a 5-sample moving average twice (its first null at 4.4 kHz, and little
// left above it). The server's resamplers treat the top of the band differently each way, so a
// hiss (an s, a t) comes back from them much changed there, while what a listener follows is
// kept.
std::vector<std::int16_t> lowPassed(const std::vector<std::int16_t>& sound) {
    auto average = [](const std::vector<std::int16_t>& in) {
        std::vector<std::int16_t> out(in.size());
        for (std::size_t i = 0; i < in.size(); ++i) {
            int sum = 0;
            for (std::size_t k = i >= 2 ? i - 2 : 0; k <= i + 2 && k < in.size(); ++k) sum += in[k];
            out[i] = static_cast<std::int16_t>(sum / 5);
        }
        return out;
    };
    return average(average(sound));
}

// Finds each piece of the recording of 20 ms or more in the handed sound, the first anywhere
// and each later one from where the one before it ended: 100 ms back (to see sound said twice)
// to as far on as the recording went on; both compared low-passed, over up to 100 ms of the
// piece (a voiced sound matches itself one pitch period on over a few periods). Then each 50 ms
// of the piece is compared where its start was found. Where one does not match, the piece is
// cut there and the rest found on its own: a silence too short to part two pieces (a server
// that ran dry for a moment) or a piece lost or said twice inside puts what follows out of step,
// and the checks of the junctions tell which it was. Pieces shorter than 20 ms, and 25 ms cut
// off a piece whose start matches nothing, are left unplaced: too little to tell where they
// came from.
std::vector<Piece> placed(const std::vector<short>& recorded,
                          const std::vector<std::int16_t>& handedSound) {
    const std::vector<std::int16_t> heard = lowPassed(recorded), handed = lowPassed(handedSound);
    constexpr std::size_t kLeast = Recorder::kRate / 50, kWindow = Recorder::kRate / 20;
    constexpr std::size_t kBack = Recorder::kRate / 10;
    std::vector<Piece> all = pieces(recorded);
    std::size_t last = all.size();  // the last placed piece, none yet
    for (std::size_t i = 0; i < all.size(); ++i) {
        Piece& p = all[i];
        const std::size_t n = p.end - p.begin;
        if (n < kLeast) continue;
        std::size_t lo = 0, hi = handed.size();
        if (last < all.size()) {
            const std::size_t ended = all[last].handedEnd();
            lo = ended > kBack ? ended - kBack : 0;
            hi = ended + (p.begin - all[last].end) + kLeast;
        }
        const Match m = whereHanded(heard, p.begin, std::min(n, 2 * kWindow), handed, lo, hi);
        std::size_t cut = p.end;
        for (std::size_t from = p.begin, to; from < p.end; from = to) {
            to = p.end - from < kWindow + kLeast ? p.end : from + kWindow;
            const double c = alike(heard, from, to, handed, long(m.at) - long(p.begin));
            if (c <= 0.9 && p.end - from >= kLeast + kWindow / 2) {
                cut = from;
                break;
            }
            if (from == p.begin || c < p.correlation) p.correlation = c;
        }
        if (cut == p.begin) {
            // Its start matches nothing: leave 25 ms of it and look again.
            const Piece rest{p.begin + kWindow / 2, p.end};
            p.end = rest.begin;
            all.insert(all.begin() + long(i) + 1, rest);
            continue;
        }
        p.placed = true;
        p.at = m.at;
        if (cut < p.end) {
            const Piece rest{cut, p.end};
            p.end = cut;
            all.insert(all.begin() + long(i) + 1, rest);
        }
        last = i;
    }
    return all;
}

// Counted in samples, not against clocks, so that a busy machine changes nothing: what the
// engine hands the sound server and what the server's sink let through.
constexpr long kBufferSamples = Recorder::kRate * espeak::kBufferMs / 1000;
constexpr long kChunkSamples = Recorder::kRate / 100;  // the library's 10 ms of sound a call

// What was heard of a paused reading, matched piece by piece against what the engine handed
// on: every piece of 20 ms or more found where it was handed, each after the one before it,
// none said twice and no audible sound skipped between two of them. The server takes back what
// its sink had mixed ahead but not yet played when the stream is held, and plays it at the
// resume; its monitor has passed on some of that already, or on a busy machine not all of it,
// so a few ms can be recorded twice or not at all. A piece the engine lost or repeated is at
// least one library call. Returns what did not hold, with where the pieces were found.
std::vector<std::string> heardAsHanded(const std::vector<short>& heard,
                                       const std::vector<std::int16_t>& handed,
                                       std::size_t pausedAt) {
    std::vector<std::string> problems;
    const Silence pause = longestSilence(heard);
    const std::vector<Piece> parts = placed(heard, handed);
    const Piece *stoppedAt = nullptr, *resumedAt = nullptr, *last = nullptr;
    long shortHeard = 0;  // audible samples of the unplaced pieces since the last placed one
    auto at = [](std::size_t n) { return " at heard sample " + std::to_string(n); };
    for (const Piece& p : parts) {
        if (!p.placed) {
            shortHeard += audibleSamples(heard, p.begin, p.end);
            continue;
        }
        if (p.correlation <= 0.9) problems.push_back("not what was handed on" + at(p.begin));
        if (last) {
            const std::size_t ended = last->handedEnd();
            // Between two pieces, as much sound heard as handed on: silence may have been put in
            // there, sound may not.
            const long between = p.at > ended ? audibleSamples(handed, ended, p.at) : 0;
            if (p.at + kChunkSamples <= ended || shortHeard - between >= kChunkSamples)
                problems.push_back("sound repeated" + at(p.begin));
            if (between - shortHeard >= kChunkSamples)
                problems.push_back("sound lost before" + at(p.begin));
        }
        if (p.begin < pause.begin)
            stoppedAt = &p;
        else if (!resumedAt)
            resumedAt = &p;
        last = &p;
        shortHeard = 0;
    }
    if (!stoppedAt || !resumedAt) {
        problems.push_back("no sound heard on both sides of the pause");
    } else {
        // Silent at once: no sound handed on after the pause was heard. How much of what was
        // handed before it the server had not played yet is the server's matter: a busy server
        // falls behind its own buffer, and what it holds at the pause comes at the resume, as
        // the checks above show.
        if (stoppedAt->handedEnd() > pausedAt + kChunkSamples)
            problems.push_back("sound handed on after the pause was heard");
        if (resumedAt->at > pausedAt + kChunkSamples)
            problems.push_back("the resume went on after the pause");
    }
    if (!problems.empty()) {
        std::string where = "pieces heard (from-to@where handed/correlation):";
        for (const Piece& p : parts)
            if (p.placed)
                where += " " + std::to_string(p.begin) + "-" + std::to_string(p.end) + "@" +
                         std::to_string(p.at) + "/" + std::to_string(p.correlation).substr(0, 5);
        problems.push_back(where + "; the pause at handed sample " + std::to_string(pausedAt));
    }
    return problems;
}

TEST_F(EngineAudioTest, PauseSilencesAtOnceAndResumeLosesNothing) {
    const std::string text = "One two three four five six seven eight nine ten eleven twelve.";
    OutputTap& tap = OutputTap::instance();
    hear(text);  // the voice settles in its first reading
    tap.clear();
    const Recorder::Sound whole = hear(text);
    ASSERT_TRUE(whole.audible);
    const std::vector<std::int16_t> unpaused = sounding(tap.samples());

    // What the engine did is checked on every reading. What the server let through is checked
    // against it, and read again (up to three readings) when the server was too busy to play
    // it as handed: a server that ran dry fills the gap with silence, and one whose sink falls
    // far behind passes on some of its sound twice. Each reading that did not hold is reported.
    std::vector<std::string> problems;
    for (int reading = 1; reading <= 3; ++reading) {
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
        EXPECT_LE(audibleSamples(handed, marks[0].at, marks[1].at),
                  kBufferSamples + 2 * kChunkSamples);

        problems = heardAsHanded(recorder->sound(), handed, marks[0].at);
        // And the rest came after the pause: as much sound as the reading that was never paused.
        const Recorder::Sound split = recorder->analyse();
        if (split.longestGap < 0.5) problems.push_back("no pause heard");
        if (std::abs(split.audibleSamples - whole.audibleSamples) > whole.audibleSamples * 0.03)
            problems.push_back("heard " + std::to_string(split.audibleSamples) +
                               " audible samples, unpaused " +
                               std::to_string(whole.audibleSamples));
        if (problems.empty()) break;
        std::cerr << "reading " << reading << " not heard as handed:";
        for (const std::string& p : problems) std::cerr << "\n  " << p;
        std::cerr << "\n";
    }
    EXPECT_TRUE(problems.empty()) << "three readings were not heard as handed";
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
