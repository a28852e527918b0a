// Both realisations of every design of the grid against a 100-digit
// reference computed from the design's own poles, zeros and input scale
// (reference/make_realisation_reference.py): the roots and largest radius
// of the realised denominator, the pole-zero input scale, impulse and
// frequency responses, group delay and the steady-state start.
//
// Tolerances, relative to the impulse response's energy norm sqrt(Σ h²)
// and to the largest gain at the check frequencies: the cascade everywhere
// within CascadeTolerance (measured: 4.7e-13 of the peak over 8192 samples
// on bench/soundness_grid's 4030 designs); the direct form, wherever the
// soundness test passes, within DirectTolerance. Both meet
// DirectTolerance; the cascade does so with three orders to spare. Of the
// grid's 387 designs 123 are unsound; over the first 10001 samples their
// direct forms grow past 1000 times the norm in 51, miss by up to 0.36 of
// it in 41 and stay within DirectTolerance in 31. A
// frequency response may further differ by what rounding the coefficients
// to 80 bits does there: 2^-64 over the distance of each section's poles
// from the point, which for poles within 1e-8 of z = -1 (a lowpass at the
// Nyquist bound) reaches 5e-4 beside them.
//
// The steady-state start, as a deviation from the steady output over the
// first 10 000 samples relative to the larger of it and the input times the
// largest gain: the cascade within 1e-12 (measured 3.7e-14); the direct
// form within 1e-7 where it is sound (measured 2.3e-8, on highpasses near
// 0 Hz, whose recursion feeds its own rounding back with the gain
// 1/(1 - Σ A) at 0 Hz; 8.1e-12 where the steady output is not 0).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "Near.h"
#include "RealisationGrid.h"
#include "sigIIRCascade.h"
#include "sigIIRCascadeState.h"
#include "sigIIRGroupDelay.h"
#include "sigIIRRealisation.h"
#include "tessaro/sigcomplex.h"

