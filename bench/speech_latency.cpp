// How soon speech is heard, and how soon it stops, at a private pulseaudio null sink: the
// program's engine (the read command's Speak of the shared text buffer with flags 11, and the
// pause command's Pause) beside the espeak-ng command and spd-say, for a short text and for a
// text of 10 MB, in English and in Chinese (read through the Mandarin front end). Every figure
// is taken
// the same way: the moment of the request against the sink's monitor, recorded in 5 ms blocks.
//
// Usage: speech_latency [runs]   (bench/run-speech.sh runs it)

#include <cstdio>
#include <functional>

#include "PulseSink.h"
#include "SinkTiming.h"
#include "platform/UiThread.h"
#include "speech/espeak/EspeakEngine.h"

namespace {

using namespace talvoro::bench;
using talvoro::testing::PulseDaemon;

struct Row {
    std::string what;
    std::vector<double> first;
    std::vector<double> silence;
    std::string silenceBy;
};

void print(const Row& r) {
    auto cell = [](double v) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%7.1f", v);
        return std::string(v < 0 ? "      -" : buf);
    };
    const double worst =
        r.silence.empty() ? -1 : *std::max_element(r.silence.begin(), r.silence.end());
    std::printf("%-30s %s %s %s  %s\n", r.what.c_str(), cell(median(r.first)).c_str(),
                cell(median(r.silence)).c_str(), cell(worst).c_str(), r.silenceBy.c_str());
    std::fflush(stdout);
}

// One measured reading: `start` makes the request, `hold` asks for silence once it has sounded
// for a while, `end` cleans up.
void measure(Recorder& rec, Row& row, const std::function<void()>& start,
             const std::function<void()>& hold, const std::function<void()>& end) {
    rec.waitForSilence(300, 5000);
    rec.clear();
    const auto t0 = Clock::now();
    start();
    const auto first = firstAudible(rec, t0, 10s);
    if (first) {
        row.first.push_back(since(t0, *first));
        std::this_thread::sleep_until(*first + 500ms);
        const auto tp = Clock::now();
        hold();
        std::this_thread::sleep_for(2500ms);
        row.silence.push_back(lastAudibleAfter(rec, tp));
    } else {
        std::fprintf(stderr, "# %s: nothing was heard\n", row.what.c_str());
    }
    end();
}

class NoEvents : public talvoro::SpeechEvents {
public:
    void Voice_StartStream() override {}
    void Voice_EndStream() override {}
};

class InlineUi : public talvoro::UiThread {
public:
    void post(std::function<void()> work) override { work(); }
};

// A Chinese sentence of each kind the front end meets: words of several readings, numbers,
// dates, percentages and an English word.
const char* const kChinese[] = {
    "这家银行今天不营业，行人请走人行道。",
    "2024年3月5日上午9:30，气温零下3.5℃，湿度百分之六十。",
    "他用Windows电脑写了一篇关于长江的文章，一共3,250个字。",
    "孩子们都长高了，大家都在唱歌跳舞，非常快乐！",
};
const char* const kShortChinese = "你好，今天天气很好。";

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    // The engine here is linked into the program, not loaded beside the dictionary.
    setenv("TALVORO_MANDARIN_DICT", TALVORO_MANDARIN_DICT, 0);

    // Ten megabytes of English sentences.
    std::string big;
    big.reserve(10'500'000);
    for (long i = 0; big.size() < 10'000'000; ++i)
        big += "Sentence number " + std::to_string(i) +
               " of a long text, read aloud from its beginning while the rest waits.\n";
    std::string bigChinese;
    bigChinese.reserve(10'500'000);
    for (std::size_t i = 0; bigChinese.size() < 10'000'000; ++i)
        bigChinese += std::string(kChinese[i % std::size(kChinese)]) + "\n";
    const std::string bigFile = (std::filesystem::temp_directory_path() /
                                 ("talvoro-bench-" + std::to_string(getpid()) + ".txt"))
                                    .string();
    std::ofstream(bigFile) << big;
    // The texts as the program's text buffer holds them: shared with the engine, not copied.
    const talvoro::SpeechText bigText = std::make_shared<const std::string>(big);
    const talvoro::SpeechText shortText = std::make_shared<const std::string>(kShort);
    const talvoro::SpeechText bigChineseText = std::make_shared<const std::string>(bigChinese);
    const talvoro::SpeechText shortChinese = std::make_shared<const std::string>(kShortChinese);

    PulseDaemon daemon;
    Recorder rec;
    std::printf(
        "Speech latency at a pulseaudio null sink (medians of %d runs; ms from the request)\n",
        runs);
    std::printf("%-30s %7s %7s %7s  %s\n", "", "sound", "silence", "worst", "(silence after)");

    {
        NoEvents events;
        InlineUi ui;
        talvoro::espeak::EspeakEngine engine(events, ui);
        engine.Speak(" ", 1);  // the engine and its stream are up, as in the running program
        std::this_thread::sleep_for(500ms);
        for (const auto& [label, text] :
             {std::pair<const char*, talvoro::SpeechText>{"talvoro, short text", shortText},
              {"talvoro, 10 MB text", bigText},
              {"talvoro, short Chinese text", shortChinese},
              {"talvoro, 10 MB Chinese text", bigChineseText}}) {
            Row row{label, {}, {}, "Pause"};
            for (int i = 0; i < runs; ++i)
                measure(
                    rec, row, [&] { engine.speakShared(text, 11); }, [&] { engine.Pause(); },
                    [&] {
                        engine.Speak("", 3);
                        engine.Resume();
                    });
            print(row);
        }
    }

    if (have("espeak-ng")) {
        for (bool large : {false, true}) {
            Row row{large ? "espeak-ng -f, 10 MB text" : "espeak-ng \"text\"",
                    {},
                    {},
                    "SIGSTOP (it has no pause)"};
            for (int i = 0; i < runs; ++i) {
                pid_t pid = -1;
                measure(
                    rec, row,
                    [&] {
                        pid = large ? spawn({"espeak-ng", "-f", bigFile})
                                    : spawn({"espeak-ng", kShort});
                    },
                    [&] { kill(pid, SIGSTOP); }, [&] { reap(pid); });
            }
            print(row);
        }
    } else {
        std::printf("espeak-ng: not installed (tools/setup-debian.sh bench)\n");
    }

    if (have("spd-say")) {
        // The first request starts the speech-dispatcher daemon; later ones find it running.
        for (bool large : {false, true}) {
            for (bool cold : {true, false}) {
                if (large && cold) continue;
                Row row{std::string(large ? "spd-say -e, 10 MB text" : "spd-say \"text\"") +
                            (cold ? " (daemon starts)" : ""),
                        {},
                        {},
                        "spd-say -C"};
                for (int i = 0; i < (cold ? 1 : runs); ++i) {
                    pid_t pid = -1;
                    measure(
                        rec, row,
                        [&] {
                            pid = large ? spawn({"spd-say", "-e"}, bigFile.c_str())
                                        : spawn({"spd-say", kShort});
                        },
                        [&] {
                            run({"spd-say", "-C"});
                        },
                        [&] {
                            reap(pid);
                            run({"spd-say", "-C"});
                        });
                }
                print(row);
            }
        }
        endDispatchers();
    } else {
        std::printf("spd-say: not installed (tools/setup-debian.sh bench)\n");
    }

    std::filesystem::remove(bigFile);
    return 0;
}
