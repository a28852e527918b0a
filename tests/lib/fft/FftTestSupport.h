// Helpers of the FFT tests: test signals, bit-for-bit
// comparison and the construction of inputs on float rounding ties.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <optional>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "Near.h"

namespace tessaro::test {

// Equal bits in every element (any NaN matches any NaN).
inline ::testing::AssertionResult SameFloats(std::span<const float> got, std::span<const float> want) {
  if (got.size() != want.size())
    return ::testing::AssertionFailure() << "sizes " << got.size() << " and " << want.size();
  std::size_t differing = 0, first = 0;
  for (std::size_t k = 0; k < got.size(); ++k) {
    if (std::isnan(got[k]) && std::isnan(want[k])) continue;
    if (std::bit_cast<std::uint32_t>(got[k]) != std::bit_cast<std::uint32_t>(want[k]))
      if (differing++ == 0) first = k;
  }
  if (differing == 0) return ::testing::AssertionSuccess();
  char text[160];
  std::snprintf(text, sizeof text, "%zu of %zu elements differ; first at %zu: got %a, want %a", differing,
                got.size(), first, static_cast<double>(got[first]), static_cast<double>(want[first]));
  return ::testing::AssertionFailure() << text;
}

// Uniform to SmallIntegers fill both parts; the rest are recorded or
// synthetic real signals (a zero imaginary part, RealSignal), whose
// products are often exact: quantised samples, a constant, an impulse, a
// burst followed by silence, tones that the transform resolves exactly.
enum class Signal {
  Uniform,
  WideRange,
  Tiny,
  SmallIntegers,
  Int16,        // uniform 16-bit integers
  Int16Scaled,  // the same times 2^-15
  Sine100,      // round(100 sin(0.1 n))
  Sine3,        // round(3 sin(0.05 n))
  Sine32767,    // round(32767 sin(0.01 n))
  Constant,     // 1000
  Impulse,      // 1 at n = 1
  Burst,        // 16-bit integers in the first tenth, zeros after
  TwoTones,     // cos(2 pi 3n/N) + sin(2 pi (N/8 + 1)n/N) / 2, each a float
};

inline bool RealSignal(Signal s) { return s >= Signal::Int16; }

inline std::string SignalName(Signal s) {
  switch (s) {
    case Signal::Uniform:
      return "Uniform";
    case Signal::WideRange:
      return "WideRange";
    case Signal::Tiny:
      return "Tiny";
    case Signal::SmallIntegers:
      return "SmallIntegers";
    case Signal::Int16:
      return "Int16";
    case Signal::Int16Scaled:
      return "Int16Scaled";
    case Signal::Sine100:
      return "Sine100";
    case Signal::Sine3:
      return "Sine3";
    case Signal::Sine32767:
      return "Sine32767";
    case Signal::Constant:
      return "Constant";
    case Signal::Impulse:
      return "Impulse";
    case Signal::Burst:
      return "Burst";
    case Signal::TwoTones:
      return "TwoTones";
  }
  return "?";
}

// n deterministic values, built from the raw generator output so that they
// do not depend on the library's distributions.
inline std::vector<float> MakeSignal(Signal kind, std::size_t n, std::uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<float> v(n);
  const auto sine = [&](double amplitude, double omega) {
    for (std::size_t k = 0; k < n; ++k)
      v[k] = static_cast<float>(std::round(amplitude * std::sin(omega * static_cast<double>(k))));
  };
  const auto int16 = [&](std::size_t count) {
    for (std::size_t k = 0; k < count; ++k) v[k] = static_cast<float>(static_cast<int>(rng() >> 16) - 32768);
  };
  switch (kind) {
    case Signal::Int16:
      int16(n);
      return v;
    case Signal::Int16Scaled:
      int16(n);
      for (auto& x : v) x *= 0x1p-15f;
      return v;
    case Signal::Sine100:
      sine(100, 0.1);
      return v;
    case Signal::Sine3:
      sine(3, 0.05);
      return v;
    case Signal::Sine32767:
      sine(32767, 0.01);
      return v;
    case Signal::Constant:
      std::fill(v.begin(), v.end(), 1000.0f);
      return v;
    case Signal::Impulse:
      if (n > 1) v[1] = 1.0f;
      return v;
    case Signal::Burst:
      int16(n / 10);
      return v;
    case Signal::TwoTones: {
      const double step = 2 * 3.14159265358979323846 / static_cast<double>(n);
      const auto high = static_cast<double>(n / 8 + 1);
      for (std::size_t k = 0; k < n; ++k) {
        const auto t = static_cast<double>(k);
        v[k] = static_cast<float>(std::cos(step * 3 * t) + 0.5 * std::sin(step * high * t));
      }
      return v;
    }
    default:
      break;
  }
  for (auto& x : v) {
    const std::uint32_t r = rng();
    const float sign = (r & 1u) ? -1.0f : 1.0f;
    const float mantissa = 1.0f + static_cast<float>((r >> 1) & 0x7FFFFFu) * 0x1p-23f;
    switch (kind) {
      case Signal::Uniform:  // magnitudes 1/16 .. 1
        x = sign * std::ldexp(mantissa, -1 - static_cast<int>(rng() % 4u));
        break;
      case Signal::WideRange:  // magnitudes 2^-60 .. 2^60
        x = sign * std::ldexp(mantissa, static_cast<int>(rng() % 121u) - 60);
        break;
      case Signal::Tiny:  // around the smallest normal float, partly subnormal
        x = sign * std::ldexp(mantissa, -140 + static_cast<int>(rng() % 20u));
        break;
      case Signal::SmallIntegers:  // -4..4 with signed zeros
        x = sign * static_cast<float>((r >> 8) % 5u);
        break;
      default:  // the real signals above
        break;
    }
  }
  return v;
}

// Floats p, q for which a·p - b·q sits on a float rounding tie at double
// precision but not at extended precision: the double difference is exactly
// a float midpoint, the extended one lies just beside it, so the two round
// to different floats. nullopt when a or b is 0.
struct HardPair {
  float p = 0.0f;
  float q = 0.0f;
};

namespace detail {

// p makes a·p a 48-bit product whose part below a float midpoint is tiny;
// q makes b·q cancel that part up to a remainder far below the double's
// half unit but above the extended one.
inline std::optional<HardPair> FindHardPairOneWay(float a, float b, std::mt19937& rng) {
  for (int attempt = 0; attempt < 200000; ++attempt) {
    const std::uint32_t r = rng();
    const float p = ((r & 1u) ? -1.0f : 1.0f) *
                    std::ldexp(1.0f + static_cast<float>((r >> 1) & 0x7FFFFFu) * 0x1p-23f, -std::ilogb(a));
    const double big = static_cast<double>(a) * p;
    const double ulp = std::ldexp(1.0, std::ilogb(big) - 23);
    const double midpoint = (std::floor(big / ulp) + 0.5) * ulp;
    const double tail = big - midpoint;
    const double ratio = std::fabs(tail / big);
    if (!(ratio > 0x1p-38 && ratio < 0x1p-31)) continue;
    const float q0 = static_cast<float>(tail / b);
    for (const float q : {q0, std::nextafter(q0, 1.0f), std::nextafter(q0, -1.0f)}) {
      const double small = static_cast<double>(b) * q;
      const float viaDouble = static_cast<float>(big - small);
      const float viaExtended =
          static_cast<float>(static_cast<long double>(big) - static_cast<long double>(small));
      if (viaDouble != viaExtended) return HardPair{p, q};
    }
  }
  return std::nullopt;
}

}  // namespace detail

inline std::optional<HardPair> FindHardPair(float a, float b, std::uint32_t seed) {
  if (a == 0.0f || b == 0.0f) return std::nullopt;
  std::mt19937 rng(seed);
  // Either product may carry the tie (a·p - b·q is on a tie exactly when
  // b·q - a·p is). The larger factor is tried first: its product is then the
  // larger part of the value, so that the tie is not lost among larger
  // numbers in what follows.
  if (std::fabs(a) >= std::fabs(b))
    if (const auto pair = detail::FindHardPairOneWay(a, b, rng)) return pair;
  if (const auto pair = detail::FindHardPairOneWay(b, a, rng)) return HardPair{pair->q, pair->p};
  if (std::fabs(a) < std::fabs(b))
    if (const auto pair = detail::FindHardPairOneWay(a, b, rng)) return pair;
  return std::nullopt;
}

// The same below the normal float range: a·p - b·q lands, at double
// precision, exactly on a midpoint of the subnormal float grid (an odd
// multiple of 2^-150) that its extended value misses. Needs a factor far
// below 1 (b·q then cancels the product's tail finely enough); the larger
// factor carries the tie.
namespace detail {

inline std::optional<HardPair> FindSubnormalHardPairOneWay(float a, float b, std::mt19937& rng) {
  for (int attempt = 0; attempt < 200000; ++attempt) {
    const std::uint32_t r = rng();
    const float p =
        ((r & 1u) ? -1.0f : 1.0f) * std::ldexp(static_cast<float>((r >> 1) % (1u << 20) | (1u << 10)), -149);
    const double big = static_cast<double>(a) * p;
    const double grid = 0x1p-149;
    // A midpoint near a·p; b·q makes up the difference, whose rounding
    // varies with the distance chosen.
    const double midpoint = (std::floor(big / grid) + 0.5 + static_cast<double>(rng() % 64u)) * grid;
    const float q0 = static_cast<float>((big - midpoint) / b);
    for (const float q : {q0, std::nextafter(q0, 1.0f), std::nextafter(q0, -1.0f)}) {
      const double small = static_cast<double>(b) * q;
      const double viaDouble = big - small;
      const long double viaExtended = static_cast<long double>(big) - static_cast<long double>(small);
      if (std::fabs(viaDouble) < 0x1p-126 && static_cast<float>(viaDouble) != static_cast<float>(viaExtended))
        return HardPair{p, q};
    }
  }
  return std::nullopt;
}

}  // namespace detail

inline std::optional<HardPair> FindSubnormalHardPair(float a, float b, std::uint32_t seed) {
  if (a == 0.0f || b == 0.0f) return std::nullopt;
  std::mt19937 rng(seed);
  if (std::fabs(a) >= std::fabs(b)) return detail::FindSubnormalHardPairOneWay(a, b, rng);
  if (const auto pair = detail::FindSubnormalHardPairOneWay(b, a, rng)) return HardPair{pair->q, pair->p};
  return std::nullopt;
}

}  // namespace tessaro::test
