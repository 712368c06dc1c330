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
// Only a file the shell's > could write is written: one that exists must open for writing.
// A regular file (or a name not taken yet) is written to a new file in the same folder, which
// replaces it only once the whole sound is there: a failed run leaves an old file as it was. A
// symbolic link, or a file with other hard links, is kept: the finished sound is copied into
// the file it is. A pipe, a device or "-" (standard output) is written to as it is, with a
// header that leaves the length open, as streamed WAV does.
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
    bool copyInto(const std::string& path);
    void fail();

    std::FILE* file_ = nullptr;
    std::string target_;        // the file to replace; empty when written in place
    bool copyThrough_ = false;  // a link: the sound is copied into what it leads to
    std::string temporary_;     // the new file beside it
    int sampleRate_ = 0;
    std::uint64_t samples_ = 0;
    bool failed_ = false;
    int savedErrno_ = 0;
};

// Removes the new file a WavFile is writing, if any, where the program ends without unwinding
// (a fatal error); safe in a signal handler.
void removeUnfinishedFile();

// Ends the synthesis (both outputs above stop taking sound) once `stream` has failed a write.
void stopWhenFailing(std::FILE* stream);

// Takes the sound and keeps nothing.
std::unique_ptr<espeak::AudioOutput> discardingOutput();

}  // namespace talvoro::say
