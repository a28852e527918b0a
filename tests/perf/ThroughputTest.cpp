// The measuring functions of the Perfomance program on the window's own
// components: what they write before the clock starts, what the timed calls
// leave behind, and the checks on their inputs.
#include <gtest/gtest.h>

#include <climits>
#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "Components.h"
#include "ReferenceDigits.h"
#include "Throughput.h"

namespace {

using tessaro::Extended;
using test::TMainComponents;

// Short windows keep the tests quick; the program uses 1000 ms.
constexpr int ShortMs = 20;

// --- input checks -------------------------------------------------------------

TEST(Throughput, AcceptsDurationsUpToOneSecond) {
  for (const int ms : {0, 1, 20, 999, 1000}) EXPECT_EQ(perf::CheckDuration(ms), static_cast<std::uint32_t>(ms));
}

TEST(Throughput, RejectsOtherDurationsNamingThem) {
  for (const int ms : {-1, -1000, 1001, 60000, INT_MIN, INT_MAX}) {
    try {
      perf::CheckDuration(ms);
      ADD_FAILURE() << "no exception for " << ms;
    } catch (const std::invalid_argument& e) {
      EXPECT_NE(std::string(e.what()).find(std::to_string(ms)), std::string::npos) << e.what();
    }
  }
}

TEST(Throughput, NamesTheThreeKinds) {
  EXPECT_EQ(perf::FilterKindFromName("Bessel"), tessaro::fkBessel);
  EXPECT_EQ(perf::FilterKindFromName("Butterworth"), tessaro::fkButterworth);
  EXPECT_EQ(perf::FilterKindFromName("Chebyshev"), tessaro::fkChebyshev);
  for (const char* bad : {"", "bessel", "Bessel ", "Elliptic", "fkBessel"}) {
    try {
      perf::FilterKindFromName(bad);
      ADD_FAILURE() << "no exception for \"" << bad << '"';
    } catch (const std::invalid_argument& e) {
      EXPECT_NE(std::string(e.what()).find('"' + std::string(bad) + '"'), std::string::npos) << e.what();
    }
  }
}

TEST(Throughput, ReadsFFTSizesAsIntegers) {
  struct Case { const char* Text; std::int32_t Size; };
  for (const Case& c : {Case{"128", 128}, Case{"1024", 1024}, Case{"0", 0}, Case{"-7", -7},
                        Case{"2147483647", INT32_MAX}})
    EXPECT_EQ(perf::FFTSizeFromText(c.Text), c.Size) << c.Text;
  for (const char* bad : {"", " 128", "128 ", "12a", "1e3", "0x80", "2147483648", "+128"}) {
    try {
      perf::FFTSizeFromText(bad);
      ADD_FAILURE() << "no exception for \"" << bad << '"';
    } catch (const std::invalid_argument& e) {
      EXPECT_NE(std::string(e.what()).find('"' + std::string(bad) + '"'), std::string::npos) << e.what();
    }
  }
}

// --- IIR ------------------------------------------------------------------------

struct TIIRCase {
  const char* Name;
  perf::TIIRSettings Settings;
};

const TIIRCase IIRCases[] = {
    {"BesselLowpass1", {tessaro::fkBessel, tessaro::ftLowpass, 1}},
    {"ButterworthHighpass4", {tessaro::fkButterworth, tessaro::ftHighpass, 4}},
    {"ChebyshevLowpass8", {tessaro::fkChebyshev, tessaro::ftLowpass, 8}},
    {"BesselHighpass8", {tessaro::fkBessel, tessaro::ftHighpass, 8}},
    {"ButterworthBandpass2", {tessaro::fkButterworth, tessaro::ftBandpass, 2}},
    {"ButterworthBandstop8", {tessaro::fkButterworth, tessaro::ftBandstop, 8}},
};

class IIRThroughput : public ::testing::TestWithParam<TIIRCase> {};

TEST_P(IIRThroughput, WritesTheDesignThenCountsSamples) {
  TMainComponents c;
  const perf::TIIRSettings& s = GetParam().Settings;
  const std::int32_t count = perf::MeasureIIRThroughput(c.Filter, s, ShortMs);
  EXPECT_GT(count, 0);
  EXPECT_EQ(c.Filter.Kind(), s.Kind);
  EXPECT_EQ(c.Filter.Response(), s.Response);
  EXPECT_EQ(c.Filter.Order(), s.Order);
  // The stored corners and sample rate are kept.
  EXPECT_EQ(c.Filter.Frequency1(), 400.0L);
  EXPECT_EQ(c.Filter.SampleRate(), 44100.0L);
}

INSTANTIATE_TEST_SUITE_P(Perf, IIRThroughput, ::testing::ValuesIn(IIRCases),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(Throughput, FeedsTheFilterSamplesOf1000) {
  // The start-up measurement: a first-order Bessel lowpass at 400 Hz, whose
  // gain at 0 Hz is 1, settles on the constant input within a few hundred
  // samples (its pole lies near 0.945).
  TMainComponents c;
  const std::int32_t count =
      perf::MeasureIIRThroughput(c.Filter, {tessaro::fkBessel, tessaro::ftLowpass, 1}, ShortMs);
  ASSERT_GT(count, 2000);
  const std::size_t newest = static_cast<std::size_t>(c.Filter.CoefficientCount());
  // The newest scaled input is exactly 1000 times the input scale.
  EXPECT_EQ(c.Filter.InputHistory()[newest], 1000.0L * c.Filter.InputScale());
  EXPECT_TRUE(tessaro::test::Near(c.Filter.OutputHistory()[newest], 1000.0L, 1e-9L, 1e-12L))
      << static_cast<double>(c.Filter.OutputHistory()[newest]);
}

TEST(Throughput, EqualBandEdgesTimeTheMuteAndPassRoutines) {
  // Both stored edges are 400 Hz: a bandpass silences every sample and a
  // bandstop passes it, without touching the histories.
  struct Case { tessaro::TsigIIRFilterResponse Response; Extended Out; };
  for (const Case& k : {Case{tessaro::ftBandpass, 0.0L}, Case{tessaro::ftBandstop, 5.0L}}) {
    TMainComponents c;
    EXPECT_GT(perf::MeasureIIRThroughput(c.Filter, {tessaro::fkButterworth, k.Response, 8}, ShortMs), 0);
    for (std::size_t i = 0; i < static_cast<std::size_t>(tessaro::PoleZeroCapacity); ++i) {
      EXPECT_EQ(c.Filter.InputHistory()[i], 0.0L) << "response " << int(k.Response) << " entry " << i;
      EXPECT_EQ(c.Filter.OutputHistory()[i], 0.0L) << "response " << int(k.Response) << " entry " << i;
    }
    EXPECT_EQ(c.Filter.Process(5.0L), k.Out) << "response " << int(k.Response);
  }
}

TEST(Throughput, PassesTheOrderUnclamped) {
  // An order outside 1..8 is handed to the filter as it is, which ignores
  // it: the order of the previous measurement stays.
  for (const int order : {0, 9, -1, 255, 256, 264, INT_MIN, INT_MAX}) {
    TMainComponents c;
    perf::MeasureIIRThroughput(c.Filter, {tessaro::fkBessel, tessaro::ftLowpass, 3}, 0);
    ASSERT_EQ(c.Filter.Order(), 3);
    EXPECT_GT(perf::MeasureIIRThroughput(c.Filter, {tessaro::fkChebyshev, tessaro::ftHighpass, order}, ShortMs), 0);
    EXPECT_EQ(c.Filter.Order(), 3) << "order " << order;
    EXPECT_EQ(c.Filter.Kind(), tessaro::fkChebyshev);
    EXPECT_EQ(c.Filter.Response(), tessaro::ftHighpass);
  }
}

TEST(Throughput, ZeroDurationWritesTheDesignAndCountsNothing) {
  TMainComponents c;
  EXPECT_EQ(perf::MeasureIIRThroughput(c.Filter, {tessaro::fkChebyshev, tessaro::ftBandstop, 6}, 0), 0);
  EXPECT_EQ(c.Filter.Kind(), tessaro::fkChebyshev);
  EXPECT_EQ(c.Filter.Response(), tessaro::ftBandstop);
  EXPECT_EQ(c.Filter.Order(), 6);
}

TEST(Throughput, BadDurationLeavesTheFilterAlone) {
  TMainComponents c;
  EXPECT_THROW(perf::MeasureIIRThroughput(c.Filter, {tessaro::fkBessel, tessaro::ftBandpass, 5}, 1001),
               std::invalid_argument);
  EXPECT_EQ(c.Filter.Kind(), tessaro::fkButterworth);
  EXPECT_EQ(c.Filter.Response(), tessaro::ftHighpass);
  EXPECT_EQ(c.Filter.Order(), 1);
}

// --- FFT ------------------------------------------------------------------------

// RealIn[n] and ImagIn[n] as the generator fills them: digits 2n and 2n + 1
// of the sequence, counted from `first`.
struct TFilled {
  std::vector<float> Real, Imag;
  TFilled(std::size_t n, std::size_t first) {
    const std::vector<int>& d = test::ReferenceDigits();
    for (std::size_t i = 0; i < n; ++i) {
      Real.push_back(static_cast<float>(d.at(first + 2 * i)));
      Imag.push_back(static_cast<float>(d.at(first + 2 * i + 1)));
    }
  }
};

void ExpectSpans(std::span<const float> actual, const std::vector<float>& expected, const char* what) {
  ASSERT_EQ(actual.size(), expected.size()) << what;
  for (std::size_t i = 0; i < expected.size(); ++i) ASSERT_EQ(actual[i], expected[i]) << what << '[' << i << ']';
}

float Sum(std::span<const float> values) {
  double sum = 0.0;
  for (const float v : values) sum += v;
  return static_cast<float>(sum);
}

struct TFFTCase {
  std::int32_t Size;  // asked for
  std::int32_t N;     // the component's rounding
};

class FFTThroughput : public ::testing::TestWithParam<TFFTCase> {};

TEST_P(FFTThroughput, ForwardLeavesTheRandomInputAlone) {
  TMainComponents c;
  perf::TRandomDigits random;
  const std::int32_t count =
      perf::MeasureFFTThroughput(c.FFT, GetParam().Size, perf::TFFTOperation::Forward, random, ShortMs);
  EXPECT_GT(count, 0);
  ASSERT_EQ(c.FFT.BufferSize(), GetParam().N);
  const TFilled filled(static_cast<std::size_t>(GetParam().N), 0);
  ExpectSpans(std::as_const(c.FFT).RealIn(), filled.Real, "RealIn");
  ExpectSpans(std::as_const(c.FFT).ImagIn(), filled.Imag, "ImagIn");
  // Bin 0 of the unscaled forward transform is the plain sum of the digits,
  // exact in float at these sizes.
  EXPECT_EQ(c.FFT.RealOut()[0], Sum(filled.Real));
  EXPECT_EQ(c.FFT.ImagOut()[0], Sum(filled.Imag));
}

TEST_P(FFTThroughput, InverseMirrorsTheUpperHalfOnEveryCall) {
  TMainComponents c;
  perf::TRandomDigits random;
  const std::int32_t count =
      perf::MeasureFFTThroughput(c.FFT, GetParam().Size, perf::TFFTOperation::Inverse, random, ShortMs);
  EXPECT_GT(count, 0);
  const auto n = static_cast<std::size_t>(GetParam().N);
  ASSERT_EQ(c.FFT.BufferSize(), GetParam().N);
  const TFilled filled(n, 0);
  const auto realIn = std::as_const(c.FFT).RealIn();
  const auto imagIn = std::as_const(c.FFT).ImagIn();
  // Indices 0..N/2 keep their digits (N/2 is its own mirror and is left
  // alone); N/2 + 1..N - 1 hold the conjugates of N/2 - 1..1.
  for (std::size_t k = 0; k <= n / 2; ++k) {
    ASSERT_EQ(realIn[k], filled.Real[k]) << k;
    ASSERT_EQ(imagIn[k], filled.Imag[k]) << k;
  }
  for (std::size_t k = 1; k < n / 2; ++k) {
    ASSERT_EQ(realIn[n - k], filled.Real[k]) << n - k;
    ASSERT_EQ(imagIn[n - k], -filled.Imag[k]) << n - k;
  }
  // Bin 0 of the inverse is the mean of the mirrored input: an integer sum
  // divided by a power of two, exact in float.
  const float scale = 1.0f / static_cast<float>(n);
  EXPECT_EQ(c.FFT.RealOut()[0], Sum(realIn) * scale);
  EXPECT_EQ(c.FFT.ImagOut()[0], Sum(imagIn) * scale);
}

INSTANTIATE_TEST_SUITE_P(Perf, FFTThroughput,
                         ::testing::Values(TFFTCase{128, 128}, TFFTCase{256, 256}, TFFTCase{512, 512},
                                           TFFTCase{1024, 1024}, TFFTCase{1000, 512}, TFFTCase{3, 4}),
                         [](const auto& info) { return "Size" + std::to_string(info.param.Size); });

TEST(Throughput, SuccessiveFFTTestsDrawNewDigits) {
  TMainComponents c;
  perf::TRandomDigits random;
  perf::MeasureFFTThroughput(c.FFT, 128, perf::TFFTOperation::Forward, random, 0);
  perf::MeasureFFTThroughput(c.FFT, 256, perf::TFFTOperation::Forward, random, 0);
  const TFilled second(256, 2 * 128);
  ExpectSpans(std::as_const(c.FFT).RealIn(), second.Real, "RealIn");
  ExpectSpans(std::as_const(c.FFT).ImagIn(), second.Imag, "ImagIn");
}

TEST(Throughput, BadDurationLeavesTheFFTAndGeneratorAlone) {
  TMainComponents c;
  perf::TRandomDigits random;
  EXPECT_THROW(perf::MeasureFFTThroughput(c.FFT, 1024, perf::TFFTOperation::Forward, random, -1),
               std::invalid_argument);
  EXPECT_EQ(c.FFT.BufferSize(), 512);
  for (const float v : std::as_const(c.FFT).RealIn()) ASSERT_EQ(v, 0.0f);
  EXPECT_EQ(random.Next(), test::ReferenceDigits()[0]);
}

}  // namespace
