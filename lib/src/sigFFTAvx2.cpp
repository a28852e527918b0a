// The FFT passes with AVX2: four doubles per register, their floats in a
// 128-bit register. Compiled with -mavx2 -mfma and called only when the
// processor has both.
#include <immintrin.h>

#include "sigFFTKernel.h"

namespace tessaro::fft {

namespace {

struct Avx2 {
  using F = __m128;
  using D = __m256d;
  static constexpr bool PairedRows = false;
  static constexpr bool Lopsided = false;
  static constexpr bool FloatFma = true;
  static constexpr int Lanes = 4;

  static F Load(const float* p) { return _mm_loadu_ps(p); }
  static void Store(float* p, F v) { _mm_storeu_ps(p, v); }
  static F Set1(float v) { return _mm_set1_ps(v); }
  static F Add(F a, F b) { return _mm_add_ps(a, b); }
  static F Sub(F a, F b) { return _mm_sub_ps(a, b); }
  static F Mul(F a, F b) { return _mm_mul_ps(a, b); }
  static F Neg(F a) { return _mm_xor_ps(a, _mm_set1_ps(-0.0f)); }
  static F Reverse(F a) { return _mm_shuffle_ps(a, a, _MM_SHUFFLE(0, 1, 2, 3)); }

  // a·b + c and c - a·b with one rounding.
  static F MulAddF(F a, F b, F c) { return _mm_fmadd_ps(a, b, c); }
  static F NegMulAddF(F a, F b, F c) { return _mm_fnmadd_ps(a, b, c); }
  static D LoadD(const double* p) { return _mm256_loadu_pd(p); }
  // Twiddles from the table's blocks of eight real then eight imaginary parts.
  static void LoadTwiddle(const double* p, D& re, D& im) { re = LoadD(p), im = LoadD(p + 8); }
  static void StoreD(double* p, D v) { _mm256_storeu_pd(p, v); }
  static D Set1D(double v) { return _mm256_set1_pd(v); }
  static D Add(D a, D b) { return _mm256_add_pd(a, b); }
  static D Sub(D a, D b) { return _mm256_sub_pd(a, b); }
  static D Mul(D a, D b) { return _mm256_mul_pd(a, b); }
  static D Neg(D a) { return _mm256_xor_pd(a, _mm256_set1_pd(-0.0)); }
  static D MulAdd(D a, D b, D c) { return _mm256_fmadd_pd(a, b, c); }
  static D MulSub(D a, D b, D c) { return _mm256_fmsub_pd(a, b, c); }
  static D Widen(F v) { return _mm256_cvtps_pd(v); }
  static D WidenLoad(const float* p) { return Widen(Load(p)); }
  static F Narrow(D v) { return _mm256_cvtpd_ps(v); }

  // y - 0·z and z + 0·y, each with one rounding of an exact product.
  static void UnitProducts(F y, F z, F& tr, F& ti) {
    const F zero = _mm_setzero_ps();
    tr = _mm_fnmadd_ps(zero, z, y);
    ti = _mm_fmadd_ps(zero, y, z);
  }

  static D Abs(D v) { return _mm256_andnot_pd(_mm256_set1_pd(-0.0), v); }
  // 0 < |v| < 2^-126 (an exact zero is always exact and no suspect).
  static D TinyNonZero(D v) {
    return _mm256_and_pd(_mm256_cmp_pd(Abs(v), _mm256_set1_pd(0x1p-126), _CMP_LT_OQ),
                         _mm256_cmp_pd(v, _mm256_setzero_pd(), _CMP_NEQ_UQ));
  }

