#include "speech/ReadingControl.h"

#include "base/ErrorPolicy.h"

namespace talvoro {
namespace {

constexpr const char* kPauseCaption = "暂停";
constexpr const char* kContinueCaption = "继续";
constexpr const char* kNothingToRead = "请拖放要朗读的文本至拖放篮中！";
constexpr std::int32_t kReadFlags = kSvsfAsync | kSvsfPurgeBeforeSpeak | kSvsfIsXml;

}  // namespace

ReadingControl::ReadingControl(MenuTree& menu, EngineSlot& voice, MessageBoxes& boxes)
    : menu_(menu), Voice(voice), boxes_(boxes) {}

void ReadingControl::SetReadingState(bool Reading, bool Paused) {
    withCommonErrorBox(boxes_, [&] {
        menu_.item(MenuName::mnuvoice).enabled = true;
        menu_.item(MenuName::mnustop).enabled = Reading;
        menu_.item(MenuName::mnupause).enabled = Reading;
        menu_.item(MenuName::mnupause).caption = Paused ? kContinueCaption : kPauseCaption;
        IsReading = Reading;
        IsPaused = Paused;
    });
}

void ReadingControl::read(const SpeechText& text) {
    if (text->empty()) {
        boxes_.messageBox(kNothingToRead, kMbOk | kMbIconInformation, kAppTitle);
        return;
    }
    const bool done = withSilentEnd([&] {
        SpeakFlags = kReadFlags;
        if (!(IsPaused && IsReading)) Voice->speakShared(text, SpeakFlags);
        if (IsPaused) Voice->Resume();
        SetReadingState(true, false);
    });
    if (!done) SetReadingState(false, IsPaused);
}

void ReadingControl::stop() {
    withSilentEnd([&] {
        Voice->Speak("", kSvsfPurgeBeforeSpeak);
        if (IsPaused) Voice->Resume();
        SetReadingState(false, false);
    });
}

void ReadingControl::pauseOrContinue() {
    withCommonErrorBox(boxes_, [&] {
        const std::string caption = menu_.item(MenuName::mnupause).caption;
        if (caption == kPauseCaption) {
            Voice->Pause();
            SetReadingState(IsReading, true);
        } else if (caption == kContinueCaption) {
            Voice->Resume();
            SetReadingState(IsReading, false);
        }
    });
}

}  // namespace talvoro
