// The vector butterflies of the FFT, written once over a traits class S that
// wraps one instruction set (sigFFTSse2.cpp, sigFFTAvx2.cpp,
// sigFFTAvx512.cpp, each compiled for its own set). Internal.
//
// Exactness. A butterfly needs tr = wr·y - wi·z and ti = wr·z + wi·y as the
// float nearest to the extended value of the sum of the exact products. The
// product of two floats is exact in double, so the double sum s is the exact
// sum x rounded to 53 bits, while the extended one is x rounded to 64 bits.
// Rounding is monotonic and every float midpoint is a double, so float(s) =
// float(x rounded to 64 bits) whenever s is not itself a float midpoint:
// both then lie strictly on the same side of every midpoint as x. So the
// fast path checks every s: a midpoint (bit 28 of the fraction set, bits
// 0..27 clear) or a nonzero value below the normal float range (where the
// midpoints sit at other bit positions) is redone in extended precision,
// unless the two-sum error shows that the double sum was exact. The sums of
// two floats round the same from any precision of at least 2·24 + 2 bits,
// so they are done in float directly, and so are the products with the
// twiddle (1, 0) as y - 0·z, which is exact and keeps the signed zeros and
// the NaN of 0·inf that the extended evaluation gives.
//
// S provides, for float vectors F of kWidth lanes and double vectors D of
// half as many: Load, LoadD, Store, Set1, Set1D, Add, Sub, Mul (F and D),
// Neg (D), Widen (F to two D), Narrow (two D to F), lane masks of two D with
// HardMask, NonZero, And, Or, Any, and ScatterRows8 for the first pass.
#pragma once

#include <cstdint>
#include <cstring>

#include "sigFFTButterflies.h"

namespace tessaro::fft {

// tr, ti of `count` butterflies evaluated in extended precision
// (sigFFTButterflies.cpp). The twiddles are wr[k·step], wi[k·step].
void ExactTwiddleProducts(const double* wr, const double* wi, int step, const float* yr, const float* yi,
                          float* tr, float* ti, int count);

// The entry points of each instruction set. FirstPass: the bit-reversed
// gather with stages 0, 1 and 2 (N >= 64 for SSE2 and AVX2, N >= 128 for
// AVX-512). Stage: one radix-2 stage of half-span `half` (a multiple of the
// width) with its twiddles; the scaled form multiplies its results by
// `scale`.
void FirstPassSse2(const TransformTables& t, const float* inRe, const float* inIm, float* re, float* im);
void StageSse2(float* re, float* im, int n, int half, const double* wr, const double* wi);
void ScaledStageSse2(float* re, float* im, int n, int half, const double* wr, const double* wi, float scale);
void FirstPassAvx2(const TransformTables& t, const float* inRe, const float* inIm, float* re, float* im);
void StageAvx2(float* re, float* im, int n, int half, const double* wr, const double* wi);
void ScaledStageAvx2(float* re, float* im, int n, int half, const double* wr, const double* wi, float scale);
void FirstPassAvx512(const TransformTables& t, const float* inRe, const float* inIm, float* re, float* im);
void StageAvx512(float* re, float* im, int n, int half, const double* wr, const double* wi);
void ScaledStageAvx512(float* re, float* im, int n, int half, const double* wr, const double* wi,
                       float scale);

// Two stages in one pass: stage t with twiddles w1 (H of them) and stage t+1
// with w2 (2H of them); Scaled multiplies the results by `scale`.
struct TwoStageArgs {
  float* re;
  float* im;
  int n;
  int half;
  const double* w1r;
  const double* w1i;
  const double* w2r;
  const double* w2i;
};
void TwoStagesSse2(const TwoStageArgs& a);
void ScaledTwoStagesSse2(const TwoStageArgs& a, float scale);
void TwoStagesAvx2(const TwoStageArgs& a);
void ScaledTwoStagesAvx2(const TwoStageArgs& a, float scale);
void TwoStagesAvx512(const TwoStageArgs& a);
void ScaledTwoStagesAvx512(const TwoStageArgs& a, float scale);

template <class S>
struct Kernel {
  using F = typename S::F;
  using D = typename S::D;
  static constexpr int W = S::kWidth;

