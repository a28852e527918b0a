// The cascade of second-order sections: what the builder makes of a
// design's poles and zeros (every root in exactly one section, conjugates
// exact, real coefficients, the ordering, the overall gain), and the
// per-sample routines against a literal cascade bit for bit, their block
// and bit-pattern forms, and the anti-denormal floor.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "IIRTestSupport.h"
#include "LiteralFilter.h"
#include "Near.h"
#include "RealisationGrid.h"
#include "sigIIRCascade.h"
#include "sigIIRCascadeState.h"
#include "tessaro/sigcomplex.h"

namespace tessaro::test {
namespace {

std::string Describe(const GridDesign& d) {
  return "kind " + std::to_string(d.kind) + " response " + std::to_string(d.response) +
         " order " + std::to_string(d.order) + " at " +
         std::to_string(static_cast<double>(d.frequency1)) + "/" +
         std::to_string(static_cast<double>(d.frequency2)) + " Hz";
}

// Takes from roots (count of them, consumed) the one nearest z; returns
// the distance, relative to max(1, |z|).
Extended TakeNearest(std::vector<TsigComplex>& roots, TsigComplex z) {
  auto nearest = std::min_element(roots.begin(), roots.end(), [z](TsigComplex a, TsigComplex b) {
    return Magnitude(Subtract(a, z)) < Magnitude(Subtract(b, z));
  });
  if (nearest == roots.end()) return INFINITY;
  const Extended d = Magnitude(Subtract(*nearest, z)) / std::max(1.0L, Magnitude(z));
  roots.erase(nearest);
  return d;
}

// Every design of the grid, and the equal-edge designs, which the
// component mutes or passes but whose sections must still be sound.
std::vector<GridDesign> Designs() {
  std::vector<GridDesign> designs = RealisationGrid();
  for (int order : {1, 5, 8})
    for (TsigIIRFilterResponse r : {ftBandpass, ftBandstop})
      designs.push_back({fkChebyshev, r, order, 1000.0L, 1000.0L, 48000.0L, 1.0L});
  return designs;
}

TEST(CascadeBuild, EveryRootInOneSectionWithExactConjugatesAndRealCoefficients) {
  for (const GridDesign& d : Designs()) {
    TsigIIRFilter f;
    Configure(f, d);
    SCOPED_TRACE(Describe(d));
    const PoleZeroSet& z = f.ZPlane();
    const IIRCascade c = BuildCascade(z, f.InputScale());
    ASSERT_EQ(c.SectionCount, (z.PoleCount + 1) / 2);
    std::vector<TsigComplex> poles(z.Poles.begin(), z.Poles.begin() + z.PoleCount);
    std::vector<TsigComplex> zeros(z.Zeros.begin(), z.Zeros.begin() + z.ZeroCount);
    int firstOrder = 0;
    Extended distance = INFINITY;
    for (int i = 0; i < c.SectionCount; ++i) {
      const IIRSection& s = c.Sections[i];
      firstOrder += s.Order == 1 ? 1 : 0;
      for (int k = 0; k < s.Order; ++k) {
        EXPECT_LE(TakeNearest(poles, s.Poles[k]), 1e-17L) << "section " << i;
        EXPECT_LE(TakeNearest(zeros, s.Zeros[k]), 1e-17L) << "section " << i;
      }
      const Extended d0 = std::fabs(1.0L - Magnitude(s.Poles[0]));
      const Extended d1 = s.Order == 2 ? std::fabs(1.0L - Magnitude(s.Poles[1])) : d0;
      // Farthest from the unit circle first.
      EXPECT_LE(std::min(d0, d1), distance * (1.0L + 1e-15L)) << "section " << i;
      distance = std::min(d0, d1);
      if (s.Order == 2 && s.Poles[0].Im != 0.0L) {
        EXPECT_TRUE(SameBits(s.Poles[1].Re, s.Poles[0].Re) &&
                    SameBits(s.Poles[1].Im, -s.Poles[0].Im));
        EXPECT_GT(s.Poles[0].Im, 0.0L);
      }
      // The coefficients are those of the section's own roots.
      const Extended a1 = s.Order == 2 ? s.Poles[0].Re + s.Poles[1].Re : s.Poles[0].Re;
      EXPECT_TRUE(Near(s.A1, a1, 1e-18L, 1e-18L)) << "section " << i;
      if (s.Order == 1) {
        EXPECT_EQ(s.A2, 0.0L);
        EXPECT_EQ(s.B2, 0.0L);
      }
    }
    EXPECT_TRUE(poles.empty());
    EXPECT_TRUE(zeros.empty());
    EXPECT_EQ(firstOrder, z.PoleCount % 2);
  }
}

// The cascade's response is InputScale·Π(z - zeros)/Π(z - poles): at the
// reference points and between them, factor by factor. Rounding a
// section's coefficients to 80 bits moves its response by about 2^-64 over
// |numerator| and |denominator| there, which near a pole close to z = 1
// reaches 1e-13.
TEST(CascadeBuild, ResponseIsTheDesignsPoleZeroResponse) {
  for (const GridDesign& d : Designs()) {
    TsigIIRFilter f;
    Configure(f, d);
    SCOPED_TRACE(Describe(d));
    const PoleZeroSet& z = f.ZPlane();
    const IIRCascade c = BuildCascade(z, f.InputScale());
    for (Extended fraction : {0.0L, 0.013L, 0.1L, 0.31L, 0.5L}) {
      const TsigComplex at = ExpImaginary(2.0L * Pi * fraction);
      TsigComplex design = MakeComplex(f.InputScale(), 0.0L);
      for (int i = 0; i < z.PoleCount; ++i)
        design = Multiply(design, Divide(Subtract(at, z.Zeros[i]), Subtract(at, z.Poles[i])));
      const TsigComplex h = CascadeResponse(c, at);
      Extended condition = c.SectionCount;
      for (int i = 0; i < c.SectionCount; ++i) {
        const IIRSection& s = c.Sections[i];
        TsigComplex denominator = Subtract(at, s.Poles[0]);
        TsigComplex numerator = Subtract(at, s.Zeros[0]);
        if (s.Order == 2) denominator = Multiply(denominator, Subtract(at, s.Poles[1]));
        if (s.Order == 2) numerator = Multiply(numerator, Subtract(at, s.Zeros[1]));
        condition += 4.0L / Magnitude(denominator) + 4.0L / std::max(Magnitude(numerator), 1e-30L);
      }
      const Extended scale = Magnitude(design) + 1e-12L * f.InputScale();
      EXPECT_LE(Magnitude(Subtract(h, design)), 0x1p-62L * condition * scale) << "at " << fraction;
    }
  }
}

// --- the routines ------------------------------------------------------------

// The cascade written plainly: each section in turn, its histories shifted
// by hand, the anti-denormal step taken every time.
struct LiteralCascade {
  std::vector<std::array<Extended, 5>> c;   // B0, B1, B2, A1, A2
  std::vector<std::array<Extended, 2>> h;   // newest, older