  // Every lane of r or i that is a float midpoint (fraction bits 0..28 equal
  // to 0x10000000, tested on the low words of both at once) or below 2^-126
  // in magnitude (zero included).
  static bool MaybeHard(D r, D i) {
    const __m256i low = _mm256_castps_si256(
        _mm256_shuffle_ps(_mm256_castpd_ps(r), _mm256_castpd_ps(i), _MM_SHUFFLE(2, 0, 2, 0)));
    const __m256i mid = _mm256_cmpeq_epi32(_mm256_and_si256(low, _mm256_set1_epi32(0x1FFFFFFF)),
                                           _mm256_set1_epi32(0x10000000));
    const D tiny = _mm256_cmp_pd(_mm256_min_pd(Abs(r), Abs(i)), _mm256_set1_pd(0x1p-126), _CMP_LT_OQ);
    const __m256i any = _mm256_or_si256(mid, _mm256_castpd_si256(tiny));
    return !_mm256_testz_si256(any, any);
  }
  // The suspects of a block: every lane that MaybeHard would report (the
  // magnitudes only with Tiny), as set bits.
  struct Flags {
    __m256i any;
  };
  template <bool Tiny>
  static Flags Clear() {
    return {_mm256_setzero_si256()};
  }
  template <bool Tiny>
  static void Note(Flags& f, D r, D i) {
    const __m256i low = _mm256_castps_si256(
        _mm256_shuffle_ps(_mm256_castpd_ps(r), _mm256_castpd_ps(i), _MM_SHUFFLE(2, 0, 2, 0)));
    const __m256i mid = _mm256_cmpeq_epi32(_mm256_and_si256(low, _mm256_set1_epi32(0x1FFFFFFF)),
                                           _mm256_set1_epi32(0x10000000));
    f.any = _mm256_or_si256(f.any, mid);
    if constexpr (Tiny) {
      f.any = _mm256_or_si256(f.any, _mm256_castpd_si256(_mm256_or_pd(TinyNonZero(r), TinyNonZero(i))));
    }
  }
  template <bool Tiny>
  static bool Any(const Flags& f) {
    return !_mm256_testz_si256(f.any, f.any);
  }
  // Exactly: a float midpoint, or 0 < |v| < 2^-126.
  static unsigned HardLanes(D v) {
    const __m256i bits = _mm256_castpd_si256(v);
    const __m256i mid = _mm256_cmpeq_epi64(_mm256_and_si256(bits, _mm256_set1_epi64x(0x1FFFFFFF)),
                                           _mm256_set1_epi64x(0x10000000));
    const D tiny = _mm256_and_pd(_mm256_cmp_pd(v, _mm256_setzero_pd(), _CMP_NEQ_UQ),
                                 _mm256_cmp_pd(Abs(v), _mm256_set1_pd(0x1p-126), _CMP_LT_OQ));
    return static_cast<unsigned>(_mm256_movemask_pd(_mm256_or_pd(_mm256_castsi256_pd(mid), tiny)));
  }
  static unsigned NonZeroLanes(D v) {
    return static_cast<unsigned>(_mm256_movemask_pd(_mm256_cmp_pd(v, _mm256_setzero_pd(), _CMP_NEQ_UQ)));
  }

  // Writes lane l of rows[0..7] to dst + rev2(l)·stride: two 4 x 4
  // transposes.
  static void StoreRows(const F (&rows)[8], float* dst, std::size_t stride) {
    for (int half = 0; half < 2; ++half) {
      F r0 = rows[4 * half], r1 = rows[4 * half + 1], r2 = rows[4 * half + 2], r3 = rows[4 * half + 3];
      _MM_TRANSPOSE4_PS(r0, r1, r2, r3);
      _mm_storeu_ps(dst + 4 * half, r0);               // lane 0
      _mm_storeu_ps(dst + 2 * stride + 4 * half, r1);  // lane 1
      _mm_storeu_ps(dst + stride + 4 * half, r2);      // lane 2
      _mm_storeu_ps(dst + 3 * stride + 4 * half, r3);  // lane 3
    }
  }
};

template <bool Tiny, bool Real>
using Avx2Kernel = Kernel<Avx2, Tiny, Real>;

}  // namespace

void TransformAvx2(const TransformTables& t, const float* inRe, const float* inIm, float* re, float* im,
                   bool scaled, float scale, bool tiny) noexcept {
  TransformForms<Avx2Kernel>(t, inRe, inIm, re, im, scaled, scale, tiny);
}

void MirrorAvx2(float* re, float* im, int n) noexcept { Kernel<Avx2, false, false>::Mirror(re, im, n); }

}  // namespace tessaro::fft