  // A twiddle for every lane (float values held as doubles).
  struct Twiddle {
    D reLo, reHi, imLo, imHi;
    const double* re;  // the lanes' values for the exact path: re[l·step]
    const double* im;
    int step;
  };

  static Twiddle Loaded(const double* re, const double* im) {
    return {S::LoadD(re), S::LoadD(re + W / 2), S::LoadD(im), S::LoadD(im + W / 2), re, im, 1};
  }

  // The same twiddle in every lane.
  static Twiddle Broadcast(const double* re, const double* im) {
    return {S::Set1D(*re), S::Set1D(*re), S::Set1D(*im), S::Set1D(*im), re, im, 0};
  }

  // err with s + err = a + b exactly, for s = a + b rounded (two-sum).
  static D SumError(D a, D b, D s) {
    const D bv = S::Sub(s, a);
    const D av = S::Sub(s, bv);
    return S::Add(S::Sub(a, av), S::Sub(b, bv));
  }

  // (tr, ti) = (wr·yr - wi·yi, wr·yi + wi·yr) for every lane.
  static void Products(const Twiddle& w, F yr, F yi, F& tr, F& ti) {
    D yrLo, yrHi, yiLo, yiHi;
    S::Widen(yr, yrLo, yrHi);
    S::Widen(yi, yiLo, yiHi);
    const D aLo = S::Mul(w.reLo, yrLo), aHi = S::Mul(w.reHi, yrHi);  // wr·yr
    const D bLo = S::Mul(w.imLo, yiLo), bHi = S::Mul(w.imHi, yiHi);  // wi·yi
    const D cLo = S::Mul(w.reLo, yiLo), cHi = S::Mul(w.reHi, yiHi);  // wr·yi
    const D dLo = S::Mul(w.imLo, yrLo), dHi = S::Mul(w.imHi, yrHi);  // wi·yr
    const D rLo = S::Sub(aLo, bLo), rHi = S::Sub(aHi, bHi);
    const D iLo = S::Add(cLo, dLo), iHi = S::Add(cHi, dHi);
    tr = S::Narrow(rLo, rHi);
    ti = S::Narrow(iLo, iHi);
    const auto hardR = S::HardMask(rLo, rHi);
    const auto hardI = S::HardMask(iLo, iHi);
    if (S::Any(S::Or(hardR, hardI))) [[unlikely]] {
      const auto inexactR = S::NonZero(SumError(aLo, S::Neg(bLo), rLo), SumError(aHi, S::Neg(bHi), rHi));
      const auto inexactI = S::NonZero(SumError(cLo, dLo, iLo), SumError(cHi, dHi, iHi));
      if (S::Any(S::Or(S::And(hardR, inexactR), S::And(hardI, inexactI)))) {
        alignas(64) float r[W], i[W], vr[W], vi[W];
        S::Store(vr, yr);
        S::Store(vi, yi);
        ExactTwiddleProducts(w.re, w.im, w.step, vr, vi, r, i, W);
        tr = S::Load(r);
        ti = S::Load(i);
      }
    }
  }

  // x, y := x + t, x - t with t = w·y.
  static void Butterfly(const Twiddle& w, F& xr, F& xi, F& yr, F& yi) {
    F tr, ti;
    Products(w, yr, yi, tr, ti);
    yr = S::Sub(xr, tr), yi = S::Sub(xi, ti);
    xr = S::Add(xr, tr), xi = S::Add(xi, ti);
  }

  // The same with the twiddle (1, 0): t = (yr - 0·yi, yi + 0·yr).
  static void UnitButterfly(F& xr, F& xi, F& yr, F& yi) {
    const F zero = S::Set1(0.0f);
    const F tr = S::Sub(yr, S::Mul(zero, yi));
    const F ti = S::Add(yi, S::Mul(zero, yr));
    yr = S::Sub(xr, tr), yi = S::Sub(xi, ti);
    xr = S::Add(xr, tr), xi = S::Add(xi, ti);
  }

