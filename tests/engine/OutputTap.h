#pragma once
// What the engine hands its sound output, sample by sample, and where in that sound it held,
// released and dropped it. The engine tests speak through it (it forwards every call to the real
// output), so that a check of pause or purge can count samples rather than compare clocks taken
// on a machine that may be busy.

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

namespace talvoro::testing {

class OutputTap {
public:
    static OutputTap& instance();

    enum class Event { Paused, Resumed, Flushed };
    struct Mark {
        Event event;
        std::size_t at;  // samples handed to the output before it
    };

    void clear();
    // Every sample handed to the output since clear(), written or not: a write cut short by a
    // purge is counted whole.
    std::vector<std::int16_t> samples();
    std::vector<Mark> marks();

    // Called by the tapped output.
    void handed(const std::int16_t* samples, std::size_t count);
    void mark(Event event);

private:
    std::mutex mutex_;
    std::vector<std::int16_t> samples_;
    std::vector<Mark> marks_;
};

// Samples louder than `threshold` in [from, to) of `sound`.
long audibleSamples(const std::vector<std::int16_t>& sound, std::size_t from, std::size_t to,
                    int threshold = 400);

}  // namespace talvoro::testing