  explicit LiteralCascade(const IIRCascade& cascade) : h(cascade.SectionCount + 1) {
    for (int i = 0; i < cascade.SectionCount; ++i) {
      const IIRSection& s = cascade.Sections[i];
      c.push_back({s.B0, s.B1, s.B2, s.A1, s.A2});
    }
  }

  Extended Sample(Extended x) {
    constexpr Extended d = 1e-20L;
    Extended v = (x + d) - d;
    for (std::size_t k = 0; k < c.size(); ++k) {
      const Extended partial =
          ((c[k][1] * h[k][0] + c[k][2] * h[k][1]) + c[k][3] * h[k + 1][0]) + c[k][4] * h[k + 1][1];
      const Extended y = ((c[k][0] * v + partial) + d) - d;
      h[k] = {v, h[k][0]};
      v = y;
    }
    h.back() = {v, h.back()[0]};
    return v;
  }
};

// Samples of every size: tiny, subnormal, around the anti-denormal bound,
// ordinary, large; and runs of zeros so that the tails decay.
std::vector<Extended> Signal(std::mt19937_64& rng, int length) {
  std::vector<Extended> x(static_cast<std::size_t>(length));
  for (int i = 0; i < length; ++i) {
    const int kind = static_cast<int>(rng() % 8);
    if (kind < 3) x[i] = 0.0L;
    else if (kind == 3) x[i] = RandomExtended(rng, 0, Field(-120));
    else if (kind == 4) x[i] = RandomExtended(rng, Field(-140), Field(-1));
    else x[i] = RandomExtended(rng, Field(-4), Field(6));
  }
  return x;
}

TEST(CascadeRoutine, EveryFormIsTheLiteralCascadeBitForBit) {
  std::mt19937_64 rng(5);
  for (const GridDesign& d : RealisationGrid()) {
    if (rng() % 4 != 0) continue;  // a quarter of the grid, every count
    TsigIIRFilter f;
    Configure(f, d);
    SCOPED_TRACE(Describe(d));
    const IIRCascade cascade = BuildCascade(f.ZPlane(), f.InputScale());
    const std::vector<Extended> x = Signal(rng, 300);
    LiteralCascade literal(cascade);
    CascadeSampleState value, bits, block;
    for (CascadeSampleState* s : {&value, &bits, &block}) LoadCascade(*s, cascade, false);
    const CascadeRoutines fixed = SelectCascadeRoutines(cascade.SectionCount);
    std::vector<Extended> blockOut = x;  // in place
    std::size_t done = 0;
    for (std::size_t size : {1u, 7u, 2u, 90u, 200u}) {
      const std::size_t n = std::min(size, x.size() - done);
      fixed.Block(block, blockOut.data() + done, blockOut.data() + done, n);
      done += n;
    }
    for (std::size_t i = 0; i < x.size(); ++i) {
      const Extended want = literal.Sample(x[i]);
      std::uint64_t significand;
      std::uint16_t top;
      std::memcpy(&significand, &x[i], 8);
      std::memcpy(&top, reinterpret_cast<const unsigned char*>(&x[i]) + 8, 2);
      ASSERT_TRUE(SameBits(fixed.Value(value, x[i]), want)) << "sample " << i;
      ASSERT_TRUE(SameBits(fixed.Bits(bits, significand, top), want)) << "sample " << i;
      ASSERT_TRUE(SameBits(blockOut[i], want)) << "sample " << i;
    }
    // The routine of no fixed count reads SectionCount.
    CascadeSampleState dynamic;
    LoadCascade(dynamic, cascade, false);
    LiteralCascade again(cascade);
    for (std::size_t i = 0; i < 50; ++i)
      ASSERT_TRUE(SameBits(CascadeValue<DynamicCount>(dynamic, x[i]), again.Sample(x[i])));
  }
}

// A decaying output goes to exactly 0 without passing through magnitudes
// below 2^-130, as the direct form's does.
TEST(CascadeRoutine, DecayingOutputNeverFallsBelowTheFloor) {
  for (const GridDesign& d : RealisationGrid()) {
    if (d.order != 3 && d.order != 8) continue;
    TsigIIRFilter f;
    Configure(f, d);
    const IIRCascade cascade = BuildCascade(f.ZPlane(), f.InputScale());
    CascadeSampleState s;
    LoadCascade(s, cascade, false);
    const CascadeRoutines r = SelectCascadeRoutines(cascade.SectionCount);
    for (int t = 0; t < 4000; ++t) {
      const Extended y = r.Value(s, t == 0 ? 1e-30L : 0.0L);
      ASSERT_TRUE(y == 0.0L || std::fabs(y) >= 0x1p-130L) << Describe(d) << " sample " << t;
    }
  }
}

}  // namespace
}  // namespace tessaro::test
