// The FFT passes with AVX-512, in two forms: eight doubles per register
// with their floats in a 256-bit register, so that widening and narrowing
// need no shuffles (sizes below 128, and stages 3 and 4 below 512), and
// sixteen floats per register as two such halves (everything else). Compiled
// with -mavx512f -mavx512dq -mfma and called only when the processor has all
// three.
#include <immintrin.h>

#include <utility>

#include "sigFFTKernel.h"

namespace tessaro::fft {

namespace {

struct Avx512 {
  using F = __m256;
  using D = __m512d;
  static constexpr bool PairedRows = false;
  static constexpr bool FloatFma = true;
  static constexpr bool Lopsided = false;
  static constexpr int Lanes = 8;

  static F Load(const float* p) { return _mm256_loadu_ps(p); }
  static void Store(float* p, F v) { _mm256_storeu_ps(p, v); }
  static F Set1(float v) { return _mm256_set1_ps(v); }
  static F Add(F a, F b) { return _mm256_add_ps(a, b); }
  static F Sub(F a, F b) { return _mm256_sub_ps(a, b); }
  static F Mul(F a, F b) { return _mm256_mul_ps(a, b); }
  static F Neg(F a) { return _mm256_xor_ps(a, _mm256_set1_ps(-0.0f)); }
  static F Reverse(F a) { return _mm256_permutevar8x32_ps(a, _mm256_setr_epi32(7, 6, 5, 4, 3, 2, 1, 0)); }

