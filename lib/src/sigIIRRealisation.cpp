// Roots of the direct form's 80-bit denominator and the soundness verdict.
//
// Aberth-Ehrlich: every root estimate z_k moves by w = N/(1 - N·Σ_{j≠k}
// 1/(z_k - z_j)), N = p(z_k)/p'(z_k), which converges cubically to simple
// roots and keeps the estimates of a cluster apart. A coarse search
// evaluates p and p' by Horner's rule in extended arithmetic; the polish
// evaluates them in double-extended arithmetic, so that it sees the stored
// polynomial, not its rounding noise.
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
// The coarse search stops at steps below this fraction of |z|, or after
// this many passes.
constexpr Extended CoarseStep = 0x1p-40L;
constexpr int CoarsePasses = 40;
// A step below this fraction of |z| (a few units in the last place) ends
// the iteration for that root.
constexpr Extended SettledStep = 0x1p-61L;
// Intervals of the uniform check frequencies, 0 to Nyquist.
constexpr int UniformChecks = 64;
// Units in the last place either side of a level that the steady-state
// search tries, and its Newton steps.
constexpr int SteadySearch = 64;

// Samples the steady-state runs of the verdict last, and their inputs: a
// power of two rounds more kindly than most inputs, and one input can be
// lucky (its run settles on a fixed point while others drift), so these
// are two unremarkable ones.
constexpr int SteadySamples = 10000;
constexpr Extended SteadyInputs[] = {0.6180339887498948482L, -0.3183098861837906715L};

// One step of the routine with every past scaled input at x and every past
// output at y, less y: the same operations in the same order as the
// routine, acc = x, then acc = settle((x·b[i] + acc) + y·a[i]).
Extended StepDrift(std::span<const Extended> b, std::span<const Extended> a, Extended x,
                   Extended y) {
  Extended acc = x;
  for (std::size_t i = 0; i < a.size(); ++i) acc = Settle((x * b[i] + acc) + y * a[i]);
  return acc - y;
}

// p(z) = z^n + Σ c[i]·z^i and p'(z), c = -a, by Horner's rule: in
// extended arithmetic for the coarse search, in double-extended for the
// polish.
void Evaluate(std::span<const Extended> a, TsigComplex z, TsigComplex& p, TsigComplex& dp) {
  Extended pr = 1.0L, pi = 0.0L, dr = 0.0L, di = 0.0L;
  for (int i = static_cast<int>(a.size()) - 1; i >= 0; --i) {
    const Extended nextDr = (dr * z.Re - di * z.Im) + pr;
    const Extended nextDi = (dr * z.Im + di * z.Re) + pi;
    const Extended nextPr = (pr * z.Re - pi * z.Im) - a[i];
    const Extended nextPi = pr * z.Im + pi * z.Re;
    dr = nextDr, di = nextDi, pr = nextPr, pi = nextPi;
  }
  p = {pr, pi};
  dp = {dr, di};
}

