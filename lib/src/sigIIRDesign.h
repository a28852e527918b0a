// The IIR design as pure functions on a design state: analog prototype,
// band transform, bilinear map, polynomial expansion and gain
// normalisation. Internal to the library; the filter component runs
// DesignIIRFilter on a scratch state and keeps the result only when the
// arithmetic stayed finite.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "tessaro/sigTypes.h"

namespace tessaro {

// Which per-sample routine a design asks for: the difference equation, or
// for a band whose edges coincide a routine that mutes or passes.
enum class IIRRoutine : std::uint8_t { Filter, Mute, Pass };

// Coefficient arrays and polynomials: index k is the weight of z^k.
using IIRCoefficients = std::array<Extended, PoleZeroCapacity>;
using IIRPolynomial = std::array<TsigComplex, PoleZeroCapacity>;

// Everything a design writes. Entries of the coefficient arrays from
// CoefficientCount upwards and DesignMessage keep what they held before
// the design unless the design writes them.
struct IIRDesignState {
  PoleZeroSet SPlane;
  PoleZeroSet ZPlane;
  IIRCoefficients InputCoefficients{};
  IIRCoefficients OutputCoefficients{};
  std::int32_t CoefficientCount = 0;
  Extended InputScale = 0.0L;
  std::string DesignMessage;
  IIRRoutine Routine = IIRRoutine::Filter;

  // Values of one design, kept for inspection.
  Extended A1 = 0.0L;  // relative corner frequencies (fractions of the sample rate)
  Extended A2 = 0.0L;
  Extended W1 = 0.0L;  // prewarped analog corners, rad per sample period
  Extended W2 = 0.0L;
  TsigComplex DCGain;
  TsigComplex CentreGain;
  TsigComplex NyquistGain;
  // Floating-point exception flags (FE_*) that measuring each gain raised.
  // They are kept out of the caller's flags until DesignIIRFilter raises
  // those of the gains its response uses: a gain no response reads, such as
  // the DC gain of a highpass, may be 0/0 without harming the design.
  int DCGainFlags = 0;
  int CentreGainFlags = 0;
  int NyquistGainFlags = 0;
};

// Bessel prototype poles normalised to -3 dB at 1 rad/s, orders 1..10. The
// poles of order n start at (n·n)/4: the real pole first for odd n, then
// the upper member of each conjugate pair by increasing imaginary part.
// Orders 9 and 10 are never designed (Order stops at 8); they stay because
// the table is defined with them, from the Bessel polynomials of 1 to 10.
extern const std::array<TsigComplex, 30> BesselPoleTable;

// The whole design: relative frequencies, prototype, prewarp, band
// transform, bilinear map, coefficients, reference gain and routine.
// Frequency2 is read only for bandpass and bandstop; ManualReset not at all.
void DesignIIRFilter(const TsigIIRFilterProperties& properties, IIRDesignState& state);

// Appends z to the s-plane poles when it lies strictly in the left half plane.
void AddPrototypePole(IIRDesignState& state, TsigComplex z);
// Order prototype poles with the corner at 1 rad/s; Chebyshev ripple applied.
void BuildPrototype(IIRDesignState& state, TsigIIRFilterKind kind, int order, Extended ripple);
// Moves the Butterworth poles onto the ripple's ellipse.
void ApplyChebyshevRipple(IIRDesignState& state, int order, Extended ripple);
// Lowpass prototype -> requested response at the prewarped corners w1, w2.
void TransformBand(IIRDesignState& state, TsigIIRFilterResponse response, int order, Extended w1,
                   Extended w2);
// z = (2 + s)/(2 - s): the bilinear transform for a sample period of 1.
TsigComplex BilinearMap(TsigComplex s);
// Bilinear image of the s-plane set; zeros padded with -1 up to the pole count.
void MapToZPlane(IIRDesignState& state);
// Coefficients c[0..m] of the monic polynomial with the m given roots. A
// coefficient whose imaginary part exceeds 1e-10 in magnitude is reported in
// message (replacing it); otherwise message is left alone.
IIRPolynomial ExpandRoots(const std::array<TsigComplex, PoleZeroCapacity>& roots, int m,
                          std::string& message);
// c[m]·z^m + ... + c[0] by Horner's rule.
TsigComplex EvaluatePolynomial(const IIRPolynomial& c, int m, TsigComplex z);
// top(z) / bottom(z), unguarded.
TsigComplex EvaluateResponse(const IIRPolynomial& top, int mt, const IIRPolynomial& bottom, int mb,
                             TsigComplex z);
// Expands the z-plane set, measures the gains at DC, centre and Nyquist
// (their flags apart, see IIRDesignState) and stores the real
// difference-equation coefficients.
void ComputeCoefficients(IIRDesignState& state);

}  // namespace tessaro
