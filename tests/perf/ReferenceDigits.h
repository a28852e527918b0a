// The first digits of the FFT input generator, from
// reference/random_digits.py.
#pragma once

#include <vector>

namespace test {

inline const std::vector<int>& ReferenceDigits() {
  static const std::vector<int> digits{
#include "reference/random_digits.inc"
  };
  return digits;
}

}  // namespace test
