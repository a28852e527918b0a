// The vector passes of the FFT, written once over a traits class S that
// wraps one instruction set (sigFFTSse2.cpp, sigFFTAvx2.cpp,
// sigFFTAvx512.cpp, each compiled for its own set). Internal.
//
// Exactness. A butterfly needs tr = wr·y - wi·z and ti = wr·z + wi·y as the
// float nearest to the extended value of the sum of the exact products. The
// product of two floats is exact in double, so wr·y - (wi·z) with one
// rounding (a fused multiply-subtract, or a product and a difference) is the
// exact value x rounded to 53 bits, s; the extended one is x rounded to 64
// bits. Rounding is monotonic and every float midpoint is a double, so
// float(s) = float(x rounded to 64 bits) whenever s is not itself a float
// midpoint: both then lie strictly on the same side of every midpoint as x.
// A midpoint in the normal range has bit 28 of the fraction set and bits
// 0..27 clear; below 2^-126 the midpoints are the odd multiples of 2^-150,
// so there every nonzero value counts as suspect (a nonzero |s| below
// 2^-150 rounds to a zero of its sign either way, but is rare enough not to
// be worth a finer test).
//
// The passes work in blocks of a few butterflies and note the suspect lanes
// of every result on the way (midpoint patterns; with Tiny, magnitudes below
// 2^-126, zero included), testing them once per block. A block with a
// suspect stores nothing and is computed again from its inputs, still in
// place, one butterfly at a time: there the suspects are found exactly, and
// of those the ones whose double sum was inexact (two-sum error nonzero) are
// redone in extended precision. Without Tiny the magnitudes go unchecked:
// the caller watches the underflow flag instead (sigFFTButterflies.cpp).
// The sums of two floats round the same from any precision of at least
// 2·24 + 2 bits, so they are done in float directly, and so are the products
// with the twiddle (1, 0) in the first pass as y - 0·z, which is exact and
// keeps the signed zeros and the NaN of 0·inf that the extended evaluation
// gives; the first pass's twiddles (0, wi) and (about 2^-66, +-1) are done
// as single fused products (see ImaginaryButterfly, LopsidedButterfly).
//
// S provides, for a float vector F and a double vector D of the same kLanes
// lanes: Load, Store, Set1, Add, Sub, Mul, Neg, Reverse, MulAddF and
// NegMulAddF (F); LoadTwiddle, StoreD, Set1D, Add, Sub, Mul, Neg, MulAdd
// (a·b + c), MulSub (a·b - c), each with one rounding (D); Widen, WidenLoad
// (F, or floats in memory, to D), Narrow (D to F); UnitProducts (y - 0·z,
// z + 0·y); MaybeHard (the cheap test of two result vectors), HardLanes and
// NonZeroLanes (bit l set for lane l); Flags with Clear, Note and Any for the
// blocks; StoreRows for the first pass; and the flags kPairedRows (sixteen
// lanes as two halves: LoadPair, StorePair, LoadTwiddleTwice, NoteLopsided),
// kFloatFma and kLopsided.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstring>

#include "sigFFTButterflies.h"
#include "tessaro/sigTypes.h"

namespace tessaro::fft {

// The entry points of each instruction set: the whole transform of
// 64 points or more (with `scaled`, the results multiplied by `scale`; with
// `tiny`, results below the normal float range checked as well) and the
// conjugate mirror of Inverse.
void TransformSse2(const TransformTables& t, const float* inRe, const float* inIm, float* re, float* im,
                   bool scaled, float scale, bool tiny) noexcept;
void MirrorSse2(float* re, float* im, int n) noexcept;
void TransformAvx2(const TransformTables& t, const float* inRe, const float* inIm, float* re, float* im,
                   bool scaled, float scale, bool tiny) noexcept;
void MirrorAvx2(float* re, float* im, int n) noexcept;
void TransformAvx512(const TransformTables& t, const float* inRe, const float* inIm, float* re, float* im,
                     bool scaled, float scale, bool tiny) noexcept;
void MirrorAvx512(float* re, float* im, int n) noexcept;

// Tiny: whether the blocks also note the results below the normal float
// range (see Run in sigFFTButterflies.cpp). Real: whether the transform's
// results are real to rounding (Inverse, of a conjugate-symmetric input),
// so that the imaginary parts of its products cancel heavily.
template <class S, bool Tiny, bool Real>
struct Kernel {
  using F = typename S::F;
  using D = typename S::D;
  static constexpr int L = S::kLanes;
  // Up to this size the first pass writes its rows straight to the output.
  static constexpr int kDirectRows = 4096;

