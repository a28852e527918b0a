// The timed loop shared by every throughput measurement.
#pragma once

#include <cstdint>

namespace perf {

// Calls `call` as often as it can before `durationMs` milliseconds of
// `clock` have passed and returns how many calls completed. Each iteration
// reads the clock, stops once (now - start) >= durationMs as an unsigned
// 32-bit difference, otherwise makes one call and counts it; nothing else
// happens in the loop. A duration of 0 makes no call.
//
// The count is 32-bit: with a clock read of a few nanoseconds per
// iteration, a window of up to 1000 ms (see CheckDuration) stays far below
// 2^31 calls.
template <class Clock, class Call>
std::int32_t CountCalls(Clock&& clock, Call&& call, std::uint32_t durationMs) {
  const std::uint32_t start = clock();
  std::int32_t count = 0;
  while (static_cast<std::uint32_t>(clock() - start) < durationMs) {
    call();
    ++count;
  }
  return count;
}

}  // namespace perf
