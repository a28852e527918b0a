// Roots of the direct form's 80-bit denominator and the soundness verdict.
//
// Aberth-Ehrlich: every root estimate z_k moves by w = N/(1 - N·Σ_{j≠k}
// 1/(z_k - z_j)), N = p(z_k)/p'(z_k), which converges cubically to simple
// roots and keeps the estimates of a cluster apart. p and p' come from
// Horner's rule in double-extended arithmetic, so the iteration sees the
// stored polynomial, not its rounding noise.
#include "sigIIRRealisation.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "sigIIRProcess.h"
#include "sigWideExtended.h"
#include "tessaro/sigcomplex.h"

namespace tessaro {

namespace {

constexpr int MaxDegree = PoleZeroCapacity - 1;
constexpr int MaxIterations = 400;
// A step below this fraction of |z| (a few units in the last place) ends
// the iteration for that root.
constexpr Extended SettledStep = 0x1p-61L;
// Uniform check frequencies of the response comparison, 0 to Nyquist.
constexpr int UniformChecks = 64;

// p(z) = z^n + Σ c[i]·z^i and p'(z), c = -a, by Horner's rule.
void Evaluate(std::span<const Extended> a, TsigComplex z, WideComplex& p, WideComplex& dp) {
  p = {{1.0L, 0.0L}, {0.0L, 0.0L}};
  dp = {};
  for (int i = static_cast<int>(a.size()) - 1; i >= 0; --i) {
    dp = Add(Multiply(dp, z), p);
    p = Add(Multiply(p, z), WideComplex{{-a[i], 0.0L}, {0.0L, 0.0L}});
  }
}

// z^n + Σ c[i]·z^i with c given with the sign it is added with.
TsigComplex EvaluateMonic(std::span<const Extended> c, TsigComplex z) {
  WideComplex p{{1.0L, 0.0L}, {0.0L, 0.0L}};
  for (int i = static_cast<int>(c.size()) - 1; i >= 0; --i)
    p = Add(Multiply(p, z), WideComplex{{c[i], 0.0L}, {0.0L, 0.0L}});
  return Narrow(p);
}

// Π (z - r) over the first count roots.
TsigComplex Product(const std::array<TsigComplex, PoleZeroCapacity>& roots, int count,
                    TsigComplex z) {
  TsigComplex p = MakeComplex(1.0L, 0.0L);
  for (int i = 0; i < count; ++i) p = Multiply(p, Subtract(z, roots[i]));
  return p;
}

// Every root lies within 2·max(|c[n-1]|, |c[n-2]|^(1/2), ..., |c[0]/2|^(1/n))
// (Fujiwara's bound).
Extended RootBound(std::span<const Extended> a) {
  const int n = static_cast<int>(a.size());
  Extended bound = 0.0L;
  for (int k = 1; k <= n; ++k) {
    Extended c = std::fabs(a[n - k]);
    if (k == n) c /= 2.0L;
    bound = std::max(bound, std::pow(c, 1.0L / k));
  }
  return 2.0L * bound;
}

}  // namespace

bool RealisedRoots(std::span<const Extended> a, std::span<TsigComplex> roots) {
  const int n = static_cast<int>(a.size());
  if (n == 0) return true;
  // Start on a circle around the roots' centroid, off the real axis so that
  // conjugate pairs are not met symmetrically.
  const Extended centre = a[n - 1] / n;
  const Extended radius = std::max(RootBound(a), 1e-3L);
  for (int k = 0; k < n; ++k) {
    const TsigComplex e = ExpImaginary(2.0L * Pi * k / n + 0.7L);
    roots[k] = MakeComplex(centre + radius * e.Re, radius * e.Im);
  }
  std::array<bool, MaxDegree> settled{};
  for (int iteration = 0; iteration < MaxIterations; ++iteration) {
    bool all = true;
    for (int k = 0; k < n; ++k) {
      if (settled[k]) continue;
      WideComplex p, dp;
      Evaluate(a, roots[k], p, dp);
      const TsigComplex value = Narrow(p);
      if (value.Re == 0.0L && value.Im == 0.0L) {
        settled[k] = true;
        continue;
      }
      const TsigComplex newton = Divide(value, Narrow(dp));
      TsigComplex sum = MakeComplex(0.0L, 0.0L);
      for (int j = 0; j < n; ++j)
        if (j != k) sum = Add(sum, Divide(MakeComplex(1.0L, 0.0L), Subtract(roots[k], roots[j])));
      const TsigComplex step =
          Divide(newton, Subtract(MakeComplex(1.0L, 0.0L), Multiply(newton, sum)));
      if (!std::isfinite(step.Re) || !std::isfinite(step.Im)) {
        all = false;
        continue;
      }
      roots[k] = Subtract(roots[k], step);
      if (Magnitude(step) <= SettledStep * Magnitude(roots[k]) + 0x1p-16000L)
        settled[k] = true;
      else
        all = false;
    }
    if (all) return true;
  }
  return false;
}

DirectFormAssessment AssessDirectForm(std::span<const Extended> b, std::span<const Extended> a,
                                      const PoleZeroSet& zplane) {
  DirectFormAssessment result;
  const int n = static_cast<int>(a.size());
  std::array<TsigComplex, MaxDegree> roots{};
  result.Converged = RealisedRoots(a, std::span(roots.data(), static_cast<std::size_t>(n)));
  for (int k = 0; k < n; ++k) result.LargestRadius = std::max(result.LargestRadius, Magnitude(roots[k]));

  // The frequencies where a displaced pole shows most: the angles of the
  // design's poles and of the realised roots, and a uniform grid.
  std::array<Extended, UniformChecks + 1 + 2 * MaxDegree> angles{};
  int count = 0;
  for (int i = 0; i <= UniformChecks; ++i) angles[count++] = Pi * i / UniformChecks;
  for (int i = 0; i < zplane.PoleCount && i < MaxDegree; ++i)
    angles[count++] = std::fabs(std::atan2(zplane.Poles[i].Im, zplane.Poles[i].Re));
  for (int k = 0; k < n; ++k) angles[count++] = std::fabs(std::atan2(roots[k].Im, roots[k].Re));

  std::array<Extended, MaxDegree> minusA{};
  for (int i = 0; i < n; ++i) minusA[i] = -a[i];
  Extended largest = 0.0L;
  Extended deviation = 0.0L;
  for (int i = 0; i < count; ++i) {
    const TsigComplex z = ExpImaginary(angles[i]);
    const TsigComplex design = Divide(Product(zplane.Zeros, zplane.ZeroCount, z),
                                      Product(zplane.Poles, zplane.PoleCount, z));
    const TsigComplex realised =
        Divide(EvaluateMonic(b, z), EvaluateMonic(std::span(minusA.data(), a.size()), z));
    largest = std::max(largest, Magnitude(design));
    deviation = std::max(deviation, Magnitude(Subtract(realised, design)));
  }
  result.ResponseDeviation = largest > 0.0L ? deviation / largest : deviation;
  if (std::isnan(result.ResponseDeviation)) result.ResponseDeviation = INFINITY;
  result.Sound = result.Converged && result.LargestRadius <= SoundRadius &&
                 result.ResponseDeviation <= SoundDeviation;
  return result;
}

SteadyLevels DirectFormSteadyState(std::span<const Extended> b, std::span<const Extended> a,
                                   Extended scale, Extended x0) {
  WideExtended top{1.0L, 0.0L};
  WideExtended bottom{1.0L, 0.0L};
  for (std::size_t i = 0; i < b.size(); ++i) top = Add(top, WideExtended{b[i], 0.0L});
  for (std::size_t i = 0; i < a.size(); ++i) bottom = Add(bottom, WideExtended{-a[i], 0.0L});
  SteadyLevels levels;
  levels.Input = Settle(x0) * scale;
  levels.Output = levels.Input * (Narrow(top) / Narrow(bottom));
  return levels;
}

}  // namespace tessaro
