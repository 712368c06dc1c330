#include <pulse/pulseaudio.h>

#include "speech/espeak/AudioOutput.h"

namespace talvoro::espeak {
namespace {

class PulseOutput : public AudioOutput {
public:
    PulseOutput(int sampleRate, int bufferMs) : rate_(sampleRate), bufferMs_(bufferMs) {}
    ~PulseOutput() override { close(); }

    std::string name() const override { return "pulseaudio"; }

    bool isOpen() override {
        if (!loop_) return false;
        Lock lock(loop_);
        return streamGood();
    }

    bool open() override { return connect(); }

    bool write(const std::int16_t* samples, std::size_t count, const AbortFlag& abort,
               std::uint64_t generation) override {
        const auto* bytes = reinterpret_cast<const char*>(samples);
        std::size_t left = count * sizeof(std::int16_t);
        Lock lock(loop_);
        while (left > 0) {
            if (abort != generation) return false;
            if (!streamGood()) return false;
            const std::size_t writable = pa_stream_writable_size(stream_);
            if (writable == static_cast<std::size_t>(-1)) return false;
            if (writable == 0) {
                pa_threaded_mainloop_wait(loop_);
                continue;
            }
            const std::size_t n = std::min(left, writable);
            if (pa_stream_write(stream_, bytes, n, nullptr, 0, PA_SEEK_RELATIVE) < 0) return false;
            bytes += n;
            left -= n;
        }
        return true;
    }

    bool drain(const AbortFlag& abort, std::uint64_t generation) override {
        Lock lock(loop_);
        if (!streamGood()) return false;
        drained_ = false;
        pa_operation* op = pa_stream_drain(stream_, &PulseOutput::onDrained, this);
        if (!op) return false;
        while (!drained_ && abort == generation && streamGood()) pa_threaded_mainloop_wait(loop_);
        if (!drained_) pa_operation_cancel(op);
        pa_operation_unref(op);
        return drained_;
    }

    void flush() override {
        Lock lock(loop_);
        if (!streamGood()) return;
        if (pa_operation* op = pa_stream_flush(stream_, nullptr, nullptr)) pa_operation_unref(op);
    }

    void setPaused(bool paused) override {
        paused_ = paused;
        if (!loop_) return;
        Lock lock(loop_);
        if (!streamGood()) return;
        if (pa_operation* op = pa_stream_cork(stream_, paused ? 1 : 0, nullptr, nullptr))
            pa_operation_unref(op);
    }

    void wake() override {
        if (!loop_) return;
        Lock lock(loop_);
        pa_threaded_mainloop_signal(loop_, 0);
    }

private:
    // Holds the main loop's lock; a no-op on the loop's own thread, where it is already held.
    struct Lock {
        explicit Lock(pa_threaded_mainloop* loop)
            : loop_(loop && !pa_threaded_mainloop_in_thread(loop) ? loop : nullptr) {
            if (loop_) pa_threaded_mainloop_lock(loop_);
        }
        ~Lock() {
            if (loop_) pa_threaded_mainloop_unlock(loop_);
        }
        pa_threaded_mainloop* loop_;
    };

    bool streamGood() const {
        return context_ && stream_ && pa_context_get_state(context_) == PA_CONTEXT_READY &&
               pa_stream_get_state(stream_) == PA_STREAM_READY;
    }

    static void onContextState(pa_context*, void* self) {
        pa_threaded_mainloop_signal(static_cast<PulseOutput*>(self)->loop_, 0);
    }
    static void onStreamEvent(pa_stream*, void* self) {
        pa_threaded_mainloop_signal(static_cast<PulseOutput*>(self)->loop_, 0);
    }
    static void onStreamRequest(pa_stream*, std::size_t, void* self) {
        pa_threaded_mainloop_signal(static_cast<PulseOutput*>(self)->loop_, 0);
    }
    static void onDrained(pa_stream*, int success, void* self) {
        auto* out = static_cast<PulseOutput*>(self);
        out->drained_ = success != 0;
        if (!success) out->drainFailed_ = true;
        pa_threaded_mainloop_signal(out->loop_, 0);
    }

