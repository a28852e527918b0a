// The passes of the vector FFT after the first one: one stage, two stages
// at once, stages 3 and 4 from the first pass's interleaved layout, and the
// loop that runs the stages from a given one to the last. Each block of
// butterflies is computed with its suspects noted and, when there are any,
// computed again exactly from its inputs, which are still in place.
// Internal.
#pragma once

#include <cstddef>

#include "sigFFTButterflies.h"

namespace tessaro::fft {

template <class S, bool Tiny, bool Real>
struct StagePasses : Butterflies<S, Tiny, Real> {
  using B = Butterflies<S, Tiny, Real>;
  using B::At;
  using B::L;
  using B::Offset;
  using typename B::F;
  using typename B::Flags;
  using typename B::Twiddle;

  // Butterflies j .. j + 4L - 1 of a stage of half-span H in the block at
  // (xr, xi), as four independent vectors, with their twiddles at w.
  static constexpr int WideVectors = 4;
  template <bool Exact, bool Scaled>
  [[gnu::always_inline]] static bool WideBlock(float* xr, float* xi, std::size_t half, const double* w,
                                               float scale) {
    Flags f = S::template Clear<Tiny>();
    F ar[WideVectors], ai[WideVectors], br[WideVectors], bi[WideVectors];
    for (int k = 0; k < WideVectors; ++k) {
      ar[k] = S::Load(xr + k * L), ai[k] = S::Load(xi + k * L);
      B::template ButterflyFrom<Exact>(At(w + Offset(k * L)), ar[k], ai[k], xr + k * L + half,
                                       xi + k * L + half, br[k], bi[k], f);
    }
    if constexpr (!Exact)
      if (S::template Any<Tiny>(f)) return false;
    if constexpr (Scaled) {
      const F s = S::Set1(scale);
      for (int k = 0; k < WideVectors; ++k)
        ar[k] = S::Mul(ar[k], s), ai[k] = S::Mul(ai[k], s), br[k] = S::Mul(br[k], s),
        bi[k] = S::Mul(bi[k], s);
    }
    for (int k = 0; k < WideVectors; ++k) {
      S::Store(xr + k * L, ar[k]), S::Store(xi + k * L, ai[k]);
      S::Store(xr + k * L + half, br[k]), S::Store(xi + k * L + half, bi[k]);
    }
    return true;
  }
  template <bool Scaled>
  [[gnu::noinline, gnu::cold]] static void ExactWideBlock(float* xr, float* xi, std::size_t half,
                                                          const double* w, float scale) {
    WideBlock<true, Scaled>(xr, xi, half, w, scale);
  }

  // One stage of half-span H = `half` (a multiple of 4L).
  template <bool Scaled>
  [[gnu::noinline]] static void OneStage(float* re, float* im, int n, int half, const double* tw,
                                         float scale) {
    const auto h = static_cast<std::size_t>(half);
    const double* stage = tw + 2 * h;
    for (int b = 0; b < n; b += 2 * half)
      for (int j = 0; j < half; j += WideVectors * L)
        if (!WideBlock<false, Scaled>(re + b + j, im + b + j, h, stage + Offset(j), scale)) [[unlikely]]
          ExactWideBlock<Scaled>(re + b + j, im + b + j, h, stage + Offset(j), scale);
  }

