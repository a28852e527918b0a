// The measurements behind the direct form's soundness test: over a dense
// grid of designs (every kind and response, orders 1..8, Chebyshev ripples
// 0.5, 1 and 3 dB, corners from 0.02 % to 45 % of the sample rate, band
// widths 1.25x, 2x and 10x the lower corner), the realised denominator's
// largest root radius and response deviation (sigIIRRealisation.h), and
// the error of the first 8192 samples of the impulse response of the
// direct form and of the cascade, relative to the response's peak, against
// the design's own pole-zero filter run in double-extended arithmetic as
// first-order complex sections.
//
// Usage: soundness_grid [samples]   (8192 unless given)
// Prints, for sound and unsound designs, how many there are, the largest
// errors of both structures, and how far the design's input scale is from
// the one of its pole-zero set; then the direct form's errors by decade.
// With SOUNDNESS_ALL set in the environment, one line per design.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "StandaloneRealisation.h"
#include "sigWideExtended.h"
#include "tessaro/sigcomplex.h"

namespace {

using namespace tessaro;

constexpr Extended Rate = 48000.0L;
constexpr Extended Corners[] = {0.0002L, 0.0005L, 0.001L, 0.002L, 0.005L, 0.01L, 0.02L,
                                0.05L,   0.1L,    0.2L,   0.3L,   0.4L,   0.45L};
constexpr Extended Ratios[] = {1.25L, 2.0L, 10.0L};

WideComplex Wide(TsigComplex z) { return {{z.Re, 0.0L}, {z.Im, 0.0L}}; }
WideComplex MultiplyWide(WideComplex a, WideComplex b) {
  return {Add(Multiply(a.Re, b.Re), Negate(Multiply(a.Im, b.Im))),
          Add(Multiply(a.Re, b.Im), Multiply(a.Im, b.Re))};
}

// The design's impulse response: g·Π(1 - zero·q)/(1 - pole·q), q the
// delay, each pole with the remaining zero nearest it as one first-order
// complex section, so that no intermediate signal dwarfs the result.
std::vector<Extended> Reference(const TsigIIRFilter& f, int length) {
  const PoleZeroSet& z = f.ZPlane();
  std::vector<WideComplex> y(static_cast<std::size_t>(length));
  y[0] = {{f.InputScale(), 0.0L}, {0.0L, 0.0L}};
  std::array<bool, PoleZeroCapacity> used{};
  for (int k = 0; k < z.PoleCount; ++k) {
    int nearest = -1;
    for (int j = 0; j < z.ZeroCount; ++j)
      if (!used[j] && (nearest < 0 || Magnitude(Subtract(z.Zeros[j], z.Poles[k])) <
                                          Magnitude(Subtract(z.Zeros[nearest], z.Poles[k]))))
        nearest = j;
    if (nearest >= 0) {
      used[nearest] = true;
      const WideComplex minus = Wide(Negate(z.Zeros[nearest]));
      for (int n = length - 1; n >= 1; --n) y[n] = Add(y[n], MultiplyWide(y[n - 1], minus));
    }
    const WideComplex p = Wide(z.Poles[k]);
    for (int n = 1; n < length; ++n) y[n] = Add(y[n], MultiplyWide(y[n - 1], p));
  }
  std::vector<Extended> h(static_cast<std::size_t>(length));
  for (int n = 0; n < length; ++n) h[n] = Narrow(y[n].Re);
  return h;
}

// max |got - want| / max |want|, infinite when got is not finite.
Extended PeakRelativeError(const std::vector<Extended>& got, const std::vector<Extended>& want) {
  Extended error = 0.0L, peak = 0.0L;
  for (std::size_t n = 0; n < want.size(); ++n) {
    if (!std::isfinite(got[n])) return INFINITY;
    error = std::max(error, std::fabs(got[n] - want[n]));
    peak = std::max(peak, std::fabs(want[n]));
  }
  return error / peak;
}

// |InputScale·|pole-zero gain at the response's reference point| - 1|: how
// far the input scale, which the design measures on its expanded
// polynomials, is from the one its poles and zeros call for.
Extended ScaleError(const TsigIIRFilter& f) {
  const Extended floor = f.Order() * 0.0001L;
  const Extended a1 = std::max(floor, f.Frequency1() / f.SampleRate());
  const Extended a2 = std::max(floor, f.Frequency2() / f.SampleRate());
  return std::fabs(f.InputScale() / PoleZeroScale(f.ZPlane(), f.Response(), a1, a2) - 1.0L);
}

struct Tally {
  int count = 0;
  Extended direct = 0.0L;   // largest error of the direct form
  Extended cascade = 0.0L;  // largest error of the cascade
  Extended radius = 0.0L;
  Extended deviation = 0.0L;
  Extended scale = 0.0L;  // largest ScaleError
  int scaleOff = 0;       // designs whose ScaleError exceeds 1e-9
  std::array<int, 8> directDecades{};  // <1e-12, <1e-9, <1e-6, <1e-3, <1, <1e3, finite, not
};

void Count(Tally& t, const DirectFormAssessment& a, Extended direct, Extended cascade,
           Extended scale) {
  ++t.count;
  t.scale = std::max(t.scale, scale);
  t.scaleOff += scale > 1e-9L ? 1 : 0;
  t.direct = std::max(t.direct, direct);
  t.cascade = std::max(t.cascade, cascade);
  t.radius = std::max(t.radius, a.LargestRadius);
  t.deviation = std::max(t.deviation, a.ResponseDeviation);
  int decade = 7;
  const Extended bounds[] = {1e-12L, 1e-9L, 1e-6L, 1e-3L, 1.0L, 1e3L, INFINITY};
  for (int i = 0; i < 7; ++i)
    if (direct < bounds[i]) {
      decade = i;
      break;
    }
  ++t.directDecades[decade];
}

}  // namespace

