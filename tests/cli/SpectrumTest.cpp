// tessaro spectrum against Welch's method written out: a direct DFT in
// extended precision of each windowed segment, power averaged, one-sided
// amplitude over the window's sum; against the same sums over the library's
// FFT with exact twiddles, to the bit; and the floor of a pure tone.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "CliRun.h"
#include "Near.h"
#include "SoundFiles.h"
#include "tessaro/sigFFT.h"
#include "tessaro/sigWindow.h"

namespace cli::test {
namespace {

using tessaro::Extended;

struct TSpectrumCase {
  const char* Name;
  int Channels;
  std::vector<std::string> Options;
  int Size;
  tessaro::TsigWindow Window;
  int Hop;
  int Channel;  // 0: the channel mean
  std::size_t Frames = 300;
};

void PrintTo(const TSpectrumCase& c, std::ostream* out) { *out << c.Name; }

const TSpectrumCase SpectrumCases[] = {
    {"RectangularNoOverlap", 1, {"--size", "16", "--window", "none", "--overlap", "0"}, 16, tessaro::fwNone, 16, 0},
    {"HanningHalfOverlap", 1, {"--size", "32"}, 32, tessaro::fwHanning, 16, 0},
    {"BlackmanSecondChannel", 2, {"--size", "64", "--window", "blackman", "--overlap", "0.75", "--channel", "2"},
     64, tessaro::fwBlackman, 16, 2},
    {"ParzenChannelMean", 3, {"--size", "8", "--window", "parzen", "--overlap", "0.3"}, 8, tessaro::fwParzen, 6, 0},
    {"HanningLarge", 2, {"--size", "4096", "--overlap", "0.5"}, 4096, tessaro::fwHanning, 2048, 0, 9000},
};

// The rows of the tool's CSV after checking its header and frequencies.
std::vector<double> Decibels(const std::string& csv, int n, double rate) {
  std::istringstream lines(csv);
  std::string line;
  std::getline(lines, line);
  EXPECT_EQ(line, "frequency_hz,magnitude_db");
  std::vector<double> decibels;
  while (std::getline(lines, line)) {
    const auto comma = line.find(',');
    EXPECT_EQ(std::stod(line.substr(0, comma)), static_cast<double>(decibels.size()) * rate / n);
    decibels.push_back(std::stod(line.substr(comma + 1)));
  }
  EXPECT_EQ(decibels.size(), static_cast<std::size_t>(n / 2 + 1));
  return decibels;
}

// The samples the tool analyses: one channel, or the mean of all.
std::vector<float> Analysed(const TSound& sound, int channel) {
  std::vector<float> mono(sound.Frames());
  for (std::size_t i = 0; i < mono.size(); ++i) {
    Extended sum = 0.0L;
    for (int ch = 0; ch < sound.Channels; ++ch)
      if (channel == 0 || ch + 1 == channel) sum += sound.Samples[i * sound.Channels + ch];
    mono[i] = static_cast<float>(channel ? sum : sum / sound.Channels);
  }
  return mono;
}

// Welch's sums as the tool makes them, over the library's FFT with the
// given twiddles: float segments, power summed in double, dB of the
// one-sided amplitude over the window table's sum.
std::vector<double> LibraryWelch(const std::vector<float>& mono, int n, tessaro::TsigWindow window, int hop,
                                 tessaro::TsigFFTTwiddles twiddles) {
  tessaro::TsigFFT fft;
  fft.SetBufferSize(n);
  fft.SetWindow(window);
  fft.SetTwiddles(twiddles);
  std::vector<double> power(static_cast<std::size_t>(n / 2 + 1));
  std::size_t segments = 0;
  for (std::size_t start = 0; start + n <= mono.size(); start += static_cast<std::size_t>(hop), ++segments) {
    std::copy_n(mono.begin() + static_cast<std::ptrdiff_t>(start), n, fft.RealIn().begin());
    std::ranges::fill(fft.ImagIn(), 0.0f);
    fft.Forward();
    for (std::size_t k = 0; k < power.size(); ++k)
      power[k] += static_cast<double>(fft.RealOut()[k]) * fft.RealOut()[k] +
                  static_cast<double>(fft.ImagOut()[k]) * fft.ImagOut()[k];
  }
  double windowSum = 0.0;
  for (const float w : fft.WindowTable()) windowSum += w;
  std::vector<double> decibels(power.size());
  for (std::size_t k = 0; k < power.size(); ++k) {
    const double sides = k == 0 || k == power.size() - 1 ? 1.0 : 2.0;
    decibels[k] = 20.0 * std::log10(std::sqrt(power[k] / static_cast<double>(segments)) * sides / windowSum);
  }
  return decibels;
}

class Spectrum : public TScratch, public ::testing::WithParamInterface<TSpectrumCase> {
 protected:
  TSound WriteInput() const {
    const TSpectrumCase& c = GetParam();
    TSound sound = TestSound(SF_FORMAT_WAV | SF_FORMAT_FLOAT, c.Channels, c.Frames, 0.8, 8000);
    WriteSound(Path("in.wav"), sound);
    return sound;
  }
  TRun RunSpectrum() const {
    std::vector<std::string> args = {"spectrum", "in.wav"};
    args.insert(args.end(), GetParam().Options.begin(), GetParam().Options.end());
    return Tessaro(args);
  }
};

TEST_P(Spectrum, MatchesWelchWrittenOut) {
  const TSpectrumCase& c = GetParam();
  const TSound sound = WriteInput();
  const TRun run = RunSpectrum();
  ASSERT_EQ(run.Exit, 0) << run.Err;

  const std::vector<float> mono = Analysed(sound, c.Channel);
  const int n = c.Size;
  std::vector<Extended> cosine(n), sine(n);
  for (int m = 0; m < n; ++m) {
    cosine[m] = std::cos(2.0L * tessaro::Pi * m / n);
    sine[m] = std::sin(2.0L * tessaro::Pi * m / n);
  }
  std::vector<Extended> power(n / 2 + 1);
  Extended windowSum = 0.0L;
  for (int i = 0; i < n; ++i) windowSum += tessaro::WindowValue(c.Window, i, n);
  int segments = 0;
  std::vector<Extended> x(n);
  for (std::size_t start = 0; start + n <= mono.size(); start += c.Hop, ++segments) {
    for (int i = 0; i < n; ++i) x[i] = static_cast<float>(mono[start + i] * tessaro::WindowValue(c.Window, i, n));
    for (int k = 0; k <= n / 2; ++k) {
      Extended re = 0.0L, im = 0.0L;
      for (int i = 0; i < n; ++i) {
        const int m = static_cast<int>(static_cast<long>(i) * k % n);
        re += x[i] * cosine[m];
        im += x[i] * sine[m];
      }
      power[k] += re * re + im * im;
    }
  }

  const std::vector<double> got = Decibels(run.Out, n, 8000.0);
  ASSERT_EQ(got.size(), power.size());
  for (int k = 0; k <= n / 2; ++k) {
    const Extended amplitude = std::pow(10.0L, static_cast<Extended>(got[k]) / 20.0L);
    const Extended want = std::sqrt(power[k] / segments) * (k == 0 || k == n / 2 ? 1.0L : 2.0L) / windowSum;
    EXPECT_TRUE(tessaro::test::Near(amplitude, want, 1e-6L, 1e-5L)) << "bin " << k;
  }
}

// The tool transforms with exact twiddles: its figures are those sums to the
// bit, and at the larger sizes they are not those of the recurrence.
TEST_P(Spectrum, IsTheLibraryFftWithExactTwiddles) {
  const TSpectrumCase& c = GetParam();
  const TSound sound = WriteInput();
  const TRun run = RunSpectrum();
  ASSERT_EQ(run.Exit, 0) << run.Err;

  const std::vector<float> mono = Analysed(sound, c.Channel);
  const std::vector<double> got = Decibels(run.Out, c.Size, 8000.0);
  EXPECT_EQ(got, LibraryWelch(mono, c.Size, c.Window, c.Hop, tessaro::ftExact));
  if (c.Size >= 1024) {
    EXPECT_NE(got, LibraryWelch(mono, c.Size, c.Window, c.Hop, tessaro::ftRecurrence));
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, Spectrum, ::testing::ValuesIn(SpectrumCases),
                         [](const auto& info) { return std::string(info.param.Name); });

// A full-scale sine on a bin of a 32768-point Hanning spectrum: away from the
// tone's three bins only the transform's rounding shows, more than 125 dB
// down with exact twiddles (the recurrence's reach about 75 dB down).
using SpectrumFloor = TScratch;

TEST_F(SpectrumFloor, FullScaleSineAtTheLargestSize) {
  constexpr int N = 32768;
  constexpr int ToneBin = 1000;
  TSound sound{N, 1, SF_FORMAT_WAV | SF_FORMAT_FLOAT, std::vector<double>(N)};
  for (int i = 0; i < N; ++i)
    sound.Samples[i] = static_cast<float>(std::sin(2.0L * tessaro::Pi * ToneBin * i / N));
  WriteSound(Path("tone.wav"), sound);
  const TRun run = Tessaro({"spectrum", "tone.wav", "--size", "32768", "--quiet"});
  ASSERT_EQ(run.Exit, 0) << run.Err;

  const std::vector<double> decibels = Decibels(run.Out, N, N);
  ASSERT_EQ(decibels.size(), static_cast<std::size_t>(N / 2 + 1));
  EXPECT_NEAR(decibels[ToneBin], 0.0, 1e-4);
  double floor = -INFINITY;
  for (int k = 0; k <= N / 2; ++k)
    if (std::abs(k - ToneBin) > 1) floor = std::max(floor, decibels[k]);
  EXPECT_LT(floor, -125.0);
  RecordProperty("FloorDb", std::to_string(floor));
}

}  // namespace
}  // namespace cli::test
