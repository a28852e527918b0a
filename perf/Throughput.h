// Throughput of the library's components: how many samples an IIR filter,
// or how many transforms an FFT, completes within a window of the
// millisecond clock. The window of the Perfomance program uses these with
// 1000 ms; they need no window and no Qt.
//
// Each measurement first assigns the component's properties (so any
// redesign or resize happens before the clock starts) and prepares its
// input, then runs the timed loop of CountCalls: read the clock, make one
// call, count it. The clock read is part of every counted iteration.
#pragma once

#include <cstdint>
#include <string_view>

#include "RandomDigits.h"
#include "tessaro/sigFFT.h"
#include "tessaro/sigIIRFilters.h"

namespace perf {

// The longest measuring window, in ms. It keeps the 32-bit count far from
// overflow.
inline constexpr int MaxDurationMs = 1000;

// durationMs as the unsigned window of CountCalls; invalid_argument naming
// the value unless it lies in 0..MaxDurationMs.
std::uint32_t CheckDuration(int durationMs);

// The design written before an IIR measurement. Order is passed to the
// filter as it is: a value outside 1..8 leaves the filter's order unchanged.
struct TIIRSettings {
  tessaro::TsigIIRFilterKind Kind = tessaro::fkBessel;
  tessaro::TsigIIRFilterResponse Response = tessaro::ftLowpass;
  int Order = 1;
};

// Writes Kind, Response and Order (in that order, each through its setter),
// then counts Process(1000.0) calls for durationMs. The other properties
// (frequencies, sample rate, ripple) stay as the filter has them.
// invalid_argument for a bad duration, before anything is written.
std::int32_t MeasureIIRThroughput(tessaro::TsigCustomIIRFilter& filter, const TIIRSettings& settings,
                                  int durationMs);

enum class TFFTOperation : std::uint8_t { Forward, Inverse };

// Sets BufferSize to size (the component rounds it to a power of two in
// 4..32768), fills RealIn[n] and then ImagIn[n] for n = 0..N-1 with the next
// digits of random, then counts calls of the operation for durationMs. Every
// call works on the same arrays: Forward leaves them alone unless a window
// is set, Inverse mirrors their upper half first.
// invalid_argument for a bad duration, before anything is changed.
std::int32_t MeasureFFTThroughput(tessaro::TsigCustomFFT& fft, std::int32_t size, TFFTOperation operation,
                                  TRandomDigits& random, int durationMs);

// The filter kind an item of the window's kind list names: "Bessel",
// "Butterworth" or "Chebyshev"; invalid_argument naming any other text.
tessaro::TsigIIRFilterKind FilterKindFromName(std::string_view name);

// The FFT size an item of the window's size list shows: a decimal integer
// with nothing around it; invalid_argument naming any other text.
std::int32_t FFTSizeFromText(std::string_view text);

}  // namespace perf
