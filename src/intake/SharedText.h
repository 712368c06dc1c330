#pragma once
// The text buffer, shared with the speech engine without a copy: a reading of hundreds of
// megabytes starts at once. A reading keeps the text it was given for as long as it speaks; a
// change made meanwhile goes to a copy of the buffer's own, so the reading never sees its text
// change, and a buffer that no reading holds changes in place.

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace talvoro {

class SharedText {
public:
    bool empty() const { return text_->empty(); }
    std::size_t size() const { return text_->size(); }
    const std::string& str() const { return *text_; }

    // The text as it stands, for a reader that keeps it.
    std::shared_ptr<const std::string> share() const { return text_; }

    SharedText& operator=(std::string text) {
        text_ = std::make_shared<std::string>(std::move(text));
        return *this;
    }
    SharedText& operator+=(std::string_view more) {
        if (text_.use_count() > 1) {
            auto copy = std::make_shared<std::string>();
            copy->reserve(text_->size() + more.size());
            copy->append(*text_);
            text_ = std::move(copy);
        }
        text_->append(more);
        return *this;
    }
    // Lets go of the text and of the memory it took.
    void clear() { text_ = std::make_shared<std::string>(); }

    friend std::string operator+(const SharedText& text, std::string_view more) {
        std::string out;
        out.reserve(text.size() + more.size());
        out.append(text.str());
        out.append(more);
        return out;
    }

private:
    // Only this object writes through it, and only while no one else holds it.
    std::shared_ptr<std::string> text_ = std::make_shared<std::string>();
};

}  // namespace talvoro
