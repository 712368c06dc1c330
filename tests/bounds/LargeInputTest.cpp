// Tens of megabytes of hostile text, read by the markup reader and by the file text rules. Every
// byte of memory taken through operator new is counted: what a reading holds at its peak beyond
// the input itself must stay within a small multiple of the input, and the reading must end in
// linear time.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>

#include "AllocationCount.h"
#include "intake/FileText.h"
#include "speech/markup/SpeechMarkup.h"

namespace talvoro::testing {
namespace {

constexpr std::size_t kSize = 20'000'000;
// Far beyond what these take on this machine (a fraction of a second each), and far below what
// a reading that grows with the square of its input would take.
constexpr double kSecondsBound = 10.0;

std::string repeated(const std::string& unit, const std::string& tail = "") {
    std::string text;
    text.reserve(kSize + unit.size() + tail.size());
    while (text.size() < kSize) text += unit;
    text += tail;
    return text;
}

struct Cost {
    double extra;  // the most held at once beyond what was held before, per byte of input
    double seconds;
};

// Runs `work` on `input`, which it takes over; the input itself counts as held before.
Cost measure(std::string input, const std::function<void(std::string)>& work) {
    const double size = static_cast<double>(input.size());
    resetAllocationPeak();
    const std::size_t before = allocatedNow();
    const auto start = std::chrono::steady_clock::now();
    work(std::move(input));
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    const Cost cost{static_cast<double>(allocationPeak() - before) / size, took.count()};
    std::printf("    extra memory %.2f x the input, %.2f s\n", cost.extra, cost.seconds);
    return cost;
}

// Reads the markup piece by piece, as the engine does, keeping only the last text piece.
Cost readMarkup(std::string text, std::string* lastText) {
    return measure(std::move(text), [lastText](std::string t) {
        markup::SpeechReader reader(std::move(t), markup::kFlagIsXml, {});
        while (auto piece = reader.next())
            if (piece->kind == markup::PieceKind::Text) *lastText = std::move(piece->text);
    });
}

TEST(LargeMarkup, TagsThatNeverCloseCostLittleMoreThanTheirTextAndLoseNoWords) {
    struct Case {
        const char* what;
        std::string text;
    } cases[] = {
        {"start tags", repeated("<a>", " the words at the bottom")},
        {"nested voices",
         repeated("<voice required=\"Gender=Female;Age=Teen\">", " the words at the bottom")},
        {"nested rates", repeated("<rate speed=\"1\">", " the words at the bottom")},
        {"many element names",
         [] {
             std::string s;
             s.reserve(kSize + 64);
             for (long i = 0; s.size() < kSize; ++i) {
                 const std::string n = std::to_string(i);
                 s += "<e" + n + ">w</e" + n + ">";
             }
             return s + " the words at the bottom";
         }()},
        {"plain sentences",
         repeated("A sentence &amp; another one.\n", " the words at the bottom")},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::printf("  %s\n", c.what);
        std::string last;
        const Cost cost = readMarkup(std::move(c.text), &last);
        EXPECT_LT(cost.extra, 0.5);
        EXPECT_LT(cost.seconds, kSecondsBound);
        EXPECT_TRUE(last.ends_with(" the words at the bottom")) << last.substr(0, 80);
    }
}

TEST(LargeFileText, LineEndsOfEveryKindCostOnlyTheGrownText) {
    struct Case {
        const char* what;
        std::string bytes;
        double grows;  // how much longer the text gets
    } cases[] = {
        {"lone CRs", repeated("\r"), 2.0},
        {"short lines", repeated("x\r"), 1.5},
        {"CR LF lines", repeated("A line of text.\r\n"), 1.0},
        {"UTF-16 CRs", std::string("\xFF\xFE") + repeated(std::string("\r\0", 2)), 1.0},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::printf("  %s\n", c.what);
        std::size_t size = 0;
        const Cost cost = measure(std::move(c.bytes), [&size](std::string bytes) {
            std::string text = linesOfFile(decodeByMark(bytes).value_or(std::move(bytes)));
            size = text.size();
        });
        // The grown text, beside the bytes it was made from while it is made.
        EXPECT_LT(cost.extra, c.grows + 0.6);
        EXPECT_LT(cost.seconds, kSecondsBound);
        EXPECT_NEAR(static_cast<double>(size) / kSize, c.grows, 0.01);
    }
}

}  // namespace
}  // namespace talvoro::testing
