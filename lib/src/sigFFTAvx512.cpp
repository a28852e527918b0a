// The FFT butterflies with AVX-512: sixteen floats, eight doubles per
// register. Compiled with -mavx512f and called only when the processor has
// it.
#include <immintrin.h>

#include "sigFFTKernel.h"

namespace tessaro::fft {

namespace {

struct Avx512 {
  using F = __m512;
  using D = __m512d;
  using M = __mmask16;  // one bit per value of a pair of D
  static constexpr int kWidth = 16;

  static F Load(const float* p) { return _mm512_loadu_ps(p); }
  static D LoadD(const double* p) { return _mm512_loadu_pd(p); }
  static void Store(float* p, F v) { _mm512_storeu_ps(p, v); }
  static F Set1(float v) { return _mm512_set1_ps(v); }
  static D Set1D(double v) { return _mm512_set1_pd(v); }
  static F Add(F a, F b) { return _mm512_add_ps(a, b); }
  static F Sub(F a, F b) { return _mm512_sub_ps(a, b); }
  static F Mul(F a, F b) { return _mm512_mul_ps(a, b); }
  static D Add(D a, D b) { return _mm512_add_pd(a, b); }
  static D Sub(D a, D b) { return _mm512_sub_pd(a, b); }
  static D Mul(D a, D b) { return _mm512_mul_pd(a, b); }
  static D Neg(D a) {
    return _mm512_castsi512_pd(_mm512_xor_si512(_mm512_castpd_si512(a), _mm512_set1_epi64(INT64_MIN)));
  }
  // The zero-masked forms with a full mask throughout: the plain ones (and
  // the casts built on them) trip GCC 12's -Wmaybe-uninitialized inside the
  // intrinsics header.
  static __m256d Half(F v, int upper) {
    const __m512d d = _mm512_castps_pd(v);
    return upper ? _mm512_maskz_extractf64x4_pd(0xF, d, 1) : _mm512_maskz_extractf64x4_pd(0xF, d, 0);
  }
  static void Widen(F v, D& lo, D& hi) {
    lo = _mm512_maskz_cvtps_pd(0xFF, _mm256_castpd_ps(Half(v, 0)));
    hi = _mm512_maskz_cvtps_pd(0xFF, _mm256_castpd_ps(Half(v, 1)));
  }
  static F Narrow(D lo, D hi) {
    const __m256d low = _mm256_castps_pd(_mm512_maskz_cvtpd_ps(0xFF, lo));
    const __m256d high = _mm256_castps_pd(_mm512_maskz_cvtpd_ps(0xFF, hi));
    const __m512d both =
        _mm512_maskz_insertf64x4(0xFF, _mm512_maskz_insertf64x4(0xFF, _mm512_setzero_pd(), low, 0), high, 1);
    return _mm512_castpd_ps(both);
  }

  static __m512i LowWords(D a, D b) {
    return _mm512_castps_si512(
        _mm512_shuffle_ps(_mm512_castpd_ps(a), _mm512_castpd_ps(b), _MM_SHUFFLE(2, 0, 2, 0)));
  }
  static __m512i HighWords(D a, D b) {
    return _mm512_and_si512(_mm512_castps_si512(_mm512_shuffle_ps(_mm512_castpd_ps(a), _mm512_castpd_ps(b),
                                                                  _MM_SHUFFLE(3, 1, 3, 1))),
                            _mm512_set1_epi32(0x7FFFFFFF));
  }
  static M HardMask(D a, D b) {
    const __m512i low = LowWords(a, b);
    const __m512i high = HighWords(a, b);
    const M midpoint = _mm512_cmpeq_epi32_mask(_mm512_and_si512(low, _mm512_set1_epi32(0x1FFFFFFF)),
                                               _mm512_set1_epi32(0x10000000));
    const M tiny =
        _mm512_mask_cmplt_epi32_mask(_mm512_test_epi32_mask(high, high), high, _mm512_set1_epi32(0x38100000));
    return static_cast<M>(midpoint | tiny);
  }
  static M NonZero(D a, D b) {
    const __m512i bits = _mm512_or_si512(LowWords(a, b), HighWords(a, b));
    return _mm512_test_epi32_mask(bits, bits);
  }
  static M And(M a, M b) { return static_cast<M>(a & b); }
  static M Or(M a, M b) { return static_cast<M>(a | b); }
  static bool Any(M m) { return m != 0; }

