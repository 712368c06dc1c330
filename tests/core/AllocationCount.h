#pragma once
// Bytes allocated with operator new in this test program, for bounds on the work an operation
// does that no timing could give reliably.

#include <cstddef>

namespace talvoro::testing {

// All bytes allocated so far (never decreases).
std::size_t bytesAllocated();

}  // namespace talvoro::testing
