// The transform against an independent reference: a brute-force DFT in
// extended precision, and the worked cases with known results.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
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
