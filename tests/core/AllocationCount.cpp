// Replaces the global operator new and delete of the test program with ones that count the bytes
// asked for. The aligned forms are left alone: the code under test does not use them.

#include "AllocationCount.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<std::size_t> allocated{0};

void* allocate(std::size_t n) {
    allocated.fetch_add(n, std::memory_order_relaxed);
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}

}  // namespace

namespace talvoro::testing {

std::size_t bytesAllocated() {
    return allocated.load(std::memory_order_relaxed);
}

}  // namespace talvoro::testing

void* operator new(std::size_t n) {
    return allocate(n);
}
void* operator new[](std::size_t n) {
    return allocate(n);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}
