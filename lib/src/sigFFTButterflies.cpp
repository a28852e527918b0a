#include "sigFFTButterflies.h"

#include <immintrin.h>

#include <bit>
#include <cstddef>
#include <cstring>
#include <utility>

#include "tessaro/sigTypes.h"

// Exactness of the fast path. A butterfly needs tr = wr*y - wi*z and
// ti = wr*z + wi*y as the float nearest to the extended value of the sum of
// the exact products. The product of two floats is exact in double, so the
// double sum s is the exact sum x rounded to 53 bits, while the extended one
// is x rounded to 64 bits. Rounding is monotonic and every float midpoint
// is a double, so float(s) = float(x rounded to 64 bits) whenever s is not
// itself a float midpoint: both then lie strictly on the same side of every
// midpoint as x. Only when s is a midpoint (or lies below the float normal
// range, where the midpoints sit at other bit positions) is the sum redone
// in extended precision. The sums of two floats in the butterflies round
// the same from any precision of at least 2*24 + 2 bits, so they are done
// in float directly.

namespace tessaro::fft {

namespace {

// Whether float(v) may differ from the float of the extended sum: v is a
// float midpoint (bit 28 of the fraction set, bits 0..27 clear) or a nonzero
// value below the smallest normal float.
bool NeedsExtended(double v) {
  const std::uint64_t bits = std::bit_cast<std::uint64_t>(v);
  const bool midpoint = (bits & 0x1FFFFFFFu) == 0x10000000u;
  const double mag = v < 0.0 ? -v : v;
  return midpoint || (mag < 0x1p-126 && mag != 0.0);
}

// a*b - c*d and a*b + c*d evaluated in extended precision, rounded to float.
float ExtendedDifference(float a, float b, float c, float d) {
  return static_cast<float>(static_cast<Extended>(a) * b - static_cast<Extended>(c) * d);
}
float ExtendedSum(float a, float b, float c, float d) {
  return static_cast<float>(static_cast<Extended>(a) * b + static_cast<Extended>(c) * d);
}

// One twiddle product: (tr, ti) = (wr*yr - wi*yi, wr*yi + wi*yr).
void TwiddleProduct(float wr, float wi, float yr, float yi, float& tr, float& ti) {
  const double r = static_cast<double>(wr) * yr - static_cast<double>(wi) * yi;
  const double i = static_cast<double>(wr) * yi + static_cast<double>(wi) * yr;
  if (NeedsExtended(r) || NeedsExtended(i)) [[unlikely]] {
    tr = ExtendedDifference(wr, yr, wi, yi);
    ti = ExtendedSum(wr, yi, wi, yr);
    return;
  }
  tr = static_cast<float>(r);
  ti = static_cast<float>(i);
}

// The twiddle products of `count` consecutive butterflies, redone exactly.
void ExactTwiddleProducts(const float* wr, const float* wi, const float* yr, const float* yi, float* tr,
                          float* ti, int count) {
  for (int k = 0; k < count; ++k) {
    tr[k] = ExtendedDifference(wr[k], yr[k], wi[k], yi[k]);
    ti[k] = ExtendedSum(wr[k], yi[k], wi[k], yr[k]);
  }
}

// The bit-reversed gather fused with stages 0 and 1, four outputs at a time.
// Stage 0 and the first butterfly of stage 1 have the twiddle (1, 0):
// 1*y - 0*z is formed as y - 0*z, which is exact in float and keeps the
// signs of zeros and the NaN of 0*inf as the extended evaluation does.
template <bool Scaled>
void GatherFirstStages(const TransformTables& t, const float* inRe, const float* inIm, float* re, float* im,
                       float scale) {
  const int n = 1 << t.Power;
  const float w1r = t.TwiddleRe[2];  // stage 1, j = 1 (stage 1 starts at offset 1)
  const float w1i = t.TwiddleIm[2];
  for (int k = 0; k < n; k += 4) {
    const std::int32_t* rev = t.BitReverse + k;
    const float a0r = inRe[rev[0]], a0i = inIm[rev[0]];
    const float a1r = inRe[rev[1]], a1i = inIm[rev[1]];
    const float a2r = inRe[rev[2]], a2i = inIm[rev[2]];
    const float a3r = inRe[rev[3]], a3i = inIm[rev[3]];
    // stage 0: (0, 1) and (2, 3)
    const float t1r = a1r - 0.0f * a1i, t1i = a1i + 0.0f * a1r;
    const float t3r = a3r - 0.0f * a3i, t3i = a3i + 0.0f * a3r;
    const float b0r = a0r + t1r, b0i = a0i + t1i, b1r = a0r - t1r, b1i = a0i - t1i;
    const float b2r = a2r + t3r, b2i = a2i + t3i, b3r = a2r - t3r, b3i = a2i - t3i;
    // stage 1: (0, 2) with (1, 0) and (1, 3) with w1
    const float u2r = b2r - 0.0f * b2i, u2i = b2i + 0.0f * b2r;
    float u3r, u3i;
    TwiddleProduct(w1r, w1i, b3r, b3i, u3r, u3i);
    float c0r = b0r + u2r, c0i = b0i + u2i, c2r = b0r - u2r, c2i = b0i - u2i;
    float c1r = b1r + u3r, c1i = b1i + u3i, c3r = b1r - u3r, c3i = b1i - u3i;
    if constexpr (Scaled) {
      c0r *= scale, c0i *= scale, c1r *= scale, c1i *= scale;
      c2r *= scale, c2i *= scale, c3r *= scale, c3i *= scale;
    }
    re[k] = c0r, im[k] = c0i, re[k + 1] = c1r, im[k + 1] = c1i;
    re[k + 2] = c2r, im[k + 2] = c2i, re[k + 3] = c3r, im[k + 3] = c3i;
  }
}

// ---- SSE2: two doubles per register, four butterflies per step -------------

__m128i HardLanes(__m128d v) {
  const __m128i bits = _mm_castpd_si128(v);
  // Low words carry the midpoint pattern; the high words are compared with a
  // value their masked bits can never equal.
  const __m128i mask = _mm_set_epi32(0, 0x1FFFFFFF, 0, 0x1FFFFFFF);
  const __m128i pattern = _mm_set_epi32(1, 0x10000000, 1, 0x10000000);
  const __m128i midpoint = _mm_cmpeq_epi32(_mm_and_si128(bits, mask), pattern);
  const __m128d mag = _mm_andnot_pd(_mm_set1_pd(-0.0), v);
  const __m128d tiny =
      _mm_and_pd(_mm_cmplt_pd(mag, _mm_set1_pd(0x1p-126)), _mm_cmpneq_pd(mag, _mm_setzero_pd()));
  return _mm_or_si128(midpoint, _mm_castpd_si128(tiny));
}

// (tr, ti) of four butterflies; false when one of them needs the exact path.
bool TwiddleProducts4(__m128 wr, __m128 wi, __m128 yr, __m128 yi, __m128& tr, __m128& ti) {
  const __m128d wrL = _mm_cvtps_pd(wr), wrH = _mm_cvtps_pd(_mm_movehl_ps(wr, wr));
  const __m128d wiL = _mm_cvtps_pd(wi), wiH = _mm_cvtps_pd(_mm_movehl_ps(wi, wi));
  const __m128d yrL = _mm_cvtps_pd(yr), yrH = _mm_cvtps_pd(_mm_movehl_ps(yr, yr));
  const __m128d yiL = _mm_cvtps_pd(yi), yiH = _mm_cvtps_pd(_mm_movehl_ps(yi, yi));
  const __m128d rL = _mm_sub_pd(_mm_mul_pd(wrL, yrL), _mm_mul_pd(wiL, yiL));
  const __m128d rH = _mm_sub_pd(_mm_mul_pd(wrH, yrH), _mm_mul_pd(wiH, yiH));
  const __m128d iL = _mm_add_pd(_mm_mul_pd(wrL, yiL), _mm_mul_pd(wiL, yrL));
  const __m128d iH = _mm_add_pd(_mm_mul_pd(wrH, yiH), _mm_mul_pd(wiH, yrH));
  tr = _mm_movelh_ps(_mm_cvtpd_ps(rL), _mm_cvtpd_ps(rH));
  ti = _mm_movelh_ps(_mm_cvtpd_ps(iL), _mm_cvtpd_ps(iH));
  const __m128i hard = _mm_or_si128(_mm_or_si128(HardLanes(rL), HardLanes(rH)),
                                    _mm_or_si128(HardLanes(iL), HardLanes(iH)));
  return _mm_movemask_epi8(hard) == 0;
}

template <bool Scaled>
void StageSse2(float* re, float* im, int n, int half, const float* wr, const float* wi, float scale) {
  const __m128 s = _mm_set1_ps(scale);
  for (int b = 0; b < n; b += 2 * half) {
    float* xr = re + b;
    float* xi = im + b;
    float* yr = xr + half;
    float* yi = xi + half;
    for (int j = 0; j < half; j += 4) {
      const __m128 cr = _mm_loadu_ps(wr + j), ci = _mm_loadu_ps(wi + j);
      const __m128 vr = _mm_loadu_ps(yr + j), vi = _mm_loadu_ps(yi + j);
      __m128 tr, ti;
      if (!TwiddleProducts4(cr, ci, vr, vi, tr, ti)) [[unlikely]] {
        alignas(16) float r[4], i[4];
        ExactTwiddleProducts(wr + j, wi + j, yr + j, yi + j, r, i, 4);
        tr = _mm_load_ps(r);
        ti = _mm_load_ps(i);
      }
      const __m128 ur = _mm_loadu_ps(xr + j), ui = _mm_loadu_ps(xi + j);
      __m128 pr = _mm_add_ps(ur, tr), pi = _mm_add_ps(ui, ti);
      __m128 mr = _mm_sub_ps(ur, tr), mi = _mm_sub_ps(ui, ti);
      if constexpr (Scaled) {
        pr = _mm_mul_ps(pr, s), pi = _mm_mul_ps(pi, s), mr = _mm_mul_ps(mr, s), mi = _mm_mul_ps(mi, s);
      }
      _mm_storeu_ps(xr + j, pr), _mm_storeu_ps(xi + j, pi);
      _mm_storeu_ps(yr + j, mr), _mm_storeu_ps(yi + j, mi);
    }
  }
}

// ---- AVX2: four doubles per register, eight butterflies per step ------------

#define TESSARO_AVX2 __attribute__((target("avx2")))

TESSARO_AVX2 __m256i HardLanes(__m256d v) {
  const __m256i bits = _mm256_castpd_si256(v);
  const __m256i mask = _mm256_set1_epi64x(0x1FFFFFFF);
  const __m256i pattern = _mm256_set1_epi64x(0x10000000);
  const __m256i midpoint = _mm256_cmpeq_epi64(_mm256_and_si256(bits, mask), pattern);
  const __m256d mag = _mm256_andnot_pd(_mm256_set1_pd(-0.0), v);
  const __m256d tiny = _mm256_and_pd(_mm256_cmp_pd(mag, _mm256_set1_pd(0x1p-126), _CMP_LT_OQ),
                                     _mm256_cmp_pd(mag, _mm256_setzero_pd(), _CMP_NEQ_UQ));
  return _mm256_or_si256(midpoint, _mm256_castpd_si256(tiny));
}

TESSARO_AVX2 bool TwiddleProducts8(__m256 wr, __m256 wi, __m256 yr, __m256 yi, __m256& tr, __m256& ti) {
  const __m256d wrL = _mm256_cvtps_pd(_mm256_castps256_ps128(wr));
  const __m256d wrH = _mm256_cvtps_pd(_mm256_extractf128_ps(wr, 1));
  const __m256d wiL = _mm256_cvtps_pd(_mm256_castps256_ps128(wi));
  const __m256d wiH = _mm256_cvtps_pd(_mm256_extractf128_ps(wi, 1));
  const __m256d yrL = _mm256_cvtps_pd(_mm256_castps256_ps128(yr));
  const __m256d yrH = _mm256_cvtps_pd(_mm256_extractf128_ps(yr, 1));
  const __m256d yiL = _mm256_cvtps_pd(_mm256_castps256_ps128(yi));
  const __m256d yiH = _mm256_cvtps_pd(_mm256_extractf128_ps(yi, 1));
  const __m256d rL = _mm256_sub_pd(_mm256_mul_pd(wrL, yrL), _mm256_mul_pd(wiL, yiL));
  const __m256d rH = _mm256_sub_pd(_mm256_mul_pd(wrH, yrH), _mm256_mul_pd(wiH, yiH));
  const __m256d iL = _mm256_add_pd(_mm256_mul_pd(wrL, yiL), _mm256_mul_pd(wiL, yrL));
  const __m256d iH = _mm256_add_pd(_mm256_mul_pd(wrH, yiH), _mm256_mul_pd(wiH, yrH));
  tr = _mm256_set_m128(_mm256_cvtpd_ps(rH), _mm256_cvtpd_ps(rL));
  ti = _mm256_set_m128(_mm256_cvtpd_ps(iH), _mm256_cvtpd_ps(iL));
  const __m256i hard = _mm256_or_si256(_mm256_or_si256(HardLanes(rL), HardLanes(rH)),
                                       _mm256_or_si256(HardLanes(iL), HardLanes(iH)));
  return _mm256_testz_si256(hard, hard) != 0;
}

template <bool Scaled>
TESSARO_AVX2 void StageAvx2(float* re, float* im, int n, int half, const float* wr, const float* wi,
                            float scale) {
  const __m256 s = _mm256_set1_ps(scale);
  for (int b = 0; b < n; b += 2 * half) {
    float* xr = re + b;
    float* xi = im + b;
    float* yr = xr + half;
    float* yi = xi + half;
    for (int j = 0; j < half; j += 8) {
      const __m256 cr = _mm256_loadu_ps(wr + j), ci = _mm256_loadu_ps(wi + j);
      const __m256 vr = _mm256_loadu_ps(yr + j), vi = _mm256_loadu_ps(yi + j);
      __m256 tr, ti;
      if (!TwiddleProducts8(cr, ci, vr, vi, tr, ti)) [[unlikely]] {
        alignas(32) float r[8], i[8];
        ExactTwiddleProducts(wr + j, wi + j, yr + j, yi + j, r, i, 8);
        tr = _mm256_load_ps(r);
        ti = _mm256_load_ps(i);
      }
      const __m256 ur = _mm256_loadu_ps(xr + j), ui = _mm256_loadu_ps(xi + j);
      __m256 pr = _mm256_add_ps(ur, tr), pi = _mm256_add_ps(ui, ti);
      __m256 mr = _mm256_sub_ps(ur, tr), mi = _mm256_sub_ps(ui, ti);
      if constexpr (Scaled) {
        pr = _mm256_mul_ps(pr, s), pi = _mm256_mul_ps(pi, s);
        mr = _mm256_mul_ps(mr, s), mi = _mm256_mul_ps(mi, s);
      }
      _mm256_storeu_ps(xr + j, pr), _mm256_storeu_ps(xi + j, pi);
      _mm256_storeu_ps(yr + j, mr), _mm256_storeu_ps(yi + j, mi);
    }
  }
}

bool HasAvx2() {
  static const bool avx2 = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
  }();
  return avx2;
}

template <bool Scaled>
void Run(const TransformTables& t, const float* inRe, const float* inIm, float* re, float* im,
         float scale) {
  const int n = 1 << t.Power;
  const bool avx2 = HasAvx2();
  if (t.Power == 2) {
    GatherFirstStages<Scaled>(t, inRe, inIm, re, im, scale);
    return;
  }
  GatherFirstStages<false>(t, inRe, inIm, re, im, scale);
  for (int stage = 2; stage < t.Power; ++stage) {
    const int half = 1 << stage;
    const float* wr = t.TwiddleRe + (half - 1);
    const float* wi = t.TwiddleIm + (half - 1);
    const bool last = stage == t.Power - 1;
    if (avx2 && half >= 8) {
      if (Scaled && last)
        StageAvx2<true>(re, im, n, half, wr, wi, scale);
      else
        StageAvx2<false>(re, im, n, half, wr, wi, scale);
    } else {
      if (Scaled && last)
        StageSse2<true>(re, im, n, half, wr, wi, scale);
      else
        StageSse2<false>(re, im, n, half, wr, wi, scale);
    }
  }
}

}  // namespace

