#pragma once
// Cuts a long text into pieces of a few hundred bytes at sentence ends (or at least between
// words, never inside a UTF-8 character), so that the engine can look at rate changes and
// purges between them and a huge text starts sounding as fast as a short one.

#include <string_view>

namespace talvoro::espeak {

class TextChunks {
public:
    static constexpr std::size_t kTarget = 400;
    static constexpr std::size_t kLimit = 1200;

    explicit TextChunks(std::string_view text) : text_(text) {}

    class iterator {
    public:
        iterator(std::string_view text, std::size_t pos) : text_(text), pos_(pos) { advance(); }
        std::string_view operator*() const { return text_.substr(pos_, end_ - pos_); }
        iterator& operator++() {
            pos_ = end_;
            advance();
            return *this;
        }
        bool operator!=(const iterator& other) const { return pos_ != other.pos_; }

    private:
        void advance();
        std::string_view text_;
        std::size_t pos_, end_ = 0;
    };

    iterator begin() const { return iterator(text_, 0); }
    iterator end() const { return iterator(text_, text_.size()); }

private:
    std::string_view text_;
};

// Where the chunk starting at `pos` ends.
std::size_t chunkEnd(std::string_view text, std::size_t pos);

inline void TextChunks::iterator::advance() {
    end_ = chunkEnd(text_, pos_);
}

}  // namespace talvoro::espeak
