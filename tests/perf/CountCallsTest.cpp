// The timed loop against scripted clocks: the count, the clock read before
// every call, and the unsigned elapsed time across a wrap of the 32-bit
// count.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <string>

#include "CountCalls.h"

namespace {

// A clock whose k-th read (k = 0 for the start) shows
// Start + (k / ReadsPerTick) * TickMs, modulo 2^32.
struct TScriptedClock {
  std::uint32_t Start = 0;
  std::uint32_t ReadsPerTick = 1;
  std::uint32_t TickMs = 1;
  std::uint64_t Reads = 0;

  std::uint32_t operator()() {
    const auto ticks = static_cast<std::uint32_t>(Reads++ / ReadsPerTick);
    return Start + ticks * TickMs;
  }
};

struct TCountCase {
  const char* Name;
  std::uint32_t Start;
  std::uint32_t ReadsPerTick;
  std::uint32_t TickMs;
  std::uint32_t DurationMs;
  std::int32_t Count;  // worked out by hand from the loop's definition
};

const TCountCase CountCases[] = {
    // Read k shows k ms: calls happen at reads 1..9, read 10 stops.
    {"one ms per read", 0u, 1u, 1u, 10u, 9},
    {"zero duration", 0u, 1u, 1u, 0u, 0},
    {"one ms duration", 0u, 1u, 1u, 1u, 0},
    {"two ms duration", 0u, 1u, 1u, 2u, 1},
    // The count wraps from 0xFFFFFFFF to 0 during the window.
    {"wrap during window", 0xFFFFFFF0u, 1u, 1u, 100u, 99},
    {"wrap at first read", 0xFFFFFFFFu, 1u, 1u, 2u, 1},
    // A 4 ms tick every third read: reads 1..5 show 0 or 4 ms, read 6 shows 8.
    {"coarse tick", 100u, 3u, 4u, 8u, 5},
    {"coarse tick across wrap", 0xFFFFFFFEu, 3u, 4u, 8u, 5},
    // The first read after the start is already past the window.
    {"late first read", 5u, 1u, 1000u, 1000u, 0},
    {"just short of window", 5u, 1u, 999u, 1000u, 1},
    {"a million calls", 0x80000000u, 1000u, 1u, 1000u, 999999},
};

class CountCallsCase : public ::testing::TestWithParam<TCountCase> {};

TEST_P(CountCallsCase, CountsCallsMadeBeforeTheWindowCloses) {
  const TCountCase& c = GetParam();
  TScriptedClock clock{c.Start, c.ReadsPerTick, c.TickMs};
  std::int32_t calls = 0;
  const std::int32_t count = perf::CountCalls(clock, [&calls] { ++calls; }, c.DurationMs);
  EXPECT_EQ(count, c.Count);
  EXPECT_EQ(calls, c.Count);
  // One read for the start, one before every call, one that stops.
  EXPECT_EQ(clock.Reads, static_cast<std::uint64_t>(c.Count) + 2u);
}

INSTANTIATE_TEST_SUITE_P(Perf, CountCallsCase, ::testing::ValuesIn(CountCases),
                         [](const auto& info) {
                           std::string name = info.param.Name;
                           for (char& ch : name)
                             if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
                           return name;
                         });

}  // namespace
