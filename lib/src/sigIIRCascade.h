// The cascade of second-order sections that realises a design from its
// z-plane poles and zeros, and the section levels of the steady state of a
// constant input. Pure functions; internal to the library.
//
// Each section runs, in direct form I,
//   y[t] = B0·x[t] + B1·x[t-1] + B2·x[t-2] + A1·y[t-1] + A2·y[t-2]
// (A with the sign it is added with, as in the direct form), and feeds the
// next; the first section takes the unscaled input. A first-order section
// has B2 = A2 = 0.
//
// Pairing. Poles that are conjugate to within rounding (the design computes
// the members of a pair separately) are matched by nearness of the one to
// the other's conjugate and replaced by their mean, so that each section's
// coefficients are exactly real. Real poles are paired in order of their
// distance from the unit circle; an odd one left over makes the one
// first-order section. Starting from the section whose pole lies nearest
// the unit circle, each section takes the remaining zeros nearest its
// upper pole: a conjugate pair, or the two nearest real zeros (one for the
// first-order section). Poles that crowd a zero (a band edge at the
// Nyquist bound puts pairs within 1e-8 of z = -1) so meet their zeros in
// one section and nearly cancel there. Giving every bandpass section
// z² - 1 instead leaves such a pair one zero, and its section rings for
// 1e8 samples with a gain of 1e8 that the others must cancel: the cascade
// then grew in 8 of bench/stability_grid's 810 designs.
//
// Ordering. Sections run in decreasing distance of their poles from the
// unit circle: the sharpest resonance comes last, so that no section
// amplifies what a later one has to cancel and the narrowest peaks see a
// signal already shaped by the others.
//
// Gains. A section's numerator is first scaled so that its largest gain
// among 0 Hz, the Nyquist frequency and its pole's angle (near its peak) is
// 1; then every numerator takes the same share c of the rest of the
// overall gain (c^SectionCount = gain / the product of those scales), so
// that the cascade's response is gain·Π(z - zeros)/Π(z - poles) to within
// a few units in the last place, and the signal's level changes steadily
// along the cascade.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "tessaro/sigIIRFilters.h"
#include "tessaro/sigTypes.h"

namespace tessaro {

// Sections a cascade can hold: every pole of a full set.
inline constexpr int MaxSections = (PoleZeroCapacity - 1) / 2;

struct IIRSection {
  Extended B0 = 0.0L;
  Extended B1 = 0.0L;
  Extended B2 = 0.0L;
  Extended A1 = 0.0L;
  Extended A2 = 0.0L;
  // The roots the section realises: one (first-order) or two of each;
  // conjugate pairs exactly conjugate, upper member first.
  std::int32_t Order = 0;
  std::array<TsigComplex, 2> Poles{};
  std::array<TsigComplex, 2> Zeros{};
};

struct IIRCascade {
  std::array<IIRSection, MaxSections> Sections{};
  std::int32_t SectionCount = 0;
};

// The cascade of a design's z-plane set with overall gain (the design's
// InputScale). Poles beyond 2·MaxSections are left out.
IIRCascade BuildCascade(const PoleZeroSet& zplane, Extended gain);

// The input scale the pole-zero set calls for: 1 / |H| at the response's
// reference point (0 Hz for lowpass, Nyquist for highpass, e^(iπ(a1 + a2))
// for bandpass, the geometric mean of the 0 Hz and Nyquist gains for
// bandstop), H = Π(z - zero)/(z - pole) formed factor by factor. a1 and a2
// are the relative corners of the design. The design's own InputScale
// measures H on the expanded polynomials, which a cluster of poles near the
// reference point leaves with few or no correct digits.
Extended PoleZeroScale(const PoleZeroSet& zplane, TsigIIRFilterResponse response, Extended a1,
                       Extended a2);

// The cascade of a component's published sections (coefficients and
// orders; the roots are left 0).
IIRCascade CascadeFromSections(std::span<const TsigIIRSection> sections);

// The response Π sections at a point z, in extended precision.
TsigComplex CascadeResponse(const IIRCascade& cascade, TsigComplex z);

// The cascade at rest under the constant input x0: levels[0] is the input
// as the routine takes it, ((x0 + d) - d), and levels[k + 1] the constant
// output of section k, levels[k]·(B0 + B1 + B2)/(1 - A1 - A2) with both
// sums formed in double-extended arithmetic. levels holds
// SectionCount + 1 entries.
void CascadeSteadyState(const IIRCascade& cascade, Extended x0, std::span<Extended> levels);

}  // namespace tessaro
