#pragma once
// The command line of talvoro-say.

#include <optional>
#include <string>
#include <vector>

namespace talvoro::say {

// Exit codes, for scripts.
enum Exit : int {
    kExitOk = 0,
    kExitEngine = 1,     // the engine could not start or speak
    kExitUsage = 2,      // an unknown option, a value out of range, a voice not installed
    kExitInput = 3,      // the text file cannot be read
    kExitEncoding = 4,   // the text is not valid UTF-8
    kExitNoSound = 5,    // no sound server or sound card to play on (without --wav)
    kExitOutput = 6,     // the WAV file or standard output cannot be written
    kExitResources = 7,  // out of memory, or the system would start no thread
};

struct Options {
    std::optional<std::string> voice;
    int rate = 0;
    int volume = 100;
    std::optional<std::string> wav;
    bool phonemes = false;
    bool help = false;
    bool listVoices = false;
    std::optional<std::string> file;  // -f FILE ("-": standard input)
    std::vector<std::string> words;   // TEXT
};

// The options, or a message saying what is wrong with them.
struct Parsed {
    Options options;
    std::string error;
};
Parsed parseOptions(const std::vector<std::string>& args);

extern const char* const kUsage;

}  // namespace talvoro::say
