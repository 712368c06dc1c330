// Prints the runs the Mandarin front end makes of a text, one a line: "M", "E" or "T" (the
// ticked voice), a tab and the run's text. The text is the arguments, else standard input.
//   mandarin_runs [--ticked han|latin|other] [--dict FILE] [TEXT...]

#include <cstring>
#include <filesystem>
#include <iostream>
#include <iterator>
#include <string>

#include "speech/mandarin/MandarinFrontEnd.h"

using namespace talvoro::mandarin;

int main(int argc, char** argv) {
    TickedScript ticked = TickedScript::Han;
    std::string dictPath, text;
    bool haveText = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--ticked" && i + 1 < argc) {
            const std::string v = argv[++i];
            ticked = v == "latin"   ? TickedScript::Latin
                     : v == "other" ? TickedScript::Other
                                    : TickedScript::Han;
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
        const FrontEnd frontEnd(Dictionary::open(dictPath));
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
