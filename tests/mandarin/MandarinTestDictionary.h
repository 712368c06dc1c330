#pragma once
// The dictionary the build made from the Debian data, shared by the front end's tests.

#include <memory>
#include <string>
#include <vector>

#include "speech/mandarin/MandarinFrontEnd.h"

namespace talvoro::mandarin {

inline std::shared_ptr<const Dictionary> testDictionary() {
    static const auto dict = Dictionary::open(TALVORO_MANDARIN_DICT);
    return dict;
}

inline const FrontEnd& testFrontEnd() {
    static const FrontEnd frontEnd(testDictionary());
    return frontEnd;
}

// The runs as "M:...|E:...|T:...".
inline std::string runs(std::string_view text, TickedScript ticked = TickedScript::Han) {
    std::string out;
    for (const Run& r : testFrontEnd().read(text, ticked)) {
        if (!out.empty()) out += "|";
        out += r.target == Target::Mandarin ? "M:" : r.target == Target::English ? "E:" : "T:";
        out += r.text;
    }
    return out;
}

}  // namespace talvoro::mandarin
