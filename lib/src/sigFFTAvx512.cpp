// The FFT passes with AVX-512: eight doubles per register, their floats in
// a 256-bit register, so that widening and narrowing need no shuffles.
// Compiled with -mavx512f -mavx512dq -mfma and called only when the
// processor has all three.
#include <immintrin.h>

#include "sigFFTKernel.h"

namespace tessaro::fft {

namespace {

struct Avx512 {
  using F = __m256;
  using D = __m512d;
  static constexpr int kLanes = 8;

  static F Load(const float* p) { return _mm256_loadu_ps(p); }
  static void Store(float* p, F v) { _mm256_storeu_ps(p, v); }
  static F Set1(float v) { return _mm256_set1_ps(v); }
  static F Add(F a, F b) { return _mm256_add_ps(a, b); }
  static F Sub(F a, F b) { return _mm256_sub_ps(a, b); }
  static F Mul(F a, F b) { return _mm256_mul_ps(a, b); }
  static F Neg(F a) { return _mm256_xor_ps(a, _mm256_set1_ps(-0.0f)); }
  static F Reverse(F a) { return _mm256_permutevar8x32_ps(a, _mm256_setr_epi32(7, 6, 5, 4, 3, 2, 1, 0)); }

  static D LoadD(const double* p) { return _mm512_loadu_pd(p); }
  static void StoreD(double* p, D v) { _mm512_storeu_pd(p, v); }
  static D Set1D(double v) { return _mm512_set1_pd(v); }
  static D Add(D a, D b) { return _mm512_add_pd(a, b); }
  static D Sub(D a, D b) { return _mm512_sub_pd(a, b); }
  static D Mul(D a, D b) { return _mm512_mul_pd(a, b); }
  static D Neg(D a) {
    return _mm512_castsi512_pd(_mm512_xor_si512(_mm512_castpd_si512(a), _mm512_set1_epi64(INT64_MIN)));
  }
  static D MulAdd(D a, D b, D c) { return _mm512_fmadd_pd(a, b, c); }
  static D MulSub(D a, D b, D c) { return _mm512_fmsub_pd(a, b, c); }
  // The zero-masked forms with a full mask: the plain ones trip GCC 12's
  // -Wmaybe-uninitialized inside the intrinsics header.
  static D Widen(F v) { return _mm512_maskz_cvtps_pd(0xFF, v); }
  static F Narrow(D v) { return _mm512_maskz_cvtpd_ps(0xFF, v); }

  // y - 0·z and z + 0·y, each with one rounding of an exact product.
  static void UnitProducts(F y, F z, F& tr, F& ti) {
    const F zero = _mm256_setzero_ps();
    tr = _mm256_fnmadd_ps(zero, z, y);
    ti = _mm256_fmadd_ps(zero, y, z);
  }