  // Stages t and t+1 on lanes j .. j + L - 1 of a block of 4H (H = 2^t),
  // for two such quads at once, the second Apart elements after the first
  // with its twiddles WApart entries after the first's (independent work
  // side by side): two butterflies of stage t, (0, 1) and (2, 3) with
  // twiddle j (at w1), then (0, 2) and (1, 3) with twiddles j (at w2) and
  // j + H (at w3) of stage t+1.
  template <bool Exact, bool Scaled, int Apart, int WApart>
  [[gnu::always_inline]] static bool FourBlock(float* pr, float* pi, std::size_t half, const double* w1,
                                               const double* w2, const double* w3, float scale) {
    Flags f = S::template Clear<Tiny>();
    F ar0 = S::Load(pr), ai0 = S::Load(pi), ar1, ai1;
    B::template ButterflyFrom<Exact>(At(w1), ar0, ai0, pr + half, pi + half, ar1, ai1, f);
    F br0 = S::Load(pr + Apart), bi0 = S::Load(pi + Apart), br1, bi1;
    B::template ButterflyFrom<Exact>(At(w1 + WApart), br0, bi0, pr + Apart + half, pi + Apart + half, br1,
                                     bi1, f);
    F ar2 = S::Load(pr + 2 * half), ai2 = S::Load(pi + 2 * half), ar3, ai3;
    B::template ButterflyFrom<Exact>(At(w1), ar2, ai2, pr + 3 * half, pi + 3 * half, ar3, ai3, f);
    F br2 = S::Load(pr + Apart + 2 * half), bi2 = S::Load(pi + Apart + 2 * half), br3, bi3;
    B::template ButterflyFrom<Exact>(At(w1 + WApart), br2, bi2, pr + Apart + 3 * half, pi + Apart + 3 * half,
                                     br3, bi3, f);
    B::template Butterfly<Exact>(At(w2), ar0, ai0, ar2, ai2, f);
    B::template Butterfly<Exact>(At(w2 + WApart), br0, bi0, br2, bi2, f);
    B::template Butterfly<Exact>(At(w3), ar1, ai1, ar3, ai3, f);
    B::template Butterfly<Exact>(At(w3 + WApart), br1, bi1, br3, bi3, f);
    if constexpr (!Exact)
      if (S::template Any<Tiny>(f)) return false;
    if constexpr (Scaled) {
      const F s = S::Set1(scale);
      ar0 = S::Mul(ar0, s), ai0 = S::Mul(ai0, s), ar1 = S::Mul(ar1, s), ai1 = S::Mul(ai1, s);
      ar2 = S::Mul(ar2, s), ai2 = S::Mul(ai2, s), ar3 = S::Mul(ar3, s), ai3 = S::Mul(ai3, s);
      br0 = S::Mul(br0, s), bi0 = S::Mul(bi0, s), br1 = S::Mul(br1, s), bi1 = S::Mul(bi1, s);
      br2 = S::Mul(br2, s), bi2 = S::Mul(bi2, s), br3 = S::Mul(br3, s), bi3 = S::Mul(bi3, s);
    }
    S::Store(pr, ar0), S::Store(pi, ai0), S::Store(pr + half, ar1), S::Store(pi + half, ai1);
    S::Store(pr + 2 * half, ar2), S::Store(pi + 2 * half, ai2);
    S::Store(pr + 3 * half, ar3), S::Store(pi + 3 * half, ai3);
    S::Store(pr + Apart, br0), S::Store(pi + Apart, bi0);
    S::Store(pr + Apart + half, br1), S::Store(pi + Apart + half, bi1);
    S::Store(pr + Apart + 2 * half, br2), S::Store(pi + Apart + 2 * half, bi2);
    S::Store(pr + Apart + 3 * half, br3), S::Store(pi + Apart + 3 * half, bi3);
    return true;
  }
  template <bool Scaled, int Apart, int WApart>
  [[gnu::noinline, gnu::cold]] static void ExactFourBlock(float* pr, float* pi, std::size_t half,
                                                          const double* w1, const double* w2,
                                                          const double* w3, float scale) {
    FourBlock<true, Scaled, Apart, WApart>(pr, pi, half, w1, w2, w3, scale);
  }

  // Stages t and t+1 in one pass (H = 2^t, a multiple of L; N >= 8H). Two
  // quads at a time: j and j + L of a block, or when H = L the same j of
  // two blocks.
  template <bool Scaled>
  [[gnu::noinline]] static void TwoStages(float* re, float* im, int n, int half, const double* tw,
                                          float scale) {
    const auto h = static_cast<std::size_t>(half);
    const double* w1 = tw + 2 * h;
    const double* w2 = tw + 4 * h;
    const double* w3 = w2 + 2 * h;
    if (half == L) {
      for (int b = 0; b < n; b += 8 * L)
        if (!FourBlock<false, Scaled, 4 * L, 0>(re + b, im + b, h, w1, w2, w3, scale)) [[unlikely]]
          ExactFourBlock<Scaled, 4 * L, 0>(re + b, im + b, h, w1, w2, w3, scale);
      return;
    }
    constexpr int NextTwiddles = Offset(L);  // from a multiple of 2L to the next L
    for (int b = 0; b < n; b += 4 * half)
      for (int j = 0; j < half; j += 2 * L) {
        const int at = Offset(j);
        if (!FourBlock<false, Scaled, L, NextTwiddles>(re + b + j, im + b + j, h, w1 + at, w2 + at, w3 + at,
                                                       scale)) [[unlikely]]
          ExactFourBlock<Scaled, L, NextTwiddles>(re + b + j, im + b + j, h, w1 + at, w2 + at, w3 + at,
                                                  scale);
      }
  }

