#pragma once
// Opt-in timing of the page's calls into the program, for the end-to-end
// benchmarks (bench/e2e): with ORVANE_TRACE_CALLS naming a file, each call's
// arrival at the program is appended to it as one line, "<monotonic ns>
// <first bytes of the argument>". Off (one test of a cached flag per call)
// when the variable is unset, which is how the program always runs.
//
// The page's own clocks are coarsened by the engine; this one is not.

#include <chrono>
#include <string_view>

namespace orvane::call_trace {

// The clock the trace uses (CLOCK_MONOTONIC), read as the call arrives.
inline std::chrono::steady_clock::time_point arrival() { return std::chrono::steady_clock::now(); }

// Records one call; does nothing unless the trace is on. UI thread only.
void record(std::chrono::steady_clock::time_point arrivedAt, std::string_view argument);

}  // namespace orvane::call_trace
