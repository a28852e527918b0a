// Which band designs hold, per realisation: an impulse followed by 30 s of
// silence at 48 000 Hz through 810 band designs, 3 kinds (Butterworth,
// Chebyshev 1 dB, Bessel) x bandpass and bandstop x orders 4..8 x 9 lower
// corners (20, 50, 100, 200, 500, 1000, 2000, 5000, 10000 Hz) x 3 upper
// corners (1.25x, 2x and 10x the lower, clamped to the Nyquist bound as
// the setter clamps them). Then the named cases: an order-8 Butterworth
// highpass at 20 Hz, an order-8 Chebyshev 1 dB bandpass at 300-3400 Hz
// (both at 48 000 Hz, impulse and 30 s) and an order-8 lowpass at
// 22049.9999 Hz at 44100 Hz fed 20 000 samples of a random +-1 sequence.
//
// A design fails when an output is not finite (diverged), when the last
// second's peak magnitude exceeds the first second's (grows), or when it
// is nonzero and at least 1e-6 of it (no decay). Some designs decay that
// slowly by design: a band edge at the Nyquist bound puts a pole within
// 1e-8 of z = -1. A design whose own slowest pole r keeps r^(29 s) above
// 1e-6 is counted apart ("slow by design"), not as failing.
//
// Usage: stability_grid [seconds [structures]]   (30 s and direct,cascade,auto
// unless given)
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "StandaloneRealisation.h"
#include "tessaro/sigcomplex.h"

