#include "PulseSink.h"

#include <pulse/simple.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>

namespace talvoro::testing {

PulseDaemon::PulseDaemon() {
    char dir[] = "/tmp/talvoro-pulse-XXXXXX";
    runtime_ = mkdtemp(dir);
    chmod(runtime_.c_str(), 0700);
    setenv("XDG_RUNTIME_DIR", runtime_.c_str(), 1);
    setenv("PULSE_SERVER", ("unix:" + runtime_ + "/pulse/native").c_str(), 1);
    unsetenv("PULSE_SINK");
    start();
}

PulseDaemon::~PulseDaemon() {
    kill();
    std::error_code ec;
    std::filesystem::remove_all(runtime_, ec);
}

bool PulseDaemon::start() {
    pid_ = fork();
    if (pid_ == 0) {
        const std::string sink = std::string("--load=module-null-sink sink_name=") + kSink;
        execlp("pulseaudio", "pulseaudio", "--daemonize=no", "--exit-idle-time=-1", "-n",
               "--disallow-exit", "--log-target=stderr", "--log-level=0", sink.c_str(),
               "--load=module-native-protocol-unix", "--load=module-always-sink",
               static_cast<char*>(nullptr));
        _exit(127);
    }
    // Ready once a client can connect.
    for (int i = 0; i < 200; ++i) {
        pa_sample_spec spec{PA_SAMPLE_S16LE, 22050, 1};
        if (pa_simple* s = pa_simple_new(nullptr, "probe", PA_STREAM_PLAYBACK, nullptr, "probe",
                                         &spec, nullptr, nullptr, nullptr)) {
            pa_simple_free(s);
            std::system(
                ("pactl set-default-sink " + std::string(kSink) + " >/dev/null 2>&1").c_str());
            return true;
        }
        usleep(25000);
    }
    return false;
}

void PulseDaemon::kill() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
}

bool PulseDaemon::restart() {
    return start();
}

void PulseDaemon::stall() {
    if (pid_ > 0) ::kill(pid_, SIGSTOP);
}

void PulseDaemon::go() {
    if (pid_ > 0) ::kill(pid_, SIGCONT);
}

Recorder::Recorder() {
    pa_sample_spec spec{PA_SAMPLE_S16LE, kRate, 1};
    pa_buffer_attr attr;
    attr.maxlength = static_cast<uint32_t>(-1);
    attr.fragsize = kRate * 2 / 200;  // 5 ms
    attr.tlength = attr.prebuf = attr.minreq = static_cast<uint32_t>(-1);
    const std::string monitor = std::string(PulseDaemon::kSink) + ".monitor";
    stream_ = pa_simple_new(nullptr, "talvoro-test-recorder", PA_STREAM_RECORD, monitor.c_str(),
                            "monitor", &spec, nullptr, &attr, nullptr);
    if (!stream_) return;
    thread_ = std::thread([this] { run(); });
    // The monitor starts delivering only a while after the first sound (over a second with a
    // fresh server): play silence until it does, so that no test misses its first words.
    pa_simple* warm = pa_simple_new(nullptr, "talvoro-test-warmup", PA_STREAM_PLAYBACK, nullptr,
                                    "warm-up", &spec, nullptr, nullptr, nullptr);
    const std::vector<short> silence(kRate / 50, 0);
    for (int i = 0; warm && i < 250 && blocks().size() < 4; ++i)
        pa_simple_write(warm, silence.data(), silence.size() * 2, nullptr);
    if (warm) {
        pa_simple_drain(warm, nullptr);
        pa_simple_free(warm);
    }
    clear();
}

Recorder::~Recorder() {
    stop();
    if (stream_) pa_simple_free(static_cast<pa_simple*>(stream_));
}

void Recorder::stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
}

void Recorder::run() {
    std::vector<short> buf(kRate / 200);
    while (!stop_) {
        if (pa_simple_read(static_cast<pa_simple*>(stream_), buf.data(), buf.size() * 2, nullptr) <
            0)
            break;
        std::lock_guard lock(mutex_);
        blocks_.push_back({Clock::now(), buf});
    }
}

std::vector<Block> Recorder::blocks() {
    std::lock_guard lock(mutex_);
    return blocks_;
}

void Recorder::clear() {
    std::lock_guard lock(mutex_);
    blocks_.clear();
}

static bool audible(const Block& b, int threshold) {
    for (short s : b.samples)
        if (std::abs(s) > threshold) return true;
    return false;
}

// Times are read off the recording itself, sample by sample, not off the clock when a block
// arrived: the monitor delivers the sink's sound without a break, while this thread may be late
// to read it on a busy machine.
Recorder::Sound Recorder::analyse(int threshold) {
    Sound s;
    double sum = 0;
    long n = 0;
    long at = 0, lastEnd = 0, firstAt = 0, lastAt = 0;
    for (const Block& b : blocks()) {
        const long start = at;
        at += static_cast<long>(b.samples.size());
        if (!audible(b, threshold)) continue;
        if (s.audible)
            s.longestGap = std::max(s.longestGap, static_cast<double>(start - lastEnd) / kRate);
        if (!s.audible) s.first = b.at, firstAt = start;
        s.audible = true;
        s.last = b.at;
        lastAt = start;
        lastEnd = at;
        for (short v : b.samples) {
            s.peak = std::max(s.peak, std::abs(static_cast<double>(v)));
            sum += static_cast<double>(v) * v;
            ++n;
            if (std::abs(v) > threshold) ++s.audibleSamples;
        }
    }
    s.span = static_cast<double>(lastAt - firstAt) / kRate;
    s.rms = n ? std::sqrt(sum / n) : 0;
    return s;
}

std::vector<short> Recorder::sound() {
    std::vector<short> all;
    for (const Block& b : blocks()) all.insert(all.end(), b.samples.begin(), b.samples.end());
    return all;
}

bool Recorder::audibleBetween(Clock::time_point from, Clock::time_point to, int threshold) {
    for (const Block& b : blocks())
        if (b.at >= from && b.at <= to && audible(b, threshold)) return true;
    return false;
}

void Recorder::settle(int quietMs, int timeoutMs, int threshold) {
    const std::size_t quiet = static_cast<std::size_t>(kRate) * quietMs / 1000;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (Clock::now() < deadline) {
        const std::vector<short> all = sound();
        std::size_t tail = 0;
        while (tail < all.size() && std::abs(all[all.size() - 1 - tail]) <= threshold) ++tail;
        if (tail >= quiet && tail < all.size()) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

void Recorder::waitForSilence(int quietMs, int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (Clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        const auto now = Clock::now();
        if (!audibleBetween(now - std::chrono::milliseconds(quietMs), now)) return;
    }
}

}  // namespace talvoro::testing
