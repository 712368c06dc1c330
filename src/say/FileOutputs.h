#pragma once
// Where talvoro-say's sound goes when it is not played: a WAV file, or nowhere (when only the
// phonemes are wanted). Both take the sound as fast as the engine makes it.

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "speech/espeak/AudioOutput.h"

namespace talvoro::say {

// A 16-bit mono PCM WAV file. The file is opened when the object is made, so that a name that
// cannot be written is reported before anything is synthesised; the header is written when the
// sample rate is known and completed by finish().
// A regular file (or a name not taken yet) is written to a new file beside it, which replaces
// it only once the whole sound is there: a failed run leaves an old file as it was. A link is
// followed. A pipe, a device or "-" (standard output) is written to as it is, with a header that
// leaves the length open, as streamed WAV does.
class WavFile {
public:
    // Throws std::runtime_error saying why the file cannot be written.
    explicit WavFile(const std::string& path);
    ~WavFile();
    WavFile(const WavFile&) = delete;
    WavFile& operator=(const WavFile&) = delete;

    // The output the engine writes to, at the engine's sample rate.
    std::unique_ptr<espeak::AudioOutput> output(int sampleRate);
    // Writes the lengths into the header and puts the file in place; false (with errno set) when
    // any write failed, and then nothing is put in place.
    bool finish();
    // Gives up: an old file stays as it was.
    void discard();
    bool failed() const { return failed_; }

private:
    friend class WavOutput;
    bool append(const std::int16_t* samples, std::size_t count);
    void fail();

    std::FILE* file_ = nullptr;
    std::string target_;     // the file to replace; empty when written in place
    std::string temporary_;  // the new file beside it
    int sampleRate_ = 0;
    std::uint64_t samples_ = 0;
    bool failed_ = false;
    int savedErrno_ = 0;
};

// Takes the sound and keeps nothing.
std::unique_ptr<espeak::AudioOutput> discardingOutput();

}  // namespace talvoro::say
