// The FFT butterflies with AVX2: eight floats, four doubles per register.
// Compiled with -mavx2 and called only when the processor has AVX2.
#include <immintrin.h>

#include "sigFFTKernel.h"

namespace tessaro::fft {

namespace {

struct Avx2 {
  using F = __m256;
  using D = __m256d;
  using M = __m256i;  // one 32-bit lane per value of a pair of D
  static constexpr int kWidth = 8;

  static F Load(const float* p) { return _mm256_loadu_ps(p); }
  static D LoadD(const double* p) { return _mm256_loadu_pd(p); }
  static void Store(float* p, F v) { _mm256_storeu_ps(p, v); }
  static F Set1(float v) { return _mm256_set1_ps(v); }
  static D Set1D(double v) { return _mm256_set1_pd(v); }
  static F Add(F a, F b) { return _mm256_add_ps(a, b); }
  static F Sub(F a, F b) { return _mm256_sub_ps(a, b); }
  static F Mul(F a, F b) { return _mm256_mul_ps(a, b); }
  static D Add(D a, D b) { return _mm256_add_pd(a, b); }
  static D Sub(D a, D b) { return _mm256_sub_pd(a, b); }
  static D Mul(D a, D b) { return _mm256_mul_pd(a, b); }
  static D Neg(D a) { return _mm256_xor_pd(a, _mm256_set1_pd(-0.0)); }
  static void Widen(F v, D& lo, D& hi) {
    lo = _mm256_cvtps_pd(_mm256_castps256_ps128(v));
    hi = _mm256_cvtps_pd(_mm256_extractf128_ps(v, 1));
  }
  static F Narrow(D lo, D hi) {
    return _mm256_insertf128_ps(_mm256_castps128_ps256(_mm256_cvtpd_ps(lo)), _mm256_cvtpd_ps(hi), 1);
  }

  static M LowWords(D a, D b) {
    return _mm256_castps_si256(
        _mm256_shuffle_ps(_mm256_castpd_ps(a), _mm256_castpd_ps(b), _MM_SHUFFLE(2, 0, 2, 0)));
  }
  static M HighWords(D a, D b) {
    return _mm256_castps_si256(
        _mm256_shuffle_ps(_mm256_castpd_ps(a), _mm256_castpd_ps(b), _MM_SHUFFLE(3, 1, 3, 1)));
  }
  static M HardMask(D a, D b) {
    const M low = LowWords(a, b);
    const M high = _mm256_and_si256(HighWords(a, b), _mm256_set1_epi32(0x7FFFFFFF));
    const M midpoint = _mm256_cmpeq_epi32(_mm256_and_si256(low, _mm256_set1_epi32(0x1FFFFFFF)),
                                          _mm256_set1_epi32(0x10000000));
    const M tiny = _mm256_and_si256(_mm256_cmpgt_epi32(high, _mm256_setzero_si256()),
                                    _mm256_cmpgt_epi32(_mm256_set1_epi32(0x38100000), high));
    return _mm256_or_si256(midpoint, tiny);
  }
  static M NonZero(D a, D b) {
    const M bits =
        _mm256_or_si256(LowWords(a, b), _mm256_and_si256(HighWords(a, b), _mm256_set1_epi32(0x7FFFFFFF)));
    return _mm256_xor_si256(_mm256_cmpeq_epi32(bits, _mm256_setzero_si256()), _mm256_set1_epi32(-1));
  }
  static M And(M a, M b) { return _mm256_and_si256(a, b); }
  static M Or(M a, M b) { return _mm256_or_si256(a, b); }
  static bool Any(M m) { return !_mm256_testz_si256(m, m); }

  // Writes lane l of rows[0..7] to row[l][0..7]: an 8 x 8 transpose.
  static void ScatterRows8(const F (&rows)[8], float* const (&row)[kWidth]) {
    const F t0 = _mm256_unpacklo_ps(rows[0], rows[1]), t1 = _mm256_unpackhi_ps(rows[0], rows[1]);
    const F t2 = _mm256_unpacklo_ps(rows[2], rows[3]), t3 = _mm256_unpackhi_ps(rows[2], rows[3]);
    const F t4 = _mm256_unpacklo_ps(rows[4], rows[5]), t5 = _mm256_unpackhi_ps(rows[4], rows[5]);
    const F t6 = _mm256_unpacklo_ps(rows[6], rows[7]), t7 = _mm256_unpackhi_ps(rows[6], rows[7]);
    const F u0 = _mm256_shuffle_ps(t0, t2, _MM_SHUFFLE(1, 0, 1, 0));
    const F u1 = _mm256_shuffle_ps(t0, t2, _MM_SHUFFLE(3, 2, 3, 2));
    const F u2 = _mm256_shuffle_ps(t1, t3, _MM_SHUFFLE(1, 0, 1, 0));
    const F u3 = _mm256_shuffle_ps(t1, t3, _MM_SHUFFLE(3, 2, 3, 2));
    const F u4 = _mm256_shuffle_ps(t4, t6, _MM_SHUFFLE(1, 0, 1, 0));
    const F u5 = _mm256_shuffle_ps(t4, t6, _MM_SHUFFLE(3, 2, 3, 2));
    const F u6 = _mm256_shuffle_ps(t5, t7, _MM_SHUFFLE(1, 0, 1, 0));
    const F u7 = _mm256_shuffle_ps(t5, t7, _MM_SHUFFLE(3, 2, 3, 2));
    _mm256_storeu_ps(row[0], _mm256_permute2f128_ps(u0, u4, 0x20));
    _mm256_storeu_ps(row[1], _mm256_permute2f128_ps(u1, u5, 0x20));
    _mm256_storeu_ps(row[2], _mm256_permute2f128_ps(u2, u6, 0x20));
    _mm256_storeu_ps(row[3], _mm256_permute2f128_ps(u3, u7, 0x20));
    _mm256_storeu_ps(row[4], _mm256_permute2f128_ps(u0, u4, 0x31));
    _mm256_storeu_ps(row[5], _mm256_permute2f128_ps(u1, u5, 0x31));
    _mm256_storeu_ps(row[6], _mm256_permute2f128_ps(u2, u6, 0x31));
    _mm256_storeu_ps(row[7], _mm256_permute2f128_ps(u3, u7, 0x31));
  }
};

using K = Kernel<Avx2>;

}  // namespace

void FirstPassAvx2(const TransformTables& t, const float* inRe, const float* inIm, float* re, float* im) {
  K::FirstPass(t, inRe, inIm, re, im);
}
void StageAvx2(float* re, float* im, int n, int half, const double* wr, const double* wi) {
  K::Stage<false>(re, im, n, half, wr, wi, 1.0f);
}
void ScaledStageAvx2(float* re, float* im, int n, int half, const double* wr, const double* wi, float scale) {
  K::Stage<true>(re, im, n, half, wr, wi, scale);
}

void TwoStagesAvx2(const TwoStageArgs& a) {
  K::TwoStages<false>(a.re, a.im, a.n, a.half, a.w1r, a.w1i, a.w2r, a.w2i, 1.0f);
}
void ScaledTwoStagesAvx2(const TwoStageArgs& a, float scale) {
  K::TwoStages<true>(a.re, a.im, a.n, a.half, a.w1r, a.w1i, a.w2r, a.w2i, scale);
}

}  // namespace tessaro::fft
