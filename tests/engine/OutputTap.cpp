#include "OutputTap.h"

#include <cstdlib>
#include <memory>
#include <string>

#include "speech/espeak/AudioOutput.h"
#include "speech/espeak/Synthesizer.h"

namespace talvoro::testing {

using espeak::AbortFlag;
using espeak::AudioOutput;

namespace {

class TappedOutput : public AudioOutput {
public:
    explicit TappedOutput(std::unique_ptr<AudioOutput> real) : real_(std::move(real)) {}

    bool open() override { return real_->open(); }
    bool isOpen() override { return real_->isOpen(); }
    std::string name() const override { return real_->name(); }
    bool stalled() const override { return real_->stalled(); }
    bool realTime() const override { return real_->realTime(); }
    bool write(const std::int16_t* samples, std::size_t count, const AbortFlag& abort,
               std::uint64_t generation) override {
        OutputTap::instance().handed(samples, count);
        return real_->write(samples, count, abort, generation);
    }
    bool drain(const AbortFlag& abort, std::uint64_t generation) override {
        return real_->drain(abort, generation);
    }
    void flush() override {
        OutputTap::instance().mark(OutputTap::Event::Flushed);
        real_->flush();
    }
    void setPaused(bool paused) override {
        OutputTap::instance().mark(paused ? OutputTap::Event::Paused : OutputTap::Event::Resumed);
        real_->setPaused(paused);
    }
    void wake() override { real_->wake(); }

private:
    std::unique_ptr<AudioOutput> real_;
};

// Installed before main(), ahead of the first engine of the test program. The tap is made first,
// so that it outlives the engine, which still calls its output as the program ends.
const bool installed = [] {
    OutputTap::instance();
    espeak::SynthesizerSetup setup;
    setup.output = [](int sampleRate) -> std::unique_ptr<AudioOutput> {
        // The engine's own choice of output, opened released; it is held when paused.
        auto real = espeak::openAudioOutput(sampleRate, espeak::kBufferMs, false);
        if (!real) return nullptr;
        auto tapped = std::make_unique<TappedOutput>(std::move(real));
        if (espeak::Synthesizer::instance().paused()) tapped->setPaused(true);
        return tapped;
    };
    espeak::Synthesizer::setUp(std::move(setup));
    return true;
}();

}  // namespace

OutputTap& OutputTap::instance() {
    static OutputTap tap;
    return tap;
}

void OutputTap::clear() {
    std::lock_guard lock(mutex_);
    samples_.clear();
    marks_.clear();
}

std::vector<std::int16_t> OutputTap::samples() {
    std::lock_guard lock(mutex_);
    return samples_;
}

std::vector<OutputTap::Mark> OutputTap::marks() {
    std::lock_guard lock(mutex_);
    return marks_;
}

void OutputTap::handed(const std::int16_t* samples, std::size_t count) {
    std::lock_guard lock(mutex_);
    samples_.insert(samples_.end(), samples, samples + count);
}

void OutputTap::mark(Event event) {
    std::lock_guard lock(mutex_);
    marks_.push_back({event, samples_.size()});
}

long audibleSamples(const std::vector<std::int16_t>& sound, std::size_t from, std::size_t to,
                    int threshold) {
    long n = 0;
    for (std::size_t i = from; i < to && i < sound.size(); ++i)
        if (std::abs(sound[i]) > threshold) ++n;
    return n;
}

}  // namespace talvoro::testing
