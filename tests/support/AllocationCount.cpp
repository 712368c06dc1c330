#include "AllocationCount.h"

#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace talvoro::testing {
namespace {

std::atomic<std::size_t> held{0};
std::atomic<std::size_t> peak{0};
std::atomic<std::size_t> total{0};

void* take(std::size_t n, std::size_t alignment) {
    if (n == 0) n = 1;
    void* p = alignment > alignof(std::max_align_t)
                  ? std::aligned_alloc(alignment, (n + alignment - 1) / alignment * alignment)
                  : std::malloc(n);
    if (!p) return nullptr;
    const std::size_t size = malloc_usable_size(p);
    total += size;
    const std::size_t now = held += size;
    for (std::size_t high = peak; now > high && !peak.compare_exchange_weak(high, now);) {
    }
    return p;
}

void give(void* p) noexcept {
    if (!p) return;
    held -= malloc_usable_size(p);
    std::free(p);
}

void* takeOrThrow(std::size_t n, std::size_t alignment) {
    if (void* p = take(n, alignment)) return p;
    throw std::bad_alloc();
}

}  // namespace

std::size_t allocatedNow() {
    return held;
}
std::size_t allocationPeak() {
    return peak;
}
std::size_t bytesAllocated() {
    return total;
}
void resetAllocationPeak() {
    peak = held.load();
}

}  // namespace talvoro::testing

using talvoro::testing::give;
using talvoro::testing::take;
using talvoro::testing::takeOrThrow;

void* operator new(std::size_t n) {
    return takeOrThrow(n, 0);
}
void* operator new[](std::size_t n) {
    return takeOrThrow(n, 0);
}
void* operator new(std::size_t n, std::align_val_t a) {
    return takeOrThrow(n, static_cast<std::size_t>(a));
}
void* operator new[](std::size_t n, std::align_val_t a) {
    return takeOrThrow(n, static_cast<std::size_t>(a));
}
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
    return take(n, 0);
}
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept {
    return take(n, 0);
}
void operator delete(void* p) noexcept {
    give(p);
}
void operator delete[](void* p) noexcept {
    give(p);
}
void operator delete(void* p, std::size_t) noexcept {
    give(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    give(p);
}
void operator delete(void* p, std::align_val_t) noexcept {
    give(p);
}
void operator delete[](void* p, std::align_val_t) noexcept {
    give(p);
}
void operator delete(void* p, std::size_t, std::align_val_t) noexcept {
    give(p);
}
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept {
    give(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
    give(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
    give(p);
}
