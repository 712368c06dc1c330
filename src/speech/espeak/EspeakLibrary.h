#pragma once
// libespeak-ng as one process-wide service: the library keeps global state, so there is one
// engine thread, one initialisation and one voice catalogue per process. Starting it early lets
// the library load while the window system starts.

#include <future>
#include <memory>
#include <string>
#include <vector>

#include "speech/espeak/EngineThread.h"
#include "speech/espeak/VoiceNames.h"

namespace talvoro::espeak {

class EspeakLibrary {
public:
    // The library, started on first use. Its initialisation runs on the engine thread.
    static EspeakLibrary& instance();

    // Waits for the initialisation; throws AppError when the library could not start.
    void ready();
    int sampleRate() { return ready(), sampleRate_; }
    EngineThread& thread() { return thread_; }

    // The installed voices, the default voice for the user's locale first. Read again from disk
    // only when a voice folder has changed since the last listing. Engine thread only.
    const std::vector<VoiceEntry>& voices();

    ~EspeakLibrary();

private:
    EspeakLibrary();
    std::vector<std::pair<std::string, long long>> folderStamps() const;

    std::string dataPath_;
    std::string defaultLanguage_;
    int sampleRate_ = 0;
    std::vector<VoiceEntry> voices_;
    std::vector<std::pair<std::string, long long>> stamps_;
    std::shared_future<void> initialised_;
    EngineThread thread_;
};

// Starts loading the library now, in the background.
void startEspeakEarly();

}  // namespace talvoro::espeak
