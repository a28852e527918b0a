// The transform against independent references: a brute-force DFT and, for
// the two kinds of twiddles at every size, an FFT in extended precision;
// and the worked cases with known results.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>
#include <string>
#include <vector>

#include "FftTestSupport.h"
#include "tessaro/sigFFT.h"
#include "tessaro/sigTypes.h"

namespace tessaro::test {
namespace {

using Complex = std::complex<long double>;

// X[k] = scale · sum_n x[n] exp(sign · 2 pi i n k / N), with the angle
// reduced exactly (n·k mod N) before the extended cosine and sine.
std::vector<Complex> Dft(const std::vector<float>& re, const std::vector<float>& im, int sign,
                         long double scale) {
  const auto n = static_cast<long long>(re.size());
  std::vector<Complex> out(re.size());
  for (long long k = 0; k < n; ++k) {
    Complex sum = 0;
    for (long long m = 0; m < n; ++m) {
      const long double angle =
          2.0L * Pi * static_cast<long double>((m * k) % n) / static_cast<long double>(n);
      sum += Complex(re[m], im[m]) * Complex(std::cos(angle), sign * std::sin(angle));
    }
    out[k] = sum * scale;
  }
  return out;
}

// sqrt(sum |got - want|^2 / sum |want|^2).
long double RelativeRms(std::span<const float> re, std::span<const float> im,
                        const std::vector<Complex>& want) {
  long double error = 0, norm = 0;
  for (std::size_t k = 0; k < want.size(); ++k) {
    error += std::norm(Complex(re[k], im[k]) - want[k]);
    norm += std::norm(want[k]);
  }
  return std::sqrt(error / norm);
}

// The twiddles of a stage come from a recurrence in float, whose error grows
// about linearly along the stage: the relative RMS error of the transform
// reaches about 2.4e-6 at N = 1024 (5e-8 at N = 4). The limit keeps a margin
// of two or more over what the transform reaches.
long double Limit(int power) { return 6e-9L * (1 << power) + 5e-7L; }

// The same growth bounds the error of a single value of a transform, or of
// a forward and inverse transform in turn, of data of order 1: about
// 1e-8 N at most.
long double ValueLimit(int n) { return 2e-8L * n + 1e-7L; }

class FftAccuracy : public ::testing::TestWithParam<int> {};

TEST_P(FftAccuracy, ForwardAgreesWithTheDft) {
  const int power = GetParam();
  const int n = 1 << power;
  TsigFFT fft;
  fft.SetPower(power);
  const auto re = MakeSignal(Signal::Uniform, n, 11u * power),
             im = MakeSignal(Signal::Uniform, n, 13u * power);
  std::ranges::copy(re, fft.RealIn().begin());
  std::ranges::copy(im, fft.ImagIn().begin());
  fft.Forward();
  const long double error = RelativeRms(fft.RealOut(), fft.ImagOut(), Dft(re, im, +1, 1.0L));
  EXPECT_LT(error, Limit(power)) << "N = " << n;
  RecordProperty("relative_rms", std::to_string(static_cast<double>(error)));
}

TEST_P(FftAccuracy, InverseAgreesWithTheDftOfTheMirroredInput) {
  const int power = GetParam();
  const int n = 1 << power;
  TsigFFT fft;
  fft.SetPower(power);
  auto re = MakeSignal(Signal::Uniform, n, 17u * power), im = MakeSignal(Signal::Uniform, n, 19u * power);
  std::ranges::copy(re, fft.RealIn().begin());
  std::ranges::copy(im, fft.ImagIn().begin());
  fft.Inverse();
  for (int k = 1; k < n / 2; ++k) re[n - k] = re[k], im[n - k] = -im[k];
  const long double error = RelativeRms(fft.RealOut(), fft.ImagOut(), Dft(re, im, -1, 1.0L / n));
  EXPECT_LT(error, Limit(power)) << "N = " << n;
}

INSTANTIATE_TEST_SUITE_P(UpTo1024, FftAccuracy, ::testing::Range(2, 11), [](const auto& info) {
  std::string name = "N";
  name += std::to_string(1 << info.param);
  return name;
});

// ---- the twiddle kinds against an extended-precision transform -----------

// The DFT in extended precision by a radix-2 FFT whose twiddles are the
// extended cos and sin of pi·j/H: its own error, some 1e-18 relative, is
// far below that of the float transform.
std::vector<Complex> ExtendedFft(const std::vector<Complex>& x, int sign) {
  const auto n = static_cast<int>(x.size());
  std::vector<Complex> y(x.size());
  for (int k = 0, j = 0; k < n; ++k) {  // bit-reversed order
    y[static_cast<std::size_t>(j)] = x[static_cast<std::size_t>(k)];
    int bit = n / 2;
    for (; j & bit; bit /= 2) j ^= bit;
    j |= bit;
  }
  for (int half = 1; half < n; half *= 2)
    for (int j = 0; j < half; ++j) {
      const long double angle = Pi * j / half;
      const Complex w(std::cos(angle), sign * std::sin(angle));
      for (int i = j; i < n; i += 2 * half) {
        const Complex t = w * y[static_cast<std::size_t>(i + half)];
        y[static_cast<std::size_t>(i + half)] = y[static_cast<std::size_t>(i)] - t;
        y[static_cast<std::size_t>(i)] += t;
      }
    }
  return y;
}

long double Decibels(long double ratio) { return 20.0L * std::log10(ratio); }

// Levels in dB relative to the peak; the floor only from 16 points on (with
// fewer there are no bins between the tones).
struct Accuracy {
  long double rms;        // relative RMS error, uniform random input
  long double floor;      // two tones: the largest value between them
  long double worst;      // two tones: the largest error
  long double wantFloor;  // the floor of the extended reference
};

// The component's errors against ExtendedFft of the same float input and
// window. The two tones: sin(2 pi k1 n / N) + 1e-6 sin(2 pi k2 n / N), at
// bins k1 = N/16 and k2 = 5N/16 (at least 1), Hanning window, whose exact
// spectrum vanishes between them but for the rounding of input and window.
Accuracy Measure(int power, TsigFFTTwiddles twiddles) {
  const int n = 1 << power;
  TsigFFT fft;
  fft.SetPower(power);
  fft.SetTwiddles(twiddles);
  Accuracy a{};
  {
    const auto re = MakeSignal(Signal::Uniform, n, 29u * power),
               im = MakeSignal(Signal::Uniform, n, 31u * power);
    std::vector<Complex> x(static_cast<std::size_t>(n));
    for (int k = 0; k < n; ++k) x[k] = Complex(re[k], im[k]);
    std::ranges::copy(re, fft.RealIn().begin());
    std::ranges::copy(im, fft.ImagIn().begin());
    fft.Forward();
    a.rms = RelativeRms(fft.RealOut(), fft.ImagOut(), ExtendedFft(x, +1));
  }
  const int k1 = std::max(1, n / 16), k2 = std::max(1, 5 * n / 16);
  fft.SetWindow(fwHanning);
  std::vector<Complex> x(static_cast<std::size_t>(n));
  for (int m = 0; m < n; ++m) {
    const auto tone = [&](int k) { return std::sin(2.0L * Pi * ((static_cast<long long>(k) * m) % n) / n); };
    const auto v = static_cast<float>(tone(k1) + 1e-6L * tone(k2));
    fft.RealIn()[m] = v;
    fft.ImagIn()[m] = 0.0f;
    x[m] = static_cast<long double>(v) * fft.WindowTable()[m];
  }
  fft.Forward();
  const std::vector<Complex> want = ExtendedFft(x, +1);
  const long double peak = std::abs(want[k1]);
  long double floor = 0, wantFloor = 0, worst = 0;
  for (int k = 0; k < n; ++k) {
    const Complex got(fft.RealOut()[k], fft.ImagOut()[k]);
    worst = std::max(worst, std::abs(got - want[k]));
    if (k >= k1 + 2 && k <= k2 - 2)
      floor = std::max(floor, std::abs(got)), wantFloor = std::max(wantFloor, std::abs(want[k]));
  }
  a.floor = Decibels(floor / peak);
  a.wantFloor = Decibels(wantFloor / peak);
  a.worst = Decibels(worst / peak);
  return a;
}

// The targets of ftExact at every size; the recurrence within the growth
// that its error is documented with. Prints the table of both.
TEST(FftTwiddleAccuracy, ExactTwiddlesMeetTheTargetsAtEverySize) {
  std::printf("%6s | %-30s | %-30s | %s\n%6s | %9s %10s %9s | %9s %10s %9s | %s\n", "", "ftRecurrence",
              "ftExact", "reference", "N", "RMS", "floor dB", "worst dB", "RMS", "floor dB", "worst dB",
              "floor dB");
  for (int power = 2; power <= 15; ++power) {
    const int n = 1 << power;
    SCOPED_TRACE(::testing::Message() << "N = " << n);
    const Accuracy r = Measure(power, ftRecurrence), e = Measure(power, ftExact);
    const auto level = [n](long double db) {
      char text[16] = "-";
      if (n >= 16) std::snprintf(text, sizeof text, "%.1f", static_cast<double>(db));
      return std::string(text);
    };
    std::printf("%6d | %9.2e %10s %9.1f | %9.2e %10s %9.1f | %s\n", n, static_cast<double>(r.rms),
                level(r.floor).c_str(), static_cast<double>(r.worst), static_cast<double>(e.rms),
                level(e.floor).c_str(), static_cast<double>(e.worst), level(e.wantFloor).c_str());
    EXPECT_LT(r.rms, 1e-8L * n + 5e-7L);
    EXPECT_LT(e.rms, 2e-7L);
    if (n >= 16) {
      EXPECT_LT(e.floor, -130.0L);
    }
    EXPECT_LT(e.worst, -125.0L);
  }
}

// ---- worked cases --------------------------------------------------------

TEST(FftWorkedCases, ImpulseAtOneGivesThePositiveExponent) {
  for (int n : {4, 16, 512, 32768}) {
    TsigFFT fft;
    fft.SetBufferSize(n);
    fft.RealIn()[1] = 1.0f;
    fft.Forward();
    for (int k = 0; k < n; ++k) {
      const long double angle = 2.0L * Pi * k / n;
      EXPECT_TRUE(Near(fft.RealOut()[k], std::cos(angle), ValueLimit(n), 0)) << n << " " << k;
      EXPECT_TRUE(Near(fft.ImagOut()[k], std::sin(angle), ValueLimit(n), 0)) << n << " " << k;
    }
  }
}

TEST(FftWorkedCases, ForwardIsUnscaled) {
  for (int n : {4, 64, 32768}) {
    TsigFFT fft;
    fft.SetBufferSize(n);
    fft.RealIn()[0] = 1.0f;
    fft.Forward();
    EXPECT_TRUE(std::ranges::all_of(fft.RealOut(), [](float x) { return x == 1.0f; })) << n;
    EXPECT_TRUE(std::ranges::all_of(fft.ImagOut(), [](float x) { return x == 0.0f; })) << n;
    std::ranges::fill(fft.RealIn(), 1.0f);
    fft.Forward();
    EXPECT_EQ(fft.RealOut()[0], static_cast<float>(n));
    EXPECT_TRUE(
        std::all_of(fft.RealOut().begin() + 1, fft.RealOut().end(), [](float x) { return x == 0.0f; }));
    EXPECT_TRUE(std::ranges::all_of(fft.ImagOut(), [](float x) { return x == 0.0f; }));
  }
}

TEST(FftWorkedCases, InverseScalesByOneOverN) {
  for (int n : {4, 64, 32768}) {
    TsigFFT fft;
    fft.SetBufferSize(n);
    fft.RealIn()[0] = static_cast<float>(n);
    fft.Inverse();
    EXPECT_TRUE(std::ranges::all_of(fft.RealOut(), [](float x) { return x == 1.0f; })) << n;
    EXPECT_TRUE(std::ranges::all_of(fft.ImagOut(), [](float x) { return x == 0.0f; })) << n;
  }
}

TEST(FftWorkedCases, HanningOnOnesSumsToHalfOfN) {
  for (int n : {4, 512, 32768}) {
    TsigFFT fft;
    fft.SetBufferSize(n);
    fft.SetWindow(fwHanning);
    std::ranges::fill(fft.RealIn(), 1.0f);
    fft.Forward();
    EXPECT_TRUE(SameFloats(fft.RealIn(), fft.WindowTable()));
    EXPECT_TRUE(Near(fft.RealOut()[0], n / 2.0L, 0, 1e-6L)) << n;
  }
}

TEST(FftWorkedCases, InverseOfForwardReturnsARealSignal) {
  for (int n : {4, 128, 4096}) {
    TsigFFT fft;
    fft.SetBufferSize(n);
    const auto x = MakeSignal(Signal::Uniform, n, 23);
    std::ranges::copy(x, fft.RealIn().begin());
    fft.Forward();
    const std::vector<float> re(fft.RealOut().begin(), fft.RealOut().end());
    const std::vector<float> im(fft.ImagOut().begin(), fft.ImagOut().end());
    std::ranges::copy(re, fft.RealIn().begin());
    std::ranges::copy(im, fft.ImagIn().begin());
    fft.Inverse();
    for (int k = 0; k < n; ++k) {
      EXPECT_TRUE(Near(fft.RealOut()[k], x[k], ValueLimit(n), 0)) << n << " " << k;
      EXPECT_TRUE(Near(fft.ImagOut()[k], 0, ValueLimit(n), 0)) << n << " " << k;
    }
  }
}

}  // namespace
}  // namespace tessaro::test