  // Stages 3 and 4 from the first pass's interleaved layout: a unit of 64
  // holds four rows of 16 at 16i, each row position i of groups 8u + i (low
  // half) and 8u + 4 + i (high half), i.e. of two blocks of 32 side by
  // side; the same eight twiddles serve both halves. The results go to the
  // usual layout. Two units at once.
  template <bool Exact>
  [[gnu::always_inline]] static bool InterleavedBlock(float* pr, float* pi, const double* tw) {
    Flags f = S::template Clear<Tiny>();
    const auto twice = [](const double* p) {
      Twiddle w;
      S::LoadTwiddleTwice(p, w.re, w.im);
      return w;
    };
    const Twiddle a = twice(tw + TwiddleIndex(3, 0));
    F r[8], i[8];
    for (int k = 0; k < 8; k += 2) {
      const int at = 16 * k;  // rows 0, 2 of the first unit, then of the second
      r[k] = S::Load(pr + at), i[k] = S::Load(pi + at);
      B::template ButterflyFrom<Exact>(a, r[k], i[k], pr + at + 16, pi + at + 16, r[k + 1], i[k + 1], f);
    }
    const Twiddle b0 = twice(tw + TwiddleIndex(4, 0)), b1 = twice(tw + TwiddleIndex(4, 8));
    for (int u = 0; u < 8; u += 4) {
      B::template Butterfly<Exact>(b0, r[u], i[u], r[u + 2], i[u + 2], f);
      B::template Butterfly<Exact>(b1, r[u + 1], i[u + 1], r[u + 3], i[u + 3], f);
    }
    if constexpr (!Exact)
      if (S::template Any<Tiny>(f)) return false;
    for (int k = 0; k < 8; ++k) {
      const int at = 64 * (k / 4) + 8 * (k % 4);
      S::StorePair(pr + at, 32, r[k]), S::StorePair(pi + at, 32, i[k]);
    }
    return true;
  }
  [[gnu::noinline, gnu::cold]] static void ExactInterleavedBlock(float* pr, float* pi, const double* tw) {
    InterleavedBlock<true>(pr, pi, tw);
  }
  // Stages 3 and 4 in one pass (N >= 512, after the interleaved first pass).
  [[gnu::noinline]] static void InterleavedThreeFour(float* re, float* im, int n, const double* tw) {
    for (int b = 0; b < n; b += 128)
      if (!InterleavedBlock<false>(re + b, im + b, tw)) [[unlikely]]
        ExactInterleavedBlock(re + b, im + b, tw);
  }

  // Stages first .. P-1, two at a time, the last one alone when their
  // number is odd; with `scaled` the last pass scales.
  static void StagesFrom(int first, const TransformTables& t, float* re, float* im, bool scaled,
                         float scale) {
    const int n = 1 << t.Power;
    for (int stage = first; stage < t.Power;) {
      const int half = 1 << stage;
      if (stage + 1 < t.Power) {
        if (scaled && stage + 2 == t.Power)
          TwoStages<true>(re, im, n, half, t.Twiddles, scale);
        else
          TwoStages<false>(re, im, n, half, t.Twiddles, scale);
        stage += 2;
      } else {
        if (scaled)
          OneStage<true>(re, im, n, half, t.Twiddles, scale);
        else
          OneStage<false>(re, im, n, half, t.Twiddles, scale);
        stage += 1;
      }
    }
  }
};

}  // namespace tessaro::fft
