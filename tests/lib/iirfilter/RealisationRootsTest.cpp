// The roots of a realised denominator on polynomials whose roots are known
// in closed form, the double-extended steps they rest on, and the
// soundness verdict on designs whose direct form is known to hold or fail.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "Near.h"
#include "RealisationGrid.h"
#include "sigIIRRealisation.h"
#include "sigWideExtended.h"
#include "tessaro/sigcomplex.h"

namespace tessaro::test {
namespace {

// TwoSum and TwoProduct are exact: checked with integers that fit 64 bits
// twice over, whose exact sums and products the 128-bit integers hold.
TEST(WideExtended, SumAndProductAreExact) {
  std::mt19937_64 rng(9);
  for (int i = 0; i < 100000; ++i) {
    const std::int64_t p = static_cast<std::int64_t>(rng() >> 1) * (rng() & 1 ? 1 : -1);
    const std::int64_t q = static_cast<std::int64_t>(rng() >> (1 + rng() % 60));
    const int shift = static_cast<int>(rng() % 40);
    const Extended a = std::ldexp(static_cast<Extended>(p), shift);
    const Extended b = static_cast<Extended>(q);
    const WideExtended s = TwoSum(a, b);
    const __int128 exactSum = (static_cast<__int128>(p) << shift) + q;
    const __int128 gotSum = static_cast<__int128>(s.Hi) + static_cast<__int128>(s.Lo);
    ASSERT_TRUE(gotSum == exactSum) << i;
    const std::int64_t r = static_cast<std::int64_t>(rng() >> 34);
    const WideExtended m = TwoProduct(static_cast<Extended>(p), static_cast<Extended>(r));
    const __int128 exactProduct = static_cast<__int128>(p) * r;
    ASSERT_TRUE(static_cast<__int128>(m.Hi) + static_cast<__int128>(m.Lo) == exactProduct) << i;
  }
}

struct RootCase {
  int degree;
  Extended c;  // z^n - c
};

class PowerRoots : public ::testing::TestWithParam<RootCase> {};

// The roots of z^n - c are |c|^(1/n)·e^(i(arg c + 2πk)/n).
TEST_P(PowerRoots, AreTheNthRootsOfC) {
  const int n = GetParam().degree;
  const Extended c = GetParam().c;
  std::vector<Extended> a(static_cast<std::size_t>(n), 0.0L);
  a[0] = c;
  std::vector<TsigComplex> roots(static_cast<std::size_t>(n));
  ASSERT_TRUE(RealisedRoots(a, roots));
  const Extended radius = std::pow(std::fabs(c), 1.0L / n);
  const Extended phase = c < 0.0L ? Pi : 0.0L;
  std::vector<bool> found(static_cast<std::size_t>(n), false);
  for (int k = 0; k < n; ++k) {
    const TsigComplex exact = Scale(ExpImaginary((phase + 2.0L * Pi * k) / n), radius);
    int nearest = 0;
    for (int j = 1; j < n; ++j)
      if (Magnitude(Subtract(roots[j], exact)) < Magnitude(Subtract(roots[nearest], exact)))
        nearest = j;
    EXPECT_LE(Magnitude(Subtract(roots[nearest], exact)), 1e-17L * radius) << "root " << k;
    EXPECT_FALSE(found[nearest]) << "root " << k << " found twice";
    found[nearest] = true;
  }
}

INSTANTIATE_TEST_SUITE_P(Degrees, PowerRoots,
                         ::testing::Values(RootCase{1, 0.5L}, RootCase{2, -0.81L},
                                           RootCase{3, 2.0L}, RootCase{5, -0.3L},
                                           RootCase{8, 0.999L}, RootCase{13, 1e-6L},
                                           RootCase{16, -1.0L}, RootCase{16, 0.9999L}));

// A first-order direct form's pole is its one output coefficient.
TEST(AssessDirectForm, FirstOrderRadiusIsTheCoefficient) {
  TsigIIRFilter f;
  const std::size_t n = 1;
  const DirectFormAssessment a = AssessDirectForm(f.InputCoefficients().first(n),
                                                  f.OutputCoefficients().first(n), f.InputScale(),
                                                  f.ZPlane());
  EXPECT_EQ(a.LargestRadius, std::fabs(f.OutputCoefficients()[0]));
  EXPECT_TRUE(a.Sound);
  EXPECT_LE(a.ResponseDeviation, 1e-17L);
}

struct VerdictCase {
  GridDesign design;
  bool sound;
};

class Verdict : public ::testing::TestWithParam<VerdictCase> {};

// The three everyday designs whose direct form blows up are unsound;
// ordinary ones are sound.
TEST_P(Verdict, MatchesWhatTheDirectFormDoes) {
  TsigIIRFilter f;
  Configure(f, GetParam().design);
  const std::size_t n = static_cast<std::size_t>(f.CoefficientCount());
  const DirectFormAssessment a = AssessDirectForm(f.InputCoefficients().first(n),
                                                  f.OutputCoefficients().first(n), f.InputScale(),
                                                  f.ZPlane());
  EXPECT_TRUE(a.Converged);
  EXPECT_EQ(a.Sound, GetParam().sound) << "radius " << static_cast<double>(a.LargestRadius)
                                       << " deviation " << static_cast<double>(a.ResponseDeviation);
}

INSTANTIATE_TEST_SUITE_P(
    Designs, Verdict,
    ::testing::Values(
        VerdictCase{{fkButterworth, ftHighpass, 8, 20.0L, 20.0L, 48000.0L, 1.0L}, false},
        VerdictCase{{fkChebyshev, ftBandpass, 8, 300.0L, 3400.0L, 48000.0L, 1.0L}, false},
        VerdictCase{{fkButterworth, ftLowpass, 8, 22049.9999L, 22049.9999L, 44100.0L, 1.0L},
                    false},
        VerdictCase{{fkBessel, ftBandstop, 8, 1000.0L, 1250.0L, 48000.0L, 1.0L}, false},
        VerdictCase{{fkButterworth, ftLowpass, 4, 1000.0L, 1000.0L, 44100.0L, 0.0L}, true},
        VerdictCase{{fkChebyshev, ftBandpass, 2, 300.0L, 3000.0L, 44100.0L, 1.0L}, true},
        VerdictCase{{fkBessel, ftHighpass, 8, 5000.0L, 5000.0L, 48000.0L, 0.0L}, true}));

// Histories at the steady levels keep the literal direct form at its
// steady output from the first sample.
TEST(DirectFormSteadyState, HoldsTheLiteralFilterAtItsSteadyOutput) {
  TsigIIRFilter f;
  Configure(f, {fkChebyshev, ftLowpass, 6, 2000.0L, 2000.0L, 48000.0L, 1.0L});
  const int n = f.CoefficientCount();
  const auto b = f.InputCoefficients().first(static_cast<std::size_t>(n));
  const auto a = f.OutputCoefficients().first(static_cast<std::size_t>(n));
  for (Extended x0 : {1.0L, -0.37L, 3e-12L}) {
    const SteadyLevels levels = DirectFormSteadyState(b, a, f.InputScale(), x0);
    LiteralFilter literal = SteadyLiteral(f, levels.Input, levels.Output);
    // The design normalises the gain at 0 Hz to 1.
    EXPECT_TRUE(Near(levels.Output, x0, 0.0L, 1e-15L));
    for (int t = 0; t < 2000; ++t)
      ASSERT_TRUE(Near(literal.Sample(x0), levels.Output, 0.0L, 1e-12L)) << "sample " << t;
  }
}

}  // namespace
}  // namespace tessaro::test
