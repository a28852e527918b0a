// Comparisons shared by every test: a tolerance that is absolute near 0 and
// relative elsewhere, and equality of the 80 value bits of an Extended.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace tessaro::test {

// |got - want| <= abs + rel·|want|.
inline ::testing::AssertionResult Near(long double got, long double want, long double abs,
                                       long double rel) {
  const long double error = std::fabs(got - want);
  if (error <= abs + rel * std::fabs(want)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "got " << static_cast<double>(got) << " want "
                                       << static_cast<double>(want) << " error "
                                       << static_cast<double>(error);
}

// The 80 value bits of an extended value (sign, exponent, significand).
inline bool SameBits(long double a, long double b) { return std::memcmp(&a, &b, 10) == 0; }

}  // namespace tessaro::test
