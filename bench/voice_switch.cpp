// What reading Chinese run by run costs in the engine library, without sound: changing the
// library's voice (the first time, and back and forth after), and the time from a Chinese
// request to its first sample when the English voice is loaded, through the Mandarin front end,
// the voice change and the synthesis, as the engine's thread does it.
//
// Usage: voice_switch [runs]

#include <espeak-ng/speak_lib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "speech/espeak/ScriptRouter.h"

namespace {

using Clock = std::chrono::steady_clock;

Clock::time_point firstSample;
bool heard = false;

int onSamples(short*, int count, espeak_EVENT*) {
    if (count > 0 && !heard) {
        heard = true;
        firstSample = Clock::now();
    }
    return 0;
}

double ms(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double, std::milli>(b - a).count();
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? -1 : v[v.size() / 2];
}

double timeSwitch(const char* voice) {
    const auto t0 = Clock::now();
    espeak_SetVoiceByName(voice);
    return ms(t0, Clock::now());
}

}  // namespace

int main(int argc, char** argv) {
    using namespace talvoro::espeak;
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 50;
    const char* const pinyin = "sit/cmn-Latn-pinyin";
    const char* const english = "gmw/en";
    if (espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 10, nullptr, espeakINITIALIZE_DONT_EXIT) <= 0)
        return 1;
    espeak_SetSynthCallback(onSamples);
    const ScriptRouter router(std::make_shared<const talvoro::mandarin::FrontEnd>(
                                  talvoro::mandarin::Dictionary::open(TALVORO_MANDARIN_DICT)),
                              pinyin, english);

    espeak_SetVoiceByName(english);
    const double cold = timeSwitch(pinyin);
    std::vector<double> toPinyin, toEnglish, first;
    for (int i = 0; i < runs; ++i) {
        toEnglish.push_back(timeSwitch(english));
        toPinyin.push_back(timeSwitch(pinyin));
    }
    const std::string text = "他用Windows电脑写了一篇关于长江的文章，一共3,250个字。";
    const VoiceInForce in{english, VoiceScript::Latin, false};
    for (int i = 0; i < runs; ++i) {
        espeak_SetVoiceByName(english);
        heard = false;
        const auto t0 = Clock::now();
        std::vector<VoiceCall> calls;
        router.read(text, in, calls);
        for (const VoiceCall& c : calls) {
            espeak_SetVoiceByName(c.voice.c_str());
            espeak_Synth(c.text.c_str(), c.text.size() + 1, 0, POS_CHARACTER, 0, espeakCHARS_UTF8,
                         nullptr, nullptr);
            if (heard) break;
        }
        first.push_back(ms(t0, firstSample));
    }
    std::printf("Voice changes in the engine library (medians of %d; ms)\n", runs);
    std::printf("%-46s %7.2f\n", "English -> pinyin voice, the first time", cold);
    std::printf("%-46s %7.2f\n", "English -> pinyin voice, again", median(toPinyin));
    std::printf("%-46s %7.2f\n", "pinyin -> English voice, again", median(toEnglish));
    std::printf("%-46s %7.2f\n", "Chinese request -> first sample (English loaded)", median(first));
    espeak_Terminate();
    return 0;
}
