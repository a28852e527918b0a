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
// SoundRadius, and at every check frequency (65 uniform ones from 0 to the
// Nyquist frequency, and the angle of every design pole and realised root,
// where a displaced pole shows most) the realised response differs from
// the design's pole-zero response by at most SoundDeviation times the
// design's largest gain there. The input scale is common to both and
// cancels.
//
// Why these bounds (bench/soundness_grid, 4030 designs: every kind and
// response, orders 1..8, Chebyshev ripples 0.5, 1 and 3 dB, corners from
// 0.02 % to 45 % of the sample rate, band widths 1.25x, 2x and 10x): the
// direct form's impulse response, over its first 8192 samples and
// relative to its peak, misses a double-extended run of the design's own
// poles and zeros by at most about 5 times the deviation, decade by
// decade. With 1e-9, the 1965 sound designs stay within 1.2e-9 (the
// cascade within 4.7e-13 on all 4030). Of the 2065 unsound ones, 813 grow
// beyond 1000 times their peak within 8192 samples, 567 miss by 1e-6 to
// 1000, 340 by 1e-9 to 1e-6; 345 would have been within 1e-9. A realised pole may lie very near
// the circle and still be faithful: a bandpass whose upper edge sits at
// the Nyquist bound has design and realised poles at 1 - 4.6e-9. So the
// radius bound only demands that no pole is on or beyond the circle to
// within 2^-40 (a decay slower than 2^40 samples, eight months at 48 kHz);
// the deviation test catches the poles that moved.
//
// Steady: the routine's own rounding, fed back through its recursion,
// moves it off the steady state of a constant input. Under a constant
// input every past scaled input is the same X, so a steady state of the
// rounded routine is an output level Y that one step with every past
// output at Y returns exactly (a fixed point of the rounded step); within
// 64 units in the last place of the exact level one exists for about two
// designs in three. Where none does, the recursion's noise gain decides:
// an order-6 highpass at 0.5 % of the sample rate drifts by 4e-8 of the
// input within 10 000 samples, an order-8 Chebyshev lowpass by 1e-14. A
// sound direct form, started from the exact steady level of two constant
// inputs of unremarkable bit patterns, stays within SoundSteadyDeviation of the exact level, relative
// to the input times the design's largest gain, over 10 000 samples. Other
// inputs round differently: the bound is 1e-13 so that they stay within
// 1e-12.
#pragma once

#include <span>

#include "tessaro/sigTypes.h"

namespace tessaro {

// The largest pole radius and relative response deviation of a sound
// direct form.
inline constexpr Extended SoundRadius = 1.0L - 0x1p-40L;
inline constexpr Extended SoundDeviation = 1e-9L;
inline constexpr Extended SoundSteadyDeviation = 1e-13L;

// Roots of z^n - Σ_{i<n} a[i]·z^i, n = a.size() <= roots.size(), in
// extended precision, found by Aberth-Ehrlich iteration with the
// polynomial and its derivative evaluated in double-extended arithmetic.
// The polynomial is taken exactly as stored, so clustered roots come out
// accurate to about 2^-64 of their spread, not of the cluster's distance
// from the origin. Returns false when the iteration did not settle (the
// roots then hold its last iterates) or n exceeds PoleZeroCapacity - 1.
bool RealisedRoots(std::span<const Extended> a, std::span<TsigComplex> roots);

struct DirectFormAssessment {
  Extended LargestRadius = 0.0L;      // of the realised denominator's roots
  Extended ResponseDeviation = 0.0L;  // relative to the design's largest gain
  Extended SteadyDeviation = 0.0L;    // likewise, per unit of input; 0 when not run
  bool Converged = true;              // the root iteration settled
  bool Sound = false;
};

// Judges the direct form with inputs b and outputs a (CoefficientCount
// entries each, as stored, at most PoleZeroCapacity - 1) and input scale
// against the design's z-plane poles and zeros. The input scale cancels out
// of the response comparison. Unsound, and not converged, for spans of
// other sizes. The steady-state run is made only when the roots and the
// response pass. Costs about 0.1 ms for 4 poles and 1 ms for 16 (x87,
// 2.6 GHz), and up to 2 ms more for the runs, which end early where the
// outputs reach a fixed point.
DirectFormAssessment AssessDirectForm(std::span<const Extended> b, std::span<const Extended> a,
                                      Extended scale, const PoleZeroSet& zplane);

// The direct form at rest under the constant input x0: every past scaled
// input is Input = ((x0 + d) - d)·scale, as the routine scales it, and
// every past output is Output, a fixed point of the rounded step near
// Exact = Input·(1 + Σ b)/(1 - Σ a), the realised gain at 0 Hz with both
// sums formed in double-extended arithmetic. The search tries the levels
// within 64 units in the last place of Exact, then Newton steps on the
// rounded step (slope Σ a) and the levels around where they settle; Held
// tells whether Output is a fixed point (otherwise it is the level whose
// step moves least).
struct SteadyLevels {
  Extended Input = 0.0L;
  Extended Output = 0.0L;
  Extended Exact = 0.0L;
  bool Held = false;
};
SteadyLevels DirectFormSteadyState(std::span<const Extended> b, std::span<const Extended> a,
                                   Extended scale, Extended x0);

}  // namespace tessaro
