// How soon a text dropped on the running basket is heard: a drag source in a process of its own
// offers a short text or 10 MB, the pointer (XTest) carries it onto the basket and lets go, and
// the figures are taken from that release: until the basket holds the text (the X data transfer
// is over; the basket reports it with TALVORO_TRACE=1) and until the first audible sample at a
// private pulseaudio null sink. Beside it, in the same run, `espeak-ng "text"` and
// `spd-say "text"` from request to sound, measured against the same sink.
//
// Usage: drop_latency [runs]   (bench/run-drop.sh starts a desktop for it)
// Needs DISPLAY with a window manager; the basket and the drag source are found beside this
// program in the build tree (TALVORO_BUILD_DIR overrides).

#include <poll.h>
#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include <cstdio>
#include <cstring>
#include <memory>

#include "PulseSink.h"
#include "SinkTiming.h"

namespace {

using namespace talvoro::bench;
using talvoro::testing::PulseDaemon;

// A child with its standard output on a pipe, read line by line.
class Child {
public:
    explicit Child(const std::vector<std::string>& args) {
        int fds[2];
        if (pipe(fds) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        if (!std::getenv("TALVORO_BENCH_VERBOSE"))
            posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        std::vector<char*> argv;
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        out_ = fds[0];
    }
    ~Child() {
        reap(pid_);
        if (out_ >= 0) close(out_);
    }
    // The next line, or nullopt after `timeoutMs`.
    std::optional<std::string> line(int timeoutMs) {
        const auto until = Clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            if (auto nl = buffer_.find('\n'); nl != std::string::npos) {
                std::string l = buffer_.substr(0, nl);
                buffer_.erase(0, nl + 1);
                return l;
            }
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now());
            if (left.count() <= 0) return std::nullopt;
            pollfd p{out_, POLLIN, 0};
            if (poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
            char chunk[256];
            const ssize_t n = read(out_, chunk, sizeof chunk);
            if (n <= 0) return std::nullopt;
            buffer_.append(chunk, static_cast<std::size_t>(n));
        }
    }

private:
    pid_t pid_ = -1;
    int out_ = -1;
    std::string buffer_;
};

// The pointer and its left button, driven through XTest.
class Pointer {
public:
    Pointer() : c_(xcb_connect(nullptr, nullptr)) {
        root_ = xcb_setup_roots_iterator(xcb_get_setup(c_)).data->root;
    }
    ~Pointer() { xcb_disconnect(c_); }
    bool ok() const { return !xcb_connection_has_error(c_); }
    void moveTo(int x, int y) {
        xcb_test_fake_input(c_, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, root_,
                            static_cast<int16_t>(x), static_cast<int16_t>(y), 0);
        sync();
    }
    void button(bool down) {
        xcb_test_fake_input(c_, down ? XCB_BUTTON_PRESS : XCB_BUTTON_RELEASE, 1, XCB_CURRENT_TIME,
                            root_, 0, 0, 0);
        sync();
    }

private:
    void sync() { free(xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr)); }
    xcb_connection_t* c_;
    xcb_window_t root_;
};

long long nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch())
        .count();
}

struct Figures {
    std::vector<double> transfer, sound;
};

// Carries the source's offer from (sx, sy) to (tx, ty) and lets go; returns the moment of the
// release and fills in how long it took until the basket held the text and until it was heard.
void dropOnce(Pointer& pointer, Child& source, Child& app, Recorder& rec, int sx, int sy, int tx,
              int ty, Figures* figures) {
    rec.waitForSilence(300, 5000);
    rec.clear();
    pointer.moveTo(sx, sy);
    std::this_thread::sleep_for(100ms);
    pointer.button(true);
    std::this_thread::sleep_for(100ms);
    for (int i = 1; i <= 10; ++i) {
        pointer.moveTo(sx + (tx - sx) * i / 10, sy + (ty - sy) * i / 10);
        std::this_thread::sleep_for(20ms);
    }
    std::this_thread::sleep_for(300ms);  // the basket has answered the drag's last position
    const auto released = Clock::now();
    const long long releasedNs = nowNs();
    pointer.button(false);
    const auto answer = source.line(20000);
    const auto taken = app.line(20000);  // "taken <ns> <bytes>"
    if (!figures) return;
    long long takenNs = 0, bytes = 0, answeredNs = 0;
    int action = -1;
    if (!answer || std::sscanf(answer->c_str(), "dropped %d %lld", &action, &answeredNs) != 2 ||
        action == 0 || !taken ||
        std::sscanf(taken->c_str(), "taken %lld %lld", &takenNs, &bytes) != 2) {
        std::fprintf(stderr, "# the drop was not taken (%s)\n",
                     answer ? answer->c_str() : "no answer");
        return;
    }
    figures->transfer.push_back(static_cast<double>(takenNs - releasedNs) / 1e6);
    if (const auto first = firstAudible(rec, released, 10s))
        figures->sound.push_back(since(released, *first));
    else
        std::fprintf(stderr, "# nothing was heard after the drop\n");
}

