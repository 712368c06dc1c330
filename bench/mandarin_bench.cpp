// The Mandarin front end on its own: how long its dictionary takes to open and what it adds to
// the resident memory, and how many megabytes of Chinese text it reads a second.
//
// The text is made of pinyin_simp's words (rime-data-pinyin-simp), drawn by their frequency
// with a fixed seed, with a clause mark every few words and a number now and then, and read
// in pieces of 4 KB as the engine hands them over.
//
// Usage: mandarin_bench [megabytes of text, default 8] [runs, default 5]

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "speech/mandarin/MandarinFrontEnd.h"

namespace {

using Clock = std::chrono::steady_clock;
using talvoro::mandarin::Dictionary;
using talvoro::mandarin::FrontEnd;
using talvoro::mandarin::TickedScript;

double ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// Resident memory of this process in kB, and the part of it mapped from files.
std::pair<long, long> resident() {
    std::ifstream in("/proc/self/status");
    long rss = 0, file = 0;
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("VmRSS:", 0) == 0) rss = std::atol(line.c_str() + 6);
        if (line.rfind("RssFile:", 0) == 0) file = std::atol(line.c_str() + 8);
    }
    return {rss, file};
}

std::string chineseText(std::size_t bytes) {
    std::vector<std::string> words;
    std::vector<double> weights;
    std::ifstream in("/usr/share/rime-data/pinyin_simp.dict.yaml");
    bool header = true;
    for (std::string line; std::getline(in, line);) {
        if (header) {
            header = line.rfind("...", 0) != 0;
            continue;
        }
        const auto a = line.find('\t'), b = line.rfind('\t');
        if (line.empty() || line[0] == '#' || a == std::string::npos || a == b) continue;
        words.push_back(line.substr(0, a));
        weights.push_back(std::atof(line.c_str() + b + 1) + 1);
    }
    if (words.empty()) {
        std::fprintf(stderr, "mandarin_bench: rime-data-pinyin-simp is not installed\n");
        std::exit(1);
    }
    std::mt19937 random(42);
    std::discrete_distribution<std::size_t> pick(weights.begin(), weights.end());
    static const char* kMarks[] = {"，", "。", "、", "？", "！", "；"};
    std::string text;
    text.reserve(bytes + 64);
    for (int n = 1; text.size() < bytes; ++n) {
        text += words[pick(random)];
        if (n % 7 == 0) text += kMarks[random() % 6];
        if (n % 53 == 0) text += std::to_string(random() % 100000) + (n % 2 ? "元" : "年");
    }
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    const std::size_t megabytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 8;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 5;
    const std::string path = TALVORO_MANDARIN_DICT;

    const std::string text = chineseText(megabytes << 20);
    const auto before = resident();
    const auto t0 = Clock::now();
    const FrontEnd frontEnd(Dictionary::open(path));
    const auto t1 = Clock::now();
    const auto opened = resident();
    const auto first = frontEnd.read(text.substr(0, 4096), TickedScript::Han);
    const auto t2 = Clock::now();

    std::vector<double> rates;
    for (int r = 0; r < runs; ++r) {
        std::size_t out = 0;
        const auto start = Clock::now();
        for (std::size_t at = 0; at < text.size();) {
            std::size_t end = std::min(text.size(), at + 4096);
            while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
                ++end;
            for (const auto& run :
                 frontEnd.read(std::string_view(text).substr(at, end - at), TickedScript::Han))
                out += run.text.size();
            at = end;
        }
        rates.push_back(double(text.size()) / (1 << 20) / (ms(Clock::now() - start) / 1000));
        if (out == 0) return 1;
    }
    const auto after = resident();
    std::sort(rates.begin(), rates.end());

    std::printf("mandarin dictionary file         %8.1f MB, %zu words\n",
                double(std::ifstream(path, std::ios::ate | std::ios::binary).tellg()) / (1 << 20),
                Dictionary::open(path)->wordCount());
    std::printf("mandarin dictionary open         %8.2f ms\n", ms(t1 - t0));
    std::printf("mandarin first 4 KB piece read   %8.2f ms (%zu runs)\n", ms(t2 - t1),
                first.size());
    std::printf(
        "mandarin resident after open     %8.1f MB added (%.1f MB of it the dictionary file)\n",
        double(opened.first - before.first) / 1024, double(opened.second - before.second) / 1024);
    std::printf(
        "mandarin resident after reading  %8.1f MB added (%.1f MB of it the dictionary file)\n",
        double(after.first - before.first) / 1024, double(after.second - before.second) / 1024);
    std::printf(
        "mandarin throughput              %8.1f MB/s of Chinese text (median of %d, %zu MB)\n",
        rates[rates.size() / 2], runs, megabytes);
    return 0;
}