  template <bool Scaled>
  static void Stage(float* re, float* im, int n, int half, const double* wr, const double* wi, float scale) {
    const F s = S::Set1(scale);
    for (int b = 0; b < n; b += 2 * half) {
      float* xr = re + b;
      float* xi = im + b;
      float* yr = xr + half;
      float* yi = xi + half;
      for (int j = 0; j < half; j += W) {
        F ur = S::Load(xr + j), ui = S::Load(xi + j), vr = S::Load(yr + j), vi = S::Load(yi + j);
        Butterfly(Loaded(wr + j, wi + j), ur, ui, vr, vi);
        if constexpr (Scaled) {
          ur = S::Mul(ur, s), ui = S::Mul(ui, s), vr = S::Mul(vr, s), vi = S::Mul(vi, s);
        }
        S::Store(xr + j, ur), S::Store(xi + j, ui), S::Store(yr + j, vr), S::Store(yi + j, vi);
      }
    }
  }

  // Stages t and t+1 in one pass (H = 2^t): each block of 4H is two blocks
  // of stage t, (0, 1) and (2, 3) with twiddle j of stage t, then (0, 2)
  // and (1, 3) with twiddles j and j + H of stage t+1.
  template <bool Scaled>
  static void TwoStages(float* re, float* im, int n, int half, const double* w1r, const double* w1i,
                        const double* w2r, const double* w2i, float scale) {
    const F s = S::Set1(scale);
    for (int b = 0; b < n; b += 4 * half) {
      float* pr = re + b;
      float* pi = im + b;
      for (int j = 0; j < half; j += W) {
        F r0 = S::Load(pr + j), i0 = S::Load(pi + j);
        F r1 = S::Load(pr + half + j), i1 = S::Load(pi + half + j);
        F r2 = S::Load(pr + 2 * half + j), i2 = S::Load(pi + 2 * half + j);
        F r3 = S::Load(pr + 3 * half + j), i3 = S::Load(pi + 3 * half + j);
        const Twiddle w1 = Loaded(w1r + j, w1i + j);
        Butterfly(w1, r0, i0, r1, i1);
        Butterfly(w1, r2, i2, r3, i3);
        Butterfly(Loaded(w2r + j, w2i + j), r0, i0, r2, i2);
        Butterfly(Loaded(w2r + half + j, w2i + half + j), r1, i1, r3, i3);
        if constexpr (Scaled) {
          r0 = S::Mul(r0, s), i0 = S::Mul(i0, s), r1 = S::Mul(r1, s), i1 = S::Mul(i1, s);
          r2 = S::Mul(r2, s), i2 = S::Mul(i2, s), r3 = S::Mul(r3, s), i3 = S::Mul(i3, s);
        }
        S::Store(pr + j, r0), S::Store(pi + j, i0), S::Store(pr + half + j, r1), S::Store(pi + half + j, i1);
        S::Store(pr + 2 * half + j, r2), S::Store(pi + 2 * half + j, i2);
        S::Store(pr + 3 * half + j, r3), S::Store(pi + 3 * half + j, i3);
      }
    }
  }

