#pragma once
// Reading aloud, stopping, pausing and continuing, and the reading state the menu shows: "朗读",
// "停止" and the pause item, whose caption ("暂停" or "继续") decides what the pause command does.

#include <cstdint>

#include "base/MessageBoxes.h"
#include "speech/EngineSlot.h"
#include "ui/MenuTree.h"

namespace talvoro {

class ReadingControl {
public:
    ReadingControl(MenuTree& menu, EngineSlot& voice, MessageBoxes& boxes);

    bool isReading() const { return IsReading; }
    bool isPaused() const { return IsPaused; }
    std::int32_t speakFlags() const { return SpeakFlags; }

    // The one writer of the reading state and of the items that show it. A failure shows the
    // common error box.
    void SetReadingState(bool Reading, bool Paused);

    // The read command: `text` from its start, or paused speech continued where it stopped. An
    // empty text is answered with an information box; a failure ends silently, the menu reset.
    void read(const SpeechText& text);
    // The stop command: all speech discarded, paused speech included. A failure ends silently.
    void stop();
    // The pause command: pauses, or continues, as the pause item's caption says. A failure
    // shows the common error box.
    void pauseOrContinue();

    // The engine's events.
    void streamStarted() { SetReadingState(true, IsPaused); }
    void streamEnded() { SetReadingState(false, IsPaused); }

private:
    MenuTree& menu_;
    EngineSlot& Voice;
    MessageBoxes& boxes_;
    bool IsReading = false;
    bool IsPaused = false;
    std::int32_t SpeakFlags = 0;
};

}  // namespace talvoro
