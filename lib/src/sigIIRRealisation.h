// How faithfully the direct form realises a design: the roots of its 80-bit
// denominator, its largest pole radius, its response next to the design's
// pole-zero response, and the verdict "sound". Also the histories that
// start the direct form in the steady state of a constant input. Pure
// functions of a design's stored values; internal to the library.
//
// The direct form with N = CoefficientCount runs
//   y[t] = g·x[t] + Σ_{i<N} (B[i]·g·x[t-N+i] + A[i]·y[t-N+i]),
// so its poles are the roots of z^N - Σ A[i]·z^i, whatever the design's
// poles were. Rounding the design's polynomial to 80 bits moves a cluster
// of m poles by about (2^-64·|A|)^(1/m): order-8 band designs at low
// corners land outside the unit circle or far from their design.
//
// Sound: the realised denominator's roots all lie within radius
// SoundRadius, and at every check frequency (64 uniform ones from 0 to
// the Nyquist frequency, and the angle of every design pole and realised
// root) the realised response differs from the design's pole-zero
// response by at most SoundDeviation times the design's largest gain at
// those frequencies. Measured over 2304 designs (bench/soundness_grid:
// every kind, response and order 1..8, ripples 0.5, 1 and 3 dB, corners
// from 0.02 % to 45 % of the sample rate, band widths 1.25x to 10x),
// sound designs' direct-form impulse responses stay within 1e-9 of the
// response's peak of a 40-digit pole-zero reference; the unsound ones
// that do not diverge miss it by up to <filled in from measurement>.
#pragma once

#include <span>

#include "tessaro/sigTypes.h"

namespace tessaro {

// The largest pole radius and response deviation of a sound direct form.
inline constexpr Extended SoundRadius = 1.0L - 1e-6L;
inline constexpr Extended SoundDeviation = 1e-9L;

// Roots of z^n - Σ_{i<n} a[i]·z^i, n = a.size() <= roots.size(), in
// extended precision, found by Aberth-Ehrlich iteration with the
// polynomial and its derivative evaluated in double-extended arithmetic.
// The polynomial is taken exactly as stored, so clustered roots come out
// accurate to about 2^-64 of their spread, not of the cluster's distance
// from the origin. Returns false when the iteration did not settle; the
// roots then hold its last iterates.
bool RealisedRoots(std::span<const Extended> a, std::span<TsigComplex> roots);

struct DirectFormAssessment {
  Extended LargestRadius = 0.0L;      // of the realised denominator's roots
  Extended ResponseDeviation = 0.0L;  // relative to the design's largest gain
  bool Converged = true;              // the root iteration settled
  bool Sound = false;
};

// Judges the direct form with inputs b and outputs a (CoefficientCount
// entries each, as stored) against the design's z-plane poles and zeros.
// The input scale cancels out of the comparison.
DirectFormAssessment AssessDirectForm(std::span<const Extended> b, std::span<const Extended> a,
                                      const PoleZeroSet& zplane);

// The direct form at rest under the constant input x0: every past scaled
// input is Input = ((x0 + d) - d)·scale, as the routine scales it, and
// every past output is Output = Input·(1 + Σ b)/(1 - Σ a), the realised
// gain at 0 Hz with both sums formed in double-extended arithmetic.
struct SteadyLevels {
  Extended Input = 0.0L;
  Extended Output = 0.0L;
};
SteadyLevels DirectFormSteadyState(std::span<const Extended> b, std::span<const Extended> a,
                                   Extended scale, Extended x0);

}  // namespace tessaro
