#pragma once
// Where synthesised speech goes: 16-bit mono PCM to the sound server or the sound card. The
// stream is opened ahead of time and kept ready, so the first sample of a reading leaves at once.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

namespace talvoro::espeak {

// Tells a blocked write or drain to give up, because what it plays has been purged.
using AbortFlag = std::atomic<std::uint64_t>;

class AudioOutput {
public:
    virtual ~AudioOutput() = default;

    // Opens the device; called once, before any other call. Returns false when there is none.
    virtual bool open() = 0;
    // Whether the device still works (a sound server may go away). Thread-safe.
    virtual bool isOpen() = 0;
    virtual std::string name() const = 0;
    // After a failed open: the device is there but did not answer in time. Nothing else is
    // tried then, since the other ways to a sound device lead to the same server.
    virtual bool stalled() const { return false; }
    // Whether what is written is heard as it is written (a sound device, not a file): only then
    // does a stream need silence played ahead of its first reading.
    virtual bool realTime() const { return true; }

    // Plays the samples, blocking while the buffer is full (also while paused). Returns false
    // as soon as `abort` differs from `generation`, or when the device has failed.
    virtual bool write(const std::int16_t* samples, std::size_t count, const AbortFlag& abort,
                       std::uint64_t generation) = 0;
    // Waits until everything written has been heard, or until `abort` changes.
    virtual bool drain(const AbortFlag& abort, std::uint64_t generation) = 0;
    // Drops what is buffered and not yet heard.
    virtual void flush() = 0;
    // Holds or releases the sound at once, within one buffer.
    virtual void setPaused(bool paused) = 0;
    // Wakes a blocked write or drain so that it looks at its abort flag.
    virtual void wake() = 0;
};

// The sound server through the PulseAudio client API (PipeWire serves it as well), buffering
// about `bufferMs` of sound.
std::unique_ptr<AudioOutput> makePulseOutput(int sampleRate, int bufferMs);
// ALSA's default device, for systems without a sound server.
std::unique_ptr<AudioOutput> makeAlsaOutput(int sampleRate, int bufferMs);

// An opened output: the sound server when there is one, else ALSA; null when neither opens.
std::unique_ptr<AudioOutput> openAudioOutput(int sampleRate, int bufferMs, bool paused);

}  // namespace talvoro::espeak
