// tessaro throughput iir|fft: the Perfomance program's measurement, without
// its window: the same components, the same timed loop, the same line.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <memory>
#include <string>

#include "Commands.h"
#include "Errors.h"
#include "FilterOptions.h"
#include "ComponentsStoredForm.h"
#include "StoredComponents.h"
#include "Throughput.h"
#include "tessaro/sigStoredForm.h"

namespace cli {
namespace {

struct TThroughputOptions {
  TFilterOptions Filter;
  int Size = 1024;
  std::string Operation = "forward";
  int DurationMs = perf::MaxDurationMs;
};

void Print(std::int32_t count) {
  std::printf("%d per sec\n", static_cast<int>(count));
  std::fflush(stdout);
}

void RunIIR(TThroughputOptions options) {
  // The window's first test: a Bessel lowpass of order 1.
  if (options.Filter.Form.empty()) {
    if (!options.Filter.Kind) options.Filter.Kind = tessaro::fkBessel;
    if (!options.Filter.Response) options.Filter.Response = tessaro::ftLowpass;
    if (!options.Filter.Order) options.Filter.Order = 1;
  }
  const TStoredComponents components(perf::ComponentsStoredForm);
  auto& filter = components.Find<tessaro::TsigIIRFilter>("sigIIRFilter");
  DesignFilter(options.Filter, filter);
  const perf::TIIRSettings settings{filter.Kind(), filter.Response(), filter.Order()};
  Print(perf::MeasureIIRThroughput(filter, settings, options.DurationMs));
}

void RunFFT(const TThroughputOptions& options) {
  const TStoredComponents components(perf::ComponentsStoredForm);
  auto& fft = components.Find<tessaro::TsigFFT>("sigFFT1");
  perf::TRandomDigits random;
  const auto operation = options.Operation == "inverse" ? perf::TFFTOperation::Inverse : perf::TFFTOperation::Forward;
  Print(perf::MeasureFFTThroughput(fft, options.Size, operation, random, options.DurationMs));
}

CLI::Option* AddDuration(CLI::App& command, int& durationMs) {
  return command
      .add_option("--duration", durationMs,
                  "Measuring window in ms, 0 to " + std::to_string(perf::MaxDurationMs) + " (default " +
                      std::to_string(perf::MaxDurationMs) + ")")
      ->check(CLI::Range(0, perf::MaxDurationMs));
}

}  // namespace

void AddThroughputCommand(CLI::App& app, TWork work) {
  auto options = std::make_shared<TThroughputOptions>();
  auto* command = app.add_subcommand("throughput", "Count filter samples or FFTs per second, as Perfomance does");
  command->require_subcommand(1);
  command->footer(
      "Examples:\n"
      "  tessaro throughput iir --kind butterworth --response bandstop --order 8\n"
      "  tessaro throughput fft --size 1024 --operation inverse");

  auto* iir = command->add_subcommand("iir", "Process calls of one IIR design within the window");
  AddFilterOptions(*iir, options->Filter, TRateOption::With);
  AddDuration(*iir, options->DurationMs);
  iir->footer(
      "The filter starts as the Perfomance program's (corners at 400 Hz, 44100 Hz) and is a\n"
      "Bessel lowpass of order 1 unless the options say otherwise; each counted call filters\n"
      "the sample 1000.\n\n"
      "Example:\n"
      "  tessaro throughput iir --kind chebyshev --ripple 1 --response bandpass --order 4 --f2 4000");
  iir->callback([options, work] {
    if (work == TWork::Run) RunIIR(*options);
  });

  auto* fft = command->add_subcommand("fft", "Transforms of one FFT size within the window");
  fft->add_option("--size", options->Size, "Points, rounded down to a power of two in 4..32768 (default 1024)")
      ->check(CLI::Range(4, 32768));
  fft->add_option("--operation", options->Operation, "forward or inverse (default forward)")
      ->check(CLI::IsMember({"forward", "inverse"}, CLI::ignore_case));
  AddDuration(*fft, options->DurationMs);
  fft->footer(
      "The input is the program's: pseudo-random digits 0..99 from a fixed seed.\n\n"
      "Example:\n"
      "  tessaro throughput fft --size 4096 --operation inverse");
  fft->callback([options, work] {
    if (work == TWork::Run) RunFFT(*options);
  });
}

}  // namespace cli
