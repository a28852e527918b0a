// Shared numeric types of the Tessaro library.
//
// Extended is the type of every IIR filter value: samples, properties,
// coefficients, histories and complex parts. It is the x87 80-bit format,
// a 64-bit significand and a 15-bit exponent (largest finite value about
// 1.19e4932). Code that must agree bit for bit with this library compiles
// with -ffp-contract=off and without -ffast-math.
#pragma once

#include <array>
#include <cstdint>
#include <limits>

namespace tessaro {

using Extended = long double;
static_assert(std::numeric_limits<Extended>::digits == 64,
              "Tessaro needs long double with a 64-bit significand (x87 extended)");

// pi rounded to the nearest Extended: 3.14159265358979323851...
inline constexpr Extended Pi = 3.14159265358979323846264338327950288L;

// Kind of analog prototype of an IIR design.
enum TsigIIRFilterKind : std::uint8_t { fkButterworth, fkChebyshev, fkBessel };

// Band form of an IIR design.
enum TsigIIRFilterResponse : std::uint8_t { ftLowpass, ftHighpass, ftBandpass, ftBandstop };

// How a design's transfer function is run sample by sample: one difference
// equation over the expanded polynomials, a cascade of second-order
// sections, or the direct form wherever it is sound and the cascade
// elsewhere.
enum TsigIIRStructure : std::uint8_t { fsDirect, fsCascade, fsAuto };

// Prototype order, 1..8.
using TsigIIRFilterOrder = std::uint8_t;

// The nine published values of an IIR filter as stored, with a new
// filter's values as defaults. Frequency2 is kept as assigned whatever the
// response; a design reads it only for bandpass and bandstop.
struct TsigIIRFilterProperties {
  TsigIIRFilterKind Kind = fkButterworth;
  TsigIIRFilterResponse Response = ftLowpass;
  TsigIIRFilterOrder Order = 1;
  Extended Frequency1 = 300.0L;    // Hz
  Extended Frequency2 = 3000.0L;   // Hz
  Extended SampleRate = 44100.0L;  // Hz
  Extended Ripple = 0.0L;          // dB, never negative
  bool ManualReset = false;
  TsigIIRStructure Structure = fsAuto;
};

// A complex number in extended precision: a plain value with no invariant.
struct TsigComplex {
  Extended Re = 0.0L;
  Extended Im = 0.0L;
};

// Capacity of every pole, zero, coefficient and history array of a filter.
inline constexpr int PoleZeroCapacity = 33;

// Poles and zeros of one stage of a design. Only the first PoleCount poles
// and ZeroCount zeros are meaningful; the other entries are 0 + 0i.
struct PoleZeroSet {
  std::array<TsigComplex, PoleZeroCapacity> Poles{};
  std::array<TsigComplex, PoleZeroCapacity> Zeros{};
  std::int32_t PoleCount = 0;
  std::int32_t ZeroCount = 0;
};

}  // namespace tessaro