void print(const char* what, const std::vector<double>& transfer,
           const std::vector<double>& sound) {
    auto cell = [](const std::vector<double>& v) {
        char buf[32];
        if (v.empty()) return std::string("      -");
        std::snprintf(buf, sizeof buf, "%7.1f", median(v));
        return std::string(buf);
    };
    std::printf("%-34s %s %s\n", what, cell(transfer).c_str(), cell(sound).c_str());
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    namespace fs = std::filesystem;
    const fs::path self = fs::read_symlink("/proc/self/exe").parent_path();
    const fs::path build = std::getenv("TALVORO_BUILD_DIR")
                               ? fs::path(std::getenv("TALVORO_BUILD_DIR"))
                               : self.parent_path();
    const std::string basket = (build / "bin" / "talvoro").string();
    const std::string dragSource = (build / "tests" / "talvoro_drag_source").string();
    if (!fs::exists(basket) || !fs::exists(dragSource)) {
        std::fprintf(stderr, "missing %s or %s\n", basket.c_str(), dragSource.c_str());
        return 2;
    }

    Pointer pointer;
    if (!pointer.ok()) {
        std::fprintf(stderr, "no X display\n");
        return 2;
    }

    // The texts, and a private settings folder that puts the basket at 300,200.
    const fs::path home =
        fs::temp_directory_path() / ("talvoro-drop-bench-" + std::to_string(getpid()));
    fs::create_directories(home / "config" / "Talvoro");
    std::ofstream(home / "config" / "Talvoro" / "Talvoro.conf") << "[site]\ntop=3000\nleft=4500\n";
    std::string big;
    big.reserve(10'500'000);
    for (long i = 0; big.size() < 10'000'000; ++i)
        big += "Sentence number " + std::to_string(i) +
               " of a long text, dropped on the basket and read from its beginning.\n";
    const std::string bigFile = (home / "big.txt").string();
    std::ofstream(bigFile) << big;
    setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
    setenv("TALVORO_TRACE", "1", 1);

    PulseDaemon daemon;  // this process and its children speak to it
    Recorder rec;

    std::printf("Dropped text: ms from the release of the drag (medians of %d runs)\n", runs);
    std::printf("%-34s %7s %7s\n", "", "taken", "sound");

    {
        Child app({basket});
        Child shortSource({dragSource, "--text", kShort, "--at", "60,100"});
        Child bigSource({dragSource, "--text-file", bigFile, "--at", "60,300"});
        Child blankSource({dragSource, "--text", " ", "--at", "60,500"});
        for (Child* c : {&shortSource, &bigSource, &blankSource})
            if (!c->line(10000)) std::fprintf(stderr, "# a drag source did not start\n");
        std::this_thread::sleep_for(1500ms);  // the basket is up and its engine ready
        const int tx = 320, ty = 220;         // the middle of the basket

        Figures small, large;
        for (int i = 0; i < runs; ++i) {
            dropOnce(pointer, shortSource, app, rec, 120, 130, tx, ty, &small);
            dropOnce(pointer, blankSource, app, rec, 120, 530, tx, ty,
                     nullptr);  // stops the reading
            dropOnce(pointer, bigSource, app, rec, 120, 330, tx, ty, &large);
            dropOnce(pointer, blankSource, app, rec, 120, 530, tx, ty, nullptr);
        }
        print("talvoro, short text dropped", small.transfer, small.sound);
        print("talvoro, 10 MB text dropped", large.transfer, large.sound);
        if (!large.transfer.empty() && !large.sound.empty())
            std::printf("%-34s %7s %7.1f\n", "  sound after the 10 MB was taken", "",
                        median(large.sound) - median(large.transfer));
    }

    // The same sink, from request to sound.
    auto request = [&](const char* what, const std::vector<std::string>& args) {
        std::vector<double> sound;
        for (int i = 0; i < runs; ++i) {
            rec.waitForSilence(300, 5000);
            rec.clear();
            const auto t0 = Clock::now();
            const pid_t pid = spawn(args);
            if (const auto first = firstAudible(rec, t0, 10s)) sound.push_back(since(t0, *first));
            std::this_thread::sleep_for(300ms);
            reap(pid);
            if (args[0] == "spd-say") run({"spd-say", "-C"});
        }
        print(what, {}, sound);
    };
    if (have("espeak-ng"))
        request("espeak-ng \"text\"", {"espeak-ng", kShort});
    else
        std::printf("espeak-ng: not installed (tools/setup-debian.sh bench)\n");
    if (have("spd-say")) {
        request("spd-say \"text\"", {"spd-say", kShort});
        endDispatchers();
    } else {
        std::printf("spd-say: not installed (tools/setup-debian.sh bench)\n");
    }

    fs::remove_all(home);
    return 0;
}
