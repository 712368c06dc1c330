#include "say/SayOptions.h"

#include <charconv>

namespace talvoro::say {

const char* const kUsage =
    "Usage: talvoro-say [OPTION]... [TEXT... | -f FILE]\n"
    "Reads TEXT (the words given, joined by blanks), FILE, or standard input aloud with the\n"
    "Talvoro speech engine, as the Talvoro basket reads it: the speech markup is obeyed, Han\n"
    "text is read in Mandarin whatever the voice, and Latin-script words inside Chinese in\n"
    "English unless the voice itself reads a Latin-script language.\n"
    "\n"
    "  --voice ID      the voice, by identifier (gmw/en-US), its last part (en-US) or a\n"
    "                  language (en, zh-CN, 804); default: the first voice for the locale\n"
    "  --rate N        speed, -10 (a third) to 10 (three times); default 0\n"
    "  --volume N      loudness, 0 to 100; default 100\n"
    "  --wav FILE      write the sound to FILE (16-bit mono WAV) instead of playing it;\n"
    "                  - writes it to standard output\n"
    "  --phonemes      print the phonemes the sound is made from, in espeak-ng's mnemonics\n"
    "                  (as espeak-ng -x prints them), one line per clause, on standard\n"
    "                  output; nothing is played, so no sound server is needed (with --wav\n"
    "                  the sound is written as well)\n"
    "  -f FILE         read the text from FILE (- for standard input)\n"
    "  --voices        list the installed voices: identifier, name and languages\n"
    "  -h, --help      show this help\n"
    "\n"
    "The text must be UTF-8 (a byte-order mark is skipped); other text is refused, since it\n"
    "would be read wrongly: convert it first, e.g. with iconv -f GB18030 -t UTF-8.\n"
    "\n"
    "Exit status: 0 done; 1 the speech engine failed; 2 a wrong option or value, or a voice\n"
    "that is not installed; 3 the text file cannot be read; 4 the text is not valid UTF-8;\n"
    "5 no sound server or sound card to play on (use --wav); 6 the WAV file or standard output\n"
    "cannot be written; 7 out of memory, or the system would start no thread.\n";

namespace {

std::optional<int> whole(const std::string& text, int low, int high) {
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [at, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || at != end || value < low || value > high)
        return std::nullopt;
    return value;
}

}  // namespace

Parsed parseOptions(const std::vector<std::string>& args) {
    Parsed out;
    Options& o = out.options;
    auto fail = [&](std::string message) {
        out.error = std::move(message);
        return out;
    };
    bool optionsEnd = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string arg = args[i];
        if (optionsEnd || arg == "-" || arg.empty() || arg[0] != '-') {
            o.words.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnd = true;
            continue;
        }
        // "--rate=5" as well as "--rate 5".
        std::optional<std::string> attached;
        if (const auto eq = arg.find('='); arg.starts_with("--") && eq != std::string::npos) {
            attached = arg.substr(eq + 1);
            arg.resize(eq);
        }
        const bool takesValue = arg == "--voice" || arg == "--rate" || arg == "--volume" ||
                                arg == "--wav" || arg == "-f";
        if (!takesValue && attached) return fail("option " + arg + " takes no value");
        std::string value;
        if (takesValue) {
            if (attached) {
                value = *attached;
            } else if (i + 1 < args.size()) {
                value = args[++i];
                // "--wav --phonemes" forgot the file name; a file named so is written as
                // --wav=--phonemes or --wav ./--phonemes.
                if ((arg == "--wav" || arg == "-f") && value.size() > 1 && value[0] == '-')
                    return fail("option " + arg + " needs a file name, not the option " + value +
                                " (write ./" + value + " for a file of that name)");
            } else {
                return fail("option " + arg + " needs a value");
            }
        }
        if (arg == "--voice") {
            if (value.empty()) return fail("--voice needs a voice");
            o.voice = value;
        } else if (arg == "--rate") {
            const auto rate = whole(value, -10, 10);
            if (!rate)
                return fail("--rate must be a whole number from -10 to 10, not '" + value + "'");
            o.rate = *rate;
        } else if (arg == "--volume") {
            const auto volume = whole(value, 0, 100);
            if (!volume)
                return fail("--volume must be a whole number from 0 to 100, not '" + value + "'");
            o.volume = *volume;
        } else if (arg == "--wav") {
            if (value.empty()) return fail("--wav needs a file name");
            o.wav = value;
        } else if (arg == "-f") {
            if (value.empty()) return fail("-f needs a file name");
            if (o.file) return fail("-f may be given once");
            o.file = value;
        } else if (arg == "--phonemes") {
            o.phonemes = true;
        } else if (arg == "--voices") {
            o.listVoices = true;
        } else if (arg == "-h" || arg == "--help") {
            o.help = true;
        } else {
            return fail("unknown option " + arg + " (write -- before a text that starts with -)");
        }
    }
    if (o.file && !o.words.empty()) return fail("give the text or -f FILE, not both");
    if (o.phonemes && o.wav == "-")
        return fail("--wav - and --phonemes would both write to standard output");
    return out;
}

}  // namespace talvoro::say