  // Writes lane l of rows[0..7] to row[l][0..7]: an 8 x 8 transpose of
  // each half.
  static void ScatterRows8(const F (&rows)[8], float* const (&row)[kWidth]) {
    for (int upper = 0; upper < 2; ++upper) {
      __m256 h[8];
      for (int k = 0; k < 8; ++k) h[k] = _mm256_castpd_ps(Half(rows[k], upper));
      const __m256 t0 = _mm256_unpacklo_ps(h[0], h[1]), t1 = _mm256_unpackhi_ps(h[0], h[1]);
      const __m256 t2 = _mm256_unpacklo_ps(h[2], h[3]), t3 = _mm256_unpackhi_ps(h[2], h[3]);
      const __m256 t4 = _mm256_unpacklo_ps(h[4], h[5]), t5 = _mm256_unpackhi_ps(h[4], h[5]);
      const __m256 t6 = _mm256_unpacklo_ps(h[6], h[7]), t7 = _mm256_unpackhi_ps(h[6], h[7]);
      const __m256 u0 = _mm256_shuffle_ps(t0, t2, _MM_SHUFFLE(1, 0, 1, 0));
      const __m256 u1 = _mm256_shuffle_ps(t0, t2, _MM_SHUFFLE(3, 2, 3, 2));
      const __m256 u2 = _mm256_shuffle_ps(t1, t3, _MM_SHUFFLE(1, 0, 1, 0));
      const __m256 u3 = _mm256_shuffle_ps(t1, t3, _MM_SHUFFLE(3, 2, 3, 2));
      const __m256 u4 = _mm256_shuffle_ps(t4, t6, _MM_SHUFFLE(1, 0, 1, 0));
      const __m256 u5 = _mm256_shuffle_ps(t4, t6, _MM_SHUFFLE(3, 2, 3, 2));
      const __m256 u6 = _mm256_shuffle_ps(t5, t7, _MM_SHUFFLE(1, 0, 1, 0));
      const __m256 u7 = _mm256_shuffle_ps(t5, t7, _MM_SHUFFLE(3, 2, 3, 2));
      float* const* out = row + 8 * upper;
      _mm256_storeu_ps(out[0], _mm256_permute2f128_ps(u0, u4, 0x20));
      _mm256_storeu_ps(out[1], _mm256_permute2f128_ps(u1, u5, 0x20));
      _mm256_storeu_ps(out[2], _mm256_permute2f128_ps(u2, u6, 0x20));
      _mm256_storeu_ps(out[3], _mm256_permute2f128_ps(u3, u7, 0x20));
      _mm256_storeu_ps(out[4], _mm256_permute2f128_ps(u0, u4, 0x31));
      _mm256_storeu_ps(out[5], _mm256_permute2f128_ps(u1, u5, 0x31));
      _mm256_storeu_ps(out[6], _mm256_permute2f128_ps(u2, u6, 0x31));
      _mm256_storeu_ps(out[7], _mm256_permute2f128_ps(u3, u7, 0x31));
    }
  }
};

using K = Kernel<Avx512>;

}  // namespace

void FirstPassAvx512(const TransformTables& t, const float* inRe, const float* inIm, float* re, float* im) {
  K::FirstPass(t, inRe, inIm, re, im);
}
void StageAvx512(float* re, float* im, int n, int half, const double* wr, const double* wi) {
  K::Stage<false>(re, im, n, half, wr, wi, 1.0f);
}
void ScaledStageAvx512(float* re, float* im, int n, int half, const double* wr, const double* wi,
                       float scale) {
  K::Stage<true>(re, im, n, half, wr, wi, scale);
}

void TwoStagesAvx512(const TwoStageArgs& a) {
  K::TwoStages<false>(a.re, a.im, a.n, a.half, a.w1r, a.w1i, a.w2r, a.w2i, 1.0f);
}
void ScaledTwoStagesAvx512(const TwoStageArgs& a, float scale) {
  K::TwoStages<true>(a.re, a.im, a.n, a.half, a.w1r, a.w1i, a.w2r, a.w2i, scale);
}

}  // namespace tessaro::fft
