#pragma once
// Drops held back until their drag source has been answered. The data is taken while the drop
// lasts; the drop handler, with any message box it shows, runs only once the source has its
// answer, so that a source never waits on the user. Each edition holds its drops here and hands
// them over when its window system lets it: after the drop, and before any press on the basket
// that reaches it sooner, so that the pop-up a click opens shows the buffer with the dropped
// text in it.

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>

#include "platform/DataObject.h"

namespace talvoro {

// A drop as the drop handler takes it.
struct HeldDrop {
    std::unique_ptr<DataObject> data;
    std::int32_t effect = 0;
    int buttons = 0;
    int shift = 0;
    float x = 0, y = 0;  // twips relative to the picture
};

class HeldDrops {
public:
    void hold(HeldDrop drop) { drops_.push_back(std::move(drop)); }
    bool empty() const { return drops_.empty(); }
    // Drops never handed over, when the window goes.
    void clear() { drops_.clear(); }

    // Hands every drop held to `handler`, oldest first, each once. One is taken at a time: a
    // handler that runs a modal loop (a message box) may let a later hand-over in, which then
    // takes the next drops, still in order.
    void handOver(const std::function<void(HeldDrop&)>& handler);

private:
    std::deque<HeldDrop> drops_;
};

}  // namespace talvoro