  // a·b + c and c - a·b with one rounding.
  static F MulAddF(F a, F b, F c) { return _mm256_fmadd_ps(a, b, c); }
  static F NegMulAddF(F a, F b, F c) { return _mm256_fnmadd_ps(a, b, c); }
  static D LoadD(const double* p) { return _mm512_loadu_pd(p); }
  // Twiddles from the table's blocks of eight real then eight imaginary parts.
  static void LoadTwiddle(const double* p, D& re, D& im) { re = LoadD(p), im = LoadD(p + 8); }
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
  // The same rounded down and up (no exception flags: the narrowing alone
  // sets the underflow flag that the transform reads).
  static constexpr bool Bracket = true;
  static constexpr int Down = _MM_FROUND_TO_NEG_INF | _MM_FROUND_NO_EXC;
  static constexpr int Up = _MM_FROUND_TO_POS_INF | _MM_FROUND_NO_EXC;
  static D MulAddDown(D a, D b, D c) { return _mm512_fmadd_round_pd(a, b, c, Down); }
  static D MulAddUp(D a, D b, D c) { return _mm512_fmadd_round_pd(a, b, c, Up); }
  static D MulSubDown(D a, D b, D c) { return _mm512_fmsub_round_pd(a, b, c, Down); }
  static D MulSubUp(D a, D b, D c) { return _mm512_fmsub_round_pd(a, b, c, Up); }
  // The lanes where |a|·factor < |b| (a power of two: exact unless it
  // overflows, which fails the test), and a choice between two vectors.
  using Mask = __mmask8;
  static Mask Below(D a, D b, double factor) {
    return _mm512_cmp_pd_mask(_mm512_mul_pd(_mm512_abs_pd(a), _mm512_set1_pd(factor)), _mm512_abs_pd(b),
                              _CMP_LT_OQ);
  }
  static D Select(Mask m, D yes, D no) { return _mm512_mask_mov_pd(no, m, yes); }
  // The zero-masked forms with a full mask: the plain ones trip GCC 12's
  // -Wmaybe-uninitialized inside the intrinsics header.
  static D Widen(F v) { return _mm512_maskz_cvtps_pd(0xFF, v); }
  static D WidenLoad(const float* p) { return Widen(Load(p)); }
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
    const __m512i low =
        _mm512_castps_si512(_mm512_shuffle_ps(_mm512_castpd_ps(r), _mm512_castpd_ps(i), 0x88));
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
    return {_mm512_set1_epi32(-1), Tiny ? _mm512_set1_epi32(-1) : _mm512_setzero_si512()};
  }
  // The low words of r and i, in the order of the high words below.
  static __m512i LowWords(D r, D i) {
    return _mm512_castps_si512(_mm512_shuffle_ps(_mm512_castpd_ps(r), _mm512_castpd_ps(i), 0x88));
  }
  template <bool Tiny>
  static void NoteMagnitudes(Flags& f, D r, D i) {
    if constexpr (Tiny) {
      // The high words without sign, less one: an exact zero (always exact)
      // becomes the largest value and is no suspect.
      const __m512i high =
          _mm512_castps_si512(_mm512_shuffle_ps(_mm512_castpd_ps(r), _mm512_castpd_ps(i), 0xDD));
      const __m512i less =
          _mm512_sub_epi32(_mm512_and_si512(high, _mm512_set1_epi32(0x7FFFFFFF)), _mm512_set1_epi32(1));
      f.magnitude = _mm512_maskz_min_epu32(0xFFFF, f.magnitude, less);
    }
  }
  template <bool Tiny>
  static void Note(Flags& f, D r, D i) {
    // (low ^ 0x10000000) & 0x1FFFFFFF
    const __m512i off = _mm512_ternarylogic_epi32(LowWords(r, i), _mm512_set1_epi32(0x10000000),
                                                  _mm512_set1_epi32(0x1FFFFFFF), 0x28);
    f.midpoint = _mm512_maskz_min_epu32(0xFFFF, f.midpoint, off);
    NoteMagnitudes<Tiny>(f, r, i);
  }
  // The same from the results rounded down and up: a lane is noted when
  // they differ (the exact value is no double) and one of them is a float
  // midpoint. Their bit patterns are then consecutive integers k and k + 1,
  // whose low words add up to 2k + 1 (2k when they are equal), so the
  // fraction bits 0..28 of one of them are 0x10000000 exactly when the sum
  // is 0x1FFFFFFF or 0x20000001 modulo 2^30. The magnitudes (Tiny) are
  // those of the results rounded up.
  template <bool Tiny>
  static void NoteBracket(Flags& f, D rDown, D rUp, D iDown, D iUp) {
    const __m512i sum = _mm512_add_epi32(LowWords(rDown, iDown), LowWords(rUp, iUp));
    const __m512i off =
        _mm512_and_si512(_mm512_sub_epi32(sum, _mm512_set1_epi32(0x1FFFFFFF)), _mm512_set1_epi32(0x3FFFFFFD));
    f.midpoint = _mm512_maskz_min_epu32(0xFFFF, f.midpoint, off);
    NoteMagnitudes<Tiny>(f, rUp, iUp);
  }
  template <bool Tiny>
  static bool Any(const Flags& f) {
    const __mmask16 mid = _mm512_testn_epi32_mask(f.midpoint, f.midpoint);
    if constexpr (!Tiny) return mid != 0;
    // 0 < |v| < 2^-126: the high word without sign below 0x38100000.
    const __mmask16 tiny = _mm512_cmplt_epu32_mask(f.magnitude, _mm512_set1_epi32(0x380FFFFF));
    return !_kortestz_mask16_u8(mid, tiny);
  }
  // Exactly: a float midpoint, or 0 < |v| < 2^-126.
  static unsigned HardLanes(D v) {
    const __mmask8 mid =
        _mm512_testn_epi64_mask(_mm512_xor_si512(_mm512_castpd_si512(v), _mm512_set1_epi64(0x10000000)),
                                _mm512_set1_epi64(0x1FFFFFFF));
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

// Sixteen floats per register, as two halves of eight doubles: half the
// float instructions, loads and stores of the eight-lane form, at the price
// of splitting and joining the halves around the products.
struct Avx512x16 {
  using F = __m512;
  struct D {
    __m512d lo, hi;
  };
  static constexpr bool PairedRows = true;
  static constexpr bool FloatFma = true;
  static constexpr bool Lopsided = true;
  static constexpr int Lanes = 16;

  // The low half is free (the masked extract of half 0 compiles to nothing;
  // the cast intrinsic trips GCC 12's -Wuninitialized), the high half one
  // extract, joining one insert.
  static __m256 Low(F v) {
    return _mm256_castpd_ps(_mm512_maskz_extractf64x4_pd(0xF, _mm512_castps_pd(v), 0));
  }
  static __m256 High(F v) { return _mm512_extractf32x8_ps(v, 1); }
  static F Join(__m256 lo, __m256 hi) { return _mm512_insertf32x8(_mm512_castps256_ps512(lo), hi, 1); }

  static F Load(const float* p) { return _mm512_loadu_ps(p); }
  // Eight floats at p, then eight at p + apart.
  static F LoadPair(const float* p, int apart) {
    return Join(_mm256_loadu_ps(p), _mm256_loadu_ps(p + apart));
  }
  static void Store(float* p, F v) { _mm512_storeu_ps(p, v); }
  // The low half at p, the high half at p + apart.
  static void StorePair(float* p, int apart, F v) {
    _mm256_storeu_ps(p, Low(v));
    _mm256_storeu_ps(p + apart, High(v));
  }
  static F Set1(float v) { return _mm512_set1_ps(v); }
  static F Add(F a, F b) { return _mm512_add_ps(a, b); }
  static F Sub(F a, F b) { return _mm512_sub_ps(a, b); }
  static F Mul(F a, F b) { return _mm512_mul_ps(a, b); }
  static F Neg(F a) {
    return _mm512_castsi512_ps(_mm512_xor_si512(_mm512_castps_si512(a), _mm512_set1_epi32(INT32_MIN)));
  }
  static F Reverse(F a) {
    return _mm512_maskz_permutexvar_ps(
        0xFFFF, _mm512_setr_epi32(15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0), a);
  }

  static F MulAddF(F a, F b, F c) { return _mm512_fmadd_ps(a, b, c); }
  static F NegMulAddF(F a, F b, F c) { return _mm512_fnmadd_ps(a, b, c); }
  static void LoadTwiddle(const double* p, D& re, D& im) {
    re = {_mm512_loadu_pd(p), _mm512_loadu_pd(p + 16)};
    im = {_mm512_loadu_pd(p + 8), _mm512_loadu_pd(p + 24)};
  }
  // The same eight twiddles for both halves.
  static void LoadTwiddleTwice(const double* p, D& re, D& im) {
    const __m512d r = _mm512_loadu_pd(p), i = _mm512_loadu_pd(p + 8);
    re = {r, r}, im = {i, i};
  }
  static void StoreD(double* p, D v) { _mm512_storeu_pd(p, v.lo), _mm512_storeu_pd(p + 8, v.hi); }
  static D Set1D(double v) { return {_mm512_set1_pd(v), _mm512_set1_pd(v)}; }
  static D Add(D a, D b) { return {_mm512_add_pd(a.lo, b.lo), _mm512_add_pd(a.hi, b.hi)}; }
  static D Sub(D a, D b) { return {_mm512_sub_pd(a.lo, b.lo), _mm512_sub_pd(a.hi, b.hi)}; }
  static D Mul(D a, D b) { return {_mm512_mul_pd(a.lo, b.lo), _mm512_mul_pd(a.hi, b.hi)}; }
  static D Neg(D a) { return {Avx512::Neg(a.lo), Avx512::Neg(a.hi)}; }
  static D MulAdd(D a, D b, D c) {
    return {_mm512_fmadd_pd(a.lo, b.lo, c.lo), _mm512_fmadd_pd(a.hi, b.hi, c.hi)};
  }
  static D MulSub(D a, D b, D c) {
    return {_mm512_fmsub_pd(a.lo, b.lo, c.lo), _mm512_fmsub_pd(a.hi, b.hi, c.hi)};
  }
  static constexpr bool Bracket = true;
  static D MulAddDown(D a, D b, D c) {
    return {Avx512::MulAddDown(a.lo, b.lo, c.lo), Avx512::MulAddDown(a.hi, b.hi, c.hi)};
  }
  static D MulAddUp(D a, D b, D c) {
    return {Avx512::MulAddUp(a.lo, b.lo, c.lo), Avx512::MulAddUp(a.hi, b.hi, c.hi)};
  }
  static D MulSubDown(D a, D b, D c) {
    return {Avx512::MulSubDown(a.lo, b.lo, c.lo), Avx512::MulSubDown(a.hi, b.hi, c.hi)};
  }
  static D MulSubUp(D a, D b, D c) {
    return {Avx512::MulSubUp(a.lo, b.lo, c.lo), Avx512::MulSubUp(a.hi, b.hi, c.hi)};
  }
  struct Mask {
    __mmask8 lo, hi;
  };
  static Mask Below(D a, D b, double factor) {
    return {Avx512::Below(a.lo, b.lo, factor), Avx512::Below(a.hi, b.hi, factor)};
  }
  static D Select(Mask m, D yes, D no) {
    return {Avx512::Select(m.lo, yes.lo, no.lo), Avx512::Select(m.hi, yes.hi, no.hi)};
  }
  static D Widen(F v) { return {Avx512::Widen(Low(v)), Avx512::Widen(High(v))}; }
  // The halves converted straight from memory, with no extract.
  static D WidenLoad(const float* p) { return {Avx512::WidenLoad(p), Avx512::WidenLoad(p + 8)}; }
  static F Narrow(D v) { return Join(Avx512::Narrow(v.lo), Avx512::Narrow(v.hi)); }

  static void UnitProducts(F y, F z, F& tr, F& ti) {
    const F zero = _mm512_setzero_ps();
    tr = _mm512_fnmadd_ps(zero, z, y);
    ti = _mm512_fmadd_ps(zero, y, z);
  }

  static bool MaybeHard(D r, D i) { return Avx512::MaybeHard(r.lo, i.lo) || Avx512::MaybeHard(r.hi, i.hi); }
  static unsigned HardLanes(D v) { return Avx512::HardLanes(v.lo) | Avx512::HardLanes(v.hi) << 8; }
  static unsigned NonZeroLanes(D v) { return Avx512::NonZeroLanes(v.lo) | Avx512::NonZeroLanes(v.hi) << 8; }

  using Flags = Avx512::Flags;
  template <bool Tiny>
  static Flags Clear() {
    return Avx512::Clear<Tiny>();
  }
  template <bool Tiny>
  static void Note(Flags& f, D r, D i) {
    Avx512::Note<Tiny>(f, r.lo, i.lo);
    Avx512::Note<Tiny>(f, r.hi, i.hi);
  }
  template <bool Tiny>
  static void NoteBracket(Flags& f, D rDown, D rUp, D iDown, D iUp) {
    Avx512::NoteBracket<Tiny>(f, rDown.lo, rUp.lo, iDown.lo, iUp.lo);
    Avx512::NoteBracket<Tiny>(f, rDown.hi, rUp.hi, iDown.hi, iUp.hi);
  }
  template <bool Tiny>
  static bool Any(const Flags& f) {
    return Avx512::Any<Tiny>(f);
  }
  // Notes the lanes where one of y, z is nonzero and at most 2^-39 times the
  // other (see LopsidedButterfly), by zeroing them in the midpoint minimum.
  static void NoteLopsided(Flags& f, F y, F z) {
    const F smaller = _mm512_maskz_range_ps(0xFFFF, y, z, 0x0A);  // min |.|, sign cleared
    const F larger = _mm512_maskz_range_ps(0xFFFF, y, z, 0x0B);   // max |.|
    const __mmask16 nonzero = _mm512_cmp_ps_mask(smaller, _mm512_setzero_ps(), _CMP_NEQ_OQ);
    const __mmask16 lopsided =
        _mm512_mask_cmp_ps_mask(nonzero, larger, _mm512_mul_ps(smaller, _mm512_set1_ps(0x1p39f)), _CMP_GE_OQ);
    f.midpoint = _mm512_mask_mov_epi32(f.midpoint, lopsided, _mm512_setzero_si512());
  }

  // Lanes l and l + 8 of rows[0..7] are neighbouring groups: both written as
  // the sixteen floats at dst + rev3(l)·stride. An 8 x 8 transpose in each
  // half, the halves' rows then paired.
  static void StoreRows(const F (&rows)[8], float* dst, std::size_t stride) {
    const F t0 = _mm512_maskz_unpacklo_ps(0xFFFF, rows[0], rows[1]),
            t1 = _mm512_maskz_unpackhi_ps(0xFFFF, rows[0], rows[1]);
    const F t2 = _mm512_maskz_unpacklo_ps(0xFFFF, rows[2], rows[3]),
            t3 = _mm512_maskz_unpackhi_ps(0xFFFF, rows[2], rows[3]);
    const F t4 = _mm512_maskz_unpacklo_ps(0xFFFF, rows[4], rows[5]),
            t5 = _mm512_maskz_unpackhi_ps(0xFFFF, rows[4], rows[5]);
    const F t6 = _mm512_maskz_unpacklo_ps(0xFFFF, rows[6], rows[7]),
            t7 = _mm512_maskz_unpackhi_ps(0xFFFF, rows[6], rows[7]);
    const F u0 = _mm512_shuffle_ps(t0, t2, _MM_SHUFFLE(1, 0, 1, 0));
    const F u1 = _mm512_shuffle_ps(t0, t2, _MM_SHUFFLE(3, 2, 3, 2));
    const F u2 = _mm512_shuffle_ps(t1, t3, _MM_SHUFFLE(1, 0, 1, 0));
    const F u3 = _mm512_shuffle_ps(t1, t3, _MM_SHUFFLE(3, 2, 3, 2));
    const F u4 = _mm512_shuffle_ps(t4, t6, _MM_SHUFFLE(1, 0, 1, 0));
    const F u5 = _mm512_shuffle_ps(t4, t6, _MM_SHUFFLE(3, 2, 3, 2));
    const F u6 = _mm512_shuffle_ps(t5, t7, _MM_SHUFFLE(1, 0, 1, 0));
    const F u7 = _mm512_shuffle_ps(t5, t7, _MM_SHUFFLE(3, 2, 3, 2));
    // 128-bit quarters 0 of a and b, then 2 of a and b (first), or 1 and 3.
    const __m512i first = _mm512_setr_epi32(0, 1, 2, 3, 16, 17, 18, 19, 8, 9, 10, 11, 24, 25, 26, 27);
    const __m512i second = _mm512_setr_epi32(4, 5, 6, 7, 20, 21, 22, 23, 12, 13, 14, 15, 28, 29, 30, 31);
    _mm512_storeu_ps(dst, _mm512_permutex2var_ps(u0, first, u4));                // lanes 0, 8
    _mm512_storeu_ps(dst + 4 * stride, _mm512_permutex2var_ps(u1, first, u5));   // lanes 1, 9
    _mm512_storeu_ps(dst + 2 * stride, _mm512_permutex2var_ps(u2, first, u6));   // lanes 2, 10
    _mm512_storeu_ps(dst + 6 * stride, _mm512_permutex2var_ps(u3, first, u7));   // lanes 3, 11
    _mm512_storeu_ps(dst + stride, _mm512_permutex2var_ps(u0, second, u4));      // lanes 4, 12
    _mm512_storeu_ps(dst + 5 * stride, _mm512_permutex2var_ps(u1, second, u5));  // lanes 5, 13
    _mm512_storeu_ps(dst + 3 * stride, _mm512_permutex2var_ps(u2, second, u6));  // lanes 6, 14
    _mm512_storeu_ps(dst + 7 * stride, _mm512_permutex2var_ps(u3, second, u7));  // lanes 7, 15
  }
};

// From 128 points on: the first pass and the stages of 32 or more in
// sixteen lanes, the pair of stages 3 and 4 in eight.
template <bool Tiny, bool Real>
struct Avx512Kernel {
  using K8 = Kernel<Avx512, Tiny, Real>;
  using K16 = Kernel<Avx512x16, Tiny, Real>;

  // The first pass with the power fixed at compile time up to 4096 points,
  // read at run time beyond.
  template <int... Power>
  static void FirstPass(std::integer_sequence<int, Power...>, const TransformTables& t, const float* inRe,
                        const float* inIm, float* re, float* im) {
    const bool fixed =
        ((t.Power == Power && (K16::template FirstPass<Power, (Power >= 9)>(t, inRe, inIm, re, im), true)) ||
         ...);
    if (!fixed) K16::template FirstPass<0, true>(t, inRe, inIm, re, im);
  }

  static void Transform(const TransformTables& t, const float* inRe, const float* inIm, float* re, float* im,
                        bool scaled, float scale) {
    if (t.Power < 7) {
      K8::Transform(t, inRe, inIm, re, im, scaled, scale);
      return;
    }
    // Stages 0..2 in the first pass; 3 and 4 from its interleaved layout from
    // 512 points on, else in eight lanes; then the rest.
    FirstPass(std::integer_sequence<int, 7, 8, 9, 10, 11, 12>{}, t, inRe, inIm, re, im);
    const int n = 1 << t.Power;
    if (t.Power >= 9)
      K16::InterleavedThreeFour(re, im, n, t.Twiddles);
    else
      K8::template TwoStages<false>(re, im, n, 8, t.Twiddles, scale);
    K16::StagesFrom(5, t, re, im, scaled, scale);
  }
};

}  // namespace

void TransformAvx512(const TransformTables& t, const float* inRe, const float* inIm, float* re, float* im,
                     bool scaled, float scale, bool tiny) noexcept {
  TransformForms<Avx512Kernel>(t, inRe, inIm, re, im, scaled, scale, tiny);
}

void MirrorAvx512(float* re, float* im, int n) noexcept {
  Kernel<Avx512x16, false, false>::Mirror(re, im, n);
}

}  // namespace tessaro::fft
