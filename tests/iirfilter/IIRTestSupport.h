// Helpers shared by the IIR filter tests.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "tessaro/sigTypes.h"

namespace tessaro::test {

// |got - want| <= abs + rel·|want|: relative where the value is large,
// absolute near 0.
inline ::testing::AssertionResult Near(Extended got, Extended want, Extended abs, Extended rel) {
  const Extended error = std::fabs(got - want);
  if (error <= abs + rel * std::fabs(want)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "got " << static_cast<double>(got) << " want "
                                       << static_cast<double>(want) << " error "
                                       << static_cast<double>(error);
}

// The 80 value bits of an Extended (sign, exponent, significand).
inline bool SameBits(Extended a, Extended b) { return std::memcmp(&a, &b, 10) == 0; }

inline Extended Decibels(Extended magnitude) { return 20.0L * std::log10(magnitude); }

}  // namespace tessaro::test
