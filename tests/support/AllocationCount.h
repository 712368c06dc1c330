#pragma once
// Counts the bytes the program holds through operator new, for tests and fuzz targets that bound
// how much memory an input may cost. Linking AllocationCount.cpp replaces operator new and delete
// in the whole executable.

#include <cstddef>

namespace talvoro::testing {

// Bytes held now.
std::size_t allocatedNow();
// The most held at once since the last resetAllocationPeak().
std::size_t allocationPeak();
void resetAllocationPeak();
// Every byte handed out so far (never decreases): a bound on the work an operation does that no
// timing could give reliably.
std::size_t bytesAllocated();

}  // namespace talvoro::testing
