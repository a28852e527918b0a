// The pseudo-random source of the FFT input: uniform integers 0..99 from a
// 32-bit Mersenne Twister with a fixed seed, so every run of the program
// draws the same sequence.
#pragma once

#include <cstdint>
#include <random>

namespace perf {

class TRandomDigits {
 public:
  // The sequence starts from the same state every time.
  static constexpr std::uint32_t Seed = 5489u;

  // The next integer of the sequence, in 0..99.
  int Next();

 private:
  std::mt19937 engine_{Seed};
};

}  // namespace perf
