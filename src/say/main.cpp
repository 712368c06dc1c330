// talvoro-say: the Talvoro speech engine without a window, for scripts and tests. It reads text
// through the same engine code as the basket (markup, the Mandarin front end, voice choice),
// and plays it, writes it to a WAV file, or prints the phonemes of the very synthesis it runs.

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <exception>
#include <new>
#include <system_error>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "base/AppError.h"
#include "intake/Utf8.h"
#include "say/FileOutputs.h"
#include "say/SayOptions.h"
#include "speech/SpeechEngine.h"
#include "speech/espeak/Synthesizer.h"

namespace {

using namespace talvoro;
using namespace talvoro::say;

void complain(const std::string& message) {
    std::fprintf(stderr, "talvoro-say: %s\n", message.c_str());
}

// Standard output once everything is written to it: 0, or kExitOutput with a message saying why.
int flushStandardOutput() {
    errno = 0;
    const bool failed = std::fflush(stdout) != 0 || std::ferror(stdout);
    if (!failed) return kExitOk;
    complain(std::string("cannot write to standard output: ") +
             (errno ? std::strerror(errno) : "write error"));
    return kExitOutput;
}

// The whole of a file (or of standard input, for "-"), or why it cannot be read.
struct Input {
    std::string bytes;
    std::string error;
};

Input readAll(const std::string& path) {
    Input in;
    const bool standard = path == "-";
    const int fd = standard ? STDIN_FILENO : ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        in.error = path + ": " + std::strerror(errno);
        return in;
    }
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        in.error = path + ": " + std::strerror(EISDIR);
    } else {
        char buffer[65536];
        for (;;) {
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n > 0) {
                in.bytes.append(buffer, static_cast<std::size_t>(n));
            } else if (n == 0) {
                break;
            } else if (errno != EINTR) {
                in.error =
                    (standard ? std::string("standard input") : path) + ": " + std::strerror(errno);
                break;
            }
        }
    }
    if (!standard) ::close(fd);
    return in;
}

// Where the first byte that is not well-formed UTF-8 stands, if any.
std::optional<std::size_t> firstBadByte(std::string_view text) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t len = utf8SequenceLength(p + i, text.size() - i);
        if (len == 0) return i;
        i += len;
    }
    return std::nullopt;
}

std::string lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

// A voice by its identifier, the last part of it, or a language it speaks.
std::optional<std::string> findVoice(const std::vector<espeak::VoiceEntry>& voices,
                                     const std::string& wanted) {
    const std::string w = lower(wanted);
    for (const auto& v : voices)
        if (lower(v.identifier) == w) return v.identifier;
    for (const auto& v : voices) {
        const std::string id = lower(v.identifier);
        if (id.substr(id.rfind('/') + 1) == w) return v.identifier;
    }
    if (wanted.find_first_of(";=") != std::string::npos) return std::nullopt;
    return espeak::matchVoice(voices, "Language=" + wanted, "", "");
}

void listVoices(const std::vector<espeak::VoiceEntry>& voices) {
    for (const auto& v : voices) {
        std::string languages;
        for (const auto& [priority, language] : v.languages)
            languages += (languages.empty() ? "" : " ") + language;
        std::printf("%s\t%s\t%s\n", v.identifier.c_str(), espeak::displayName(v.name).c_str(),
                    languages.c_str());
    }
}

