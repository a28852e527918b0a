// tessaro spectrum against Welch's method written out: a direct DFT in
// extended precision of each windowed segment, power averaged, one-sided
// amplitude over the window's sum.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "CliRun.h"
#include "Near.h"
#include "SoundFiles.h"
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
};

void PrintTo(const TSpectrumCase& c, std::ostream* out) { *out << c.Name; }

const TSpectrumCase SpectrumCases[] = {
    {"RectangularNoOverlap", 1, {"--size", "16", "--window", "none", "--overlap", "0"}, 16, tessaro::fwNone, 16, 0},
    {"HanningHalfOverlap", 1, {"--size", "32"}, 32, tessaro::fwHanning, 16, 0},
    {"BlackmanSecondChannel", 2, {"--size", "64", "--window", "blackman", "--overlap", "0.75", "--channel", "2"},
     64, tessaro::fwBlackman, 16, 2},
    {"ParzenChannelMean", 3, {"--size", "8", "--window", "parzen", "--overlap", "0.3"}, 8, tessaro::fwParzen, 6, 0},
};

class Spectrum : public TScratch, public ::testing::WithParamInterface<TSpectrumCase> {};

TEST_P(Spectrum, MatchesWelchWrittenOut) {
  const TSpectrumCase& c = GetParam();
  const TSound sound = TestSound(SF_FORMAT_WAV | SF_FORMAT_FLOAT, c.Channels, 300, 0.8, 8000);
  WriteSound(Path("in.wav"), sound);
  std::vector<std::string> args = {"spectrum", "in.wav"};
  args.insert(args.end(), c.Options.begin(), c.Options.end());
  const TRun run = Tessaro(args);
  ASSERT_EQ(run.Exit, 0) << run.Err;

  std::vector<float> mono(sound.Frames());
  for (std::size_t i = 0; i < mono.size(); ++i) {
    Extended sum = 0.0L;
    for (int ch = 0; ch < c.Channels; ++ch)
      if (c.Channel == 0 || ch + 1 == c.Channel) sum += sound.Samples[i * c.Channels + ch];
    mono[i] = static_cast<float>(c.Channel ? sum : sum / c.Channels);
  }
  const int n = c.Size;
  std::vector<Extended> power(n / 2 + 1);
  Extended windowSum = 0.0L;
  for (int i = 0; i < n; ++i) windowSum += tessaro::WindowValue(c.Window, i, n);
  int segments = 0;
  for (std::size_t start = 0; start + n <= mono.size(); start += c.Hop, ++segments)
    for (int k = 0; k <= n / 2; ++k) {
      Extended re = 0.0L, im = 0.0L;
      for (int i = 0; i < n; ++i) {
        const Extended x = static_cast<float>(mono[start + i] * tessaro::WindowValue(c.Window, i, n));
        re += x * std::cos(2.0L * tessaro::Pi * i * k / n);
        im += x * std::sin(2.0L * tessaro::Pi * i * k / n);
      }
      power[k] += re * re + im * im;
    }

  std::istringstream lines(run.Out);
  std::string line;
  std::getline(lines, line);
  EXPECT_EQ(line, "frequency_hz,magnitude_db");
  for (int k = 0; k <= n / 2; ++k) {
    ASSERT_TRUE(std::getline(lines, line)) << "row " << k;
    const auto comma = line.find(',');
    EXPECT_EQ(std::stod(line.substr(0, comma)), k * 8000.0 / n);
    const Extended amplitude = std::pow(10.0L, std::stold(line.substr(comma + 1)) / 20.0L);
    const Extended want = std::sqrt(power[k] / segments) * (k == 0 || k == n / 2 ? 1.0L : 2.0L) / windowSum;
    EXPECT_TRUE(tessaro::test::Near(amplitude, want, 1e-6L, 1e-5L)) << "bin " << k;
  }
  EXPECT_FALSE(std::getline(lines, line));
}

INSTANTIATE_TEST_SUITE_P(Cases, Spectrum, ::testing::ValuesIn(SpectrumCases),
                         [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
}  // namespace cli::test
