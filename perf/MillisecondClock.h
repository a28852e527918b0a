// The millisecond clock of the throughput measurements: a 32-bit count of
// milliseconds from the coarse monotonic clock. The count wraps about every
// 49.7 days, so callers take the elapsed time as the unsigned difference
// now - start, which stays right across one wrap. The coarse clock is read
// without a system call and advances once per kernel tick (1 to 10 ms,
// typically 4 ms), plenty for a window of one second; its read is part of
// every measured iteration, so its cheapness matters more than its
// resolution.
#pragma once

#include <cstdint>
#include <ctime>

namespace perf {

inline std::uint32_t MillisecondClock() noexcept {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
  // Unsigned arithmetic: the count is taken modulo 2^32 on purpose.
  return static_cast<std::uint32_t>(static_cast<std::uint64_t>(now.tv_sec) * 1000u +
                                    static_cast<std::uint64_t>(now.tv_nsec) / 1000000u);
}

}  // namespace perf
