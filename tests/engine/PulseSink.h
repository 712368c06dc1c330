#pragma once
// A real sound server for the engine tests: a pulseaudio daemon of our own with a null sink, and
// a recorder of that sink's monitor that stamps every block with the time it arrived.

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace talvoro::testing {

using Clock = std::chrono::steady_clock;

class PulseDaemon {
public:
    // Starts the daemon in a private runtime folder and points this process at it.
    PulseDaemon();
    ~PulseDaemon();
    void kill();     // ends the daemon at once, as a crash would
    bool restart();  // starts it again in the same place
    // Stops the daemon (SIGSTOP): it still accepts connections and answers nothing, as a hung
    // server does; go() lets it run again.
    void stall();
    void go();
    bool running() const { return pid_ > 0; }
    static constexpr const char* kSink = "talvoro_test";

private:
    bool start();
    std::string runtime_;
    int pid_ = -1;
};

// One block of recorded sound.
struct Block {
    Clock::time_point at;
    std::vector<short> samples;
};

class Recorder {
public:
    Recorder();
    ~Recorder();
    void stop();
    std::vector<Block> blocks();
    void clear();

    // Analysis of what was recorded since the last clear().
    struct Sound {
        bool audible = false;
        Clock::time_point first, last;  // when the first and last audible block arrived
        double span = 0;                // from the first audible block to the last, seconds
        double seconds() const { return span; }
        double peak = 0, rms = 0;
        long audibleSamples = 0;
        double longestGap = 0;  // the longest silence between two audible blocks, seconds
    };
    Sound analyse(int threshold = 400);
    // Everything recorded since the last clear(), one sample after the other.
    std::vector<short> sound();
    // When the sound last was audible at or before `t` plus `window`, and whether any audible
    // block arrived in [from, to].
    bool audibleBetween(Clock::time_point from, Clock::time_point to, int threshold = 400);
    // Waits until the recording holds sound followed by `quietMs` of silence: once what was
    // played has reached the recording, however late this process gets to read it.
    void settle(int quietMs = 100, int timeoutMs = 10000, int threshold = 400);
    // Waits until `quiet` ms pass with no audible block (or `timeout` ms).
    void waitForSilence(int quietMs, int timeoutMs = 20000);
    static constexpr int kRate = 22050;

private:
    void run();
    std::mutex mutex_;
    std::vector<Block> blocks_;
    std::atomic<bool> stop_{false};
    void* stream_ = nullptr;
    std::thread thread_;
};

}  // namespace talvoro::testing