void BuildBitReverseTable(std::span<std::int32_t> table) {
  const auto n = static_cast<std::int32_t>(table.size());
  for (std::int32_t i = 0; i < n; ++i) table[static_cast<std::size_t>(i)] = i;
  std::int32_t j = 0;
  for (std::int32_t i = 0; i < n; ++i) {
    if (j > i) std::swap(table[static_cast<std::size_t>(i)], table[static_cast<std::size_t>(j)]);
    std::int32_t k = n / 2;
    while (k > 0 && j >= k) {
      j -= k;
      k /= 2;
    }
    j += k;
  }
}

void BuildTwiddles(std::span<const float> cosTable, std::span<const float> sinTable, float sign,
                   std::span<float> re, std::span<float> im) {
  for (std::size_t stage = 0; stage < cosTable.size(); ++stage) {
    const std::size_t half = std::size_t{1} << stage;
    const float c = cosTable[stage];
    const float d = sign * sinTable[stage];
    float wr = 1.0f;
    float wi = 0.0f;
    for (std::size_t j = 0; j < half; ++j) {
      re[half - 1 + j] = wr;
      im[half - 1 + j] = wi;
      const float nextR = ExtendedDifference(wr, c, wi, d);
      const float nextI = ExtendedSum(wi, c, wr, d);
      wr = nextR;
      wi = nextI;
    }
  }
}

void Transform(const TransformTables& tables, const float* inRe, const float* inIm, float* outRe,
               float* outIm) noexcept {
  Run<false>(tables, inRe, inIm, outRe, outIm, 1.0f);
}

void TransformScaled(const TransformTables& tables, const float* inRe, const float* inIm, float* outRe,
                     float* outIm, float scale) noexcept {
  Run<true>(tables, inRe, inIm, outRe, outIm, scale);
}

}  // namespace tessaro::fft
