// Prints the runs the Mandarin front end makes of a text, one a line: "M", "E" or "T" (the
// ticked voice), a tab and the run's text. The text is the arguments, else standard input.
// --words prints how each run of Han characters is split into words instead.
//   mandarin_runs [--ticked han|latin|other] [--dict FILE] [--words] [TEXT...]

#include <cstring>
#include <filesystem>
#include <iostream>
#include <iterator>
#include <string>

#include "speech/mandarin/MandarinFrontEnd.h"
#include "speech/mandarin/Segmenter.h"
#include "speech/mandarin/Text.h"

using namespace talvoro::mandarin;

int main(int argc, char** argv) {
    TickedScript ticked = TickedScript::Han;
    std::string dictPath, text;
    bool haveText = false, words = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--ticked" && i + 1 < argc) {
            const std::string v = argv[++i];
            ticked = v == "latin"   ? TickedScript::Latin
                     : v == "other" ? TickedScript::Other
                                    : TickedScript::Han;
        } else if (a == "--words") {
            words = true;
        } else if (a == "--dict" && i + 1 < argc) {
            dictPath = argv[++i];
        } else {
            text += (haveText ? " " : "") + a;
            haveText = true;
        }
    }
    if (!haveText)
        text.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
    if (dictPath.empty()) {
        std::error_code ec;
        const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
        dictPath = Dictionary::locate(ec ? "." : self.parent_path().string());
    }
    try {
        const auto dict = Dictionary::open(dictPath);
        if (words) {
            std::u32string han;
            const auto chars = decodeUtf8(text);
            for (std::size_t k = 0; k < chars.size(); ++k) {
                if (k + 1 < chars.size() && classify(chars[k].cp) == CharClass::Han) {
                    han += chars[k].cp;
                    continue;
                }
                if (han.empty()) continue;
                std::string line;
                for (const Word& w : segment(dict->tables(), han)) {
                    for (std::uint32_t c = w.begin; c < w.end; ++c) appendUtf8(line, han[c]);
                    line += w.syllables ? " " : "? ";
                }
                std::cout << line << '\n';
                han.clear();
            }
            return 0;
        }
        const FrontEnd frontEnd(dict);
        for (const Run& r : frontEnd.read(text, ticked)) {
            const char tag = r.target == Target::Mandarin  ? 'M'
                             : r.target == Target::English ? 'E'
                                                           : 'T';
            std::cout << tag << '\t' << r.text << '\n';
        }
    } catch (const std::exception& e) {
        std::cerr << "mandarin_runs: " << e.what() << '\n';
        return 1;
    }
    return 0;
}
