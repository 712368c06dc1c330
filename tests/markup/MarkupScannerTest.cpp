#include <gtest/gtest.h>

#include <random>
#include <string>

#include "speech/markup/MarkupScanner.h"

namespace talvoro::markup::detail {
namespace {

// The finder remembers earlier answers; asked in any order, it must still answer like find().
TEST(Finder, AnswersLikeFindWhateverTheOrderOfQuestions) {
    std::mt19937 random(7);
    const char alphabet[] = {'-', '-', '>', 'a', '"'};
    for (std::string needle : {"-->", ">", "\""}) {
        for (int round = 0; round < 300; ++round) {
            std::string text;
            const int length = static_cast<int>(random() % 40);
            for (int i = 0; i < length; ++i) text += alphabet[random() % sizeof alphabet];
            Finder finder(text, needle);
            for (int q = 0; q < 30; ++q) {
                const std::size_t from = random() % (text.size() + 2);
                const std::size_t want =
                    from > text.size() ? std::string::npos : text.find(needle, from);
                ASSERT_EQ(finder.find(from), want) << text << " from " << from;
            }
        }
    }
}

}  // namespace
}  // namespace talvoro::markup::detail