    bool connect() {
        loop_ = pa_threaded_mainloop_new();
        if (!loop_) return false;
        pa_proplist* props = pa_proplist_new();
        pa_proplist_sets(props, PA_PROP_APPLICATION_NAME, "Talvoro");
        pa_proplist_sets(props, PA_PROP_MEDIA_ROLE, "a11y");
        context_ = pa_context_new_with_proplist(pa_threaded_mainloop_get_api(loop_), "Talvoro",
                                                props);
        pa_proplist_free(props);
        if (!context_) return fail();
        pa_context_set_state_callback(context_, &PulseOutput::onContextState, this);
        // Never start a server just for us: with none running, ALSA takes over.
        if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
            return fail();
        if (pa_threaded_mainloop_start(loop_) < 0) return fail();

        Lock lock(loop_);
        for (;;) {
            const pa_context_state_t s = pa_context_get_state(context_);
            if (s == PA_CONTEXT_READY) break;
            if (!PA_CONTEXT_IS_GOOD(s)) return failLocked(lock);
            pa_threaded_mainloop_wait(loop_);
        }
        pa_sample_spec spec{PA_SAMPLE_S16LE, static_cast<std::uint32_t>(rate_), 1};
        stream_ = pa_stream_new(context_, "Talvoro speech", &spec, nullptr);
        if (!stream_) return failLocked(lock);
        pa_stream_set_state_callback(stream_, &PulseOutput::onStreamEvent, this);
        pa_stream_set_write_callback(stream_, &PulseOutput::onStreamRequest, this);
        pa_buffer_attr attr;
        attr.maxlength = static_cast<std::uint32_t>(-1);
        attr.tlength = static_cast<std::uint32_t>(pa_usec_to_bytes(bufferMs_ * 1000ull, &spec));
        attr.prebuf = static_cast<std::uint32_t>(pa_usec_to_bytes(2000ull, &spec));
        attr.minreq = static_cast<std::uint32_t>(-1);
        attr.fragsize = static_cast<std::uint32_t>(-1);
        const auto flags = static_cast<pa_stream_flags_t>(
            PA_STREAM_ADJUST_LATENCY | PA_STREAM_AUTO_TIMING_UPDATE |
            PA_STREAM_INTERPOLATE_TIMING | (paused_ ? PA_STREAM_START_CORKED : 0));
        if (pa_stream_connect_playback(stream_, nullptr, &attr, flags, nullptr, nullptr) < 0)
            return failLocked(lock);
        for (;;) {
            const pa_stream_state_t s = pa_stream_get_state(stream_);
            if (s == PA_STREAM_READY) return true;
            if (!PA_STREAM_IS_GOOD(s)) return failLocked(lock);
            pa_threaded_mainloop_wait(loop_);
        }
    }

    bool failLocked(Lock& lock) {
        if (lock.loop_) pa_threaded_mainloop_unlock(lock.loop_);
        lock.loop_ = nullptr;
        return fail();
    }

    bool fail() {
        close();
        return false;
    }

    void close() {
        if (!loop_) return;
        pa_threaded_mainloop_stop(loop_);
        if (stream_) {
            pa_stream_disconnect(stream_);
            pa_stream_unref(stream_);
            stream_ = nullptr;
        }
        if (context_) {
            pa_context_disconnect(context_);
            pa_context_unref(context_);
            context_ = nullptr;
        }
        pa_threaded_mainloop_free(loop_);
        loop_ = nullptr;
    }

    const int rate_;
    const int bufferMs_;
    pa_threaded_mainloop* loop_ = nullptr;
    pa_context* context_ = nullptr;
    pa_stream* stream_ = nullptr;
    bool drained_ = false;
    bool drainFailed_ = false;
    std::atomic<bool> paused_{false};
};

}  // namespace

std::unique_ptr<AudioOutput> makePulseOutput(int sampleRate, int bufferMs) {
    return std::make_unique<PulseOutput>(sampleRate, bufferMs);
}

}  // namespace talvoro::espeak
