// The options that describe an IIR filter, shared by design, filter and
// throughput: either the design properties one by one or a stored form.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "tessaro/sigIIRFilters.h"

namespace CLI {
class App;
}

namespace cli {

struct TFilterOptions {
  std::optional<tessaro::TsigIIRFilterKind> Kind;
  std::optional<tessaro::TsigIIRFilterResponse> Response;
  std::optional<int> Order;
  std::optional<tessaro::Extended> Frequency1;
  std::optional<tessaro::Extended> Frequency2;
  std::optional<tessaro::Extended> SampleRate;  // design only: elsewhere the file's rate
  std::optional<tessaro::Extended> Ripple;
  std::optional<tessaro::TsigIIRStructure> Structure;
  std::string Form;                             // stored-form file, or empty
  bool Retune = false;                          // a form at another rate is redesigned
};

enum class TRateOption : bool { Without, With };
enum class TRetuneOption : bool { Without, With };

// Adds --kind, --response, --order, --f1, --f2, --ripple, --structure and
// --form to a
// command, --rate and --retune where asked for. --form excludes the others.
// With responseTable, --response also takes a count of frequencies N
// (design's response table) and may then be given twice, once with a band
// form and once with N; a count never conflicts with --form.
void AddFilterOptions(CLI::App& command, TFilterOptions& options, TRateOption rate,
                      TRetuneOption retune = TRetuneOption::Without, int* responseTable = nullptr);

// The sample rate of the file a filter is going to run on.
struct TFileRate {
  tessaro::Extended Rate = 0.0L;
  std::string_view FileName;
};

// Designs the filter: loads the stored form, or assigns the options that
// were given, the sample rate first so that the frequencies are clamped
// against it; the others keep the filter's values. With a file, the
// filter runs at the file's rate: options take it as their sample rate, and
// a stored form must already have it unless Retune is set, which redesigns
// the form at the file's rate. A form that does not read, a design the
// library rejects or a rate that differs throws TRunError naming the form's
// file, the option or the audio file.
void DesignFilter(const TFilterOptions& options, tessaro::TsigCustomIIRFilter& filter,
                  const TFileRate* file = nullptr);

// The option names of the enumerations ("butterworth", "bandpass").
std::string_view KindName(tessaro::TsigIIRFilterKind kind);
std::string_view ResponseName(tessaro::TsigIIRFilterResponse response);
std::string_view StructureName(tessaro::TsigIIRStructure structure);

}  // namespace cli