  // Every lane of r or i that is a float midpoint (fraction bits 0..28 equal
  // to 0x10000000) or below 2^-126 in magnitude (zero included): the
  // smaller magnitude of the two is compared once.
  static bool MaybeHard(D r, D i) {
    const __m512i low = _mm512_castps_si512(_mm512_shuffle_ps(_mm512_castpd_ps(r), _mm512_castpd_ps(i), 0x88));
    const __mmask16 mid = _mm512_testn_epi32_mask(_mm512_xor_si512(low, _mm512_set1_epi32(0x10000000)),
                                                  _mm512_set1_epi32(0x1FFFFFFF));
    const __mmask16 tiny =
        _mm512_cmp_pd_mask(_mm512_range_pd(r, i, 0x0A), _mm512_set1_pd(0x1p-126), _CMP_LT_OQ);
    return !_kortestz_mask16_u8(mid, tiny);
  }
  // The suspects of a block: the low words of the results, whose fraction
  // bits 0..28 minus the midpoint pattern are zero at a midpoint, and (Tiny)
  // the smaller magnitude of each pair, both kept as running minima.
  struct Flags {
    __m512i midpoint;
    __m512i magnitude;
  };
  template <bool Tiny>
  static Flags Clear() {
    return {_mm512_set1_epi32(-1), Tiny ? _mm512_set1_epi64(-1) : _mm512_setzero_si512()};
  }
  template <bool Tiny>
  static void Note(Flags& f, D r, D i) {
    const __m512i low = _mm512_castps_si512(_mm512_shuffle_ps(_mm512_castpd_ps(r), _mm512_castpd_ps(i), 0x88));
    // (low ^ 0x10000000) & 0x1FFFFFFF
    const __m512i off =
        _mm512_ternarylogic_epi32(low, _mm512_set1_epi32(0x10000000), _mm512_set1_epi32(0x1FFFFFFF), 0x28);
    f.midpoint = _mm512_maskz_min_epu32(0xFFFF, f.midpoint, off);
    if constexpr (Tiny)
      f.magnitude = _mm512_maskz_min_epu64(0xFF, f.magnitude, _mm512_castpd_si512(_mm512_range_pd(r, i, 0x0A)));
  }
  template <bool Tiny>
  static bool Any(const Flags& f) {
    const __mmask16 mid = _mm512_testn_epi32_mask(f.midpoint, f.midpoint);
    if constexpr (!Tiny) return mid != 0;
    const __mmask16 tiny = _mm512_cmplt_epu64_mask(f.magnitude, _mm512_set1_epi64(0x3810000000000000));
    return !_kortestz_mask16_u8(mid, tiny);
  }
  // Exactly: a float midpoint, or 0 < |v| < 2^-126.
  static unsigned HardLanes(D v) {
    const __mmask8 mid = _mm512_testn_epi64_mask(
        _mm512_xor_si512(_mm512_castpd_si512(v), _mm512_set1_epi64(0x10000000)), _mm512_set1_epi64(0x1FFFFFFF));
    const __mmask8 tiny = _mm512_mask_cmp_pd_mask(_mm512_cmp_pd_mask(v, _mm512_setzero_pd(), _CMP_NEQ_UQ),
                                                  _mm512_abs_pd(v), _mm512_set1_pd(0x1p-126), _CMP_LT_OQ);
    return static_cast<unsigned>(mid | tiny);
  }
  static unsigned NonZeroLanes(D v) {
    return static_cast<unsigned>(_mm512_cmp_pd_mask(v, _mm512_setzero_pd(), _CMP_NEQ_UQ));
  }

  // Writes lane l of rows[0..7] to dst + rev3(l)·stride: an 8 x 8
  // transpose.
  static void StoreRows(const F (&rows)[8], float* dst, std::size_t stride) {
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
    _mm256_storeu_ps(dst, _mm256_permute2f128_ps(u0, u4, 0x20));               // lane 0
    _mm256_storeu_ps(dst + 4 * stride, _mm256_permute2f128_ps(u1, u5, 0x20));  // lane 1
    _mm256_storeu_ps(dst + 2 * stride, _mm256_permute2f128_ps(u2, u6, 0x20));  // lane 2
    _mm256_storeu_ps(dst + 6 * stride, _mm256_permute2f128_ps(u3, u7, 0x20));  // lane 3
    _mm256_storeu_ps(dst + stride, _mm256_permute2f128_ps(u0, u4, 0x31));      // lane 4
    _mm256_storeu_ps(dst + 5 * stride, _mm256_permute2f128_ps(u1, u5, 0x31));  // lane 5
    _mm256_storeu_ps(dst + 3 * stride, _mm256_permute2f128_ps(u2, u6, 0x31));  // lane 6
    _mm256_storeu_ps(dst + 7 * stride, _mm256_permute2f128_ps(u3, u7, 0x31));  // lane 7
  }
};


}  // namespace

void TransformAvx512(const TransformTables& t, const float* inRe, const float* inIm, float* re, float* im,
                     bool scaled, float scale, bool tiny) noexcept {
  // The scaled transform is Inverse's, whose results are real.
  if (scaled)
    tiny ? Kernel<Avx512, true, true>::Transform(t, inRe, inIm, re, im, true, scale)
         : Kernel<Avx512, false, true>::Transform(t, inRe, inIm, re, im, true, scale);
  else
    tiny ? Kernel<Avx512, true, false>::Transform(t, inRe, inIm, re, im, false, scale)
         : Kernel<Avx512, false, false>::Transform(t, inRe, inIm, re, im, false, scale);
}

void MirrorAvx512(float* re, float* im, int n) noexcept { Kernel<Avx512, false, false>::Mirror(re, im, n); }

}  // namespace tessaro::fft