  // Output group m (positions 8m .. 8m+7) gathers in[q + rev3(b)·N/8] for
  // b = 0..7 with q = rev(m) in P - 3 bits, so W groups read W consecutive
  // inputs from each of eight streams. Stages 0..2 run inside the groups,
  // one group per lane; the rows are then transposed into place.
  static void FirstPass(const TransformTables& t, const float* inRe, const float* inIm, float* re,
                        float* im) {
    const int n = 1 << t.Power;
    // Stage 1 j = 1 and stage 2 j = 1..3.
    const Twiddle w[4] = {
        Broadcast(t.TwiddleRe + 2, t.TwiddleIm + 2), Broadcast(t.TwiddleRe + 4, t.TwiddleIm + 4),
        Broadcast(t.TwiddleRe + 5, t.TwiddleIm + 5), Broadcast(t.TwiddleRe + 6, t.TwiddleIm + 6)};
    // For q a multiple of W, rev(q + l) = rev(q) + rev(l): one look-up per
    // W groups and a fixed offset per lane.
    int laneOffset[W];
    for (int l = 0; l < W; ++l) laneOffset[l] = t.BitReverse[8 * l];
    // q and q + N/16 fill the two halves of 16 consecutive outputs (their
    // reversals differ in the lowest bit only). Their rows are put together
    // in a small buffer and written as whole 64-byte runs: written apart,
    // the rows of large sizes (all in the same cache set) evict each other
    // before their second half arrives.
    const int sixteenth = n / 16;
    if (sixteenth < W) {
      for (int q = 0; q < n / 8; q += W) {
        float* rowRe[W];
        float* rowIm[W];
        const int base = t.BitReverse[8 * q];  // rev(q) in P - 3 bits
        for (int l = 0; l < W; ++l)
          rowRe[l] = re + 8 * (base + laneOffset[l]), rowIm[l] = im + 8 * (base + laneOffset[l]);
        Groups(t, w, q, inRe, inIm, rowRe, rowIm);
      }
      return;
    }
    alignas(64) float bufRe[W][16], bufIm[W][16];
    float* lowRe[W];
    float* lowIm[W];
    float* highRe[W];
    float* highIm[W];
    for (int l = 0; l < W; ++l)
      lowRe[l] = bufRe[l], lowIm[l] = bufIm[l], highRe[l] = bufRe[l] + 8, highIm[l] = bufIm[l] + 8;
    for (int q = 0; q < sixteenth; q += W) {
      Groups(t, w, q, inRe, inIm, lowRe, lowIm);
      Groups(t, w, q + sixteenth, inRe, inIm, highRe, highIm);
      const int base = t.BitReverse[8 * q];
      for (int l = 0; l < W; ++l) {
        const int m = base + laneOffset[l];
        std::memcpy(re + 8 * m, bufRe[l], sizeof bufRe[l]);
        std::memcpy(im + 8 * m, bufIm[l], sizeof bufIm[l]);
      }
    }
  }

  // The W groups whose first input is q .. q + W - 1, written to rows.
  static void Groups(const TransformTables& t, const Twiddle (&w)[4], int q, const float* inRe,
                     const float* inIm, float* const (&rowRe)[W], float* const (&rowIm)[W]) {
    const int eighth = (1 << t.Power) / 8;
    constexpr int kStream[8] = {0, 4, 2, 6, 1, 5, 3, 7};  // rev3(b)
    F ar[8], ai[8];
    for (int b = 0; b < 8; ++b) {
      ar[b] = S::Load(inRe + q + kStream[b] * eighth);
      ai[b] = S::Load(inIm + q + kStream[b] * eighth);
    }
    for (int b = 0; b < 8; b += 2) UnitButterfly(ar[b], ai[b], ar[b + 1], ai[b + 1]);
    UnitButterfly(ar[0], ai[0], ar[2], ai[2]);
    UnitButterfly(ar[4], ai[4], ar[6], ai[6]);
    Butterfly(w[0], ar[1], ai[1], ar[3], ai[3]);
    Butterfly(w[0], ar[5], ai[5], ar[7], ai[7]);
    UnitButterfly(ar[0], ai[0], ar[4], ai[4]);
    Butterfly(w[1], ar[1], ai[1], ar[5], ai[5]);
    Butterfly(w[2], ar[2], ai[2], ar[6], ai[6]);
    Butterfly(w[3], ar[3], ai[3], ar[7], ai[7]);
    S::ScatterRows8(ar, rowRe);
    S::ScatterRows8(ai, rowIm);
  }
};

}  // namespace tessaro::fft
