#include "tessaro/sigWindow.h"

#include <cmath>
#include <cstdlib>
#include <stdexcept>
#include <string>

#include "tessaro/sigTypes.h"

namespace tessaro {

namespace {

// The integer parts are formed in 64 bits: for every length up to 46340
// (where the squares still fit) they equal the 32-bit results, and beyond it
// they stay exact instead of wrapping.
Extended CosineTerm(std::int64_t multiple, std::int32_t n) {
  return std::cos(static_cast<Extended>(multiple) * Pi / static_cast<Extended>(n));
}

}  // namespace

float WindowValue(TsigWindow kind, std::int32_t i, std::int32_t n) {
  if (n <= 0) throw std::invalid_argument("Window length n = " + std::to_string(n) + " is not positive");
  const std::int64_t twoI = 2 * static_cast<std::int64_t>(i);
  const std::int64_t offset = twoI - n;  // 2i - N: the distance from the centre, doubled
  Extended w = 1.0L;
  switch (kind) {
    case fwHamming:
      w = 0.54L - 0.46L * CosineTerm(twoI, n);
      break;
    case fwHanning:
      w = 0.5L - 0.5L * CosineTerm(twoI, n);
      break;
    case fwBlackman:
      w = 0.42L - 0.5L * CosineTerm(twoI, n) + 0.08L * CosineTerm(2 * twoI, n);
      break;
    case fwGaussian: {
      // exp(-0.5 (2i - N)^2 / N^2): the factor -0.5 / N^2 first. The square
      // of the offset is exact in Extended while it is below 2^64.
      const Extended factor = -0.5L / static_cast<Extended>(static_cast<std::int64_t>(n) * n);
      const Extended d = static_cast<Extended>(offset);
      w = std::exp(factor * (d * d));
      break;
    }
    case fwWelch: {
      const Extended q = static_cast<Extended>(offset) / static_cast<Extended>(std::int64_t{n} + 1);
      w = 1.0L - q * q;
      break;
    }
    case fwParzen:
      w = 1.0L - static_cast<Extended>(std::llabs(offset)) / static_cast<Extended>(std::int64_t{n} + 1);
      break;
    case fwNone:
    default:
      break;
  }
  return static_cast<float>(w);
}

void FillWindow(TsigWindow kind, std::span<float> table, std::int32_t n) {
  if (n <= 0) return;
  if (table.size() < static_cast<std::size_t>(n))
    throw std::invalid_argument("Window table of " + std::to_string(table.size()) +
                                " elements is shorter than n = " + std::to_string(n));
  for (std::int32_t i = 0; i < n; ++i) table[static_cast<std::size_t>(i)] = WindowValue(kind, i, n);
}

}  // namespace tessaro