  // A twiddle per lane, float values held as doubles.
  struct Twiddle {
    D re, im;
  };

  // Twiddles j .. j + L - 1 of a stage of eight or more from the stage's
  // part of the table (j a multiple of L): the real parts at 2j - j mod 8,
  // the imaginary parts eight entries later.
  static constexpr int Offset(int j) { return 2 * j - (j & 7); }
  [[gnu::always_inline]] static Twiddle At(const double* p) {
    Twiddle w;
    S::LoadTwiddle(p, w.re, w.im);
    return w;
  }
  [[gnu::always_inline]] static Twiddle Same(double re, double im) { return {S::Set1D(re), S::Set1D(im)}; }

  struct Pair {
    F re, im;
  };

  // (tr, ti) = (wr·yr - wi·yi, wr·yi + wi·yr), each the float of its
  // extended value.
  static void Products(const Twiddle& w, F yr, F yi, F& tr, F& ti) {
    const D a = S::Widen(yr), b = S::Widen(yi);
    const D r = S::MulSub(w.re, a, S::Mul(w.im, b));
    const D i = S::MulAdd(w.re, b, S::Mul(w.im, a));
    tr = S::Narrow(r);
    ti = S::Narrow(i);
    if (S::MaybeHard(r, i)) [[unlikely]] {
      // Everything by value, so that the common path keeps its registers.
      const Pair fixed = Resolve(w.re, w.im, yr, yi, tr, ti);
      tr = fixed.re, ti = fixed.im;
    }
  }

  // err with s + err = x + y exactly, for s = x + y rounded (two-sum).
  static D SumError(D x, D y, D s) {
    const D yv = S::Sub(s, x);
    const D xv = S::Sub(s, yv);
    return S::Add(S::Sub(x, xv), S::Sub(y, yv));
  }

  // The lanes whose double result may round differently from the extended
  // one are redone in extended precision.
  [[gnu::noinline, gnu::cold]] static Pair Resolve(D wr, D wi, F yr, F yi, F tr, F ti) {
    const D a = S::Widen(yr), b = S::Widen(yi);
    const D p = S::Mul(wr, a), q = S::Mul(wi, b);  // tr from p - q
    const D u = S::Mul(wr, b), v = S::Mul(wi, a);  // ti from u + v
    const D r = S::Sub(p, q), i = S::Add(u, v);
    const unsigned hard = (S::HardLanes(r) & S::NonZeroLanes(SumError(p, S::Neg(q), r))) |
                          (S::HardLanes(i) & S::NonZeroLanes(SumError(u, v, i)));
    if (hard == 0) return {tr, ti};
    alignas(64) double wrs[L], wis[L], ys[L], zs[L];
    alignas(64) float outR[L], outI[L];
    S::StoreD(wrs, wr), S::StoreD(wis, wi), S::StoreD(ys, a), S::StoreD(zs, b);
    S::Store(outR, tr), S::Store(outI, ti);
    for (int l = 0; l < L; ++l)
      if (hard & (1u << l)) {
        const Extended x = wrs[l], y = wis[l];
        outR[l] = static_cast<float>(x * ys[l] - y * zs[l]);
        outI[l] = static_cast<float>(x * zs[l] + y * ys[l]);
      }
    return {S::Load(outR), S::Load(outI)};
  }

