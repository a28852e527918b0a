// Band transforms, bilinear map, expansion and coefficients: the worked
// values of the design and the building blocks on their own.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "IIRTestSupport.h"
#include "sigIIRDesign.h"
#include "tessaro/sigcomplex.h"

namespace tessaro {
namespace {

IIRDesignState Design(TsigIIRFilterKind kind, TsigIIRFilterResponse response, int order,
                      Extended f1, Extended f2, Extended rate = 44100.0L, Extended ripple = 0.0L) {
  IIRDesignState s;
  const auto o = static_cast<TsigIIRFilterOrder>(order);
  DesignIIRFilter({kind, response, o, f1, f2, rate, ripple}, s);
  return s;
}

// The values are quoted to six or seven digits; the design must agree to all
// digits shown.
struct WorkedCase {
  std::string name;
  TsigIIRFilterResponse response;
  int order;
  std::vector<Extended> b;
  std::vector<Extended> a;
  Extended scale;
};

class WorkedDesign : public ::testing::TestWithParam<WorkedCase> {};

TEST_P(WorkedDesign, MatchesTheQuotedCoefficients) {
  const WorkedCase& c = GetParam();
  const IIRDesignState s = Design(fkButterworth, c.response, c.order, 300.0L, 3000.0L);
  ASSERT_EQ(s.CoefficientCount, static_cast<int>(c.a.size()));
  for (std::size_t i = 0; i < c.b.size(); ++i)
    EXPECT_TRUE(test::Near(s.InputCoefficients[i], c.b[i], 1e-15L, 0.0L)) << i;
  for (std::size_t i = 0; i < c.a.size(); ++i)
    EXPECT_TRUE(test::Near(s.OutputCoefficients[i], c.a[i], 1e-6L, 0.0L)) << i;
  EXPECT_TRUE(test::Near(s.InputScale, c.scale, 0.0L, 5e-6L));
  EXPECT_EQ(s.Routine, IIRRoutine::Filter);
}

INSTANTIATE_TEST_SUITE_P(
    WorkedValues, WorkedDesign,
    ::testing::Values(
        WorkedCase{"LowpassOrder1", ftLowpass, 1, {1.0L}, {0.958145L}, 0.0209273L},
        WorkedCase{"LowpassOrder2", ftLowpass, 2, {1.0L, 2.0L}, {-0.941343L, 1.939570L},
                   0.000443273L},
        WorkedCase{"HighpassOrder1", ftHighpass, 1, {-1.0L}, {0.958145L}, 0.979073L},
        WorkedCase{"BandpassOrder1", ftBandpass, 1, {-1.0L, 0.0L}, {-0.673990L, 1.658531L},
                   0.175730L}),
    [](const auto& info) { return info.param.name; });

TEST(Design, InitialFilterIntermediates) {
  const IIRDesignState s = Design(fkButterworth, ftLowpass, 1, 300.0L, 3000.0L);
  EXPECT_TRUE(test::Near(s.A1, 300.0L / 44100.0L, 0.0L, 0.0L));
  EXPECT_TRUE(test::Near(s.W1, 0.0427493L, 1e-7L, 0.0L));
  EXPECT_TRUE(test::Near(s.SPlane.Poles[0].Re, -0.0427493L, 1e-7L, 0.0L));
  EXPECT_TRUE(test::Near(s.ZPlane.Poles[0].Re, 0.958145L, 1e-6L, 0.0L));
  EXPECT_EQ(s.ZPlane.Zeros[0].Re, -1.0L);
  EXPECT_TRUE(test::Near(s.DCGain.Re, 47.7844L, 1e-4L, 0.0L));
  EXPECT_EQ(s.InputScale, 1.0L / Magnitude(s.DCGain));
  // the leading coefficient is 1, so the stored ones are the real parts
  EXPECT_EQ(s.InputCoefficients[0], 1.0L);
}

TEST(Design, SwappedBandEdgesGiveTheSameCoefficients) {
  for (TsigIIRFilterResponse r : {ftBandpass, ftBandstop}) {
    for (int order = 1; order <= 8; ++order) {
      const IIRDesignState up = Design(fkChebyshev, r, order, 1000.0L, 3000.0L, 44100.0L, 1.0L);
      const IIRDesignState down = Design(fkChebyshev, r, order, 3000.0L, 1000.0L, 44100.0L, 1.0L);
      for (int i = 0; i < up.CoefficientCount; ++i) {
        EXPECT_EQ(up.InputCoefficients[i], down.InputCoefficients[i]) << order << " " << i;
        EXPECT_EQ(up.OutputCoefficients[i], down.OutputCoefficients[i]) << order << " " << i;
      }
      // the centre gain is measured at the mean of a1 and a2: the same point
      EXPECT_EQ(up.InputScale, down.InputScale);
    }
  }
}

struct DegenerateCase {
  TsigIIRFilterResponse response;
  Extended f1, f2;
  int order;
  IIRRoutine routine;
};

class DegenerateBand : public ::testing::TestWithParam<DegenerateCase> {};

TEST_P(DegenerateBand, ChoosesTheRoutine) {
  const DegenerateCase& c = GetParam();
  const IIRDesignState s = Design(fkButterworth, c.response, c.order, c.f1, c.f2);
  EXPECT_EQ(s.Routine, c.routine);
  EXPECT_EQ(s.CoefficientCount, c.response >= ftBandpass ? 2 * c.order : c.order);
}

INSTANTIATE_TEST_SUITE_P(
    EqualEdges, DegenerateBand,
    ::testing::Values(DegenerateCase{ftBandpass, 1000.0L, 1000.0L, 2, IIRRoutine::Mute},
                      DegenerateCase{ftBandstop, 1000.0L, 1000.0L, 2, IIRRoutine::Pass},
                      // both below the floor order·0.0001 (4·4.41 Hz)
                      DegenerateCase{ftBandpass, 5.0L, 12.0L, 4, IIRRoutine::Mute},
                      DegenerateCase{ftBandstop, 5.0L, 12.0L, 4, IIRRoutine::Pass},
                      DegenerateCase{ftLowpass, 5.0L, 12.0L, 4, IIRRoutine::Filter},
                      DegenerateCase{ftHighpass, 1000.0L, 1000.0L, 4, IIRRoutine::Filter},
                      DegenerateCase{ftBandpass, 1000.0L, 1001.0L, 2, IIRRoutine::Filter}));

// Zeros: lowpass at -1, highpass at +1, bandpass N at +1 then N at -1,
// bandstop on the unit circle at ±2·atan(w0/2).
TEST(Design, ZPlaneZerosLieWhereTheTransformPutsThem) {
  const int n = 3;
  const IIRDesignState lp = Design(fkBessel, ftLowpass, n, 1000.0L, 3000.0L);
  const IIRDesignState hp = Design(fkBessel, ftHighpass, n, 1000.0L, 3000.0L);
  const IIRDesignState bp = Design(fkBessel, ftBandpass, n, 1000.0L, 3000.0L);
  const IIRDesignState bs = Design(fkBessel, ftBandstop, n, 1000.0L, 3000.0L);
  ASSERT_EQ(lp.ZPlane.ZeroCount, n);
  ASSERT_EQ(hp.ZPlane.ZeroCount, n);
  ASSERT_EQ(bp.ZPlane.ZeroCount, 2 * n);
  ASSERT_EQ(bs.ZPlane.ZeroCount, 2 * n);
  const Extended angle = 2.0L * std::atan(std::sqrt(bs.W1 * bs.W2) / 2.0L);
  for (int i = 0; i < n; ++i) {
    EXPECT_EQ(lp.ZPlane.Zeros[i].Re, -1.0L);
    EXPECT_EQ(hp.ZPlane.Zeros[i].Re, 1.0L);
    EXPECT_EQ(bp.ZPlane.Zeros[i].Re, 1.0L);
    EXPECT_EQ(bp.ZPlane.Zeros[n + i].Re, -1.0L);
    EXPECT_TRUE(test::Near(bs.ZPlane.Zeros[i].Re, std::cos(angle), 1e-18L, 0.0L));
    EXPECT_TRUE(test::Near(bs.ZPlane.Zeros[i].Im, std::sin(angle), 1e-18L, 0.0L));
    EXPECT_TRUE(test::Near(bs.ZPlane.Zeros[n + i].Im, -std::sin(angle), 1e-18L, 0.0L));
  }
  for (const IIRDesignState* s : {&lp, &hp, &bp, &bs}) EXPECT_EQ(s->ZPlane.PoleCount, s->ZPlane.ZeroCount);
}

TEST(Design, BilinearMapIsTwoPlusSOverTwoMinusS) {
  const TsigComplex z = BilinearMap({-2.0L, 2.0L});  // 2i / (4 - 2i) = (-0.2, 0.4)
  EXPECT_TRUE(test::Near(z.Re, -0.2L, 1e-19L, 0.0L));
  EXPECT_TRUE(test::Near(z.Im, 0.4L, 1e-19L, 0.0L));
  const TsigComplex origin = BilinearMap({0.0L, 0.0L});
  EXPECT_EQ(origin.Re, 1.0L);
  EXPECT_EQ(origin.Im, 0.0L);
}

TEST(Design, ExpandRootsMultipliesOut) {
  std::array<TsigComplex, PoleZeroCapacity> roots{};
  roots[0] = {1.0L, 0.0L};
  roots[1] = {2.0L, 0.0L};
  roots[2] = {-3.0L, 0.0L};
  std::string message = "kept";
  const IIRPolynomial c = ExpandRoots(roots, 3, message);  // z³ - 7z + 6
  const Extended want[] = {6.0L, -7.0L, 0.0L, 1.0L};
  for (int k = 0; k <= 3; ++k) {
    EXPECT_EQ(c[k].Re, want[k]) << k;
    EXPECT_EQ(c[k].Im, 0.0L) << k;
  }
  EXPECT_EQ(message, "kept");
  const TsigComplex at2 = EvaluatePolynomial(c, 3, {2.0L, 0.0L});
  EXPECT_EQ(at2.Re, 0.0L);
  const TsigComplex at5 = EvaluatePolynomial(c, 3, {5.0L, 0.0L});
  EXPECT_EQ(at5.Re, 96.0L);
  const TsigComplex ratio = EvaluateResponse(c, 3, c, 1, {5.0L, 0.0L});  // 96 / (-7·5 + 6)
  EXPECT_TRUE(test::Near(ratio.Re, 96.0L / -29.0L, 0.0L, 1e-19L));
}

// (z - i·t) with t = 1e-10 exactly passes; one more ulp fails. Both
// unpaired roots make a line each, in coefficient order.
TEST(Design, RealnessCheckBoundaryAndText) {
  std::array<TsigComplex, PoleZeroCapacity> roots{};
  std::string message;
  roots[0] = {0.0L, -1e-10L};
  ExpandRoots(roots, 1, message);
  EXPECT_EQ(message, "");
  roots[0] = {0.0L, -std::nextafter(1e-10L, 1.0L)};
  ExpandRoots(roots, 1, message);
  EXPECT_EQ(message, "Coeff of z^0 is not real; poles/zeros are not complex conjugates\r\n");
  roots[0] = {0.0L, 1.0L};
  roots[1] = {1.0L, 1.0L};
  message = "old";
  ExpandRoots(roots, 2, message);  // z² - (1+2i)z + (-1+i)
  EXPECT_EQ(message,
            "Coeff of z^0 is not real; poles/zeros are not complex conjugates\r\n"
            "Coeff of z^1 is not real; poles/zeros are not complex conjugates\r\n");
}

// Every kind, response and order: tap count, real z-plane polynomials and
// the leading coefficient 1.
TEST(Design, AllDesignsHaveConsistentShape) {
  for (TsigIIRFilterKind kind : {fkButterworth, fkChebyshev, fkBessel}) {
    for (TsigIIRFilterResponse r : {ftLowpass, ftHighpass, ftBandpass, ftBandstop}) {
      for (int order = 1; order <= 8; ++order) {
        const IIRDesignState s = Design(kind, r, order, 700.0L, 5000.0L, 44100.0L, 0.5L);
        const int n = r >= ftBandpass ? 2 * order : order;
        EXPECT_EQ(s.CoefficientCount, n);
        EXPECT_EQ(s.SPlane.PoleCount, n);
        EXPECT_EQ(s.ZPlane.PoleCount, n);
        EXPECT_EQ(s.ZPlane.ZeroCount, n);
        EXPECT_EQ(s.DesignMessage, "");
        for (int i = 0; i < n; ++i) EXPECT_LT(Magnitude(s.ZPlane.Poles[i]), 1.0L);
      }
    }
  }
}

}  // namespace
}  // namespace tessaro
