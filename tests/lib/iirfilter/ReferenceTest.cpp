// Designs of every kind, response and order 1..8 against an independent
// 40-digit recomputation (reference/make_iir_reference.py): coefficients,
// input scale, the response from the pole-zero product and impulse
// responses from the reference difference equation.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "IIRTestSupport.h"
#include "tessaro/sigIIRFilters.h"

namespace tessaro {
namespace {

struct IIRReferenceDesign {
  TsigIIRFilterKind kind;
  TsigIIRFilterResponse response;
  int order;
  Extended frequency1, frequency2, sampleRate, ripple;
  int taps;
  bool degenerate;  // equal relative band edges: mute or pass
  Extended b[16];
  Extended a[16];
  Extended scale;
  Extended scaleCondition;  // relative error of scale / (taps · 2^-64)
  TsigComplex h[8];         // at ResponsePoints[i] · sampleRate
  Extended hCondition[8];   // absolute error of h / (taps · 2^-64), scale error aside
};

struct IIRReferenceImpulse {
  TsigIIRFilterKind kind;
  TsigIIRFilterResponse response;
  int order;
  Extended condition;  // bound of |error of H| over the circle / (taps · 2^-64)
  Extended y[32];
};

#include "iir_reference.inc"

// One unit in the last place of the extended significand.
constexpr Extended Unit = 0x1p-64L;
// How many times the first-order error estimate the results may differ by.
constexpr Extended Safety = 8.0L;

// The band transforms take t = SquareRoot(1 - (w0/h)²). When (w0/h)² is
// small, the root's formula sqrt((|z| - Re z)/2) recovers Im t from a
// difference of two numbers near 1, so Im t keeps about
// -log10(2^-64 / (Im t)²) digits: some 12 for the wide band 10..20000 Hz.
// The floor of 1e-12 covers that.
Extended ScaleTolerance(const IIRReferenceDesign& r) {
  return 1e-12L + Safety * r.taps * Unit * r.scaleCondition;
}

// A Chebyshev prototype at 0 dB ripple has poles 1e4..1e10 rad/s out; in a
// band transform Im t is then below 2^-32 and is lost altogether, so the
// poles near z = 1 move by up to a quarter of their distance. The design
// is compared only for its shape then.
bool RootLost(const IIRReferenceDesign& r) {
  return r.kind == fkChebyshev && r.ripple == 0.0L && r.response >= ftBandpass;
}

std::string Describe(const IIRReferenceDesign& r) {
  return "kind " + std::to_string(r.kind) + " response " + std::to_string(r.response) + " order " +
         std::to_string(r.order) + " at " + std::to_string(static_cast<double>(r.frequency1)) + "/" +
         std::to_string(static_cast<double>(r.frequency2)) + " Hz, fs " +
         std::to_string(static_cast<double>(r.sampleRate)) + ", ripple " +
         std::to_string(static_cast<double>(r.ripple));
}

// The coefficients of a polynomial with clustered roots lose digits in
// proportion to the largest coefficient; so the absolute tolerance scales
// with it. The input scale and the response come from evaluating those
// polynomials near their roots, which the generator's condition figures
// bound: a high-order band filter at low frequencies loses most digits.
TEST(Reference, CoefficientsAndScaleMatch) {
  for (const IIRReferenceDesign& r : ReferenceDesigns) {
    TsigIIRFilter f;
    test::Configure(f, r.kind, r.response, r.order, r.frequency1, r.frequency2, r.sampleRate,
                    r.ripple);
    SCOPED_TRACE(Describe(r));
    ASSERT_EQ(f.CoefficientCount(), r.taps);
    if (RootLost(r)) continue;
    Extended size = 1.0L;
    for (int i = 0; i < r.taps; ++i) size = std::max({size, std::fabs(r.a[i]), std::fabs(r.b[i])});
    const Extended abs = 1e-14L * size;
    for (int i = 0; i < r.taps; ++i) {
      EXPECT_TRUE(test::Near(f.InputCoefficients()[i], r.b[i], abs, 1e-15L)) << "b" << i;
      EXPECT_TRUE(test::Near(f.OutputCoefficients()[i], r.a[i], abs, 1e-15L)) << "a" << i;
    }
    EXPECT_TRUE(test::Near(f.InputScale(), r.scale, 0.0L, ScaleTolerance(r)));
  }
}

TEST(Reference, FrequencyResponseMatchesThePoleZeroProduct) {
  for (const IIRReferenceDesign& r : ReferenceDesigns) {
    if (RootLost(r)) continue;
    TsigIIRFilter f;
    test::Configure(f, r.kind, r.response, r.order, r.frequency1, r.frequency2, r.sampleRate,
                    r.ripple);
    SCOPED_TRACE(Describe(r));
    for (int i = 0; i < 8; ++i) {
      const TsigComplex h = f.FrequencyResponse(ResponsePoints[i] * r.sampleRate);
      if (r.degenerate) {
        EXPECT_EQ(h.Re, r.response == ftBandpass ? 0.0L : 1.0L);
        continue;
      }
      const Extended abs = 1e-12L + Safety * r.taps * Unit * r.hCondition[i];
      const Extended rel = ScaleTolerance(r);
      EXPECT_TRUE(test::Near(h.Re, r.h[i].Re, abs, rel)) << "point " << i;
      EXPECT_TRUE(test::Near(h.Im, r.h[i].Im, abs, rel)) << "point " << i;
    }
  }
}

TEST(Reference, ImpulseResponsesMatch) {
  const IIRReferenceDesign& first = ReferenceDesigns[0];
  for (const IIRReferenceImpulse& r : ReferenceImpulses) {
    TsigIIRFilter f;
    test::Configure(f, r.kind, r.response, r.order, first.frequency1, first.frequency2,
                    first.sampleRate, first.ripple);
    SCOPED_TRACE("kind " + std::to_string(r.kind) + " response " + std::to_string(r.response) +
                 " order " + std::to_string(r.order));
    // |error of h[t]| <= max over the circle of |error of H|
    const int taps = r.response >= ftBandpass ? 2 * r.order : r.order;
    const Extended abs = 1e-12L + Safety * taps * Unit * r.condition;
    for (int t = 0; t < 32; ++t) {
      const Extended y = f.Process(t == 0 ? 1.0L : 0.0L);
      EXPECT_TRUE(test::Near(y, r.y[t], abs, 1e-12L)) << "sample " << t;
    }
  }
}

}  // namespace
}  // namespace tessaro
