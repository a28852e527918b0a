// Helpers shared by the IIR filter tests.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>

#include "Near.h"
#include "tessaro/sigIIRFilters.h"
#include "tessaro/sigTypes.h"

namespace tessaro::test {

inline Extended Decibels(Extended magnitude) { return 20.0L * std::log10(magnitude); }

// Assigns a design through the setters, the sample rate first.
inline void Configure(TsigCustomIIRFilter& f, TsigIIRFilterKind kind,
                      TsigIIRFilterResponse response, int order, Extended f1,
                      Extended f2 = 3000.0L, Extended rate = 44100.0L, Extended ripple = 0.0L) {
  f.SetSampleRate(rate);
  f.SetKind(kind);
  f.SetResponse(response);
  f.SetOrder(order);
  f.SetRipple(ripple);
  f.SetFrequency1(f1);
  f.SetFrequency2(f2);
}

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