void EvaluateWide(std::span<const Extended> a, TsigComplex z, TsigComplex& p, TsigComplex& dp) {
  WideComplex wp{{1.0L, 0.0L}, {0.0L, 0.0L}};
  WideComplex wdp{};
  for (int i = static_cast<int>(a.size()) - 1; i >= 0; --i) {
    wdp = Add(Multiply(wdp, z), wp);
    wp = Add(Multiply(wp, z), WideComplex{{-a[i], 0.0L}, {0.0L, 0.0L}});
  }
  p = Narrow(wp);
  dp = Narrow(wdp);
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

// Aberth-Ehrlich passes over the estimates with the given evaluation
// until every step is below settled·|z| or passes run out (or, with
// stopWhenStalled, the steps stop shrinking); true when all settled.
template <class Evaluation>
bool Iterate(std::span<const Extended> a, std::span<TsigComplex> roots, Evaluation evaluate,
             Extended settled, int passes, bool stopWhenStalled) {
  const int n = static_cast<int>(a.size());
  std::array<bool, MaxDegree> done{};
  Extended previous = INFINITY;  // the largest relative step of the last pass
  for (int pass = 0; pass < passes; ++pass) {
    bool all = true;
    Extended largest = 0.0L;
    for (int k = 0; k < n; ++k) {
      if (done[k]) continue;
      TsigComplex value, slope;
      evaluate(a, roots[k], value, slope);
      if (value.Re == 0.0L && value.Im == 0.0L) {
        done[k] = true;
        continue;
      }
      const TsigComplex newton = Divide(value, slope);
      // Σ 1/(z_k - z_j) over the other estimates.
      Extended sumRe = 0.0L, sumIm = 0.0L;
      for (int j = 0; j < n; ++j) {
        if (j == k) continue;
        const Extended dRe = roots[k].Re - roots[j].Re;
        const Extended dIm = roots[k].Im - roots[j].Im;
        const Extended d2 = dRe * dRe + dIm * dIm;
        sumRe += dRe / d2;
        sumIm -= dIm / d2;
      }
      const TsigComplex step = Divide(
          newton, MakeComplex(1.0L - (newton.Re * sumRe - newton.Im * sumIm),
                              -(newton.Re * sumIm + newton.Im * sumRe)));
      if (!std::isfinite(step.Re) || !std::isfinite(step.Im)) {
        all = false;
        continue;
      }
      roots[k] = Subtract(roots[k], step);
      const Extended relative = Magnitude(step) / (Magnitude(roots[k]) + 0x1p-16000L);
      largest = std::max(largest, relative);
      if (relative <= settled)
        done[k] = true;
      else
        all = false;
    }
    if (all) return true;
    // Near the roots and converging by less than a bit per pass: the
    // rounding noise of the evaluation has the estimates.
    if (stopWhenStalled && largest < 0x1p-20L && largest > 0.5L * previous) return false;
    previous = largest;
  }
  return false;
}

// The exact steady levels of the constant input x0, Output = Exact.
SteadyLevels ExactLevels(std::span<const Extended> b, std::span<const Extended> a, Extended scale,
                         Extended x0) {
  WideExtended top{1.0L, 0.0L};
  WideExtended bottom{1.0L, 0.0L};
  for (std::size_t i = 0; i < b.size(); ++i) top = Add(top, WideExtended{b[i], 0.0L});
  for (std::size_t i = 0; i < a.size(); ++i) bottom = Add(bottom, WideExtended{-a[i], 0.0L});
  SteadyLevels levels;
  levels.Input = Settle(x0) * scale;
  levels.Exact = levels.Input * (Narrow(top) / Narrow(bottom));
  levels.Output = levels.Exact;
  return levels;
}

// The routine's outputs over count samples of the constant input whose
// levels are given, started from them: the largest distance from the exact
// level. Every past scaled input stays at levels.Input. The past outputs
// slide through a window twice their count long, so no sample shifts them;
// a run whose outputs repeat for a whole history has reached a fixed point
// and ends there.
Extended SteadyRun(std::span<const Extended> b, std::span<const Extended> a,
                   const SteadyLevels& levels, int count) {
  const int n = static_cast<int>(a.size());
  if (n == 0) return std::fabs(levels.Input - levels.Exact);
  std::array<Extended, 2 * MaxDegree + 1> y{};
  std::fill_n(y.begin(), n, levels.Output);
  const Extended x = levels.Input;
  Extended moved = std::fabs(levels.Output - levels.Exact);
  int start = 0;      // the oldest past output is y[start]
  int repeated = 0;   // consecutive outputs equal to their predecessor
  Extended last = levels.Output;
  for (int t = 0; t < count && repeated <= n; ++t) {
    Extended acc = x;
    for (int i = 0; i < n; ++i) acc = Settle((x * b[i] + acc) + y[start + i] * a[i]);
    if (start + n == 2 * MaxDegree) {
      std::copy_n(y.begin() + start + 1, n - 1, y.begin());
      start = -1;
    }
    y[++start + n - 1] = acc;
    moved = std::max(moved, std::fabs(acc - levels.Exact));
    if (!(moved < INFINITY)) return INFINITY;
    repeated = acc == last ? repeated + 1 : 0;
    last = acc;
  }
  return moved;
}

}  // namespace

