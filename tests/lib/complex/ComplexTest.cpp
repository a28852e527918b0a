// Complex arithmetic: the worked values, signed zeros and the branch cut.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>

#include "Near.h"
#include "tessaro/sigcomplex.h"

namespace tessaro {
namespace {

struct ComplexCase {
  std::string name;
  std::function<TsigComplex()> op;
  Extended re;
  Extended im;
};

// Exact results, sign of zero included.
class ComplexExact : public ::testing::TestWithParam<ComplexCase> {};

TEST_P(ComplexExact, GivesTheExactValue) {
  const TsigComplex z = GetParam().op();
  EXPECT_TRUE(test::SameBits(z.Re, GetParam().re)) << z.Re;
  EXPECT_TRUE(test::SameBits(z.Im, GetParam().im)) << z.Im;
}

INSTANTIATE_TEST_SUITE_P(
    WorkedValues, ComplexExact,
    ::testing::Values(
        ComplexCase{"SqrtNeg4", [] { return SquareRoot({-4.0L, 0.0L}); }, 0.0L, 2.0L},
        ComplexCase{"SqrtNeg4NegZero", [] { return SquareRoot({-4.0L, -0.0L}); }, 0.0L, 2.0L},
        ComplexCase{"SqrtNeg4TinyNeg", [] { return SquareRoot({-4.0L, -1e-30L}); }, 0.0L, -2.0L},
        ComplexCase{"SqrtZero", [] { return SquareRoot({0.0L, 0.0L}); }, 0.0L, 0.0L},
        ComplexCase{"Sqrt3p4i", [] { return SquareRoot({3.0L, 4.0L}); }, 2.0L, 1.0L},
        ComplexCase{"Sqrt3m4i", [] { return SquareRoot({3.0L, -4.0L}); }, 2.0L, -1.0L},
        ComplexCase{"ConjugateFlipsZero", [] { return Conjugate({1.0L, 0.0L}); }, 1.0L, -0.0L},
        ComplexCase{"NegateFlipsZeros", [] { return Negate({0.0L, 0.0L}); }, -0.0L, -0.0L},
        ComplexCase{"DivideByI", [] { return Divide({1.0L, 0.0L}, {0.0L, 1.0L}); }, 0.0L, -1.0L},
        ComplexCase{"IxI", [] { return Multiply({0.0L, 1.0L}, {0.0L, 1.0L}); }, -1.0L, 0.0L},
        ComplexCase{"ExpI0", [] { return ExpImaginary(0.0L); }, 1.0L, 0.0L},
        ComplexCase{"Make", [] { return MakeComplex(-2.5L, 7.0L); }, -2.5L, 7.0L},
        ComplexCase{"Add", [] { return Add({1.5L, -2.0L}, {0.25L, 3.0L}); }, 1.75L, 1.0L},
        ComplexCase{"Subtract", [] { return Subtract({1.5L, -2.0L}, {0.25L, 3.0L}); }, 1.25L,
                    -5.0L},
        ComplexCase{"Multiply", [] { return Multiply({1.0L, 2.0L}, {3.0L, -4.0L}); }, 11.0L, 2.0L},
        ComplexCase{"Divide", [] { return Divide({11.0L, 2.0L}, {3.0L, -4.0L}); }, 1.0L, 2.0L},
        ComplexCase{"Scale", [] { return Scale({1.5L, -2.0L}, 4.0L); }, 6.0L, -8.0L},
        ComplexCase{"Square", [] { return Square({1.0L, 2.0L}); }, -3.0L, 4.0L}),
    [](const auto& info) { return info.param.name; });

struct RealCase {
  std::string name;
  std::function<Extended()> op;
  Extended want;
};

class RealExact : public ::testing::TestWithParam<RealCase> {};

TEST_P(RealExact, GivesTheExactValue) {
  EXPECT_TRUE(test::SameBits(GetParam().op(), GetParam().want)) << GetParam().op();
}

INSTANTIATE_TEST_SUITE_P(
    WorkedValues, RealExact,
    ::testing::Values(RealCase{"Magnitude3_4", [] { return Magnitude({3.0L, 4.0L}); }, 5.0L},
                      RealCase{"MagnitudeZero", [] { return Magnitude({0.0L, 0.0L}); }, 0.0L},
                      RealCase{"MagnitudeNeg5", [] { return Magnitude({-5.0L, 0.0L}); }, 5.0L},
                      RealCase{"MagnitudeImagOnly", [] { return Magnitude({0.0L, -7.0L}); }, 7.0L},
                      RealCase{"SafeSqrtTinyNeg", [] { return SafeSqrt(-1e-30L); }, 0.0L},
                      RealCase{"SafeSqrt4", [] { return SafeSqrt(4.0L); }, 2.0L}),
    [](const auto& info) { return info.param.name; });

TEST(Complex, MagnitudeOfHugePartsDoesNotOverflow) {
  const Extended m = Magnitude({1e3000L, 1e3000L});
  EXPECT_TRUE(std::isfinite(m));
  EXPECT_TRUE(test::Near(m, 1.41421356237309504880e3000L, 0.0L, 1e-18L));
}

TEST(Complex, SafeSqrtKeepsNaN) { EXPECT_TRUE(std::isnan(SafeSqrt(NAN))); }

TEST(Complex, OperandsMayAliasTheResult) {
  TsigComplex z{1.0L, 2.0L};
  z = Multiply(z, z);
  EXPECT_EQ(z.Re, -3.0L);
  EXPECT_EQ(z.Im, 4.0L);
}

// The root squared gives back z on a spread of points around the plane.
TEST(Complex, SquareRootSquaresBack) {
  for (int i = 0; i < 24; ++i) {
    const TsigComplex z = Scale(ExpImaginary(i * Pi / 12.0L - Pi + 0.01L), 3.0L + i);
    const TsigComplex r = SquareRoot(z);
    const TsigComplex back = Square(r);
    EXPECT_GE(r.Re, 0.0L);
    // (|z| + Re z)/2 cancels near the negative real axis, so the root keeps
    // fewer digits there than elsewhere.
    const Extended tolerance = 1e-15L * Magnitude(z);
    EXPECT_TRUE(test::Near(back.Re, z.Re, tolerance, 0.0L)) << i;
    EXPECT_TRUE(test::Near(back.Im, z.Im, tolerance, 0.0L)) << i;
  }
}

}  // namespace
}  // namespace tessaro
