// The FFT passes with SSE2: two doubles per register, their floats in the
// low half of a 128-bit register. Runs on every x86-64 processor.
#include <immintrin.h>

#include "sigFFTKernel.h"

namespace tessaro::fft {

namespace {

struct Sse2 {
  using F = __m128;  // lanes 0 and 1
  using D = __m128d;
  static constexpr bool PairedRows = false;
  static constexpr bool Lopsided = false;
  static constexpr bool FloatFma = false;
  static constexpr int Lanes = 2;

  static F Load(const float* p) { return _mm_castsi128_ps(_mm_loadu_si64(p)); }
  static void Store(float* p, F v) { _mm_storeu_si64(p, _mm_castps_si128(v)); }
  static F Set1(float v) { return _mm_set1_ps(v); }
  static F Add(F a, F b) { return _mm_add_ps(a, b); }
  static F Sub(F a, F b) { return _mm_sub_ps(a, b); }
  static F Mul(F a, F b) { return _mm_mul_ps(a, b); }
  static F Neg(F a) { return _mm_xor_ps(a, _mm_set1_ps(-0.0f)); }
  static F Reverse(F a) { return _mm_shuffle_ps(a, a, _MM_SHUFFLE(3, 2, 0, 1)); }

  static D LoadD(const double* p) { return _mm_loadu_pd(p); }
  // Twiddles from the table's blocks of eight real then eight imaginary parts.
  static void LoadTwiddle(const double* p, D& re, D& im) { re = LoadD(p), im = LoadD(p + 8); }
  static void StoreD(double* p, D v) { _mm_storeu_pd(p, v); }
  static D Set1D(double v) { return _mm_set1_pd(v); }
  static D Add(D a, D b) { return _mm_add_pd(a, b); }
  static D Sub(D a, D b) { return _mm_sub_pd(a, b); }
  static D Mul(D a, D b) { return _mm_mul_pd(a, b); }
  static D Neg(D a) { return _mm_xor_pd(a, _mm_set1_pd(-0.0)); }
  // a·b is exact (a product of two floats), so the sum rounds once.
  static D MulAdd(D a, D b, D c) { return _mm_add_pd(_mm_mul_pd(a, b), c); }
  static D MulSub(D a, D b, D c) { return _mm_sub_pd(_mm_mul_pd(a, b), c); }
  static D Widen(F v) { return _mm_cvtps_pd(v); }
  static D WidenLoad(const float* p) { return Widen(Load(p)); }
  static F Narrow(D v) { return _mm_cvtpd_ps(v); }

  static void UnitProducts(F y, F z, F& tr, F& ti) {
    const F zero = _mm_setzero_ps();
    tr = _mm_sub_ps(y, _mm_mul_ps(zero, z));
    ti = _mm_add_ps(z, _mm_mul_ps(zero, y));
  }

  static D Abs(D v) { return _mm_andnot_pd(_mm_set1_pd(-0.0), v); }
  // 0 < |v| < 2^-126 (an exact zero is always exact and no suspect).
  static D TinyNonZero(D v) {
    return _mm_and_pd(_mm_cmplt_pd(Abs(v), _mm_set1_pd(0x1p-126)), _mm_cmpneq_pd(v, _mm_setzero_pd()));
  }

  // Every lane of r or i that is a float midpoint (fraction bits 0..28 equal
  // to 0x10000000, tested on the low words of both at once) or below 2^-126
  // in magnitude (zero included).
  static bool MaybeHard(D r, D i) {
    const __m128i low =
        _mm_castps_si128(_mm_shuffle_ps(_mm_castpd_ps(r), _mm_castpd_ps(i), _MM_SHUFFLE(2, 0, 2, 0)));
    const __m128i mid =
        _mm_cmpeq_epi32(_mm_and_si128(low, _mm_set1_epi32(0x1FFFFFFF)), _mm_set1_epi32(0x10000000));
    const D tiny = _mm_cmplt_pd(_mm_min_pd(Abs(r), Abs(i)), _mm_set1_pd(0x1p-126));
    return _mm_movemask_epi8(_mm_or_si128(mid, _mm_castpd_si128(tiny))) != 0;
  }
  // The suspects of a block: every lane that MaybeHard would report (the
  // magnitudes only with Tiny), as set bits.
  struct Flags {
    __m128i any;
  };
  template <bool Tiny>
  static Flags Clear() {
    return {_mm_setzero_si128()};
  }
  template <bool Tiny>
  static void Note(Flags& f, D r, D i) {
    const __m128i low =
        _mm_castps_si128(_mm_shuffle_ps(_mm_castpd_ps(r), _mm_castpd_ps(i), _MM_SHUFFLE(2, 0, 2, 0)));
    f.any = _mm_or_si128(
        f.any, _mm_cmpeq_epi32(_mm_and_si128(low, _mm_set1_epi32(0x1FFFFFFF)), _mm_set1_epi32(0x10000000)));
    if constexpr (Tiny) {
      f.any = _mm_or_si128(f.any, _mm_castpd_si128(_mm_or_pd(TinyNonZero(r), TinyNonZero(i))));
    }
  }
  template <bool Tiny>
  static bool Any(const Flags& f) {
    return _mm_movemask_epi8(f.any) != 0;
  }
  // Exactly: a float midpoint, or 0 < |v| < 2^-126.
  static unsigned HardLanes(D v) {
    const __m128i words = _mm_cmpeq_epi32(_mm_and_si128(_mm_castpd_si128(v), _mm_set1_epi64x(0x1FFFFFFF)),
                                          _mm_set1_epi64x(0x10000000));
    // Both words of a double equal: the low and the high word's results
    // combined in the high word, whose sign bit movemask reads.
    const __m128i mid = _mm_and_si128(words, _mm_shuffle_epi32(words, _MM_SHUFFLE(2, 3, 0, 1)));
    const D tiny =
        _mm_and_pd(_mm_cmpneq_pd(v, _mm_setzero_pd()), _mm_cmplt_pd(Abs(v), _mm_set1_pd(0x1p-126)));
    return static_cast<unsigned>(_mm_movemask_pd(_mm_or_pd(_mm_castsi128_pd(mid), tiny)));
  }
  static unsigned NonZeroLanes(D v) {
    return static_cast<unsigned>(_mm_movemask_pd(_mm_cmpneq_pd(v, _mm_setzero_pd())));
  }

  // Writes lane l of rows[0..7] to dst + l·stride.
  static void StoreRows(const F (&rows)[8], float* dst, std::size_t stride) {
    for (int k = 0; k < 8; k += 2) {
      const F pair = _mm_unpacklo_ps(rows[k], rows[k + 1]);  // lane 0 of both, then lane 1
      _mm_storel_pi(reinterpret_cast<__m64*>(dst + k), pair);
      _mm_storeh_pi(reinterpret_cast<__m64*>(dst + stride + k), pair);
    }
  }
};

template <bool Tiny, bool Real>
using Sse2Kernel = Kernel<Sse2, Tiny, Real>;

}  // namespace

void TransformSse2(const TransformTables& t, const float* inRe, const float* inIm, float* re, float* im,
                   bool scaled, float scale, bool tiny) noexcept {
  TransformForms<Sse2Kernel>(t, inRe, inIm, re, im, scaled, scale, tiny);
}

void MirrorSse2(float* re, float* im, int n) noexcept { Kernel<Sse2, false, false>::Mirror(re, im, n); }

}  // namespace tessaro::fft
