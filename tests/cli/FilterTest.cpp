// tessaro filter against the library's block Process on the same samples:
// float and double outputs bit for bit, integer outputs within one step of
// the rounded reference, every channel on its own, clipping counted.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "CliRun.h"
#include "SoundFiles.h"

namespace cli::test {
namespace {

using tessaro::Extended;

constexpr std::size_t Frames = 6000;

struct TFilterCase {
  const char* Name;
  int InputFormat;
  int Channels;
  double Amplitude;
  int Rate;
  std::vector<std::string> Options;  // design and output options
  int OutputFormat;                  // major format and subtype OUT must have
  TProperties Design;                // the same design, through the setters
};

void PrintTo(const TFilterCase& c, std::ostream* out) { *out << c.Name; }

const TFilterCase FilterCases[] = {
    {"FloatMonoBandpass", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 1, 0.5, 48000,
     {"--response", "bandpass", "--order", "4", "--f1", "500", "--f2", "2000"}, SF_FORMAT_WAV | SF_FORMAT_FLOAT,
     {tessaro::fkButterworth, tessaro::ftBandpass, 4, 500.0L, 2000.0L}},
    {"DoubleStereoChebyshevHighpass", SF_FORMAT_WAV | SF_FORMAT_DOUBLE, 2, 0.5, 48000,
     {"--kind", "chebyshev", "--ripple", "1", "--response", "highpass", "--order", "3", "--f1", "1000"},
     SF_FORMAT_WAV | SF_FORMAT_DOUBLE, {tessaro::fkChebyshev, tessaro::ftHighpass, 3, 1000.0L, 3000.0L, 1.0L}},
    {"Pcm16ThreeChannelsBessel", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 3, 0.5, 48000,
     {"--kind", "bessel", "--order", "6", "--f1", "3000"}, SF_FORMAT_WAV | SF_FORMAT_PCM_16,
     {tessaro::fkBessel, tessaro::ftLowpass, 6, 3000.0L}},
    {"AiffPcm24Bandstop", SF_FORMAT_AIFF | SF_FORMAT_PCM_24, 2, 0.7, 48000,
     {"--response", "bandstop", "--order", "2", "--f1", "900", "--f2", "1100"}, SF_FORMAT_AIFF | SF_FORMAT_PCM_24,
     {tessaro::fkButterworth, tessaro::ftBandstop, 2, 900.0L, 1100.0L}},
    {"Flac44100", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 2, 0.5, 44100, {"--order", "2", "--f1", "5000"},
     SF_FORMAT_FLAC | SF_FORMAT_PCM_16, {tessaro::fkButterworth, tessaro::ftLowpass, 2, 5000.0L}},
    {"Pcm16ToDouble", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, 0.5, 48000,
     {"--order", "8", "--f1", "2000", "--subtype", "double"}, SF_FORMAT_WAV | SF_FORMAT_DOUBLE,
     {tessaro::fkButterworth, tessaro::ftLowpass, 8, 2000.0L}},
    // The 20 Hz rumble filter, whose direct form is unsound, in every
    // structure: the library's own output in each, and what it runs under auto.
    {"RumbleCascade", SF_FORMAT_WAV | SF_FORMAT_DOUBLE, 2, 0.5, 48000,
     {"--response", "highpass", "--order", "8", "--f1", "20", "--structure", "cascade"}, SF_FORMAT_WAV | SF_FORMAT_DOUBLE,
     {tessaro::fkButterworth, tessaro::ftHighpass, 8, 20.0L, 3000.0L, 0.0L, 44100.0L, tessaro::fsCascade}},
    {"RumbleAutoIsTheCascade", SF_FORMAT_WAV | SF_FORMAT_DOUBLE, 1, 0.5, 48000,
     {"--response", "HighPass", "--order", "8", "--f1", "20", "--structure", "AUTO"}, SF_FORMAT_WAV | SF_FORMAT_DOUBLE,
     {tessaro::fkButterworth, tessaro::ftHighpass, 8, 20.0L, 3000.0L, 0.0L, 44100.0L, tessaro::fsCascade}},
    {"RumbleDirect", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 1, 0.5, 48000,
     {"--response", "highpass", "--order", "8", "--f1", "20", "--structure", "direct"}, SF_FORMAT_WAV | SF_FORMAT_FLOAT,
     {tessaro::fkButterworth, tessaro::ftHighpass, 8, 20.0L, 3000.0L, 0.0L, 44100.0L, tessaro::fsDirect}},
    {"BandpassCascade", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 2, 0.5, 48000,
     {"--kind", "CHEBYSHEV", "--ripple", "0.5", "--response", "bandpass", "--order", "3", "--f1", "500", "--f2",
      "2000", "--structure", "cascade"},
     SF_FORMAT_WAV | SF_FORMAT_FLOAT,
     {tessaro::fkChebyshev, tessaro::ftBandpass, 3, 500.0L, 2000.0L, 0.5L, 44100.0L, tessaro::fsCascade}},
    // Peaks of 1.5 through a filter that passes them: the 16-bit output clips.
    {"FloatToPcm16Clips", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 2, 1.5, 48000, {"--f1", "20000", "--subtype", "pcm_16"},
     SF_FORMAT_WAV | SF_FORMAT_PCM_16, {tessaro::fkButterworth, tessaro::ftLowpass, 1, 20000.0L}},
    // FLAC holds no float: the usual 24-bit PCM instead.
    {"FloatWavToFlac", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 1, 0.5, 48000, {"--f1", "700", "--format", "flac"},
     SF_FORMAT_FLAC | SF_FORMAT_PCM_24, {tessaro::fkButterworth, tessaro::ftLowpass, 1, 700.0L}},
};

class FilterFile : public TScratch, public ::testing::WithParamInterface<TFilterCase> {};

TEST_P(FilterFile, MatchesBlockProcessPerChannel) {
  const TFilterCase& c = GetParam();
  const TSound input = TestSound(c.InputFormat, c.Channels, Frames, c.Amplitude, c.Rate);
  WriteSound(Path("in"), input);
  std::vector<std::string> args = {"filter", "in", "out"};
  args.insert(args.end(), c.Options.begin(), c.Options.end());
  const TRun run = Tessaro(args);
  ASSERT_EQ(run.Exit, 0) << run.Err;

  const TSound output = ReadSound(Path("out"));
  ASSERT_EQ(output.Format & (SF_FORMAT_TYPEMASK | SF_FORMAT_SUBMASK), c.OutputFormat);
  ASSERT_EQ(output.Rate, c.Rate);
  ASSERT_EQ(output.Channels, c.Channels);
  ASSERT_EQ(output.Samples.size(), input.Samples.size());
  const std::vector<Extended> want = Reference(input, c.Design);

  const int bits = IntegerBits(c.OutputFormat);
  const Extended scale = std::ldexp(1.0L, bits - 1);
  std::size_t mismatches = 0;
  std::size_t clipped = 0;
  for (std::size_t i = 0; i < want.size(); ++i) {
    const double got = output.Samples[i];
    bool same = false;
    if ((c.OutputFormat & SF_FORMAT_SUBMASK) == SF_FORMAT_FLOAT) {
      const float expected = static_cast<float>(want[i]);
      const float stored = static_cast<float>(got);  // read from a float: exact
      same = std::memcmp(&expected, &stored, sizeof stored) == 0;
    } else if ((c.OutputFormat & SF_FORMAT_SUBMASK) == SF_FORMAT_DOUBLE) {
      const double expected = static_cast<double>(want[i]);
      same = std::memcmp(&expected, &got, sizeof got) == 0;
    } else {
      Extended expected = std::nearbyint(want[i] * scale);
      if (expected < -scale || expected > scale - 1.0L) {
        ++clipped;
        expected = std::clamp(expected, -scale, scale - 1.0L);
      }
      same = std::fabs(static_cast<Extended>(got) * scale - expected) <= 1.0L;
    }
    if (!same && mismatches++ < 5)
      ADD_FAILURE() << "sample " << i << " (channel " << i % c.Channels << "): got " << got << ", want "
                    << static_cast<double>(want[i]);
  }
  EXPECT_EQ(mismatches, 0u);
  if (clipped > 0)
    EXPECT_EQ(run.Err, "tessaro: out: " + std::to_string(clipped) + " of " + std::to_string(want.size()) +
                           " samples clipped to the output's range\n");
  else
    EXPECT_EQ(run.Err, "");
  EXPECT_EQ(std::string(c.Name) == "FloatToPcm16Clips", clipped > 0) << "the case table lost its clipping case";
}

INSTANTIATE_TEST_SUITE_P(Cases, FilterFile, ::testing::ValuesIn(FilterCases),
                         [](const auto& info) { return std::string(info.param.Name); });

// A stored form saved by design filters exactly as the options it came from.
TEST_F(TScratch, SavedFormFiltersLikeItsOptions) {
  WriteSound(Path("in.wav"), TestSound(SF_FORMAT_WAV | SF_FORMAT_FLOAT, 2, Frames, 0.5));
  const std::vector<std::string> design = {"--kind", "chebyshev", "--ripple", "0.5", "--order", "5", "--f1", "1234.5"};
  std::vector<std::string> save = {"design", "--rate", "48000", "--save", "f.txt"};
  save.insert(save.end(), design.begin(), design.end());
  ASSERT_EQ(Tessaro(save).Exit, 0);
  std::vector<std::string> direct = {"filter", "in.wav", "a.wav"};
  direct.insert(direct.end(), design.begin(), design.end());
  ASSERT_EQ(Tessaro(direct).Exit, 0);
  ASSERT_EQ(Tessaro({"filter", "--form", "f.txt", "in.wav", "b.wav"}).Exit, 0);
  EXPECT_EQ(ReadSound(Path("a.wav")).Samples, ReadSound(Path("b.wav")).Samples);
}

// A form at another rate, redesigned with --retune, filters as the same
// design made at the file's rate.
TEST_F(TScratch, RetunedFormFiltersAtTheFileRate) {
  WriteSound(Path("in.wav"), TestSound(SF_FORMAT_WAV | SF_FORMAT_DOUBLE, 1, Frames, 0.5, 32000));
  ASSERT_EQ(Tessaro({"design", "--rate", "96000", "--order", "3", "--f1", "1000", "--save", "f.txt"}).Exit, 0);
  ASSERT_EQ(Tessaro({"filter", "--form", "f.txt", "--retune", "in.wav", "a.wav"}).Exit, 0);
  ASSERT_EQ(Tessaro({"filter", "--order", "3", "--f1", "1000", "in.wav", "b.wav"}).Exit, 0);
  EXPECT_EQ(ReadSound(Path("a.wav")).Samples, ReadSound(Path("b.wav")).Samples);
}

}  // namespace
}  // namespace cli::test