  // The same without the branch: the suspects of both results are noted in
  // f, which the caller tests once for a whole block of butterflies.
  //
  // A sum that cancels is exact: i = wr·z + v with |i| < |v|/2 means that
  // wr·z and -v are within a factor of two of each other, whose difference
  // is a double (Sterbenz). So an inexact i has |i| >= |v|/2, and i + v·2^-60
  // rounds back to i. Where the imaginary parts cancel (Real), the test sees
  // i + v·2^-60: unchanged where it matters, while the exact results of heavy
  // cancellation lose their chance pattern of trailing zeros, which would
  // otherwise send a block to the exact path every few butterflies.
  template <bool Nudge = Real>
  [[gnu::always_inline]] static void NotedProducts(const Twiddle& w, D a, D b, F& tr, F& ti,
                                                   typename S::Flags& f) {
    const D v = S::Mul(w.im, a);
    const D r = S::MulSub(w.re, a, S::Mul(w.im, b));
    const D i = S::MulAdd(w.re, b, v);
    tr = S::Narrow(r);
    ti = S::Narrow(i);
    if constexpr (Nudge)
      S::template Note<Tiny>(f, r, S::MulAdd(v, S::Set1D(0x1p-60), i));
    else
      S::template Note<Tiny>(f, r, i);
  }

  // x, y := x + t, x - t with t = w·y: exactly (Exact), or with the
  // suspects noted in f.
  template <bool Exact, bool Nudge = Real>
  [[gnu::always_inline]] static void Butterfly(const Twiddle& w, F& xr, F& xi, F& yr, F& yi,
                                               typename S::Flags& f) {
    F tr, ti;
    if constexpr (Exact)
      Products(w, yr, yi, tr, ti);
    else
      NotedProducts<Nudge>(w, S::Widen(yr), S::Widen(yi), tr, ti, f);
    yr = S::Sub(xr, tr), yi = S::Sub(xi, ti);
    xr = S::Add(xr, tr), xi = S::Add(xi, ti);
  }

  // The same with y read from memory only as the products need it.
  template <bool Exact>
  [[gnu::always_inline]] static void ButterflyFrom(const Twiddle& w, F& xr, F& xi, const float* pr,
                                                   const float* pi, F& yr, F& yi, typename S::Flags& f) {
    F tr, ti;
    if constexpr (Exact)
      Products(w, S::Load(pr), S::Load(pi), tr, ti);
    else
      NotedProducts(w, S::WidenLoad(pr), S::WidenLoad(pi), tr, ti, f);
    yr = S::Sub(xr, tr), yi = S::Sub(xi, ti);
    xr = S::Add(xr, tr), xi = S::Add(xi, ti);
  }

  // The same with a twiddle (0, wi): the products 0·y - wi·z and 0·z + wi·y
  // are single products, exact in any precision of 48 bits or more, so one
  // fused multiply-add each gives the float of their extended value.
  [[gnu::always_inline]] static void ImaginaryButterfly(F wi, F& xr, F& xi, F& yr, F& yi) {
    const F zero = S::Set1(0.0f);
    const F tr = S::NegMulAddF(wi, yi, S::Mul(zero, yr));
    const F ti = S::MulAddF(wi, yr, S::Mul(zero, yi));
    yr = S::Sub(xr, tr), yi = S::Sub(xi, ti);
    xr = S::Add(xr, tr), xi = S::Add(xi, ti);
  }

  // The same with a twiddle (c, s), |c| <= 2^-65 and s = +-1 (stage 1,
  // j = 1): tr = c·yr - s·yi and ti = c·yi + s·yr are each one product and
  // a float, so one fused multiply-add gives the float of the exact value.
  // That is the float of the extended value too unless the exact value lies
  // within 2^-64 of a float midpoint, which needs |c·yr| (or |c·yi|) to
  // reach a quarter unit of the float beside it: one part nonzero and 2^39
  // times smaller than the other (or both). Those lanes are noted.
  [[gnu::always_inline]] static void LopsidedButterfly(F c, F sign, F& xr, F& xi, F& yr, F& yi,
                                                       typename S::Flags& f) {
    S::NoteLopsided(f, yr, yi);
    const F tr = S::MulAddF(c, yr, S::Mul(S::Neg(sign), yi));
    const F ti = S::MulAddF(c, yi, S::Mul(sign, yr));
    yr = S::Sub(xr, tr), yi = S::Sub(xi, ti);
    xr = S::Add(xr, tr), xi = S::Add(xi, ti);
  }

