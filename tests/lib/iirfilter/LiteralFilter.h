// The straightforward per-sample routines, kept literally as the reference
// for the optimised sample path: both histories shifted down by one entry
// per sample, the accumulation exactly as written, the anti-denormal offset
// added and subtracted at both places every time.
#pragma once

#include <array>
#include <cstring>
#include <random>

#include "tessaro/sigTypes.h"

namespace tessaro::test {

struct LiteralFilter {
  enum Routine { Pass, Mute, Filter };

  Routine routine = Filter;
  std::array<Extended, PoleZeroCapacity> X{}, Y{}, B{}, A{};
  Extended g = 0.0L;
  int n = 0;

  Extended Sample(Extended x) {
    if (routine == Pass) return x;
    if (routine == Mute) return 0.0L;
    constexpr Extended d = 1e-20L;
    for (int i = 0; i < n; ++i) {
      X[i] = X[i + 1];
      Y[i] = Y[i + 1];
    }
    const Extended t = ((x + d) - d) * g;
    X[n] = t;
    Extended acc = t;
    for (int i = 0; i < n; ++i) acc = (((X[i] * B[i] + acc) + Y[i] * A[i]) + d) - d;
    Y[n] = acc;
    return acc;
  }

  void Reset() {
    X.fill(0.0L);
    Y.fill(0.0L);
  }
};

// The 80 value bits of an Extended, as one comparable value.
inline bool Identical(Extended a, Extended b) { return std::memcmp(&a, &b, 10) == 0; }

// An extended value with a random 64-bit significand and an exponent field
// drawn from [lowField, highField] (16383 is 2^0); field 0 gives a
// subnormal. Random sign.
inline Extended RandomExtended(std::mt19937_64& rng, int lowField, int highField) {
  std::uint64_t significand = rng();
  const int field = std::uniform_int_distribution<int>(lowField, highField)(rng);
  if (field == 0)
    significand &= ~(std::uint64_t{1} << 63);
  else
    significand |= std::uint64_t{1} << 63;
  const std::uint16_t top =
      static_cast<std::uint16_t>(field | (rng() & 1 ? 0x8000 : 0));
  unsigned char bytes[sizeof(Extended)] = {};
  std::memcpy(bytes, &significand, 8);
  std::memcpy(bytes + 8, &top, 2);
  Extended x;
  std::memcpy(&x, bytes, sizeof x);
  return x;
}

// The exponent field of 2^e.
constexpr int Field(int e) { return 16383 + e; }

}  // namespace tessaro::test
