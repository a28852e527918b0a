// The first pass of the vector FFT: the bit-reversed gather together with
// stages 0, 1 and 2, eight points per group, one group per lane, written to
// the output in the usual layout or (sixteen lanes, 512 points or more) in
// the interleaved one that the pass of stages 3 and 4 reads. Internal.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstring>

#include "sigFFTButterflies.h"

namespace tessaro::fft {

template <class S, bool Tiny, bool Real>
struct FirstPasses : Butterflies<S, Tiny, Real> {
  using B = Butterflies<S, Tiny, Real>;
  using B::L;
  using B::Same;
  using B::UnitButterfly;
  using typename B::F;
  using typename B::Flags;
  // Up to this size the rows go straight to the output.
  static constexpr int DirectRows = 4096;

  // The L groups whose first input is q .. q + L - 1: stages 0..2 inside
  // each group of eight, one group per lane, then lane l written to the eight
  // floats at dst + rev(l)·stride (rev reversing the bits of a lane number).
  // With SpecialTwiddles, the twiddles (about 0, +-1) of stage 1 and (0, wi)
  // of stage 2 take the single fused products.
  template <bool Exact, bool SpecialTwiddles>
  [[gnu::always_inline]] static bool Groups(int eighth, int partner, const double* w, int q,
                                            const float* inRe, const float* inIm, float* dstRe, float* dstIm,
                                            std::size_t stride) {
    constexpr int Stream[8] = {0, 4, 2, 6, 1, 5, 3, 7};  // rev3(b)
    Flags f = S::template Clear<Tiny>();
    F ar[8], ai[8];
    for (int b = 0; b < 8; ++b) {
      if constexpr (S::PairedRows) {
        ar[b] = S::LoadPair(inRe + q + Stream[b] * eighth, partner);
        ai[b] = S::LoadPair(inIm + q + Stream[b] * eighth, partner);
      } else {
        ar[b] = S::Load(inRe + q + Stream[b] * eighth);
        ai[b] = S::Load(inIm + q + Stream[b] * eighth);
      }
    }
    for (int b = 0; b < 8; b += 2) UnitButterfly(ar[b], ai[b], ar[b + 1], ai[b + 1]);
    UnitButterfly(ar[0], ai[0], ar[2], ai[2]);
    UnitButterfly(ar[4], ai[4], ar[6], ai[6]);
    // No cancellation nudge: these early stages see no heavy cancellation.
    if constexpr (SpecialTwiddles && S::Lopsided && !Exact) {
      const F c = S::Set1(static_cast<float>(w[0])), sign = S::Set1(static_cast<float>(w[1]));
      B::LopsidedButterfly(c, sign, ar[1], ai[1], ar[3], ai[3], f);
      B::LopsidedButterfly(c, sign, ar[5], ai[5], ar[7], ai[7], f);
    } else {
      B::template Butterfly<Exact, false>(Same(w[0], w[1]), ar[1], ai[1], ar[3], ai[3], f);
      B::template Butterfly<Exact, false>(Same(w[0], w[1]), ar[5], ai[5], ar[7], ai[7], f);
    }
    UnitButterfly(ar[0], ai[0], ar[4], ai[4]);
    if constexpr (SpecialTwiddles && B::Bracketed && !Exact)
      B::SkewedButterfly(Same(w[2], w[3]), ar[1], ai[1], ar[5], ai[5], f);
    else
      B::template Butterfly<Exact, false>(Same(w[2], w[3]), ar[1], ai[1], ar[5], ai[5], f);
    if constexpr (SpecialTwiddles)
      B::ImaginaryButterfly(S::Set1(static_cast<float>(w[5])), ar[2], ai[2], ar[6], ai[6]);
    else
      B::template Butterfly<Exact, false>(Same(w[4], w[5]), ar[2], ai[2], ar[6], ai[6], f);
    if constexpr (SpecialTwiddles && B::Bracketed && !Exact)
      B::SkewedButterfly(Same(w[6], w[7]), ar[3], ai[3], ar[7], ai[7], f);
    else
      B::template Butterfly<Exact, false>(Same(w[6], w[7]), ar[3], ai[3], ar[7], ai[7], f);
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
    // sin of pi/4 round to the same float) and stage 1 j = 1 the twiddle
    // (cos(pi/2), sin(pi/2)) = (about 2^-66, 1); their single fused
    // products need a float fused multiply-add. Stage 2 j = 1 and 3 have
    // parts of the same magnitude, about 0.7, which the skewed products
    // (rounded down and up) need equal to within a factor of 1 + 2^-20.
    const auto balanced = [](double x, double y) {
      constexpr double Within = 1 + 0x1p-20;
      return !B::Bracketed || (std::fabs(x) <= Within * std::fabs(y) && std::fabs(y) <= Within * std::fabs(x));
    };
    if constexpr (S::FloatFma)
      if (w[4] == 0.0 && std::fabs(w[0]) <= 0x1p-65 && std::fabs(w[1]) == 1.0 && balanced(w[2], w[3]) &&
          balanced(w[6], w[7])) {
        Gather<Power, Interleaved, true>(t, w, inRe, inIm, re, im);
        return;
      }
    Gather<Power, Interleaved, false>(t, w, inRe, inIm, re, im);
  }
  template <int Power, bool Interleaved, bool SpecialTwiddles>
  [[gnu::always_inline]] static void Gather(const TransformTables& t, const double* w, const float* inRe,
                                            const float* inIm, float* re, float* im) {
    const int n = 1 << (Power ? Power : t.Power);
    const int eighth = n / 8;
    const auto stride = static_cast<std::size_t>(n / L);
    const int sixteenth = n / 16;
    if constexpr (S::PairedRows) {
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
    if (n <= DirectRows || sixteenth < L) {
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
};

}  // namespace tessaro::fft
