#include <pulse/pulseaudio.h>
#include <pulse/rtclock.h>

#include "speech/espeak/AudioOutput.h"

namespace talvoro::espeak {
namespace {

// How long the sound server may leave a request unanswered. A server that stalls (stopped, or
// hung) still accepts connections and never answers: after this the output counts as gone, so
// that it costs a bounded wait and then a failed reading, as a server that went away does.
constexpr pa_usec_t kAnswerWithin = 1'000'000;

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

    bool stalled() const override { return stalled_; }

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
                if (!awaitServer([&] {
                        return abort != generation || !streamGood() ||
                               pa_stream_writable_size(stream_) != 0;
                    }))
                    return false;
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
        drainAnswered_ = drained_ = false;
        pa_operation* op = pa_stream_drain(stream_, &PulseOutput::onDrained, this);
        if (!op) return false;
        // A drain the server refuses (cut short by a flush) is answered as well: it ends the wait.
        awaitServer([&] { return drainAnswered_ || abort != generation || !streamGood(); });
        if (!drainAnswered_) pa_operation_cancel(op);
        pa_operation_unref(op);
        return drained_;
    }

    void flush() override {
        Lock lock(loop_);
        if (!streamGood()) return;
        if (pa_operation* op = pa_stream_flush(stream_, nullptr, nullptr)) pa_operation_unref(op);
    }

    void setPaused(bool paused) override {
        if (!paused) resumedAt_ = pa_rtclock_now();
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
        return !stalled_ && context_ && stream_ &&
               pa_context_get_state(context_) == PA_CONTEXT_READY &&
               pa_stream_get_state(stream_) == PA_STREAM_READY;
    }

    // Waits on the loop, its lock held, until `done()` holds. When the server leaves the wait
    // unanswered for kAnswerWithin, the output counts as gone and false is returned. Sound
    // waits (`forSound`) go on while the sound is held (paused), and the server has its full
    // time again from the resume: it owes nothing while the sound is held.
    template <class Done>
    bool awaitServer(Done done, bool forSound = true) {
        timedOut_ = false;
        pa_time_event* timer = armTimer();
        bool answered = true;
        while (!done()) {
            if (timedOut_) {
                if (!forSound || !(paused_ || resumedWithin(kAnswerWithin))) {
                    stalled_ = true;
                    answered = false;
                    break;
                }
                timedOut_ = false;
                if (timer) pa_threaded_mainloop_get_api(loop_)->time_free(timer);
                timer = armTimer();
            }
            pa_threaded_mainloop_wait(loop_);
        }
        if (timer) pa_threaded_mainloop_get_api(loop_)->time_free(timer);
        return answered;
    }

    bool resumedWithin(pa_usec_t span) const { return pa_rtclock_now() - resumedAt_ < span; }

    pa_time_event* armTimer() {
        pa_time_event* timer = pa_context_rttime_new(context_, pa_rtclock_now() + kAnswerWithin,
                                                     &PulseOutput::onTimer, this);
        if (!timer) timedOut_ = true;  // cannot wait for an answer, so do not wait at all
        return timer;
    }

    static void onTimer(pa_mainloop_api*, pa_time_event*, const struct timeval*, void* self) {
        auto* out = static_cast<PulseOutput*>(self);
        out->timedOut_ = true;
        pa_threaded_mainloop_signal(out->loop_, 0);
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
        out->drainAnswered_ = true;
        pa_threaded_mainloop_signal(out->loop_, 0);
    }

    bool connect() {
        loop_ = pa_threaded_mainloop_new();
        if (!loop_) return false;
        pa_proplist* props = pa_proplist_new();
        pa_proplist_sets(props, PA_PROP_APPLICATION_NAME, "Talvoro");
        pa_proplist_sets(props, PA_PROP_MEDIA_ROLE, "a11y");
        context_ =
            pa_context_new_with_proplist(pa_threaded_mainloop_get_api(loop_), "Talvoro", props);
        pa_proplist_free(props);
        if (!context_) return fail();
        pa_context_set_state_callback(context_, &PulseOutput::onContextState, this);
        // Never start a server just for us: with none running, ALSA takes over.
        if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
            return fail();
        if (pa_threaded_mainloop_start(loop_) < 0) return fail();

        Lock lock(loop_);
        const auto contextSettled = [this] {
            const pa_context_state_t s = pa_context_get_state(context_);
            return s == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(s);
        };
        if (!awaitServer(contextSettled, false) ||
            pa_context_get_state(context_) != PA_CONTEXT_READY)
            return failLocked(lock);
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
            PA_STREAM_ADJUST_LATENCY | PA_STREAM_AUTO_TIMING_UPDATE | PA_STREAM_INTERPOLATE_TIMING |
            (paused_ ? PA_STREAM_START_CORKED : 0));
        if (pa_stream_connect_playback(stream_, nullptr, &attr, flags, nullptr, nullptr) < 0)
            return failLocked(lock);
        const auto streamSettled = [this] {
            const pa_stream_state_t s = pa_stream_get_state(stream_);
            return s == PA_STREAM_READY || !PA_STREAM_IS_GOOD(s);
        };
        if (!awaitServer(streamSettled, false) || pa_stream_get_state(stream_) != PA_STREAM_READY)
            return failLocked(lock);
        return true;
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
    bool drainAnswered_ = false;
    bool timedOut_ = false;             // under the loop's lock
    std::atomic<bool> stalled_{false};  // the server stopped answering: the output is gone
    std::atomic<bool> paused_{false};
    std::atomic<pa_usec_t> resumedAt_{0};
};

}  // namespace

std::unique_ptr<AudioOutput> makePulseOutput(int sampleRate, int bufferMs) {
    return std::make_unique<PulseOutput>(sampleRate, bufferMs);
}

}  // namespace talvoro::espeak
