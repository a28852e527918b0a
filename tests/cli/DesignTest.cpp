// tessaro design: JSON that parses and carries the library's coefficients
// bit for bit, plots of the asked size with the curve drawn, and the
// throughput and help lines; a run without a plot loads no Qt.
#include <gtest/gtest.h>

#include <QImage>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "CliRun.h"
#include "Near.h"
#include "SoundFiles.h"

namespace cli::test {
namespace {

using tessaro::Extended;
using tessaro::TsigIIRFilter;
using tessaro::test::SameBits;

// JSON numbers read with strtold, so that extended values come back whole.
using TJson = nlohmann::basic_json<std::map, std::vector, std::string, bool, std::int64_t, std::uint64_t, Extended>;

struct TDesignCase {
  const char* Name;
  std::vector<std::string> Options;
  TProperties Design;  // the same design through the setters
};

void PrintTo(const TDesignCase& c, std::ostream* out) { *out << c.Name; }

const TDesignCase DesignCases[] = {
    {"Default", {}, {}},
    {"ChebyshevBandpass",
     {"--kind", "chebyshev", "--ripple", "0.5", "--response", "bandpass", "--order", "4", "--f1", "500", "--f2",
      "2000", "--rate", "48000"},
     {tessaro::fkChebyshev, tessaro::ftBandpass, 4, 500.0L, 2000.0L, 0.5L, 48000.0L}},
    {"BesselHighpassClamped",
     {"--kind", "bessel", "--response", "highpass", "--order", "8", "--f1", "30000", "--rate", "44100"},
     {tessaro::fkBessel, tessaro::ftHighpass, 8, 30000.0L}},
    {"ButterworthBandstopOddDecimals",
     {"--response", "bandstop", "--order", "3", "--f1", "0.1", "--f2", "123.456789", "--rate", "1000"},
     {tessaro::fkButterworth, tessaro::ftBandstop, 3, 0.1L, 123.456789L, 0.0L, 1000.0L}},
    // The 20 Hz rumble filter, whose direct form is unsound: auto runs the cascade.
    {"RumbleHighpassAuto",
     {"--response", "highpass", "--order", "8", "--f1", "20", "--rate", "48000"},
     {tessaro::fkButterworth, tessaro::ftHighpass, 8, 20.0L, 3000.0L, 0.0L, 48000.0L}},
    {"RumbleHighpassDirect",
     {"--response", "highpass", "--order", "8", "--f1", "20", "--rate", "48000", "--structure", "Direct"},
     {tessaro::fkButterworth, tessaro::ftHighpass, 8, 20.0L, 3000.0L, 0.0L, 48000.0L, tessaro::fsDirect}},
    {"ChebyshevBandpassCascade",
     {"--kind", "Chebyshev", "--ripple", "0.5", "--response", "bandpass", "--order", "3", "--f1", "500", "--f2",
      "2000", "--rate", "48000", "--structure", "CASCADE"},
     {tessaro::fkChebyshev, tessaro::ftBandpass, 3, 500.0L, 2000.0L, 0.5L, 48000.0L, tessaro::fsCascade}},
};

::testing::AssertionResult SameValues(const TJson& values, std::span<const Extended> want, const char* what) {
  if (values.size() != want.size())
    return ::testing::AssertionFailure() << what << ": " << values.size() << " values, want " << want.size();
  for (std::size_t i = 0; i < want.size(); ++i)
    if (!SameBits(values[i].get<Extended>(), want[i]))
      return ::testing::AssertionFailure() << what << "[" << i << "] = " << values[i].dump();
  return ::testing::AssertionSuccess();
}

class Design : public TScratch, public ::testing::WithParamInterface<TDesignCase> {};

TEST_P(Design, JsonCarriesTheDesignBitForBit) {
  const TDesignCase& c = GetParam();
  std::vector<std::string> args = {"design", "--format", "json", "--response", "5"};
  args.insert(args.end(), c.Options.begin(), c.Options.end());
  const TRun run = Tessaro(args);
  ASSERT_EQ(run.Exit, 0) << run.Err;
  const TJson json = TJson::parse(run.Out);

  TsigIIRFilter want;
  Apply(c.Design, want);
  const std::size_t n = static_cast<std::size_t>(want.CoefficientCount());
  EXPECT_EQ(json["order"].get<int>(), want.Order());
  EXPECT_TRUE(SameBits(json["frequency1"].get<Extended>(), want.Frequency1()));
  EXPECT_TRUE(SameBits(json["frequency2"].get<Extended>(), want.Frequency2()));
  EXPECT_TRUE(SameBits(json["sampleRate"].get<Extended>(), want.SampleRate()));
  EXPECT_TRUE(SameBits(json["inputScale"].get<Extended>(), want.InputScale()));
  EXPECT_EQ(json["designMessage"].get<std::string>(), want.DesignMessage());
  EXPECT_TRUE(SameValues(json["inputCoefficients"], want.InputCoefficients().first(n), "inputCoefficients"));
  EXPECT_TRUE(SameValues(json["outputCoefficients"], want.OutputCoefficients().first(n), "outputCoefficients"));
  const auto& poles = want.ZPlane().Poles;
  ASSERT_EQ(json["zPlane"]["poles"].size(), static_cast<std::size_t>(want.ZPlane().PoleCount));
  for (std::size_t i = 0; i < json["zPlane"]["poles"].size(); ++i) {
    EXPECT_TRUE(SameBits(json["zPlane"]["poles"][i][0].get<Extended>(), poles[i].Re));
    EXPECT_TRUE(SameBits(json["zPlane"]["poles"][i][1].get<Extended>(), poles[i].Im));
  }
  // The realisation in force and the direct form's verdict, the sections
  // bit for bit.
  const tessaro::TsigIIRRealisation r = want.Realisation();
  const TJson& realisation = json["realisation"];
  EXPECT_EQ(realisation["structure"].get<std::string>(), r.Structure == tessaro::fsCascade ? "cascade" : "direct");
  EXPECT_EQ(realisation["sections"].get<int>(), r.SectionCount);
  EXPECT_TRUE(SameBits(realisation["largestRadius"].get<Extended>(), r.LargestRadius));
  EXPECT_TRUE(SameBits(realisation["responseDeviation"].get<Extended>(), r.ResponseDeviation));
  EXPECT_TRUE(SameBits(realisation["steadyDeviation"].get<Extended>(), r.SteadyDeviation));
  EXPECT_EQ(realisation["directFormSound"].get<bool>(), r.DirectFormSound);
  // JSON reads the "-0" of a first-order section's a2 as the integer 0.
  const auto sections = want.Sections();
  ASSERT_EQ(json["sections"].size(), sections.size());
  for (std::size_t i = 0; i < sections.size(); ++i) {
    const tessaro::TsigIIRSection& s = sections[i];
    const Extended row[] = {s.B0, s.B1, s.B2, s.A1, s.A2};
    ASSERT_EQ(json["sections"][i].size(), 5u);
    for (std::size_t j = 0; j < 5; ++j) {
      const Extended got = json["sections"][i][j].get<Extended>();
      EXPECT_TRUE(SameBits(got, row[j]) || (got == 0.0L && row[j] == 0.0L)) << "sections[" << i << "][" << j << "]";
    }
  }
  // Every realisation keeps the design's group delay in the table.
  for (std::size_t k = 1; k < 4; ++k) {
    const Extended f = json["responseTable"]["frequency"][k].get<Extended>();
    EXPECT_TRUE(SameBits(json["responseTable"]["groupDelaySamples"][k].get<Extended>(), want.GroupDelay(f)));
  }
  // The table's ends: 0 Hz and half the rate, the magnitude there as the
  // library computes it.
  const TJson& table = json["responseTable"];
  ASSERT_EQ(table["frequency"].size(), 5u);
  EXPECT_TRUE(SameBits(table["frequency"][4].get<Extended>(), want.SampleRate() / 2.0L));
  for (const std::size_t k : {std::size_t{0}, std::size_t{4}}) {
    const Extended f = table["frequency"][k].get<Extended>();
    const auto h = want.FrequencyResponse(f);
    const Extended db = 20.0L * std::log10(std::hypot(h.Re, h.Im));
    if (std::isfinite(db))
      EXPECT_TRUE(tessaro::test::Near(table["magnitudeDb"][k].get<Extended>(), db, 1e-12L, 1e-12L));
    else
      EXPECT_TRUE(table["magnitudeDb"][k].is_null());
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, Design, ::testing::ValuesIn(DesignCases),
                         [](const auto& info) { return std::string(info.param.Name); });

// The group delay of a first-order lowpass: H(z) = g (1 + z^-1) / (1 - a z^-1)
// has the delay 1/2 + a (cos w - a) / (1 - 2a cos w + a^2) samples.
TEST_F(TScratch, GroupDelayOfAFirstOrderLowpass) {
  const TRun run = Tessaro({"design", "--f1", "2000", "--rate", "48000", "--response", "7", "--format", "json"});
  ASSERT_EQ(run.Exit, 0) << run.Err;
  const TJson json = TJson::parse(run.Out);
  const Extended a = json["outputCoefficients"][0].get<Extended>();
  for (std::size_t k = 0; k + 1 < 7; ++k) {  // the last row lies on the zero at half the rate
    const Extended w = 2.0L * tessaro::Pi * json["responseTable"]["frequency"][k].get<Extended>() / 48000.0L;
    const Extended want = 0.5L + a * (std::cos(w) - a) / (1.0L - 2.0L * a * std::cos(w) + a * a);
    EXPECT_TRUE(tessaro::test::Near(json["responseTable"]["groupDelaySamples"][k].get<Extended>(), want, 1e-9L,
                                    1e-9L));
  }
}

// Plots of either command: the PNG has the asked size and the curve colour
// in most of its columns; there is no display and no platform set.
struct TPlotCase {
  const char* Name;
  std::vector<std::string> Args;
  int Width;
  int Height;
};

void PrintTo(const TPlotCase& c, std::ostream* out) { *out << c.Name; }

const TPlotCase PlotCases[] = {
    {"Design", {"design", "--response", "bandpass", "--order", "4", "--f1", "500", "--f2", "2000", "--rate", "48000"},
     640, 480},
    {"Spectrum", {"spectrum", "in.wav", "--size", "256"}, 1000, 300},
};

class Plot : public TScratch, public ::testing::WithParamInterface<TPlotCase> {};

TEST_P(Plot, WritesAPictureOfTheAskedSize) {
  const TPlotCase& c = GetParam();
  WriteSound(Path("in.wav"), TestSound(SF_FORMAT_WAV | SF_FORMAT_FLOAT, 1, 4096, 0.5));
  std::vector<std::string> args = c.Args;
  args.insert(args.end(), {"--plot", "out.png", "--plot-size", std::to_string(c.Width) + "x" + std::to_string(c.Height)});
  const TRun run = Tessaro(args, {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"});
  ASSERT_EQ(run.Exit, 0) << run.Err;
  EXPECT_EQ(run.Err, "");
  const QImage image(QString::fromStdString(Path("out.png")), "PNG");
  ASSERT_EQ(image.width(), c.Width);
  ASSERT_EQ(image.height(), c.Height);
  const QColor curve(0, 0, 192);
  std::set<int> columns;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (image.pixelColor(x, y) == curve) columns.insert(x);
  EXPECT_GT(static_cast<int>(columns.size()), c.Width * 3 / 4);
}

INSTANTIATE_TEST_SUITE_P(Cases, Plot, ::testing::ValuesIn(PlotCases),
                         [](const auto& info) { return std::string(info.param.Name); });

// The lines that are not files: throughput's count, every command's help.
struct TLineCase {
  const char* Name;
  std::vector<std::string> Args;
  const char* Text;  // "N per sec\n" for a count: the whole output; else a part of it
};

void PrintTo(const TLineCase& c, std::ostream* out) { *out << c.Name; }

const TLineCase LineCases[] = {
    {"ThroughputIIR", {"throughput", "iir", "--response", "bandstop", "--order", "8", "--duration", "20"},
     "N per sec\n"},
    {"ThroughputFFT", {"throughput", "fft", "--size", "256", "--operation", "inverse", "--duration", "20"},
     "N per sec\n"},
    {"DesignDirectForm", {"design"},
     "Structure   auto\nMessage     (none)\nRealisation direct form\nStability   direct form sound, realised pole radius 0.95"},
    {"DesignRumbleCascade", {"design", "--response", "highpass", "--order", "8", "--f1", "20", "--rate", "48000"},
     "Realisation cascade of 4 sections\nStability   direct form unsound, realised pole radius 0.99"},
    {"DesignRumbleDirect",
     {"design", "--response", "highpass", "--order", "8", "--f1", "20", "--rate", "48000", "--structure", "direct"},
     "Structure   direct\nMessage     (none)\nRealisation direct form\nStability   direct form unsound, realised pole "
     "radius 1.00"},
    {"DesignOneSection", {"design", "--structure", "cascade"},
     "Realisation cascade of 1 section\nStability   direct form sound, realised pole radius 0.95"},
    {"DesignSectionsInText", {"design", "--structure", "cascade"},
     "Sections (1), in running order, each y[n] = b0 x[n] + b1 x[n-1] + b2 x[n-2] + a1 y[n-1] + a2 y[n-2]\n"
     "  0.020927319118431158705  0.020927319118431158705  0  0.9581453617631376826  -0\n\nPoles"},
    {"DesignHelp", {"design", "--help"}, "\nExamples:\n  tessaro design "},
    {"FilterHelp", {"filter", "--help"}, "\nExamples:\n  tessaro filter "},
    {"SpectrumHelp", {"spectrum", "--help"}, "\nExamples:\n  tessaro spectrum "},
    {"ThroughputHelp", {"throughput", "fft", "--help"}, "\nExample:\n  tessaro throughput fft "},
};

class Line : public TScratch, public ::testing::WithParamInterface<TLineCase> {};

TEST_P(Line, PrintsWhatItShould) {
  const TRun run = Tessaro(GetParam().Args);
  EXPECT_EQ(run.Exit, 0) << run.Err;
  const std::string text = GetParam().Text;
  if (text.starts_with("N ")) {
    const std::size_t digits = run.Out.find_first_not_of("0123456789");
    EXPECT_GT(digits, 0u) << run.Out;
    EXPECT_EQ(run.Out.substr(std::min(digits, run.Out.size())), text.substr(1)) << run.Out;
  } else {
    EXPECT_NE(run.Out.find(text), std::string::npos) << run.Out;
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, Line, ::testing::ValuesIn(LineCases),
                         [](const auto& info) { return std::string(info.param.Name); });

// Qt lives in the plot module: the tool itself loads none of it.
TEST_F(TScratch, ToolLoadsNoQt) {
  setenv("LD_TRACE_LOADED_OBJECTS", "1", 1);
  const TRun run = Tessaro({});
  unsetenv("LD_TRACE_LOADED_OBJECTS");
  EXPECT_NE(run.Out.find("libsndfile"), std::string::npos) << run.Out;
  EXPECT_EQ(run.Out.find("libQt6"), std::string::npos) << run.Out;
}

}  // namespace
}  // namespace cli::test