namespace tessaro {
namespace {

struct RealisationReference {
  std::uint64_t fingerprint;
  bool degenerate;  // equal band edges: muted or passed
  int firstRoot;  // in kRealisedRoots
  int rootCount;  // real roots and upper members of conjugate pairs
  Extended radius;
  Extended poleZeroScale;
  Extended norm;       // sqrt(Σ h²)
  Extended h[8];       // at kImpulseIndices
  Extended omega[6];   // radians per sample
  TsigComplex H[6];    // at omega
  Extended tau[6];     // group delay in samples at omega
};

#include "realisation_reference.inc"

constexpr int kImpulseIndices[8] = {0, 1, 2, 5, 20, 100, 1000, 10000};
constexpr Extended CascadeTolerance = 1e-11L;
constexpr Extended DirectTolerance = 1e-8L;
constexpr Extended CascadeSteadyTolerance = 1e-12L;
constexpr Extended DirectSteadyTolerance = 1e-7L;
constexpr int SteadySamples = 10000;

struct Case {
  test::GridDesign design;
  const RealisationReference* reference;
};

std::vector<Case> Cases() {
  const std::vector<test::GridDesign> grid = test::RealisationGrid();
  EXPECT_EQ(grid.size(), std::size(kRealisationReferences));
  std::vector<Case> cases;
  for (std::size_t i = 0; i < grid.size() && i < std::size(kRealisationReferences); ++i)
    cases.push_back({grid[i], &kRealisationReferences[i]});
  return cases;
}

std::string Describe(const test::GridDesign& d) {
  return "kind " + std::to_string(d.kind) + " response " + std::to_string(d.response) +
         " order " + std::to_string(d.order) + " at " +
         std::to_string(static_cast<double>(d.frequency1)) + "/" +
         std::to_string(static_cast<double>(d.frequency2)) + " Hz, fs " +
         std::to_string(static_cast<double>(d.sampleRate));
}

DirectFormAssessment Assess(const TsigIIRFilter& f) {
  const std::size_t n = static_cast<std::size_t>(f.CoefficientCount());
  return AssessDirectForm(f.InputCoefficients().first(n), f.OutputCoefficients().first(n),
                          f.InputScale(),
                          f.ZPlane());
}

TEST(RealisationReference, DescribesTheCurrentDesigns) {
  for (const Case& c : Cases()) {
    TsigIIRFilter f;
    test::Configure(f, c.design);
    ASSERT_EQ(test::DesignFingerprint(f), c.reference->fingerprint)
        << Describe(c.design) << ": the design changed; regenerate the reference";
  }
}

// The reference's roots: the stored ones and the conjugates of the
// complex ones.
std::vector<TsigComplex> ReferenceRoots(const RealisationReference& r) {
  std::vector<TsigComplex> roots;
  for (int k = 0; k < r.rootCount; ++k) {
    const TsigComplex z = kRealisedRoots[r.firstRoot + k];
    roots.push_back(z);
    if (z.Im != 0.0L) roots.push_back(Conjugate(z));
  }
  return roots;
}

// Each reference root has its own nearest library root, within 2^-60 of
// the root's magnitude, and the radii agree as closely.
TEST(RealisationReference, RealisedRootsAndRadius) {
  for (const Case& c : Cases()) {
    TsigIIRFilter f;
    test::Configure(f, c.design);
    SCOPED_TRACE(Describe(c.design));
    const std::size_t n = static_cast<std::size_t>(f.CoefficientCount());
    const std::vector<TsigComplex> reference = ReferenceRoots(*c.reference);
    ASSERT_EQ(n, reference.size());
    std::vector<TsigComplex> roots(n);
    ASSERT_TRUE(RealisedRoots(f.OutputCoefficients().first(n), roots));
    Extended radius = 0.0L;
    for (const TsigComplex& r : roots) radius = std::max(radius, Magnitude(r));
    EXPECT_TRUE(test::Near(radius, c.reference->radius, 0.0L, 0x1p-60L));
    for (std::size_t k = 0; k < n; ++k) {
      const TsigComplex want = reference[k];
      auto nearest = std::min_element(roots.begin(), roots.end(), [want](auto a, auto b) {
        return Magnitude(Subtract(a, want)) < Magnitude(Subtract(b, want));
      });
      ASSERT_NE(nearest, roots.end());
      EXPECT_LE(Magnitude(Subtract(*nearest, want)), 0x1p-60L * Magnitude(want) + 1e-30L)
          << "root " << k;
      roots.erase(nearest);
    }
  }
}

// Each factor (z - zero)/(z - pole) carries a few roundings, and the
// rounding of the reference point z moves it by 2^-64 over the point's
// distance from the pole.
TEST(RealisationReference, PoleZeroScale) {
  for (const Case& c : Cases()) {
    TsigIIRFilter f;
    test::Configure(f, c.design);
    const Extended floor = c.design.order * 0.0001L;
    const Extended a1 = std::max(floor, f.Frequency1() / f.SampleRate());
    const Extended a2 = std::max(floor, f.Frequency2() / f.SampleRate());
    const TsigComplex points[] = {MakeComplex(1.0L, 0.0L), MakeComplex(-1.0L, 0.0L),
                                  ExpImaginary(Pi * (a1 + a2))};
    const PoleZeroSet& z = f.ZPlane();
    Extended rounding = 0x1p-55L * z.PoleCount;
    for (int i = 0; i < z.PoleCount; ++i) {
      Extended nearest = INFINITY;
      for (const TsigComplex& at : points)
        nearest = std::min(nearest, Magnitude(Subtract(at, z.Poles[i])));
      rounding += 0x1p-62L / nearest;
    }
    EXPECT_TRUE(test::Near(PoleZeroScale(z, f.Response(), a1, a2), c.reference->poleZeroScale,
                           0.0L, rounding))
        << Describe(c.design);
  }
}

// The first 10001 samples of the impulse response at the reference's
// indices: the cascade everywhere, the direct form where it is sound.
TEST(RealisationReference, ImpulseResponses) {
  for (const Case& c : Cases()) {
    if (c.reference->degenerate) continue;
    TsigIIRFilter f;
    test::Configure(f, c.design);
    SCOPED_TRACE(Describe(c.design));
    const IIRCascade cascade = BuildCascade(f.ZPlane(), f.InputScale());
    CascadeSampleState state;
    LoadCascade(state, cascade, false);
    const CascadeRoutines routines = SelectCascadeRoutines(cascade.SectionCount);
    const bool sound = Assess(f).Sound;
    const Extended norm = c.reference->norm;
    int next = 0;
    for (int t = 0; t <= kImpulseIndices[7]; ++t) {
      const Extended x = t == 0 ? 1.0L : 0.0L;
      const Extended y = routines.Value(state, x);
      const Extended direct = f.Process(x);
      if (t != kImpulseIndices[next]) continue;
      const Extended want = c.reference->h[next];
      EXPECT_TRUE(test::Near(y, want, CascadeTolerance * norm, CascadeTolerance)) << "t " << t;
      if (sound) {
        EXPECT_TRUE(test::Near(direct, want, DirectTolerance * norm, DirectTolerance))
            << "direct, t " << t;
      }
      ++next;
    }
  }
}

// The realised responses at the reference frequencies, relative to the
// largest of them, and the cascade's coefficient rounding there.
TEST(RealisationReference, FrequencyResponses) {
  for (const Case& c : Cases()) {
    if (c.reference->degenerate) continue;
    TsigIIRFilter f;
    test::Configure(f, c.design);
    SCOPED_TRACE(Describe(c.design));
    const IIRCascade cascade = BuildCascade(f.ZPlane(), f.InputScale());
    const bool sound = Assess(f).Sound;
    Extended largest = 0.0L;
    for (const TsigComplex& h : c.reference->H) largest = std::max(largest, Magnitude(h));
    for (int i = 0; i < 6; ++i) {
      const Extended omega = c.reference->omega[i];
      const TsigComplex want = c.reference->H[i];
      const TsigComplex at = ExpImaginary(omega);
      const TsigComplex got = CascadeResponse(cascade, at);
      Extended rounding = 0.0L;
      for (int k = 0; k < cascade.SectionCount; ++k) {
        const IIRSection& s = cascade.Sections[k];
        TsigComplex denominator = Subtract(at, s.Poles[0]);
        if (s.Order == 2) denominator = Multiply(denominator, Subtract(at, s.Poles[1]));
        rounding += 0x1p-62L / Magnitude(denominator);
      }
      EXPECT_LE(Magnitude(Subtract(got, want)),
                CascadeTolerance * largest + rounding * Magnitude(want))
          << "point " << i;
      if (!sound) continue;
      const TsigComplex direct = f.FrequencyResponse(omega * f.SampleRate() / (2.0L * Pi));
      EXPECT_LE(Magnitude(Subtract(direct, want)), DirectTolerance * largest) << "point " << i;
    }
  }
}

// A pole at radius r contributes up to about 1/(1 - r) samples and moves
// it by up to about 1/(1 - r)² per unit of r or of angle near its own
// angle; r, its angle and omega each carry a rounding of 2^-64 relative.
TEST(RealisationReference, GroupDelay) {
  for (const Case& c : Cases()) {
    TsigIIRFilter f;
    test::Configure(f, c.design);
    SCOPED_TRACE(Describe(c.design));
    const PoleZeroSet& z = f.ZPlane();
    Extended rounding = 0.0L;
    for (int i = 0; i < z.PoleCount; ++i) {
      const Extended gap = 1.0L - Magnitude(z.Poles[i]);
      rounding += 0x1p-62L * (1.0L + Pi) / (gap * gap);
    }
    for (int i = 0; i < 6; ++i) {
      const Extended got = GroupDelay(z, c.reference->omega[i]);
      EXPECT_TRUE(test::Near(got, c.reference->tau[i], rounding, 1e-16L)) << "point " << i;
    }
  }
}

// From the steady state of a constant input, the output stays at its
// steady value, which is the design's gain at 0 Hz times the input.
TEST(RealisationReference, SteadyStateStart) {
  for (const Case& c : Cases()) {
    if (c.reference->degenerate) continue;
    TsigIIRFilter f;
    test::Configure(f, c.design);
    SCOPED_TRACE(Describe(c.design));
    const Extended x0 = 0.75L;
    const Extended want = x0 * c.reference->H[0].Re;  // omega[0] is 0
    Extended largest = 0.0L;
    for (const TsigComplex& h : c.reference->H) largest = std::max(largest, Magnitude(h));
    const Extended scale = std::max(std::fabs(want), x0 * largest);

    const IIRCascade cascade = BuildCascade(f.ZPlane(), f.InputScale());
    CascadeSampleState state;
    LoadCascade(state, cascade, false);
    StartCascadeSteady(state, cascade, x0);
    const Extended steady = state.Stages[static_cast<std::size_t>(2 * cascade.SectionCount + state.Phase)];
    EXPECT_LE(std::fabs(steady - want), CascadeTolerance * scale);
    const CascadeRoutines routines = SelectCascadeRoutines(cascade.SectionCount);
    Extended deviation = 0.0L;
    for (int t = 0; t < SteadySamples; ++t)
      deviation = std::max(deviation, std::fabs(routines.Value(state, x0) - steady));
    EXPECT_LE(deviation, CascadeSteadyTolerance * scale) << "cascade";

    if (!Assess(f).Sound) continue;
    const int n = f.CoefficientCount();
    const auto b = f.InputCoefficients().first(static_cast<std::size_t>(n));
    const auto a = f.OutputCoefficients().first(static_cast<std::size_t>(n));
    const SteadyLevels levels = DirectFormSteadyState(b, a, f.InputScale(), x0);
    EXPECT_LE(std::fabs(levels.Output - want), DirectTolerance * scale);
    test::LiteralFilter literal = test::SteadyLiteral(f, levels.Input, levels.Output);
    deviation = 0.0L;
    for (int t = 0; t < SteadySamples; ++t)
      deviation = std::max(deviation, std::fabs(literal.Sample(x0) - levels.Output));
    EXPECT_LE(deviation, DirectSteadyTolerance * scale) << "direct";
  }
}

// The component under fsAuto and fsCascade: its report agrees with the
// reference roots; the structure in force follows the verdict; its impulse
// and frequency responses and group delay meet the reference (the cascade's
// gain is the pole-zero scale, so its reference is rescaled by
// poleZeroScale / InputScale); where fsAuto keeps the direct form its
// outputs are those of fsDirect bit for bit; and Reset(x0) starts it in the
// steady state. The worst steady-state deviation is printed.
TEST(RealisationReference, TheComponentsRealisations) {
  Extended worstSteady = 0.0L;
  int cascades = 0;
  for (const Case& c : Cases()) {
    for (TsigIIRStructure structure : {fsAuto, fsCascade}) {
      TsigIIRFilter f, direct;
      f.SetStructure(structure);
      direct.SetStructure(fsDirect);
      test::Configure(f, c.design);
      test::Configure(direct, c.design);
      SCOPED_TRACE(Describe(c.design) + (structure == fsAuto ? " auto" : " cascade"));
      const TsigIIRRealisation r = f.Realisation();
      EXPECT_TRUE(test::Near(r.LargestRadius, c.reference->radius, 0.0L, 0x1p-60L));
      EXPECT_EQ(direct.Realisation().DirectFormSound, r.DirectFormSound);
      if (c.reference->degenerate) {
        EXPECT_EQ(f.GroupDelay(1000.0L), 0.0L);
        continue;
      }
      const bool cascade = structure == fsCascade || !r.DirectFormSound;
      ASSERT_EQ(r.Structure, cascade ? fsCascade : fsDirect);
      EXPECT_EQ(r.SectionCount, cascade ? static_cast<int>(f.Sections().size()) : 0);
      cascades += cascade && structure == fsAuto;
      const Extended ratio = cascade ? c.reference->poleZeroScale / f.InputScale() : 1.0L;
      const Extended tolerance = cascade ? CascadeTolerance : DirectTolerance;

      const Extended norm = c.reference->norm * std::fabs(ratio);
      int next = 0;
      for (int t = 0; t <= kImpulseIndices[7]; ++t) {
        const Extended x = t == 0 ? 1.0L : 0.0L;
        const Extended y = f.Process(x);
        const Extended d = direct.Process(x);
        ASSERT_TRUE(std::isfinite(y)) << "t " << t;
        if (!cascade) {
          ASSERT_TRUE(test::SameBits(y, d)) << "t " << t;
        }
        if (t != kImpulseIndices[next]) continue;
        EXPECT_TRUE(test::Near(y, c.reference->h[next] * ratio, tolerance * norm, tolerance))
            << "t " << t;
        ++next;
      }

      Extended largest = 0.0L;
      for (const TsigComplex& h : c.reference->H) largest = std::max(largest, Magnitude(h));
      largest *= std::fabs(ratio);
      for (int i = 0; i < 6; ++i) {
        const Extended hertz = c.reference->omega[i] * f.SampleRate() / (2.0L * Pi);
        const TsigComplex want = Scale(c.reference->H[i], ratio);
        const TsigComplex at = ExpImaginary(c.reference->omega[i]);
        Extended rounding = 0.0L;  // a section's coefficients rounded, seen near its poles
        for (const TsigIIRSection& s : f.Sections()) {
          const TsigComplex bottom = Subtract(
              Subtract(Multiply(at, at), Scale(at, s.A1)), MakeComplex(s.A2, 0.0L));
          rounding += 0x1p-62L * (s.Order == 2 ? 1.0L : Magnitude(at)) / Magnitude(bottom);
        }
        if (!cascade) rounding = 0.0L;
        EXPECT_LE(Magnitude(Subtract(f.FrequencyResponse(hertz), want)),
                  tolerance * largest + rounding * Magnitude(want))
            << "point " << i;
        EXPECT_EQ(f.GroupDelay(hertz), GroupDelay(f.ZPlane(), 2.0L * Pi * hertz / f.SampleRate()));
      }

      const Extended x0 = 0.75L;
      const Extended want = x0 * c.reference->H[0].Re * ratio;
      const Extended scale = std::max(std::fabs(want), x0 * largest);
      f.Reset(x0);
      Extended deviation = 0.0L;
      for (int t = 0; t < SteadySamples; ++t)
        deviation = std::max(deviation, std::fabs(f.Process(x0) - want));
      EXPECT_LE(deviation, 1e-12L * scale) << "steady start";
      worstSteady = std::max(worstSteady, deviation / scale);
    }
  }
  std::printf("[ figures  ] fsAuto uses the cascade in %d designs; worst steady start %.3Lg\n",
              cascades, worstSteady);
}

// A zero on the unit circle adds exactly 1/2 sample, at its own angle too;
// a pole at radius r and angle θ adds -(r² - r·cos(ω - θ))/(1 - 2r·cos(ω -
// θ) + r²), which is 1 at its own angle for r = 1/2.
TEST(GroupDelay, ZeroOnTheCircleAndPoleAtTheirAngles) {
  PoleZeroSet set;
  set.ZeroCount = 1;
  set.PoleCount = 1;
  set.Zeros[0] = ExpImaginary(0.3L);
  set.Poles[0] = Scale(ExpImaginary(1.1L), 0.5L);
  EXPECT_TRUE(test::Near(GroupDelay(set, 1.1L), 1.5L, 1e-18L, 1e-18L));
  const Extended c = std::cos(0.8L);
  EXPECT_TRUE(test::Near(GroupDelay(set, 0.3L), 0.5L - (0.25L - 0.5L * c) / (1.25L - c), 1e-18L,
                         1e-18L));
}

}  // namespace
}  // namespace tessaro
