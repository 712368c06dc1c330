// Reading the buffer aloud, stopping, pausing and continuing, and the reading state that the
// menu shows.

#include "app/AppError.h"
#include "app/ErrorPolicy.h"
#include "app/Frmlan.h"

namespace talvoro {
namespace {

constexpr const char* kPauseCaption = "暂停";
constexpr const char* kContinueCaption = "继续";
constexpr const char* kNothingToRead = "请拖放要朗读的文本至拖放篮中！";
constexpr std::int32_t kReadFlags = kSvsfAsync | kSvsfPurgeBeforeSpeak | kSvsfIsXml;

}  // namespace

void Frmlan::SetReadingState(bool Reading, bool Paused) {
    withCommonErrorBox(p_.messages, [&] {
        menu_.item("mnuvoice").enabled = true;
        menu_.item("mnustop").enabled = Reading;
        menu_.item("mnupause").enabled = Reading;
        menu_.item("mnupause").caption = Paused ? kContinueCaption : kPauseCaption;
        IsReading = Reading;
        IsPaused = Paused;
    });
}

void Frmlan::mnuvoice_Click() {
    if (TextBuffer.empty()) {
        p_.messages.messageBox(kNothingToRead, kMbOk | kMbIconInformation, kAppTitle);
        return;
    }
    const bool done = withSilentEnd([&] {
        SpeakFlags = kReadFlags;
        if (!(IsPaused && IsReading)) engine().speakShared(TextBuffer.share(), SpeakFlags);
        if (IsPaused) engine().Resume();
        SetReadingState(true, false);
    });
    if (!done) SetReadingState(false, IsPaused);
}

void Frmlan::mnustop_Click() {
    withSilentEnd([&] {
        engine().Speak("", kSvsfPurgeBeforeSpeak);
        if (IsPaused) engine().Resume();
        SetReadingState(false, false);
    });
}

void Frmlan::mnupause_Click() {
    withCommonErrorBox(p_.messages, [&] {
        const std::string caption = menu_.item("mnupause").caption;
        if (caption == kPauseCaption) {
            engine().Pause();
            SetReadingState(IsReading, true);
        } else if (caption == kContinueCaption) {
            engine().Resume();
            SetReadingState(IsReading, false);
        }
    });
}

void Frmlan::Voice_StartStream() { SetReadingState(true, IsPaused); }
void Frmlan::Voice_EndStream() { SetReadingState(false, IsPaused); }

}  // namespace talvoro
