// The group delay of a design in closed form from its z-plane poles and
// zeros. Internal to the library.
//
// With H(z) = g·Π(z - zero)/Π(z - pole) and as many zeros as poles, a root
// at radius r and angle θ contributes (r² - r·cos(ω - θ))/(1 - 2r·cos(ω - θ)
// + r²) samples, with a plus sign for a zero and a minus sign for a pole.
// It is evaluated as (r(r - 1) + 2r·s²)/((1 - r)² + 4r·s²), s = sin((ω -
// θ)/2), which keeps its digits near the root's angle.
//
// A zero on the unit circle contributes 1/2 at every frequency but its own
// angle, where the phase jumps by π; there its contribution is defined as
// the limit 1/2 from either side. The design puts the zeros of every
// response on the unit circle (at ±1 or at the bandstop's centre); the
// bilinear map leaves them a few units in the last place off it, so a zero
// within OnCircle of radius 1 counts as on the circle.
#pragma once

#include "tessaro/sigTypes.h"

namespace tessaro {

inline constexpr Extended OnCircle = 0x1p-56L;

// Group delay in samples at omega radians per sample (2π·f/SampleRate).
Extended GroupDelay(const PoleZeroSet& zplane, Extended omega);

}  // namespace tessaro