int run(const Options& o) {
    // What can be wrong with the text or the file is said before the engine starts.
    std::string text;
    if (!o.listVoices) {
        std::string source = "the text";
        if (o.file) {
            Input in = readAll(*o.file);
            if (!in.error.empty()) {
                complain(in.error);
                return kExitInput;
            }
            text = std::move(in.bytes);
            source = *o.file == "-" ? "standard input" : *o.file;
        } else if (!o.words.empty()) {
            for (const std::string& w : o.words) text += (text.empty() ? "" : " ") + w;
        } else {
            Input in = readAll("-");
            if (!in.error.empty()) {
                complain(in.error);
                return kExitInput;
            }
            text = std::move(in.bytes);
            source = "standard input";
        }
        if (text.starts_with("\xEF\xBB\xBF")) text.erase(0, 3);
        if (const auto bad = firstBadByte(text)) {
            char detail[96];
            std::snprintf(detail, sizeof detail, " is not valid UTF-8 (byte 0x%02X at offset %zu)",
                          static_cast<unsigned char>(text[*bad]), *bad);
            complain(source + detail +
                     "; nothing was spoken. Convert it first, e.g. iconv -f GB18030 -t UTF-8");
            return kExitEncoding;
        }
    }

    std::unique_ptr<WavFile> wav;
    if (o.wav && !o.listVoices) {
        try {
            wav = std::make_unique<WavFile>(*o.wav);
        } catch (const std::exception& e) {
            complain(std::string("cannot write the sound: ") + e.what());
            return kExitOutput;
        }
    }
    auto failWav = [&] {
        if (wav) wav->discard();
    };

    std::atomic<bool> noDevice = false;
    espeak::SynthesizerSetup setup;
    if (wav) {
        setup.output = [&wav](int rate) { return wav->output(rate); };
    } else if (o.phonemes || o.listVoices) {
        setup.output = [](int) { return discardingOutput(); };
    } else {
        setup.output = [&noDevice](int rate) {
            auto out = espeak::openAudioOutput(rate, espeak::kBufferMs, false);
            if (!out) noDevice = true;
            return out;
        };
    }
    if (o.phonemes) {
        setup.phonemeTrace = stdout;
        stopWhenFailing(stdout);
    }
    espeak::Synthesizer::setUp(std::move(setup));

    try {
        espeak::Synthesizer& synth = espeak::Synthesizer::instance();
        const std::vector<espeak::VoiceEntry> voices = synth.catalog().voices();
        if (o.listVoices) {
            listVoices(voices);
            return flushStandardOutput();
        }
        std::string voice = synth.defaultVoice();
        if (o.voice) {
            const auto found = findVoice(voices, *o.voice);
            if (!found) {
                complain("no voice '" + *o.voice +
                         "' is installed; talvoro-say --voices lists them");
                failWav();
                return kExitUsage;
            }
            voice = *found;
        }
        synth.ready();
        if (!synth.mandarinProblem().empty())
            complain("warning: Chinese is read without the Mandarin dictionary: " +
                     synth.mandarinProblem());
        synth.rate = o.rate;
        synth.volume = o.volume;
        // Read as the basket reads: as markup, waiting until it has been spoken.
        synth.speak({std::make_shared<const std::string>(std::move(text)), kSvsfIsXml, voice,
                     o.rate, nullptr, nullptr});
    } catch (const AppError& e) {
        failWav();
        if (noDevice) {
            complain(
                "no sound server or sound card to play on; use --wav FILE to write the sound "
                "to a file, or --phonemes");
            return kExitNoSound;
        }
        complain(e.what());
        return kExitEngine;
    }
    if (const int failed = flushStandardOutput()) {
        failWav();
        return failed;
    }
    if (wav && !wav->finish()) {
        complain("cannot write the sound to " + *o.wav + ": " + std::strerror(errno));
        failWav();
        return kExitOutput;
    }
    return kExitOk;
}

// A failure with no way back, on whatever thread: the unfinished file goes, and the reason is
// said, instead of an abort.
[[noreturn]] void endOnFatalError() {
    removeUnfinishedFile();
    int code = kExitEngine;
    try {
        if (std::exception_ptr e = std::current_exception()) std::rethrow_exception(e);
        complain("internal error");
    } catch (const std::bad_alloc&) {
        complain("out of memory");
        code = kExitResources;
    } catch (const std::system_error& e) {
        complain(std::string("the system refused: ") + e.what());
        code = kExitResources;
    } catch (const std::exception& e) {
        complain(std::string("internal error: ") + e.what());
    } catch (...) {
        complain("internal error");
    }
    std::fflush(stderr);
    ::_exit(code);
}

}  // namespace

int main(int argc, char** argv) {
    // A reader that went away or a file size limit makes the write fail, and the run ends
    // through its usual path, which removes the unfinished file and says why.
    ::signal(SIGPIPE, SIG_IGN);
    ::signal(SIGXFSZ, SIG_IGN);
    std::set_terminate(endOnFatalError);
    try {
        const Parsed parsed = parseOptions(std::vector<std::string>(argv + 1, argv + argc));
        if (!parsed.error.empty()) {
            complain(parsed.error);
            std::fputs("Try 'talvoro-say --help'.\n", stderr);
            return kExitUsage;
        }
        if (parsed.options.help) {
            std::fputs(kUsage, stdout);
            return flushStandardOutput();
        }
        return run(parsed.options);
    } catch (const std::bad_alloc&) {
        complain("out of memory");
    } catch (const std::system_error& e) {
        complain(std::string("the system refused: ") + e.what());
    }
    return kExitResources;
}
