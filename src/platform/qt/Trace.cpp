#include "platform/qt/Trace.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace talvoro::qt {

void trace(const char* event, long long value) {
    static const bool on = [] {
        const char* v = std::getenv("TALVORO_TRACE");
        return v && std::strcmp(v, "1") == 0;
    }();
    if (!on) return;
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    std::printf("%s %lld %lld\n", event,
                static_cast<long long>(t.tv_sec) * 1'000'000'000LL + t.tv_nsec, value);
    std::fflush(stdout);
}

}  // namespace talvoro::qt