int main(int argc, char** argv) {
  const int length = argc > 1 ? std::atoi(argv[1]) : 8192;
  if (length < 16) {
    std::fprintf(stderr, "usage: soundness_grid [samples >= 16]\n");
    return 2;
  }
  Tally sound, unsound;
  Extended worstSoundDirect = 0.0L;
  int unconverged = 0;
  for (TsigIIRFilterKind kind : {fkButterworth, fkChebyshev, fkBessel})
    for (Extended ripple : {0.5L, 1.0L, 3.0L}) {
      if (kind != fkChebyshev && ripple != 1.0L) continue;
      for (TsigIIRFilterResponse response : {ftLowpass, ftHighpass, ftBandpass, ftBandstop})
        for (int order = 1; order <= 8; ++order)
          for (Extended lower : Corners)
            for (Extended ratio : Ratios) {
              const bool band = response >= ftBandpass;
              if (!band && ratio != Ratios[0]) continue;
              TsigIIRFilter f;
              f.SetSampleRate(Rate);
              f.SetKind(kind);
              f.SetRipple(ripple);
              f.SetResponse(response);
              f.SetOrder(order);
              f.SetFrequency1(lower * Rate);
              f.SetFrequency2(lower * ratio * Rate);
              if (bench::EqualEdges(f)) continue;  // mute or pass
              const DirectFormAssessment a = bench::Assess(f);
              unconverged += a.Converged ? 0 : 1;
              const std::vector<Extended> h = Reference(f, length);
              std::vector<Extended> direct(h.size()), cascade(h.size());
              bench::StandaloneCascade c(f);
              for (int n = 0; n < length; ++n) {
                direct[n] = f.Process(n == 0 ? 1.0L : 0.0L);
                cascade[n] = c.Process(n == 0 ? 1.0L : 0.0L);
              }
              const Extended ed = PeakRelativeError(direct, h);
              const Extended ec = PeakRelativeError(cascade, h);
              Count(a.Sound ? sound : unsound, a, ed, ec, ScaleError(f));
              if (a.Sound && ed > worstSoundDirect) {
                worstSoundDirect = ed;
                std::printf("worst sound so far: kind %d response %d order %d ripple %.1Lf at "
                            "%.4Lf..%.4Lf: direct %.3Lg cascade %.3Lg radius 1-%.3Lg dev %.3Lg\n",
                            static_cast<int>(kind), static_cast<int>(response), order, ripple,
                            lower, lower * ratio, ed, ec, 1.0L - a.LargestRadius,
                            a.ResponseDeviation);
              }
              if (std::getenv("SOUNDNESS_ALL"))
                std::printf("all %d %d %d %.1Lf %.5Lf %.5Lf sound %d rad-1 %.3Lg dev %.3Lg "
                            "direct %.3Lg cascade %.3Lg\n",
                            static_cast<int>(kind), static_cast<int>(response), order, ripple,
                            lower, lower * ratio, a.Sound, a.LargestRadius - 1.0L,
                            a.ResponseDeviation, ed, ec);
            }
    }
  std::printf("\nimpulse response error over %d samples relative to its peak\n", length);
  std::printf("%-8s %6s %12s %12s %14s %12s | %11s %9s\n", "", "count", "direct max",
              "cascade max", "largest radius", "deviation", "scale error", "over 1e-9");
  for (const auto* t : {&sound, &unsound})
    std::printf("%-8s %6d %12.3Lg %12.3Lg %14.12Lf %12.3Lg | %11.3Lg %9d\n",
                t == &sound ? "sound" : "unsound", t->count, t->direct, t->cascade, t->radius,
                t->deviation, t->scale, t->scaleOff);
  std::printf("\ndirect-form error by decade: <1e-12 <1e-9 <1e-6 <1e-3 <1 <1e3 finite diverged\n");
  for (const auto* t : {&sound, &unsound}) {
    std::printf("%-8s", t == &sound ? "sound" : "unsound");
    for (int d : t->directDecades) std::printf(" %5d", d);
    std::printf("\n");
  }
  std::printf("root iterations that did not settle: %d\n", unconverged);
  return 0;
}
