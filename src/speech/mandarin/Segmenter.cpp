#include "speech/mandarin/Segmenter.h"

#include <algorithm>
#include <limits>

namespace talvoro::mandarin {

namespace {

// No word in the dictionary is longer; the walk stops earlier where no key goes on.
constexpr std::size_t kMaxWordChars = 24;

int unitsOf(char32_t cp, std::uint16_t* out) {
    if (cp < 0x10000) {
        out[0] = static_cast<std::uint16_t>(cp);
        return 1;
    }
    cp -= 0x10000;
    out[0] = static_cast<std::uint16_t>(0xD800 + (cp >> 10));
    out[1] = static_cast<std::uint16_t>(0xDC00 + (cp & 0x3FF));
    return 2;
}

Lookup lookup(const Dictionary::Tables& dict, std::u32string_view text) {
    std::uint16_t units[2 * kMaxWordChars];
    std::size_t n = 0;
    std::uint32_t h = kHashBasis;
    for (char32_t cp : text.substr(0, kMaxWordChars)) {
        const int k = unitsOf(cp, units + n);
        for (int u = 0; u < k; ++u) h = hashUnit(h, units[n + u]);
        n += k;
    }
    return dict.find(units, n, std::min(text.size(), kMaxWordChars), h);
}

// cut[k]: no word holds both han[k - 1] and han[k].
std::vector<bool> forcedCuts(const Dictionary::Tables& dict, std::u32string_view han) {
    static constexpr std::u32string_view kNumerals = U"〇零一二三四五六七八九十百千万亿两";
    static constexpr std::u32string_view kDegree = U"很也更太挺真";
    const std::size_t n = han.size();
    std::vector<bool> cut(n + 1, false);
    for (std::size_t i = 0; i + 2 < n; ++i) {
        if ((han[i + 1] == U'一' || han[i + 1] == U'了') && han[i] == han[i + 2] &&
            kNumerals.find(han[i]) == std::u32string_view::npos)
            cut[i + 1] = cut[i + 2] = true;
        if (kDegree.find(han[i]) != std::u32string_view::npos && han[i + 1] == U'好' &&
            lookup(dict, han.substr(i + 1, 2)).word)
            cut[i + 1] = true;
    }
    return cut;
}

}  // namespace

int readingOf(const Dictionary::Tables& dict, char32_t ch) {
    std::uint16_t units[2];
    const int n = unitsOf(ch, units);
    std::uint32_t h = kHashBasis;
    for (int k = 0; k < n; ++k) h = hashUnit(h, units[k]);
    const Lookup l = dict.find(units, n, 1, h);
    if (!l.word) return -1;
    return l.syllable(0);
}

std::vector<Word> segment(const Dictionary::Tables& dict, std::u32string_view han) {
    const std::size_t n = han.size();
    std::vector<std::uint16_t> units;
    std::vector<std::uint32_t> unitAt(n + 1);
    units.reserve(n + 8);
    for (std::size_t i = 0; i < n; ++i) {
        unitAt[i] = static_cast<std::uint32_t>(units.size());
        std::uint16_t u[2];
        const int k = unitsOf(han[i], u);
        units.insert(units.end(), u, u + k);
    }
    unitAt[n] = static_cast<std::uint32_t>(units.size());

    struct Step {
        std::uint64_t cost = std::numeric_limits<std::uint64_t>::max();
        std::uint32_t from = 0;
        const unsigned char* syllables = nullptr;
    };
    const std::vector<bool> cut = forcedCuts(dict, han);
    std::vector<Step> best(n + 1);
    best[0].cost = 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (best[i].cost == std::numeric_limits<std::uint64_t>::max()) continue;
        const std::uint64_t base = best[i].cost;
        auto relax = [&](std::size_t j, std::uint64_t cost, const unsigned char* syl) {
            if (base + cost < best[j].cost) best[j] = {base + cost, std::uint32_t(i), syl};
        };
        std::uint32_t h = kHashBasis;
        bool single = false;
        for (std::size_t j = i; j < n && j - i < kMaxWordChars && (j == i || !cut[j]); ++j) {
            for (std::uint32_t u = unitAt[j]; u < unitAt[j + 1]; ++u) h = hashUnit(h, units[u]);
            const Lookup l =
                dict.find(units.data() + unitAt[i], unitAt[j + 1] - unitAt[i], j + 1 - i, h);
            if (!l.found) break;
            if (l.word) {
                relax(j + 1, l.cost, l.syllables);
                if (j == i) single = true;
            }
            if (!l.longer) break;
        }
        // A character the dictionary does not know is a word of its own, without a reading.
        if (!single) relax(i + 1, dict.unknownCost, nullptr);
    }

    std::vector<Word> words;
    for (std::size_t j = n; j > 0;) {
        const Step& s = best[j];
        words.push_back({s.from, static_cast<std::uint32_t>(j), s.syllables});
        j = s.from;
    }
    return {words.rbegin(), words.rend()};
}

}  // namespace talvoro::mandarin
