#include <alsa/asoundlib.h>

#include <chrono>
#include <thread>

#include "speech/espeak/AudioOutput.h"

namespace talvoro::espeak {
namespace {

class AlsaOutput : public AudioOutput {
public:
    AlsaOutput(int sampleRate, int bufferMs) : rate_(sampleRate), bufferMs_(bufferMs) {}
    ~AlsaOutput() override {
        if (pcm_) snd_pcm_close(pcm_);
    }

    std::string name() const override { return "alsa"; }

    bool open() override {
        // The library's own complaints (no card, no such device) are not ours to print.
        snd_lib_error_set_handler(&quiet);
        if (snd_pcm_open(&pcm_, "default", SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0) {
            pcm_ = nullptr;
            return false;
        }
        if (snd_pcm_set_params(pcm_, SND_PCM_FORMAT_S16_LE, SND_PCM_ACCESS_RW_INTERLEAVED, 1,
                               static_cast<unsigned>(rate_), 1,
                               static_cast<unsigned>(bufferMs_) * 1000u) < 0) {
            snd_pcm_close(pcm_);
            pcm_ = nullptr;
            return false;
        }
        snd_pcm_hw_params_t* hw = nullptr;
        snd_pcm_hw_params_alloca(&hw);
        canPause_ = snd_pcm_hw_params_current(pcm_, hw) == 0 && snd_pcm_hw_params_can_pause(hw);
        return true;
    }

    bool isOpen() override { return pcm_ && !failed_; }

    bool write(const std::int16_t* samples, std::size_t count, const AbortFlag& abort,
               std::uint64_t generation) override {
        while (count > 0) {
            if (abort != generation) return false;
            if (paused_) {
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
                continue;
            }
            const snd_pcm_sframes_t n = snd_pcm_writei(pcm_, samples, count);
            if (n == -EAGAIN) {
                snd_pcm_wait(pcm_, 5);
                continue;
            }
            if (n < 0) {
                if (snd_pcm_recover(pcm_, static_cast<int>(n), 1) < 0) {
                    failed_ = true;
                    return false;
                }
                continue;
            }
            samples += n;
            count -= static_cast<std::size_t>(n);
        }
        return true;
    }

    bool drain(const AbortFlag& abort, std::uint64_t generation) override {
        for (;;) {
            if (abort != generation) return false;
            snd_pcm_sframes_t delay = 0;
            if (paused_ || (snd_pcm_delay(pcm_, &delay) == 0 && delay > 0 &&
                            snd_pcm_state(pcm_) == SND_PCM_STATE_RUNNING)) {
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
                continue;
            }
            return true;
        }
    }

    void flush() override {
        snd_pcm_drop(pcm_);
        snd_pcm_prepare(pcm_);
    }

    void setPaused(bool paused) override {
        paused_ = paused;
        if (!pcm_) return;
        if (canPause_) {
            snd_pcm_pause(pcm_, paused ? 1 : 0);
        } else if (paused) {
            // Without a hardware pause the buffered sound (one buffer at most) is let go.
            snd_pcm_drop(pcm_);
            snd_pcm_prepare(pcm_);
        }
    }

    void wake() override {}

private:
    static void quiet(const char*, int, const char*, int, const char*, ...) {}

    const int rate_;
    const int bufferMs_;
    snd_pcm_t* pcm_ = nullptr;
    bool canPause_ = false;
    std::atomic<bool> paused_{false};
    std::atomic<bool> failed_{false};
};

}  // namespace

std::unique_ptr<AudioOutput> makeAlsaOutput(int sampleRate, int bufferMs) {
    return std::make_unique<AlsaOutput>(sampleRate, bufferMs);
}

std::unique_ptr<AudioOutput> openAudioOutput(int sampleRate, int bufferMs, bool paused) {
    for (auto make : {&makePulseOutput, &makeAlsaOutput}) {
        auto out = make(sampleRate, bufferMs);
        out->setPaused(paused);
        if (out->open()) return out;
        // ALSA's default device is the same sound server when one runs, and its plugin waits
        // for that server without end.
        if (out->stalled()) return nullptr;
    }
    return nullptr;
}

}  // namespace talvoro::espeak
