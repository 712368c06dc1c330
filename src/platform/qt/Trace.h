#pragma once
// Measuring points for the benchmarks: with TALVORO_TRACE=1 in the environment, the program
// writes "<event> <CLOCK_MONOTONIC ns> <value>" lines to its standard output. Silent otherwise.

namespace talvoro::qt {

void trace(const char* event, long long value);

}  // namespace talvoro::qt
