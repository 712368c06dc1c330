#pragma once
// The speaking half of the Linux engine: one thread that owns libespeak-ng (the library keeps
// global state), reads each Speak call's markup into pieces, synthesises them and plays the
// sound. Speak, Pause and Resume return at once; the stream events reach the user-interface
// thread through its post operation.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <vector>

#include "speech/SpeechEngine.h"
#include "speech/espeak/AudioOutput.h"
#include "speech/espeak/ScriptRouter.h"
#include "speech/espeak/VoiceCatalog.h"

namespace talvoro {
class UiThread;
}

namespace talvoro::espeak {

// The buffer the sound server keeps: short, so pause and purge act at once.
inline constexpr int kBufferMs = 20;

// What a program without a window changes in the process's synthesiser before it starts.
struct SynthesizerSetup {
    // Opens where the sound goes, for the library's sample rate; null when it cannot. Unset:
    // the sound server, else the sound card.
    std::function<std::unique_ptr<AudioOutput>(int sampleRate)> output;
    // Receives the library's phoneme mnemonics of everything synthesised, one line per clause,
    // as `espeak-ng -x` prints them. Unset: the file named by TALVORO_PHONEME_TRACE, if any.
    std::FILE* phonemeTrace = nullptr;
};

class Synthesizer {
public:
    // Takes effect only when called before the first instance().
    static void setUp(SynthesizerSetup setup);
    // The process's one synthesiser, started (library, voices, sound) on first use.
    static Synthesizer& instance();
    ~Synthesizer();
    // Ends the engine thread, once nothing is to be spoken any more: the program's shut-down
    // joins it here, while the user-interface thread it posts to still stands, rather than when
    // the process tears down its statics. A Speak after it fails.
    void stop();

    // Waits until the voices are known (the engine's data folder read); throws AppError when
    // the engine has no data folder. The library itself goes on starting behind this.
    void cataloged();
    // Lets the library start now rather than after its grace period.
    void startEngine();
    // Starts the library if it has not yet and waits for it; throws AppError when it could not.
    void ready();
    VoiceCatalog& catalog();
    const std::string& defaultVoice() const { return defaultVoice_; }
    int sampleRate() const { return sampleRate_; }
    // Why Han text is not read through the Mandarin dictionary ("" when it is); known once
    // ready() has returned.
    const std::string& mandarinProblem() const { return mandarinProblem_; }

    struct Request {
        SpeechText text;  // never null
        int flags = 0;
        std::string voice;  // identifier of the voice to speak with
        int rate = 0;       // the engine's rate when Speak was called
        SpeechEvents* events = nullptr;
        UiThread* ui = nullptr;
    };
    // Queues a stream (after purging everything when the purge flag is set) and returns its
    // number; without the asynchronous flag waits until it has been spoken. Throws AppError when
    // no sound device can be opened. Every stream, purged or not, starts and ends: the engine
    // thread alone posts the events, in queue order.
    long speak(Request request);
    // Discards everything queued and sounding, and waits until the thread has started and ended
    // each of those streams and let go of them.
    void purgeAndWait();

    void pause();
    void resume();
    bool paused() const { return pauseCount_ > 0; }
    // The engine's current rate and volume, read while speaking: changes apply at once.
    std::atomic<int> rate{0};
    std::atomic<int> volume{100};

    // For tests: called on the engine thread with a stream's number when the thread has taken
    // the stream from the queue, before anything about it is posted. Set it while nothing speaks.
    std::function<void(long number)> streamTaken;

private:
    struct Stream {
        long number = 0;
        std::uint64_t generation = 0;
        Request request;
        bool done = false;
    };

    Synthesizer();
    void run();
    void readCatalog();
    void awaitStart();
    void initialise();
    void loadMandarin();
    void play(Stream& stream);
    // Reads a piece's text, chunk by chunk, each chunk cut into runs read by their own voices.
    void synthesise(std::string_view text, bool spell, const VoiceInForce& voice);
    // Every string the library reads goes through here, on the engine thread, while a piece is
    // being played: the voice chosen, the piece's rate, pitch and emphasis in force.
    bool speakCalls(const std::vector<VoiceCall>& calls);
    VoiceInForce inForce(const std::string& identifier);
    void selectVoice(const std::string& identifier);
    bool writeSilence(int ms, std::uint64_t generation);
    std::shared_ptr<AudioOutput> openOutput();
    std::shared_ptr<AudioOutput> output();
    void prime(AudioOutput& out, std::uint64_t generation);
    void finish(const std::shared_ptr<Stream>& stream);
    static void post(const Request& r, bool start);
    static int onSamples(short* wav, int count, void* events);

    std::string dataPath_;
    std::string defaultVoice_;
    std::string loadedVoice_;
    SynthesizerSetup setup_;
    std::unique_ptr<ScriptRouter> router_;
    std::string mandarinProblem_;
    std::unordered_map<std::string, VoiceInForce> voicesInForce_;  // the engine thread's
    int sampleRate_ = 0;
    std::unique_ptr<VoiceCatalog> catalog_;
    std::shared_future<void> cataloged_;
    std::shared_future<void> initialised_;
    std::promise<void> outputTried_;
    std::shared_future<void> outputTriedFuture_;

    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable finished_;
    std::deque<std::shared_ptr<Stream>> queue_;
    std::shared_ptr<Stream> current_;
    long nextNumber_ = 1;
    bool stopping_ = false;
    bool startWanted_ = false;
    AbortFlag generation_{0};

    std::mutex outputMutex_;
    std::shared_ptr<AudioOutput> output_;
    bool outputPrimed_ = false;
    std::atomic<int> pauseCount_{0};  // changed on the user-interface thread only

    std::thread thread_;
};

}  // namespace talvoro::espeak