namespace {

using tessaro::Extended;
using tessaro::TsigIIRFilter;
using tessaro::bench::Realisation;
using tessaro::bench::Structure;

constexpr Extended SampleRate = 48000.0L;
constexpr tessaro::TsigIIRFilterKind Kinds[] = {tessaro::fkButterworth, tessaro::fkChebyshev,
                                                 tessaro::fkBessel};
constexpr tessaro::TsigIIRFilterResponse Responses[] = {tessaro::ftBandpass,
                                                         tessaro::ftBandstop};
constexpr int Orders[] = {4, 5, 6, 7, 8};
constexpr Extended LowerCorners[] = {20, 50, 100, 200, 500, 1000, 2000, 5000, 10000};
constexpr Extended Ratios[] = {1.25L, 2.0L, 10.0L};
constexpr Extended NoDecay = 1e-6L;

enum Outcome { Holds, Diverged, Grows, Lingers, SlowByDesign };

struct Run {
  Outcome outcome = Holds;
  Extended firstPeak = 0.0L;
  Extended lastPeak = 0.0L;
};

Run Impulse(Realisation& r, int seconds) {
  const long second = static_cast<long>(SampleRate);
  const long total = second * seconds;
  Run run;
  for (long t = 0; t < total; ++t) {
    const Extended y = r.Process(t == 0 ? 1.0L : 0.0L);
    if (!std::isfinite(y)) {
      run.outcome = Diverged;
      return run;
    }
    const Extended m = std::fabs(y);
    if (t < second && m > run.firstPeak) run.firstPeak = m;
    if (t >= total - second && m > run.lastPeak) run.lastPeak = m;
  }
  if (run.lastPeak > run.firstPeak) run.outcome = Grows;
  else if (run.lastPeak > 0.0L && run.lastPeak >= NoDecay * run.firstPeak) run.outcome = Lingers;
  return run;
}

// Whether the design's own slowest pole keeps an impulse above NoDecay of
// its start between the first and the last second.
bool SlowDesign(const TsigIIRFilter& f, int seconds) {
  Extended radius = 0.0L;
  for (int i = 0; i < f.ZPlane().PoleCount; ++i)
    radius = std::fmax(radius, tessaro::Magnitude(f.ZPlane().Poles[i]));
  return std::pow(radius, (seconds - 1) * f.SampleRate()) >= NoDecay;
}

void Configure(TsigIIRFilter& f, Extended rate, tessaro::TsigIIRFilterKind kind,
               tessaro::TsigIIRFilterResponse response, int order, Extended f1, Extended f2) {
  f.SetSampleRate(rate);
  f.SetKind(kind);
  f.SetRipple(1.0L);
  f.SetResponse(response);
  f.SetOrder(order);
  f.SetFrequency1(f1);
  f.SetFrequency2(f2);
}

const char* OutcomeName(Outcome o) {
  switch (o) {
    case Holds: return "holds";
    case Diverged: return "diverges";
    case Grows: return "grows";
    case Lingers: return "no decay";
    case SlowByDesign: return "slow by design";
  }
  return "";
}

void Grid(Structure structure, int seconds) {
  std::array<int, 5> outcomes{};
  std::array<int, 5> failingByOrder{};
  std::array<std::array<int, 2>, 3> failingByKind{};
  int cascades = 0;
  int designs = 0;
  for (int k = 0; k < 3; ++k)
    for (int resp = 0; resp < 2; ++resp)
      for (int o = 0; o < 5; ++o)
        for (Extended lower : LowerCorners)
          for (Extended ratio : Ratios) {
            TsigIIRFilter f;
            Configure(f, SampleRate, Kinds[k], Responses[resp], Orders[o], lower, lower * ratio);
            Realisation r(f, structure);
            cascades += r.UsesCascade() ? 1 : 0;
            Run run = Impulse(r, seconds);
            if (run.outcome == Lingers && SlowDesign(f, seconds)) run.outcome = SlowByDesign;
            ++designs;
            ++outcomes[run.outcome];
            if (run.outcome != Holds && run.outcome != SlowByDesign) {
              ++failingByOrder[o];
              ++failingByKind[k][resp];
            }
          }
  const int failing = designs - outcomes[Holds] - outcomes[SlowByDesign];
  std::printf("%-8s %6d %6d %9d %6d %9d %8d/%d %9d |", tessaro::bench::StructureName(structure),
              outcomes[Holds], outcomes[SlowByDesign], outcomes[Diverged], outcomes[Grows],
              outcomes[Lingers], failing, designs, cascades);
  for (int o = 0; o < 5; ++o) std::printf(" %4d", failingByOrder[o]);
  std::printf(" |");
  for (int k = 0; k < 3; ++k)
    for (int resp = 0; resp < 2; ++resp) std::printf(" %4d", failingByKind[k][resp]);
  std::printf("\n");
  std::fflush(stdout);
}

// How far the design's input scale, measured on its expanded polynomials,
// is from the one its poles and zeros call for (PoleZeroScale): the gain
// error the cascade inherits when it takes InputScale.
void ScaleErrors() {
  int off = 0;
  Extended worst = 1.0L;
  for (int k = 0; k < 3; ++k)
    for (int resp = 0; resp < 2; ++resp)
      for (int order : Orders)
        for (Extended lower : LowerCorners)
          for (Extended ratio : Ratios) {
            TsigIIRFilter f;
            Configure(f, SampleRate, Kinds[k], Responses[resp], order, lower, lower * ratio);
            const Extended floor = order * 0.0001L;
            const Extended a1 = std::fmax(floor, f.Frequency1() / f.SampleRate());
            const Extended a2 = std::fmax(floor, f.Frequency2() / f.SampleRate());
            if (a1 == a2) continue;
            const Extended ratioToPoleZero =
                f.InputScale() / tessaro::PoleZeroScale(f.ZPlane(), f.Response(), a1, a2);
            const Extended factor = std::fmax(ratioToPoleZero, 1.0L / ratioToPoleZero);
            off += factor > 1.000001L ? 1 : 0;
            worst = std::fmax(worst, factor);
          }
  std::printf("\nInputScale against the pole-zero scale: %d designs off by more than 1e-6, "
              "the worst by a factor %.3Lg\n",
              off, worst);
}

void NamedCases(Structure structure, int seconds) {
  struct Case {
    const char* name;
    Extended rate;
    tessaro::TsigIIRFilterKind kind;
    tessaro::TsigIIRFilterResponse response;
    Extended f1, f2;
  };
  const Case cases[] = {
      {"Butterworth highpass 8, 20 Hz", SampleRate, tessaro::fkButterworth, tessaro::ftHighpass,
       20.0L, 20.0L},
      {"Chebyshev bandpass 8, 300-3400 Hz", SampleRate, tessaro::fkChebyshev,
       tessaro::ftBandpass, 300.0L, 3400.0L},
  };
  for (const Case& c : cases) {
    TsigIIRFilter f;
    Configure(f, c.rate, c.kind, c.response, 8, c.f1, c.f2);
    Realisation r(f, structure);
    const Run run = Impulse(r, seconds);
    std::printf("%-8s %-40s %-9s first-second peak %-10.3Lg last-second peak %.3Lg\n",
                tessaro::bench::StructureName(structure), c.name, OutcomeName(run.outcome),
                run.firstPeak, run.lastPeak);
  }
  TsigIIRFilter f;
  Configure(f, 44100.0L, tessaro::fkButterworth, tessaro::ftLowpass, 8, 22049.9999L, 22049.9999L);
  Realisation r(f, structure);
  std::mt19937 rng(1);
  Extended peak = 0.0L;
  int t = 0;
  for (; t < 20000; ++t) {
    const Extended y = r.Process((rng() & 1) ? 1.0L : -1.0L);
    if (!std::isfinite(y)) break;
    peak = std::fmax(peak, std::fabs(y));
  }
  std::printf("%-8s %-40s %s peak %.3Lg over %d samples of +-1 at 44100 Hz\n",
              tessaro::bench::StructureName(structure), "Butterworth lowpass 8, 22049.9999 Hz",
              t < 20000 ? "diverges," : "", peak, t);
}

}  // namespace

int main(int argc, char** argv) {
  const int seconds = argc > 1 ? std::atoi(argv[1]) : 30;
  const std::string chosen = argc > 2 ? argv[2] : "direct,cascade,auto";
  if (seconds < 2 || argc > 3) {
    std::fprintf(stderr, "usage: stability_grid [seconds >= 2 [direct,cascade,auto]]\n");
    return 2;
  }
  std::vector<Structure> structures;
  for (Structure s : tessaro::bench::Structures)
    if (chosen.find(tessaro::bench::StructureName(s)) != std::string::npos) structures.push_back(s);
  std::printf("810 band designs at 48000 Hz, an impulse and %d s of silence\n", seconds);
  std::printf("%-8s %6s %6s %9s %6s %9s %12s %9s | %29s | %s\n", "", "holds", "slow", "diverges",
              "grows", "no decay", "failing", "cascades", "failing by order 4 5 6 7 8",
              "failing: Butterworth bp bs, Chebyshev bp bs, Bessel bp bs");
  for (Structure s : structures) Grid(s, seconds);
  std::printf("\nNamed cases\n");
  for (Structure s : structures) NamedCases(s, seconds);
  ScaleErrors();
  return 0;
}
