// Start-up benchmark: how long a program takes from its start until its first window is mapped
// on the X server, and how much memory it holds once idle. Programs are started in turn, several
// times each, so that both see the same machine.
//
// Usage: startup_bench RUNS NAME=PROGRAM [NAME=PROGRAM ...]   (DISPLAY must be set)

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Program {
    std::string name, path;
    std::vector<double> startMs, rssMb;
};

long residentKb(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
    return -1;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// Starts the program and waits for the first window mapped at the top level (a client window or
// the frame the window manager puts around it). Returns milliseconds, or -1 on a time-out.
double timeToMap(xcb_connection_t* c, const std::string& path, pid_t& pid) {
    const auto start = Clock::now();
    pid = fork();
    if (pid == 0) {
        execl(path.c_str(), path.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    const auto deadline = start + std::chrono::seconds(20);
    while (Clock::now() < deadline) {
        xcb_generic_event_t* ev = xcb_poll_for_event(c);
        if (!ev) {
            std::this_thread::sleep_for(std::chrono::microseconds(200));
            continue;
        }
        const bool mapped = (ev->response_type & 0x7f) == XCB_MAP_NOTIFY;
        std::free(ev);
        if (mapped) return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    }
    return -1;
}

void stop(pid_t pid) {
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s RUNS NAME=PROGRAM...\n", argv[0]);
        return 2;
    }
    const int runs = std::atoi(argv[1]);
    std::vector<Program> programs;
    for (int i = 2; i < argc; ++i) {
        std::string arg = argv[i];
        const auto eq = arg.find('=');
        programs.push_back({arg.substr(0, eq), arg.substr(eq + 1), {}, {}});
    }

    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        std::fprintf(stderr, "cannot open the display\n");
        return 1;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(c);

    for (int run = 0; run < runs; ++run) {
        // Each round starts with another program, so that none always follows the same one.
        for (std::size_t k = 0; k < programs.size(); ++k) {
            Program& p = programs[(run + k) % programs.size()];
            // Drop events left from the previous program.
            while (xcb_generic_event_t* ev = xcb_poll_for_event(c)) std::free(ev);
            pid_t pid = 0;
            const double ms = timeToMap(c, p.path, pid);
            if (ms < 0) {
                std::fprintf(stderr, "%s: no window within 20 s\n", p.name.c_str());
                stop(pid);
                return 1;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1500));  // idle
            p.startMs.push_back(ms);
            p.rssMb.push_back(residentKb(pid) / 1024.0);
            stop(pid);
            // The X server and the window manager clean up after the program; the next one
            // starts on a quiet desktop.
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
        }
    }

    const Program& base = programs.front();
    std::printf("%-12s %14s %10s %14s %10s\n", "program", "visible (ms)", "ratio", "resident (MB)",
                "ratio");
    for (const Program& p : programs)
        std::printf("%-12s %14.1f %10.2f %14.1f %10.2f\n", p.name.c_str(), median(p.startMs),
                    median(p.startMs) / median(base.startMs), median(p.rssMb),
                    median(p.rssMb) / median(base.rssMb));
    std::printf("(medians of %d runs each; ratios to %s)\n", runs, base.name.c_str());
    xcb_disconnect(c);
    return 0;
}
