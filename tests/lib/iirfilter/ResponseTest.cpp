// Frequency responses of finished designs: -3.01 dB corners, Chebyshev
// ripple bands, the bandstop cases, and Process against FrequencyResponse.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "IIRTestSupport.h"
#include "tessaro/sigIIRFilters.h"
#include "tessaro/sigcomplex.h"

namespace tessaro {
namespace {

// 10·log10(1/2): the half-power point.
constexpr Extended HalfPowerDb = -3.01029995663981195214L;

Extended Db(const TsigIIRFilter& f, Extended hertz) {
  return test::Decibels(Magnitude(f.FrequencyResponse(hertz)));
}

// Butterworth and Bessel prototypes are -3.01 dB at 1 rad/s, and the
// prewarp sends that point exactly to the corner. The Bessel table has 12
// digits.
TEST(Response, HalfPowerAtTheCornerOfEveryOrder) {
  for (TsigIIRFilterKind kind : {fkButterworth, fkBessel}) {
    for (TsigIIRFilterResponse r : {ftLowpass, ftHighpass}) {
      for (int order = 1; order <= 8; ++order) {
        TsigIIRFilter f;
        test::Configure(f, kind, r, order, 1000.0L);
        const Extended reference = r == ftLowpass ? Db(f, 0.0L) : Db(f, 22050.0L);
        EXPECT_TRUE(test::Near(reference, 0.0L, 1e-9L, 0.0L)) << kind << r << order;
        EXPECT_TRUE(test::Near(Db(f, 1000.0L), HalfPowerDb, 1e-8L, 0.0L)) << kind << r << order;
      }
    }
  }
}

// Odd orders peak at DC, even orders sit at -ripple there; either way the
// pass band spans exactly the ripple and the corner is at its bottom.
TEST(Response, ChebyshevRippleBand) {
  for (Extended ripple : {0.5L, 1.0L, 3.0L}) {
    for (int order = 1; order <= 8; ++order) {
      TsigIIRFilter f;
      test::Configure(f, fkChebyshev, ftLowpass, order, 2000.0L, 3000.0L, 44100.0L, ripple);
      Extended low = 0.0L, high = 0.0L;
      for (int i = 0; i <= 4000; ++i) {
        const Extended db = Db(f, 2000.0L * i / 4000.0L);
        low = std::min(low, db);
        high = std::max(high, db);
      }
      const Extended peak = order % 2 == 1 ? 0.0L : ripple;
      EXPECT_TRUE(test::Near(high, peak, 1e-4L, 0.0L)) << ripple << " " << order;  // grid
      EXPECT_TRUE(test::Near(low, peak - ripple, 1e-9L, 0.0L)) << ripple << " " << order;
      EXPECT_TRUE(test::Near(Db(f, 2000.0L), peak - ripple, 1e-9L, 0.0L)) << ripple << " " << order;
      EXPECT_LT(Db(f, 2600.0L), peak - ripple);
    }
  }
}

TEST(Response, BesselLowpassOrder4At1000Hz) {
  TsigIIRFilter f;
  test::Configure(f, fkBessel, ftLowpass, 4, 1000.0L);
  EXPECT_TRUE(test::Near(Db(f, 1000.0L) - Db(f, 0.0L), HalfPowerDb, 1e-8L, 0.0L));
}

TEST(Response, BesselBandstopOrder4HalfPowerAtBothEdges) {
  TsigIIRFilter f;
  test::Configure(f, fkBessel, ftBandstop, 4, 1000.0L, 3000.0L);
  EXPECT_TRUE(test::Near(Db(f, 1000.0L), HalfPowerDb, 1e-8L, 0.0L));
  EXPECT_TRUE(test::Near(Db(f, 3000.0L), HalfPowerDb, 1e-8L, 0.0L));
  // the reference is the geometric mean of the DC and Nyquist gains
  EXPECT_TRUE(test::Near(Db(f, 0.0L) + Db(f, 22050.0L), 0.0L, 1e-9L, 0.0L));
}

TEST(Response, ChebyshevBandstopOrder4Ripple1) {
  TsigIIRFilter f;
  test::Configure(f, fkChebyshev, ftBandstop, 4, 1000.0L, 3000.0L, 44100.0L, 1.0L);
  EXPECT_TRUE(test::Near(Db(f, 1000.0L), 0.0L, 1e-8L, 0.0L));
  EXPECT_TRUE(test::Near(Db(f, 3000.0L), 0.0L, 1e-8L, 0.0L));
  for (Extended hz = 0.0L; hz <= 1000.0L; hz += 5.0L) {
    EXPECT_GE(Db(f, hz), -1e-9L) << hz;
    EXPECT_LE(Db(f, hz), 1.0L + 1e-9L) << hz;
  }
  for (Extended hz = 3000.0L; hz <= 22050.0L; hz += 25.0L) {
    EXPECT_GE(Db(f, hz), -1e-9L) << hz;
    EXPECT_LE(Db(f, hz), 1.0L + 1e-9L) << hz;
  }
  for (Extended hz = 1200.0L; hz <= 2500.0L; hz += 5.0L) EXPECT_LT(Db(f, hz), -20.0L) << hz;
}

// A sine at the corner, run through Process until it settles, comes out
// with the amplitude and phase FrequencyResponse gives.
TEST(Response, ProcessAgreesWithFrequencyResponse) {
  for (TsigIIRFilterResponse r : {ftLowpass, ftHighpass, ftBandpass, ftBandstop}) {
    TsigIIRFilter f;
    test::Configure(f, fkBessel, r, 4, 1000.0L, 3000.0L);
    const Extended hz = 1500.0L;
    const TsigComplex h = f.FrequencyResponse(hz);
    const Extended w = 2.0L * Pi * hz / 44100.0L;
    Extended worst = 0.0L;
    for (int t = 0; t < 20000; ++t) {
      const Extended y = f.Process(std::sin(w * t));
      // sin(wt) -> Im(H·e^(iwt))
      const Extended want = h.Re * std::sin(w * t) + h.Im * std::cos(w * t);
      if (t >= 10000) worst = std::max(worst, std::fabs(y - want));
    }
    EXPECT_LT(worst, 1e-10L) << r;
  }
}

}  // namespace
}  // namespace tessaro