  // The same with the twiddle (1, 0).
  [[gnu::always_inline]] static void UnitButterfly(F& xr, F& xi, F& yr, F& yi) {
    F tr, ti;
    S::UnitProducts(yr, yi, tr, ti);
    yr = S::Sub(xr, tr), yi = S::Sub(xi, ti);
    xr = S::Add(xr, tr), xi = S::Add(xi, ti);
  }

  // Each block below is computed first with the suspects noted; when there
  // are any, nothing is stored and the block is computed again exactly from
  // its inputs, which are still in place.

  // Butterflies j .. j + 4L - 1 of a stage of half-span H in the block at
  // (xr, xi), as four independent vectors, with their twiddles at w.
  static constexpr int kWide = 4;
  template <bool Exact, bool Scaled>
  [[gnu::always_inline]] static bool WideBlock(float* xr, float* xi, std::size_t half, const double* w,
                                               float scale) {
    typename S::Flags f = S::template Clear<Tiny>();
    F ar[kWide], ai[kWide], br[kWide], bi[kWide];
    for (int k = 0; k < kWide; ++k) {
      ar[k] = S::Load(xr + k * L), ai[k] = S::Load(xi + k * L);
      ButterflyFrom<Exact>(At(w + Offset(k * L)), ar[k], ai[k], xr + k * L + half, xi + k * L + half, br[k],
                           bi[k], f);
    }
    if constexpr (!Exact)
      if (S::template Any<Tiny>(f)) return false;
    if constexpr (Scaled) {
      const F s = S::Set1(scale);
      for (int k = 0; k < kWide; ++k)
        ar[k] = S::Mul(ar[k], s), ai[k] = S::Mul(ai[k], s), br[k] = S::Mul(br[k], s),
        bi[k] = S::Mul(bi[k], s);
    }
    for (int k = 0; k < kWide; ++k) {
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
      for (int j = 0; j < half; j += kWide * L)
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
    typename S::Flags f = S::template Clear<Tiny>();
    F ar0 = S::Load(pr), ai0 = S::Load(pi), ar1, ai1;
    ButterflyFrom<Exact>(At(w1), ar0, ai0, pr + half, pi + half, ar1, ai1, f);
    F br0 = S::Load(pr + Apart), bi0 = S::Load(pi + Apart), br1, bi1;
    ButterflyFrom<Exact>(At(w1 + WApart), br0, bi0, pr + Apart + half, pi + Apart + half, br1, bi1, f);
    F ar2 = S::Load(pr + 2 * half), ai2 = S::Load(pi + 2 * half), ar3, ai3;
    ButterflyFrom<Exact>(At(w1), ar2, ai2, pr + 3 * half, pi + 3 * half, ar3, ai3, f);
    F br2 = S::Load(pr + Apart + 2 * half), bi2 = S::Load(pi + Apart + 2 * half), br3, bi3;
    ButterflyFrom<Exact>(At(w1 + WApart), br2, bi2, pr + Apart + 3 * half, pi + Apart + 3 * half, br3, bi3,
                         f);
    Butterfly<Exact>(At(w2), ar0, ai0, ar2, ai2, f);
    Butterfly<Exact>(At(w2 + WApart), br0, bi0, br2, bi2, f);
    Butterfly<Exact>(At(w3), ar1, ai1, ar3, ai3, f);
    Butterfly<Exact>(At(w3 + WApart), br1, bi1, br3, bi3, f);
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
    constexpr int kWApart = Offset(L);  // from a multiple of 2L to the next L
    for (int b = 0; b < n; b += 4 * half)
      for (int j = 0; j < half; j += 2 * L) {
        const int at = Offset(j);
        if (!FourBlock<false, Scaled, L, kWApart>(re + b + j, im + b + j, h, w1 + at, w2 + at, w3 + at,
                                                  scale)) [[unlikely]]
          ExactFourBlock<Scaled, L, kWApart>(re + b + j, im + b + j, h, w1 + at, w2 + at, w3 + at, scale);
      }
  }

  // Stages 3 and 4 from the first pass's interleaved layout: a unit of 64
  // holds four rows of 16 at 16i, each row position i of groups 8u + i (low
  // half) and 8u + 4 + i (high half), i.e. of two blocks of 32 side by
  // side; the same eight twiddles serve both halves. The results go to the
  // usual layout. Two units at once.
  template <bool Exact>
  [[gnu::always_inline]] static bool InterleavedBlock(float* pr, float* pi, const double* tw) {
    typename S::Flags f = S::template Clear<Tiny>();
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
      ButterflyFrom<Exact>(a, r[k], i[k], pr + at + 16, pi + at + 16, r[k + 1], i[k + 1], f);
    }
    const Twiddle b0 = twice(tw + TwiddleIndex(4, 0)), b1 = twice(tw + TwiddleIndex(4, 8));
    for (int u = 0; u < 8; u += 4) {
      Butterfly<Exact>(b0, r[u], i[u], r[u + 2], i[u + 2], f);
      Butterfly<Exact>(b1, r[u + 1], i[u + 1], r[u + 3], i[u + 3], f);
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

  // The L groups whose first input is q .. q + L - 1: stages 0..2 inside
  // each group of eight, one group per lane, then lane l written to the eight
  // floats at dst + rev(l)·stride (rev reversing the bits of a lane number).
  template <bool Exact, bool SpecialTwiddles>
  [[gnu::always_inline]] static bool Groups(int eighth, int partner, const double* w, int q,
                                            const float* inRe, const float* inIm, float* dstRe, float* dstIm,
                                            std::size_t stride) {
    constexpr int kStream[8] = {0, 4, 2, 6, 1, 5, 3, 7};  // rev3(b)
    typename S::Flags f = S::template Clear<Tiny>();
    F ar[8], ai[8];
    for (int b = 0; b < 8; ++b) {
      if constexpr (S::kPairedRows) {
        ar[b] = S::LoadPair(inRe + q + kStream[b] * eighth, partner);
        ai[b] = S::LoadPair(inIm + q + kStream[b] * eighth, partner);
      } else {
        ar[b] = S::Load(inRe + q + kStream[b] * eighth);
        ai[b] = S::Load(inIm + q + kStream[b] * eighth);
      }
    }
    for (int b = 0; b < 8; b += 2) UnitButterfly(ar[b], ai[b], ar[b + 1], ai[b + 1]);
    UnitButterfly(ar[0], ai[0], ar[2], ai[2]);
    UnitButterfly(ar[4], ai[4], ar[6], ai[6]);
    // No cancellation nudge: these early stages see no heavy cancellation.
    if constexpr (SpecialTwiddles && S::kLopsided && !Exact) {
      const F c = S::Set1(static_cast<float>(w[0])), sign = S::Set1(static_cast<float>(w[1]));
      LopsidedButterfly(c, sign, ar[1], ai[1], ar[3], ai[3], f);
      LopsidedButterfly(c, sign, ar[5], ai[5], ar[7], ai[7], f);
    } else {
      Butterfly<Exact, false>(Same(w[0], w[1]), ar[1], ai[1], ar[3], ai[3], f);
      Butterfly<Exact, false>(Same(w[0], w[1]), ar[5], ai[5], ar[7], ai[7], f);
    }
    UnitButterfly(ar[0], ai[0], ar[4], ai[4]);
    Butterfly<Exact, false>(Same(w[2], w[3]), ar[1], ai[1], ar[5], ai[5], f);
    if constexpr (SpecialTwiddles)
      ImaginaryButterfly(S::Set1(static_cast<float>(w[5])), ar[2], ai[2], ar[6], ai[6]);
    else
      Butterfly<Exact, false>(Same(w[4], w[5]), ar[2], ai[2], ar[6], ai[6], f);
    Butterfly<Exact, false>(Same(w[6], w[7]), ar[3], ai[3], ar[7], ai[7], f);
    if constexpr (!Exact)
      if (S::template Any<Tiny>(f)) return false;
    S::StoreRows(ar, dstRe, stride);
    S::StoreRows(ai, dstIm, stride);
    return true;
  }
  template <bool SpecialTwiddles>
  [[gnu::noinline, gnu::cold]] static void ExactGroups(int eighth, int partner, const double* w, int q,
                                                       const float* inRe, const float* inIm, float* dstRe,
                                                       float* dstIm, std::size_t stride) {
    Groups<true, SpecialTwiddles>(eighth, partner, w, q, inRe, inIm, dstRe, dstIm, stride);
  }
  template <bool SpecialTwiddles>
  [[gnu::always_inline]] static void AnyGroups(int eighth, int partner, const double* w, int q,
                                               const float* inRe, const float* inIm, float* dstRe,
                                               float* dstIm, std::size_t stride) {
    if (!Groups<false, SpecialTwiddles>(eighth, partner, w, q, inRe, inIm, dstRe, dstIm, stride)) [[unlikely]]
      ExactGroups<SpecialTwiddles>(eighth, partner, w, q, inRe, inIm, dstRe, dstIm, stride);
  }

  // The bit-reversed gather with stages 0, 1 and 2 (N >= 8·L). Output group
  // m (positions 8m .. 8m+7) gathers in[q + rev3(b)·N/8] for b = 0..7 with
  // q = rev(m) in P - 3 bits, so L groups read L consecutive inputs from each
  // of eight streams; the rows are then transposed into place. For q a
  // multiple of L, rev(q + l) = rev(q) + rev(l)·N/(8L), so lane l's group
  // starts rev(l)·N/L floats after group rev(q).
  // With Power fixed at compile time, every stream and row is a constant
  // offset from one pointer per array.
  template <int Power = 0, bool Interleaved = false>
  [[gnu::noinline]] static void FirstPass(const TransformTables& t, const float* inRe, const float* inIm,
                                          float* re, float* im) {
    // Stage 1 j = 1 and stage 2 j = 1..3: real and imaginary parts, read
    // where used.
    double w[8];
    for (int k = 0; k < 4; ++k) {
      const int stage = k == 0 ? 1 : 2;
      const std::size_t at = TwiddleIndex(stage, k == 0 ? 1 : k);
      w[2 * k] = t.Twiddles[at];
      w[2 * k + 1] = t.Twiddles[at + static_cast<std::size_t>(TwiddleBlock(stage))];
    }
    // The recurrence gives stage 2 j = 2 a real part of exactly 0 (cos and
    // sin of pi/4 round to the same float), whose products are single ones,
    // and stage 1 j = 1 the twiddle (cos(pi/2), sin(pi/2)) = (about 2^-66, 1).
    if (S::kFloatFma && w[4] == 0.0 && std::fabs(w[0]) <= 0x1p-65 && std::fabs(w[1]) == 1.0)
      Gather<Power, Interleaved, true>(t, w, inRe, inIm, re, im);
    else
      Gather<Power, Interleaved, false>(t, w, inRe, inIm, re, im);
  }
  template <int Power, bool Interleaved, bool SpecialTwiddles>
  [[gnu::always_inline]] static void Gather(const TransformTables& t, const double* w, const float* inRe,
                                            const float* inIm, float* re, float* im) {
    const int n = 1 << (Power ? Power : t.Power);
    const int eighth = n / 8;
    const auto stride = static_cast<std::size_t>(n / L);
    const int sixteenth = n / 16;
    if constexpr (S::kPairedRows) {
      const auto rows = static_cast<std::size_t>(eighth);
      if constexpr (Interleaved) {
        // Lanes l and l + L/2 hold q + l and q + N/64 + l, groups m and
        // m + 4 (N >= 512): each row pair goes to the layout that
        // InterleavedThreeFour reads, groups 8u + i and 8u + 4 + i as the
        // 16 floats at 64u + 16i (i = 0..3).
        const int partner = n / 64;
        for (int q0 = 0; q0 < eighth; q0 += 2 * partner)
          for (int q = q0; q < q0 + partner; q += L / 2) {
            const int m = t.BitReverse[8 * q];  // rev(q) in P - 3 bits
            const int base = 64 * (m >> 3) + 16 * (m & 3);
            AnyGroups<SpecialTwiddles>(eighth, partner, w, q, inRe, inIm, re + base, im + base, rows);
          }
      } else {
        // Lanes l and l + L/2 hold q + l and q + N/16 + l, whose groups are
        // neighbours: each transposed row pair is one run of 16 outputs.
        for (int q = 0; q < sixteenth; q += L / 2) {
          const int base = 8 * t.BitReverse[8 * q];
          AnyGroups<SpecialTwiddles>(eighth, sixteenth, w, q, inRe, inIm, re + base, im + base, rows);
        }
      }
      return;
    }
    if (n <= kDirectRows || sixteenth < L) {
      for (int q = 0; q < eighth; q += L) {
        const int base = 8 * t.BitReverse[8 * q];  // 8·rev(q), rev in P - 3 bits
        AnyGroups<SpecialTwiddles>(eighth, 0, w, q, inRe, inIm, re + base, im + base, stride);
      }
      return;
    }
    // q and q + N/16 fill the two halves of 16 consecutive outputs (their
    // reversals differ in the lowest bit only). For large sizes their rows
    // are put together in a small buffer and written as whole 64-byte runs:
    // written apart, the rows (all in the same cache set) evict each other
    // before their second half arrives.
    alignas(64) float bufRe[L][16], bufIm[L][16];
    for (int q = 0; q < sixteenth; q += L) {
      AnyGroups<SpecialTwiddles>(eighth, 0, w, q, inRe, inIm, &bufRe[0][0], &bufIm[0][0], 16);
      AnyGroups<SpecialTwiddles>(eighth, 0, w, q + sixteenth, inRe, inIm, &bufRe[0][8], &bufIm[0][8], 16);
      const int base = 8 * t.BitReverse[8 * q];
      for (int l = 0; l < L; ++l) {
        const std::size_t at = static_cast<std::size_t>(base) + static_cast<std::size_t>(l) * stride;
        std::memcpy(re + at, bufRe[l], sizeof bufRe[l]);
        std::memcpy(im + at, bufIm[l], sizeof bufIm[l]);
      }
    }
  }

  // The first pass, then the remaining stages two at a time (the last one
  // alone when their number is odd); the last pass scales.
  static void Transform(const TransformTables& t, const float* inRe, const float* inIm, float* re, float* im,
                        bool scaled, float scale) {
    const int n = 1 << t.Power;
    FirstPass<>(t, inRe, inIm, re, im);
    for (int stage = 3; stage < t.Power;) {
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

  // In[N-k] := conj(In[k]) for k = 1 .. N/2 - 1.
  static void Mirror(float* re, float* im, int n) {
    const int half = n / 2;
    int k = 1;
    for (; k + L <= half; k += L) {
      S::Store(re + n - k - (L - 1), S::Reverse(S::Load(re + k)));
      S::Store(im + n - k - (L - 1), S::Neg(S::Reverse(S::Load(im + k))));
    }
    for (; k < half; ++k) re[n - k] = re[k], im[n - k] = -im[k];
  }
};

}  // namespace tessaro::fft
