// The test signal and the x coordinate against exactly rounded references
// (reference/make_test_signal.py), and the worked cases of the signal's
// definition.
#include "TestSignal.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

namespace {

using tessaro::Extended;

struct SignalRow {
  TSourceKind Kind;
  int Frequency;
  int Amplitude;
  std::int64_t N;
  Extended Value;
  double X;
};

const SignalRow Reference[] = {
#include "reference/test_signal.inc"
};

// The sine goes through the C library's sinl: a few units in the last place
// of an extended value of size A. Square and triangle are exact.
TEST(TestSignal, MatchesTheExactlyRoundedReference) {
  for (const SignalRow& r : Reference) {
    const double t = SampleTime(r.N);
    const Extended v = SourceValue(r.Kind, r.Frequency, r.Amplitude, t);
    const Extended tolerance = r.Kind == skSine ? 1e-30L + 8.0L * 0x1p-64L * r.Amplitude : 0.0L;
    EXPECT_LE(std::fabs(v - r.Value), tolerance)
        << "kind " << int(r.Kind) << ", f " << r.Frequency << ", A " << r.Amplitude << ", n " << r.N;
    EXPECT_EQ(SampleX(t), r.X) << "n " << r.N;
  }
}

TEST(TestSignal, ZeroFrequencyAndZeroAmplitude) {
  struct Case {
    TSourceKind Kind;
    int Frequency, Amplitude;
    Extended Expected;
  };
  const Case cases[] = {
      {skSine, 0, 100, 0.0L}, {skSquare, 0, 100, -100.0L}, {skTriangle, 0, 100, -100.0L},
      {skSine, 50, 0, 0.0L},  {skSquare, 50, 0, 0.0L},     {skTriangle, 50, 0, 0.0L},
  };
  for (const Case& c : cases) {
    for (const std::int64_t n : {0LL, 1LL, 7LL, 500LL, 12345LL, 4000000000LL}) {
      EXPECT_EQ(SourceValue(c.Kind, c.Frequency, c.Amplitude, SampleTime(n)), c.Expected)
          << int(c.Kind) << " f " << c.Frequency << " n " << n;
    }
  }
}

// frac(f t) exactly 0.5 gives +A; the first half of a period is -A.
TEST(TestSignal, SquareHalves) {
  EXPECT_EQ(SourceValue(skSquare, 1, 100, SampleTime(500)), 100.0L);
  EXPECT_EQ(SourceValue(skSquare, 1, 100, SampleTime(499)), -100.0L);
  EXPECT_EQ(SourceValue(skSquare, 1, 100, SampleTime(0)), -100.0L);
  EXPECT_EQ(SourceValue(skSquare, 1, 100, SampleTime(999)), 100.0L);
  EXPECT_EQ(SourceValue(skSquare, 2, 100, SampleTime(250)), 100.0L);
}

// At f = 100, ten samples a period: -A, -0.6A, -0.2A, 0.2A, 0.6A, A, 0.6A,
// 0.2A, -0.2A, -0.6A, up to rounding.
TEST(TestSignal, TrianglePeriodAtOneHundredHertz) {
  const Extended expected[] = {-1.0L, -0.6L, -0.2L, 0.2L, 0.6L, 1.0L, 0.6L, 0.2L, -0.2L, -0.6L};
  for (std::int64_t period : {0, 1, 57}) {
    for (int i = 0; i < 10; ++i) {
      const Extended v = SourceValue(skTriangle, 100, 100, SampleTime(period * 10 + i));
      EXPECT_NEAR(static_cast<double>(v), static_cast<double>(100.0L * expected[i]), 1e-9) << period << " " << i;
    }
  }
  EXPECT_EQ(SourceValue(skTriangle, 100, 100, SampleTime(0)), -100.0L);
}

// The phase is not accumulated: a new frequency is at its own phase at t.
TEST(TestSignal, PhaseFollowsTheTimeNotTheHistory) {
  const double t = SampleTime(1234);
  EXPECT_EQ(SourceValue(skSine, 30, 100, t), std::sin((30.0L * TwoPi) * static_cast<Extended>(t)) * 100.0L);
}

TEST(TestSignal, PagesAndConstants) {
  EXPECT_EQ(TwoPi, 6.283185307179586476925286766559005768L);
  EXPECT_EQ(SampleTime(1000), 1.0);
  EXPECT_EQ(SampleX(1.0), static_cast<double>(PageWidth));
  EXPECT_EQ(SampleTime(0), 0.0);
  EXPECT_EQ(SampleX(0.0), 0.0);
  // Past the range of a signed 32-bit counter the time runs on.
  EXPECT_EQ(SampleTime(2147483648LL), 2147483.648);
  EXPECT_GT(SampleX(SampleTime(2147483648LL)), SampleX(SampleTime(2147483647LL)));
}

}  // namespace