// The coarse search runs on extended evaluations, ten times cheaper, until
// their rounding noise stops it; the polish then settles every root on
// double-extended evaluations.
bool RealisedRoots(std::span<const Extended> a, std::span<TsigComplex> roots) {
  const int n = static_cast<int>(a.size());
  if (n == 0) return true;
  if (n > MaxDegree || a.size() > roots.size()) return false;
  // Start on the circle of the roots' geometric mean radius |a[0]|^(1/n),
  // kept within Fujiwara's bound, at angles off the real axis so that
  // conjugate pairs are not met symmetrically.
  Extended radius = std::min(std::pow(std::fabs(a[0]), 1.0L / n), RootBound(a));
  if (!(radius > 0x1p-60L)) radius = std::max(RootBound(a), 0x1p-60L);
  for (int k = 0; k < n; ++k) roots[k] = Scale(ExpImaginary(2.0L * Pi * k / n + 0.7L), radius);
  Iterate(a, roots, Evaluate, CoarseStep, CoarsePasses, true);
  return Iterate(a, roots, EvaluateWide, SettledStep, MaxIterations, false);
}

DirectFormAssessment AssessDirectForm(std::span<const Extended> b, std::span<const Extended> a,
                                      Extended scale, const PoleZeroSet& zplane) {
  DirectFormAssessment result;
  if (a.size() > static_cast<std::size_t>(MaxDegree) || b.size() != a.size()) {
    result.Converged = false;
    return result;
  }
  const int n = static_cast<int>(a.size());
  std::array<TsigComplex, MaxDegree> roots{};
  result.Converged = RealisedRoots(a, std::span(roots.data(), a.size()));
  for (int k = 0; k < n; ++k)
    result.LargestRadius = std::max(result.LargestRadius, Magnitude(roots[k]));

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

  // The rounding noise the recursion feeds back, seen as the drift from
  // the steady state of a constant input; only a form sound so far is run.
  // It starts from the exact level rather than a fixed point of the
  // rounded step, which holds for its own input only and would hide the
  // noise the others see.
  if (result.Converged && result.LargestRadius <= SoundRadius &&
      result.ResponseDeviation <= SoundDeviation) {
    const Extended reference = std::fabs(scale) * largest;
    Extended moved = 0.0L;
    for (const Extended x0 : SteadyInputs) {
      const SteadyLevels steady = ExactLevels(b, a, scale, x0);
      moved = std::max(moved, SteadyRun(b, a, steady, SteadySamples) / std::fabs(x0));
    }
    result.SteadyDeviation = reference > 0.0L ? moved / reference : moved;
    if (std::isnan(result.SteadyDeviation)) result.SteadyDeviation = INFINITY;
  }

  result.Sound = result.Converged && result.LargestRadius <= SoundRadius &&
                 result.ResponseDeviation <= SoundDeviation &&
                 result.SteadyDeviation <= SoundSteadyDeviation;
  return result;
}

SteadyLevels DirectFormSteadyState(std::span<const Extended> b, std::span<const Extended> a,
                                   Extended scale, Extended x0) {
  SteadyLevels levels = ExactLevels(b, a, scale, x0);
  if (!std::isfinite(levels.Exact)) return levels;

  const Extended x = levels.Input;
  Extended best = levels.Exact;
  Extended bestDrift = std::fabs(StepDrift(b, a, x, best));
  // The levels within SteadySearch units in the last place of y, nearest
  // first; true at a fixed point, which is then in best.
  auto search = [&](Extended y) {
    Extended up = y, down = y;
    for (int k = 0; k <= SteadySearch; ++k) {
      for (Extended candidate : {up, down}) {
        const Extended drift = std::fabs(StepDrift(b, a, x, candidate));
        if (drift < bestDrift || (drift == bestDrift && candidate == y)) {
          best = candidate;
          bestDrift = drift;
        }
        if (drift == 0.0L) return true;
      }
      up = std::nextafter(up, INFINITY);
      down = std::nextafter(down, -INFINITY);
    }
    return false;
  };
  const bool held = search(levels.Exact);
  levels.Output = best;
  levels.Held = held;
  return levels;
}

}  // namespace tessaro
