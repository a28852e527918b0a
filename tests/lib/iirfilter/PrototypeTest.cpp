// Analog prototypes: Butterworth circle, Chebyshev ellipse, Bessel table.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "IIRTestSupport.h"
#include "sigIIRDesign.h"

namespace tessaro {
namespace {

#include "bessel_poles.inc"

IIRDesignState Prototype(TsigIIRFilterKind kind, int order, Extended ripple) {
  IIRDesignState s;
  BuildPrototype(s, kind, order, ripple);
  return s;
}

struct PoleCase {
  TsigIIRFilterKind kind;
  int order;
  Extended ripple;
  std::vector<TsigComplex> poles;  // in the order they are stored
  Extended tolerance;
};

class PrototypePoles : public ::testing::TestWithParam<PoleCase> {};

TEST_P(PrototypePoles, AreTheWorkedValues) {
  const PoleCase& c = GetParam();
  const IIRDesignState s = Prototype(c.kind, c.order, c.ripple);
  ASSERT_EQ(s.SPlane.PoleCount, static_cast<int>(c.poles.size()));
  for (std::size_t i = 0; i < c.poles.size(); ++i) {
    EXPECT_TRUE(test::Near(s.SPlane.Poles[i].Re, c.poles[i].Re, c.tolerance, 0.0L)) << i;
    EXPECT_TRUE(test::Near(s.SPlane.Poles[i].Im, c.poles[i].Im, c.tolerance, 0.0L)) << i;
  }
  EXPECT_TRUE(s.DesignMessage.empty());
}

constexpr Extended kHalfRoot2 = 0.707106781186547524400844362104849039L;

INSTANTIATE_TEST_SUITE_P(
    WorkedValues, PrototypePoles,
    ::testing::Values(
        PoleCase{fkButterworth, 1, 0.0L, {{-1.0L, 0.0L}}, 1e-18L},
        PoleCase{fkButterworth, 2, 0.0L, {{-kHalfRoot2, kHalfRoot2}, {-kHalfRoot2, -kHalfRoot2}},
                 1e-18L},
        PoleCase{fkButterworth, 3, 0.0L,
                 {{-0.5L, 0.866025403784438646763723170752936183L}, {-1.0L, 0.0L},
                  {-0.5L, -0.866025403784438646763723170752936183L}},
                 1e-18L},
        PoleCase{fkBessel, 3, 0.0L,
                 {{-1.32267579991L, 0.0L},
                  {-1.04740916101L, 0.999264436281L},
                  {-1.04740916101L, -0.999264436281L}},
                 0.0L},
        // n = 1: the pole is -sinh(asinh(1/ε)) = -1/ε.
        PoleCase{fkChebyshev, 1, 1.0L, {{-1.96522672836027193803697L, 0.0L}}, 1e-18L}));

TEST(Prototype, ButterworthOrder1ImaginaryIsSineOfPi) {
  const IIRDesignState s = Prototype(fkButterworth, 1, 0.0L);
  EXPECT_TRUE(test::SameBits(s.SPlane.Poles[0].Im, std::sin(Pi)));
  EXPECT_NE(s.SPlane.Poles[0].Im, 0.0L);
}

TEST(Prototype, BesselOrder8IsFourPairsFromEntry16) {
  const IIRDesignState s = Prototype(fkBessel, 8, 0.0L);
  ASSERT_EQ(s.SPlane.PoleCount, 8);
  for (int k = 0; k < 4; ++k) {
    const TsigComplex p = BesselPoleTable[16 + k];
    EXPECT_TRUE(test::SameBits(s.SPlane.Poles[2 * k].Re, p.Re));
    EXPECT_TRUE(test::SameBits(s.SPlane.Poles[2 * k].Im, p.Im));
    EXPECT_TRUE(test::SameBits(s.SPlane.Poles[2 * k + 1].Im, -p.Im));
  }
}

// The table against the roots of the reverse Bessel polynomial. Orders 1..8
// agree to the table's 12 digits; the unused rows 9 and 10 less closely.
TEST(Prototype, BesselTableMatchesTheBesselPolynomial) {
  for (int i = 0; i < 30; ++i) {
    const Extended tol = i < 20 ? 1e-11L : 2e-10L;
    EXPECT_TRUE(test::Near(BesselPoleTable[i].Re, BesselPoles[i].Re, tol, 0.0L)) << i;
    EXPECT_TRUE(test::Near(BesselPoleTable[i].Im, BesselPoles[i].Im, tol, 0.0L)) << i;
  }
}

TEST(Prototype, ChebyshevRippleZeroScalesFarOut) {
  const IIRDesignState one = Prototype(fkChebyshev, 1, 0.0L);
  EXPECT_TRUE(test::Near(one.SPlane.Poles[0].Re, -1e10L, 0.0L, 1e-9L));
  const IIRDesignState butter = Prototype(fkButterworth, 8, 0.0L);
  const IIRDesignState cheb = Prototype(fkChebyshev, 8, 0.0L);
  EXPECT_TRUE(cheb.DesignMessage.empty());
  const Extended y = std::asinh(1e10L) / 8.0L;
  for (int i = 0; i < 8; ++i) {
    EXPECT_TRUE(test::Near(cheb.SPlane.Poles[i].Re, butter.SPlane.Poles[i].Re * std::sinh(y), 0.0L,
                           1e-18L));
    EXPECT_TRUE(test::Near(cheb.SPlane.Poles[i].Im, butter.SPlane.Poles[i].Im * std::cosh(y),
                           1e-18L, 1e-18L));
  }
  EXPECT_TRUE(test::Near(std::sinh(y), 9.670L, 1e-3L, 0.0L));
  EXPECT_TRUE(test::Near(std::cosh(y), 9.722L, 1e-3L, 0.0L));
}

// An infinite ripple gives y = 0: the message, and the Butterworth poles stay.
TEST(Prototype, ChebyshevFailureWritesTheMessage) {
  const Extended inf = std::numeric_limits<Extended>::infinity();
  const IIRDesignState s = Prototype(fkChebyshev, 2, inf);
  const IIRDesignState butter = Prototype(fkButterworth, 2, 0.0L);
  EXPECT_EQ(s.DesignMessage, "Chebyshev filter error y=0; must be .gt. 0.0");
  EXPECT_EQ(s.SPlane.Poles[0].Re, butter.SPlane.Poles[0].Re);
  EXPECT_EQ(s.SPlane.Poles[1].Im, butter.SPlane.Poles[1].Im);
}

TEST(Prototype, EveryKindAndOrderGivesOrderPolesAndNoZeros) {
  for (TsigIIRFilterKind kind : {fkButterworth, fkChebyshev, fkBessel}) {
    for (int order = 1; order <= 8; ++order) {
      const IIRDesignState s = Prototype(kind, order, 0.5L);
      EXPECT_EQ(s.SPlane.PoleCount, order);
      EXPECT_EQ(s.SPlane.ZeroCount, 0);
      for (int i = 0; i < order; ++i) EXPECT_LT(s.SPlane.Poles[i].Re, 0.0L);
    }
  }
}

TEST(Prototype, AddPrototypePoleDropsTheRightHalfAndTheAxis) {
  IIRDesignState s;
  AddPrototypePole(s, {0.0L, 1.0L});
  AddPrototypePole(s, {-0.0L, 1.0L});
  AddPrototypePole(s, {1e-30L, 0.0L});
  EXPECT_EQ(s.SPlane.PoleCount, 0);
  AddPrototypePole(s, {-1e-30L, 2.0L});
  EXPECT_EQ(s.SPlane.PoleCount, 1);
}

}  // namespace
}  // namespace tessaro
