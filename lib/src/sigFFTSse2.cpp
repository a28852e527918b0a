// The FFT butterflies with SSE2: four floats, two doubles per register.
#include <immintrin.h>

#include "sigFFTKernel.h"

namespace tessaro::fft {

namespace {

struct Sse2 {
  using F = __m128;
  using D = __m128d;
  using M = __m128i;  // one 32-bit lane per value of a pair of D
  static constexpr int kWidth = 4;

  static F Load(const float* p) { return _mm_loadu_ps(p); }
  static D LoadD(const double* p) { return _mm_loadu_pd(p); }
  static void Store(float* p, F v) { _mm_storeu_ps(p, v); }
  static F Set1(float v) { return _mm_set1_ps(v); }
  static D Set1D(double v) { return _mm_set1_pd(v); }
  static F Add(F a, F b) { return _mm_add_ps(a, b); }
  static F Sub(F a, F b) { return _mm_sub_ps(a, b); }
  static F Mul(F a, F b) { return _mm_mul_ps(a, b); }
  static D Add(D a, D b) { return _mm_add_pd(a, b); }
  static D Sub(D a, D b) { return _mm_sub_pd(a, b); }
  static D Mul(D a, D b) { return _mm_mul_pd(a, b); }
  static D Neg(D a) { return _mm_xor_pd(a, _mm_set1_pd(-0.0)); }
  static void Widen(F v, D& lo, D& hi) {
    lo = _mm_cvtps_pd(v);
    hi = _mm_cvtps_pd(_mm_movehl_ps(v, v));
  }
  static F Narrow(D lo, D hi) { return _mm_movelh_ps(_mm_cvtpd_ps(lo), _mm_cvtpd_ps(hi)); }

  // The low and the high 32-bit words of the four doubles of a and b.
  static M LowWords(D a, D b) {
    return _mm_castps_si128(_mm_shuffle_ps(_mm_castpd_ps(a), _mm_castpd_ps(b), _MM_SHUFFLE(2, 0, 2, 0)));
  }
  static M HighWords(D a, D b) {
    return _mm_castps_si128(_mm_shuffle_ps(_mm_castpd_ps(a), _mm_castpd_ps(b), _MM_SHUFFLE(3, 1, 3, 1)));
  }
  // A float midpoint, or 0 < |v| < 2^-126 (a nonzero sum of float products
  // is at least 2^-298, so its high word is never 0).
  static M HardMask(D a, D b) {
    const M low = LowWords(a, b);
    const M high = _mm_and_si128(HighWords(a, b), _mm_set1_epi32(0x7FFFFFFF));
    const M midpoint =
        _mm_cmpeq_epi32(_mm_and_si128(low, _mm_set1_epi32(0x1FFFFFFF)), _mm_set1_epi32(0x10000000));
    const M tiny = _mm_and_si128(_mm_cmpgt_epi32(high, _mm_setzero_si128()),
                                 _mm_cmpgt_epi32(_mm_set1_epi32(0x38100000), high));
    return _mm_or_si128(midpoint, tiny);
  }
  static M NonZero(D a, D b) {
    const M bits = _mm_or_si128(LowWords(a, b), _mm_and_si128(HighWords(a, b), _mm_set1_epi32(0x7FFFFFFF)));
    return _mm_xor_si128(_mm_cmpeq_epi32(bits, _mm_setzero_si128()), _mm_set1_epi32(-1));
  }
  static M And(M a, M b) { return _mm_and_si128(a, b); }
  static M Or(M a, M b) { return _mm_or_si128(a, b); }
  static bool Any(M m) { return _mm_movemask_epi8(m) != 0; }

  // Writes lane l of rows[0..7] to row[l][0..7].
  static void ScatterRows8(const F (&rows)[8], float* const (&row)[kWidth]) {
    for (int half = 0; half < 2; ++half) {
      F r0 = rows[4 * half], r1 = rows[4 * half + 1], r2 = rows[4 * half + 2], r3 = rows[4 * half + 3];
      _MM_TRANSPOSE4_PS(r0, r1, r2, r3);
      _mm_storeu_ps(row[0] + 4 * half, r0);
      _mm_storeu_ps(row[1] + 4 * half, r1);
      _mm_storeu_ps(row[2] + 4 * half, r2);
      _mm_storeu_ps(row[3] + 4 * half, r3);
    }
  }
};

using K = Kernel<Sse2>;

}  // namespace

void FirstPassSse2(const TransformTables& t, const float* inRe, const float* inIm, float* re, float* im) {
  K::FirstPass(t, inRe, inIm, re, im);
}
void StageSse2(float* re, float* im, int n, int half, const double* wr, const double* wi) {
  K::Stage<false>(re, im, n, half, wr, wi, 1.0f);
}
void ScaledStageSse2(float* re, float* im, int n, int half, const double* wr, const double* wi, float scale) {
  K::Stage<true>(re, im, n, half, wr, wi, scale);
}

void TwoStagesSse2(const TwoStageArgs& a) {
  K::TwoStages<false>(a.re, a.im, a.n, a.half, a.w1r, a.w1i, a.w2r, a.w2i, 1.0f);
}
void ScaledTwoStagesSse2(const TwoStageArgs& a, float scale) {
  K::TwoStages<true>(a.re, a.im, a.n, a.half, a.w1r, a.w1i, a.w2r, a.w2i, scale);
}

}  // namespace tessaro::fft
