#include "Throughput.h"

#include <charconv>
#include <stdexcept>
#include <string>

#include "CountCalls.h"
#include "MillisecondClock.h"

namespace perf {

std::uint32_t CheckDuration(int durationMs) {
  if (durationMs < 0 || durationMs > MaxDurationMs)
    throw std::invalid_argument("Measuring duration " + std::to_string(durationMs) + " ms is outside 0.." +
                                std::to_string(MaxDurationMs) + " ms");
  return static_cast<std::uint32_t>(durationMs);
}

std::int32_t MeasureIIRThroughput(tessaro::TsigCustomIIRFilter& filter, const TIIRSettings& settings,
                                  int durationMs) {
  const std::uint32_t duration = CheckDuration(durationMs);
  filter.SetKind(settings.Kind);
  filter.SetResponse(settings.Response);
  filter.SetOrder(settings.Order);
  return CountCalls(MillisecondClock, [&filter] { filter.Process(1000.0L); }, duration);
}

std::int32_t MeasureFFTThroughput(tessaro::TsigCustomFFT& fft, std::int32_t size, TFFTOperation operation,
                                  TRandomDigits& random, int durationMs) {
  const std::uint32_t duration = CheckDuration(durationMs);
  fft.SetBufferSize(size);
  const auto realIn = fft.RealIn();
  const auto imagIn = fft.ImagIn();
  for (std::size_t n = 0; n < realIn.size(); ++n) {
    realIn[n] = static_cast<float>(random.Next());
    imagIn[n] = static_cast<float>(random.Next());
  }
  if (operation == TFFTOperation::Inverse)
    return CountCalls(MillisecondClock, [&fft] { fft.Inverse(); }, duration);
  return CountCalls(MillisecondClock, [&fft] { fft.Forward(); }, duration);
}

tessaro::TsigIIRFilterKind FilterKindFromName(std::string_view name) {
  if (name == "Bessel") return tessaro::fkBessel;
  if (name == "Butterworth") return tessaro::fkButterworth;
  if (name == "Chebyshev") return tessaro::fkChebyshev;
  throw std::invalid_argument("Filter kind \"" + std::string(name) +
                              "\" is not one of Bessel, Butterworth, Chebyshev");
}

std::int32_t FFTSizeFromText(std::string_view text) {
  std::int32_t size = 0;
  const char* const end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, size);
  if (text.empty() || error != std::errc{} || stop != end)
    throw std::invalid_argument("FFT size \"" + std::string(text) + "\" is not an integer");
  return size;
}

}  // namespace perf
