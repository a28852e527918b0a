// The FFT written out step by step in its most direct form, as the
// reference for the component's results bit for bit.
//
// Wide is the precision in which every product and sum is evaluated before
// it is rounded to float on being stored: long double is the reference;
// double is the tempting shortcut that rounds a product difference at 53
// bits and differs near float rounding ties, kept to show that the tests
// can tell the two apart.
#pragma once

#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

#include "tessaro/sigFFT.h"
#include "tessaro/sigTypes.h"
#include "tessaro/sigWindow.h"

namespace tessaro::test {

// Entry n = n with its low bits reversed: the running-index permutation.
inline std::vector<std::int32_t> ReferenceBitReverse(std::int32_t n) {
  std::vector<std::int32_t> table(static_cast<std::size_t>(n));
  for (std::int32_t i = 0; i < n; ++i) table[i] = i;
  std::int32_t j = 0;
  for (std::int32_t i = 0; i < n; ++i) {
    if (j > i) std::swap(table[i], table[j]);
    std::int32_t k = n / 2;
    while (k > 0 && j >= k) {
      j -= k;
      k /= 2;
    }
    j += k;
  }
  return table;
}

// With ftExact the twiddles are the floats nearest to cos(pi j / H) and
// sin(pi j / H), evaluated directly in extended precision (whose error near
// the zeros of a part, about 2^-50 relative, stays far from the float
// rounding's midpoints) with the zero at j = H/2 made exact.
template <class Wide>
class ReferenceFFT {
 public:
  explicit ReferenceFFT(int power, TsigFFTTwiddles twiddles = ftRecurrence)
      : power_(power), n_(1 << power), exact_(twiddles == ftExact), bitReverse_(ReferenceBitReverse(n_)) {
    for (int t = 0; t < power; ++t) {
      const Extended angle = Pi / static_cast<Extended>(1 << t);
      cos_.push_back(static_cast<float>(std::cos(angle)));
      sin_.push_back(static_cast<float>(std::sin(angle)));
    }
    inverseScale_ = static_cast<float>(1.0L / n_);
  }

  int Size() const { return n_; }
  float StepCos(int stage) const { return cos_[stage]; }
  float StepSin(int stage) const { return sin_[stage]; }

  // The 2^stage twiddles of a stage: real parts, then imaginary parts.
  std::pair<std::vector<float>, std::vector<float>> Twiddles(int stage, int sign) const {
    if (exact_) return ExactTwiddles(stage, sign);
    const float c = cos_[stage];
    const float d = static_cast<float>(sign * sin_[stage]);
    std::pair<std::vector<float>, std::vector<float>> w;
    float wr = 1.0f, wi = 0.0f;
    for (int j = 0; j < (1 << stage); ++j) {
      w.first.push_back(wr);
      w.second.push_back(wi);
      const float r = static_cast<float>(static_cast<Wide>(wr) * c - static_cast<Wide>(wi) * d);
      const float i = static_cast<float>(static_cast<Wide>(wi) * c + static_cast<Wide>(wr) * d);
      wr = r, wi = i;
    }
    return w;
  }

  std::pair<float, float> Twiddle(int stage, int j, int sign) const {
    const auto w = Twiddles(stage, sign);
    return {w.first[j], w.second[j]};
  }

  // Gather, then the radix-2 stages in ascending order, j outer and i inner.
  void Transform(const std::vector<float>& inRe, const std::vector<float>& inIm, std::vector<float>& re,
                 std::vector<float>& im, int sign) const {
    re.assign(n_, 0.0f);
    im.assign(n_, 0.0f);
    for (int n = n_ - 1; n >= 0; --n) {
      re[n] = inRe[bitReverse_[n]];
      im[n] = inIm[bitReverse_[n]];
    }
    for (int t = 0; t < power_; ++t) {
      const int half = 1 << t, span = 2 * half;
      const auto [wrs, wis] = Twiddles(t, sign);
      for (int j = 0; j < half; ++j) {
        const float wr = wrs[j], wi = wis[j];
        for (int i = j; i < n_; i += span) {
          const int m = i + half;
          const float tr = static_cast<float>(static_cast<Wide>(wr) * re[m] - static_cast<Wide>(wi) * im[m]);
          const float ti = static_cast<float>(static_cast<Wide>(wr) * im[m] + static_cast<Wide>(wi) * re[m]);
          re[m] = static_cast<float>(static_cast<Wide>(re[i]) - tr);
          im[m] = static_cast<float>(static_cast<Wide>(im[i]) - ti);
          re[i] = static_cast<float>(static_cast<Wide>(re[i]) + tr);
          im[i] = static_cast<float>(static_cast<Wide>(im[i]) + ti);
        }
      }
    }
  }

  // The window (unless fwNone) on inRe in place, then the transform.
  void Forward(TsigWindow window, std::vector<float>& inRe, const std::vector<float>& inIm,
               std::vector<float>& re, std::vector<float>& im) const {
    if (window != fwNone)
      for (int n = 0; n < n_; ++n)
        inRe[n] = static_cast<float>(static_cast<Wide>(inRe[n]) * WindowValue(window, n, n_));
    Transform(inRe, inIm, re, im, +1);
  }

  // The conjugate mirror of k = 1..N/2-1 in place, the transform with the
  // negative exponent, then the scale 1/N.
  void Inverse(std::vector<float>& inRe, std::vector<float>& inIm, std::vector<float>& re,
               std::vector<float>& im) const {
    for (int k = 1; k < n_ / 2; ++k) {
      inRe[n_ - k] = inRe[k];
      inIm[n_ - k] = -inIm[k];
    }
    Transform(inRe, inIm, re, im, -1);
    Scale(re, im);
  }

  // Multiplies every element by 1/N.
  void Scale(std::vector<float>& re, std::vector<float>& im) const {
    for (int n = 0; n < n_; ++n) {
      re[n] = static_cast<float>(static_cast<Wide>(re[n]) * inverseScale_);
      im[n] = static_cast<float>(static_cast<Wide>(im[n]) * inverseScale_);
    }
  }

 private:
  std::pair<std::vector<float>, std::vector<float>> ExactTwiddles(int stage, int sign) const {
    const int half = 1 << stage;
    std::pair<std::vector<float>, std::vector<float>> w;
    for (int j = 0; j < half; ++j) {
      const Extended angle = Pi * j / half;
      const float d = static_cast<float>(std::sin(angle));
      w.first.push_back(2 * j == half ? 0.0f : static_cast<float>(std::cos(angle)));
      w.second.push_back(d == 0.0f ? 0.0f : static_cast<float>(sign) * d);
    }
    return w;
  }

  int power_;
  int n_;
  bool exact_;
  std::vector<std::int32_t> bitReverse_;
  std::vector<float> cos_, sin_;
  float inverseScale_ = 0.0f;
};

}  // namespace tessaro::test
