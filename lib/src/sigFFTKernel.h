// The vector FFT, written once over a traits class S that wraps one
// instruction set (sigFFTSse2.cpp, sigFFTAvx2.cpp, sigFFTAvx512.cpp, each
// compiled for its own set): the butterflies (sigFFTButterflies.h), the
// first pass (sigFFTFirstPass.h) and the passes after it (sigFFTStages.h).
// Internal.
//
// Exactness, in short (docs/fft-exactness.md has the argument): the
// products are formed in double and narrowed to float, which gives the
// float of the extended evaluation unless the double result is a float
// midpoint or lies below the normal float range. Every block of butterflies
// notes such suspects and is computed again exactly when it has any, the
// suspect lanes then in extended precision; results below the float range
// are noted only when the underflow flag asks for it (Tiny). Where a fused
// multiply-add can be rounded down and up on its own (Bracket), each
// product sum is formed both ways and only inexact results beside a float
// midpoint are noted: exact ones, frequent on quantised or otherwise real
// data, never are.
//
// S provides, for a float vector F and a double vector D of the same Lanes
// lanes: Load, Store, Set1, Add, Sub, Mul, Neg, Reverse (F); LoadTwiddle,
// StoreD, Set1D, Add, Sub, Mul, Neg, MulAdd (a·b + c), MulSub (a·b - c),
// each with one rounding (D); Widen, WidenLoad (F, or floats in memory, to
// D), Narrow (D to F); UnitProducts (y - 0·z, z + 0·y); MaybeHard (the cheap
// test of two result vectors), HardLanes and NonZeroLanes (bit l set for
// lane l); Flags with Clear, Note and Any for the blocks; StoreRows for the
// first pass; and the flags FloatFma (MulAddF and NegMulAddF, a·b + c and
// c - a·b with one rounding, in F), PairedRows (sixteen lanes as two halves:
// LoadPair, StorePair, LoadTwiddleTwice), Lopsided (NoteLopsided) and
// Bracket (MulAddDown, MulAddUp, MulSubDown, MulSubUp, rounded down or up,
// and NoteBracket).
#pragma once

#include "sigFFTFirstPass.h"
#include "sigFFTStages.h"

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

template <class S, bool Tiny, bool Real>
struct Kernel : FirstPasses<S, Tiny, Real>, StagePasses<S, Tiny, Real> {
  static constexpr int L = S::Lanes;

  // The first pass, then the remaining stages; the last pass scales.
  static void Transform(const TransformTables& t, const float* inRe, const float* inIm, float* re, float* im,
                        bool scaled, float scale) {
    FirstPasses<S, Tiny, Real>::template FirstPass<>(t, inRe, inIm, re, im);
    StagePasses<S, Tiny, Real>::StagesFrom(3, t, re, im, scaled, scale);
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

// An instruction set's transform in its four forms, T<Tiny, Real> providing
// Transform: Tiny from `tiny`, Real for the scaled transform, which is
// Inverse's, whose results are real.
template <template <bool Tiny, bool Real> class T>
void TransformForms(const TransformTables& t, const float* inRe, const float* inIm, float* re, float* im,
                    bool scaled, float scale, bool tiny) {
  if (scaled)
    tiny ? T<true, true>::Transform(t, inRe, inIm, re, im, true, scale)
         : T<false, true>::Transform(t, inRe, inIm, re, im, true, scale);
  else
    tiny ? T<true, false>::Transform(t, inRe, inIm, re, im, false, scale)
         : T<false, false>::Transform(t, inRe, inIm, re, im, false, scale);
}

}  // namespace tessaro::fft
