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
// half as many: Load, LoadD, Store, Set1, Add, Sub, Mul (F and D), Neg (D), Widen
// (F to two D), Narrow (two D to F), lane masks M of two D with HardMask,
// NonZero, And, Or, Any, and ScatterRows8 for the first pass.
#pragma once

#include <cstdint>

#include "sigFFTButterflies.h"

namespace tessaro::fft {

// tr, ti of `count` butterflies evaluated in extended precision
// (sigFFTButterflies.cpp).
void ExactTwiddleProducts(const double* wr, const double* wi, const float* yr, const float* yi, float* tr,
                          float* ti, int count);

// The entry points of each instruction set. FirstPass: the bit-reversed
// gather with stages 0, 1 and 2 (N >= 64 for SSE2 and AVX2, N >= 128 for
// AVX-512). Stage: one radix-2 stage of
// half-span `half` (a multiple of the width) with its twiddles; the scaled
// form multiplies its results by `scale`.
void FirstPassSse2(const TransformTables& t, const float* inRe, const float* inIm, float* re, float* im);
void StageSse2(float* re, float* im, int n, int half, const double* wr, const double* wi);
void ScaledStageSse2(float* re, float* im, int n, int half, const double* wr, const double* wi, float scale);
void FirstPassAvx2(const TransformTables& t, const float* inRe, const float* inIm, float* re, float* im);
void StageAvx2(float* re, float* im, int n, int half, const double* wr, const double* wi);
void ScaledStageAvx2(float* re, float* im, int n, int half, const double* wr, const double* wi, float scale);
void FirstPassAvx512(const TransformTables& t, const float* inRe, const float* inIm, float* re, float* im);
void StageAvx512(float* re, float* im, int n, int half, const double* wr, const double* wi);
void ScaledStageAvx512(float* re, float* im, int n, int half, const double* wr, const double* wi, float scale);

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
    const double* re;
    const double* im;
  };

  static Twiddle Loaded(const double* re, const double* im) {
    return {S::LoadD(re), S::LoadD(re + W / 2), S::LoadD(im), S::LoadD(im + W / 2), re, im};
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
        ExactTwiddleProducts(w.re, w.im, vr, vi, r, i, W);
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
  static void FirstPass(const TransformTables& t, const float* inRe, const float* inIm, float* re, float* im) {
    const int n = 1 << t.Power;
    const int eighth = n / 8;
    alignas(64) double lanes[4][2][W];  // stage 1 j = 1, stage 2 j = 1..3, in every lane
    constexpr int kIndex[4] = {2, 4, 5, 6};
    Twiddle w[4];
    for (int k = 0; k < 4; ++k) {
      for (int l = 0; l < W; ++l) lanes[k][0][l] = t.TwiddleRe[kIndex[k]], lanes[k][1][l] = t.TwiddleIm[kIndex[k]];
      w[k] = Loaded(lanes[k][0], lanes[k][1]);
    }
    constexpr int kStream[8] = {0, 4, 2, 6, 1, 5, 3, 7};  // rev3(b)
    for (int q = 0; q < eighth; q += W) {
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
      float* rowRe[W];
      float* rowIm[W];
      for (int l = 0; l < W; ++l) {
        const int m = t.BitReverse[8 * (q + l)];  // rev(q + l) in P - 3 bits
        rowRe[l] = re + 8 * m;
        rowIm[l] = im + 8 * m;
      }
      S::ScatterRows8(ar, rowRe);
      S::ScatterRows8(ai, rowIm);
    }
  }
};

}  // namespace tessaro::fft
