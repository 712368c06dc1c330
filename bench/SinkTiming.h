#pragma once
// Timing at the benchmarks' private null sink, and the programs they compare with.

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "PulseSink.h"

extern char** environ;

namespace talvoro::bench {

using talvoro::testing::Block;
using talvoro::testing::Clock;
using talvoro::testing::Recorder;
using namespace std::chrono_literals;

constexpr int kAudible = 400;
constexpr double kSampleMs = 1000.0 / Recorder::kRate;

const char* const kShort = "Hello, this is a short sentence read aloud.";

inline double since(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// The first audible sample recorded after `from`, waiting up to `timeout`.
inline std::optional<Clock::time_point> firstAudible(Recorder& rec, Clock::time_point from,
                                                     std::chrono::milliseconds timeout) {
    const auto until = Clock::now() + timeout;
    while (Clock::now() < until) {
        for (const Block& b : rec.blocks()) {
            if (b.at < from) continue;
            const auto n = b.samples.size();
            for (std::size_t i = 0; i < n; ++i)
                if (std::abs(b.samples[i]) >= kAudible)
                    return b.at -
                           std::chrono::microseconds(static_cast<long>((n - i) * kSampleMs * 1000));
        }
        std::this_thread::sleep_for(1ms);
    }
    return std::nullopt;
}

// How long after `from` the last audible sample was heard (0 when none was).
inline double lastAudibleAfter(Recorder& rec, Clock::time_point from) {
    double last = 0;
    for (const Block& b : rec.blocks()) {
        if (b.at < from) continue;
        const auto n = b.samples.size();
        for (std::size_t i = 0; i < n; ++i)
            if (std::abs(b.samples[i]) >= kAudible)
                last = std::max(last, since(from, b.at) - (n - i - 1) * kSampleMs);
    }
    return std::max(last, 0.0);
}

inline double median(std::vector<double> v) {
    if (v.empty()) return -1;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

inline pid_t spawn(const std::vector<std::string>& args, const char* stdinFile = nullptr) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (stdinFile) posix_spawn_file_actions_addopen(&actions, 0, stdinFile, O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

inline void reap(pid_t pid) {
    if (pid <= 0) return;
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

inline void run(const std::vector<std::string>& args) {
    reap(spawn(args));
}

inline bool have(const char* program) {
    const std::string cmd = std::string("command -v ") + program + " >/dev/null 2>&1";
    return std::system(cmd.c_str()) == 0;
}

// speech-dispatcher daemons started for this run: they carry this run's sound server.
inline void endDispatchers() {
    const char* server = std::getenv("PULSE_SERVER");
    if (!server) return;
    const std::string mark = std::string("PULSE_SERVER=") + server;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string name = entry.path().filename();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        std::ifstream comm(entry.path() / "comm");
        std::string command;
        std::getline(comm, command);
        if (command.rfind("speech-dispatch", 0) != 0 && command.rfind("sd_", 0) != 0) continue;
        std::ifstream env(entry.path() / "environ", std::ios::binary);
        std::string all((std::istreambuf_iterator<char>(env)), std::istreambuf_iterator<char>());
        if (all.find(mark) != std::string::npos) kill(std::stoi(name), SIGTERM);
    }
}

}  // namespace talvoro::bench
