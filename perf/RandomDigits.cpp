#include "RandomDigits.h"

namespace perf {

namespace {

// 2^32 - 96: the largest multiple of 100 a 32-bit draw can reach. Draws at
// or above it are rejected, so every digit has exactly the same weight.
constexpr std::uint32_t DrawLimit = 4294967200u;
constexpr std::uint32_t DrawsPerDigit = DrawLimit / 100u;

}  // namespace

int TRandomDigits::Next() {
  std::uint32_t draw = static_cast<std::uint32_t>(engine_());
  while (draw >= DrawLimit) draw = static_cast<std::uint32_t>(engine_());
  return static_cast<int>(draw / DrawsPerDigit);
}

}  // namespace perf
