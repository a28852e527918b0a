#include "FilterOptions.h"

#include <CLI/CLI.hpp>

#include <array>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <utility>

#include "Decimal.h"
#include "Errors.h"
#include "NameTable.h"
#include "tessaro/sigStoredForm.h"

namespace cli {
namespace {

constexpr std::array<std::pair<std::string_view, tessaro::TsigIIRFilterKind>, 3> Kinds{{
    {"butterworth", tessaro::fkButterworth},
    {"chebyshev", tessaro::fkChebyshev},
    {"bessel", tessaro::fkBessel},
}};

constexpr std::array<std::pair<std::string_view, tessaro::TsigIIRFilterResponse>, 4> Responses{{
    {"lowpass", tessaro::ftLowpass},
    {"highpass", tessaro::ftHighpass},
    {"bandpass", tessaro::ftBandpass},
    {"bandstop", tessaro::ftBandstop},
}};

constexpr std::array<std::pair<std::string_view, tessaro::TsigIIRStructure>, 3> Structures{{
    {"direct", tessaro::fsDirect},
    {"cascade", tessaro::fsCascade},
    {"auto", tessaro::fsAuto},
}};

// Stored forms are a few hundred bytes; anything far larger is not one.
constexpr std::streamsize LargestForm = 1 << 20;

// Rows of design's response table at most.
constexpr int MaxResponsePoints = 1 << 20;

std::string ReadForm(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw RunError(path, std::strerror(errno));
  std::string text(static_cast<std::size_t>(LargestForm) + 1, '\0');
  in.read(text.data(), LargestForm + 1);
  if (in.bad()) throw RunError(path, "read error");
  if (in.gcount() > LargestForm) throw RunError(path, "larger than 1 MiB, not a stored form");
  text.resize(static_cast<std::size_t>(in.gcount()));
  return text;
}

// Runs one assignment and reports what the library rejects under the name
// of the option or file it came from.
template <class Assignment>
void Assign(const std::string& where, Assignment&& assign) {
  try {
    assign();
  } catch (const TRunError&) {
    throw;
  } catch (const std::exception& e) {
    throw RunError(where, e.what());
  }
}

void LoadForm(const TFilterOptions& options, tessaro::TsigCustomIIRFilter& filter, const TFileRate* file) {
  const std::string text = ReadForm(options.Form);
  Assign(options.Form, [&] { tessaro::ReadComponent(filter, text); });
  if (!file || filter.SampleRate() == file->Rate) return;
  if (!options.Retune)
    throw RunError(options.Form, "SampleRate " + Decimal(filter.SampleRate()) + " Hz differs from " +
                                     std::string(file->FileName) + "'s " + Decimal(file->Rate) +
                                     " Hz (--retune redesigns the filter at the file's rate)");
  Assign(options.Form, [&] { filter.SetSampleRate(file->Rate); });
}

// --response of design: a band form, a count of frequencies, or one of each.
// Whether a band form meets --form is checked by DesignFilter, since the
// same option may carry the count.
void AddResponseOrCount(CLI::Option_group& group, TFilterOptions& options, int& count) {
  group
      .add_option_function<std::vector<std::string>>(
          "--response",
          [&options, &count](const std::vector<std::string>& values) {
            bool band = false;
            bool table = false;
            for (std::string v : values) {
              for (char& c : v) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
              int n = 0;
              if (CLI::detail::lexical_cast(v, n)) {
                if (table) throw CLI::ValidationError("--response", "the count N is given twice");
                if (n < 1 || n > MaxResponsePoints)
                  throw CLI::ValidationError("--response", "N = " + v + " lies outside 1.." +
                                                               std::to_string(MaxResponsePoints));
                count = n;
                table = true;
              } else if (const auto response = Find(Responses, v)) {
                if (band) throw CLI::ValidationError("--response", "the band form is given twice");
                options.Response = Find(Responses, v);
                band = true;
              } else {
                throw CLI::ValidationError("--response", "\"" + v +
                                                             "\" is neither lowpass, highpass, bandpass, "
                                                             "bandstop nor a count of frequencies");
              }
            }
          },
          "Band form: lowpass, highpass, bandpass or bandstop; and/or N: add a table of N frequencies "
          "from 0 to rate/2 with magnitude (dB), phase (degrees) and group delay (samples)")
      ->expected(1)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
}

}  // namespace

std::string_view KindName(tessaro::TsigIIRFilterKind kind) { return NameOf(Kinds, kind); }
std::string_view ResponseName(tessaro::TsigIIRFilterResponse response) { return NameOf(Responses, response); }
std::string_view StructureName(tessaro::TsigIIRStructure structure) { return NameOf(Structures, structure); }

void AddFilterOptions(CLI::App& command, TFilterOptions& options, TRateOption rate, TRetuneOption retune,
                      int* responseTable) {
  auto* group = command.add_option_group("Filter", "The filter: design options or a stored form");
  std::vector<CLI::Option*> design;
  design.push_back(group
                       ->add_option_function<std::string>(
                           "--kind", [&options](const std::string& v) { options.Kind = Find(Kinds, v); },
                           "Prototype: butterworth, chebyshev or bessel")
                       ->check(CLI::IsMember(Names(Kinds), CLI::ignore_case)));
  if (responseTable)
    AddResponseOrCount(*group, options, *responseTable);
  else
    design.push_back(
        group
            ->add_option_function<std::string>(
                "--response", [&options](const std::string& v) { options.Response = Find(Responses, v); },
                "Band form: lowpass, highpass, bandpass or bandstop")
            ->check(CLI::IsMember(Names(Responses), CLI::ignore_case)));
  design.push_back(group
                       ->add_option_function<int>(
                           "--order", [&options](const int& v) { options.Order = v; }, "Prototype order, 1 to 8")
                       ->check(CLI::Range(1, 8)));
  design.push_back(group->add_option_function<tessaro::Extended>(
      "--f1", [&options](const tessaro::Extended& v) { options.Frequency1 = v; },
      "Corner frequency in Hz (lower band edge); clamped into [1e-10, rate/2 - 0.0001]"));
  design.push_back(group->add_option_function<tessaro::Extended>(
      "--f2", [&options](const tessaro::Extended& v) { options.Frequency2 = v; },
      "Upper band edge in Hz, for bandpass and bandstop; clamped like --f1"));
  design.push_back(group->add_option_function<tessaro::Extended>(
      "--ripple", [&options](const tessaro::Extended& v) { options.Ripple = v; },
      "Pass-band ripple in dB of a Chebyshev design"));
  if (rate == TRateOption::With)
    design.push_back(group->add_option_function<tessaro::Extended>(
        "--rate",
        [&options](const tessaro::Extended& v) {
          if (!(v > 0.0L)) throw CLI::ValidationError("--rate", "the sample rate must be above 0 Hz");
          options.SampleRate = v;
        },
        "Sample rate in Hz (default 44100)"));
  else
    group
        ->add_option_function<std::string>("--rate",
                                           [](const std::string&) {
                                             throw CLI::ValidationError(
                                                 "--rate", "the filter runs at the file's sample rate; "
                                                           "--rate belongs to design");
                                           })
        ->group("");
  design.push_back(group
                       ->add_option_function<std::string>(
                           "--structure",
                           [&options](const std::string& v) { options.Structure = Find(Structures, v); },
                           "How the filter runs: direct (one difference equation), cascade (second-order "
                           "sections) or auto (the direct form where it is sound; the default)")
                       ->check(CLI::IsMember(Names(Structures), CLI::ignore_case)));
  auto* form = group->add_option("--form", options.Form,
                                 "Stored-form file of a TsigIIRFilter, reused exactly (excludes the design options)");
  for (auto* option : design) form->excludes(option);
  if (retune == TRetuneOption::With)
    group->add_flag("--retune", options.Retune, "Redesign a stored form at the file's sample rate")->needs(form);
}

void DesignFilter(const TFilterOptions& options, tessaro::TsigCustomIIRFilter& filter, const TFileRate* file) {
  if (!options.Form.empty()) {
    if (options.Response) throw TUsageError("--response: a band form conflicts with --form");
    LoadForm(options, filter, file);
    return;
  }
  if (file)
    Assign(std::string(file->FileName), [&] { filter.SetSampleRate(file->Rate); });
  else if (options.SampleRate)
    Assign("--rate", [&] { filter.SetSampleRate(*options.SampleRate); });
  if (options.Kind) Assign("--kind", [&] { filter.SetKind(*options.Kind); });
  if (options.Response) Assign("--response", [&] { filter.SetResponse(*options.Response); });
  if (options.Order) Assign("--order", [&] { filter.SetOrder(*options.Order); });
  if (options.Ripple) Assign("--ripple", [&] { filter.SetRipple(*options.Ripple); });
  if (options.Frequency1) Assign("--f1", [&] { filter.SetFrequency1(*options.Frequency1); });
  if (options.Frequency2) Assign("--f2", [&] { filter.SetFrequency2(*options.Frequency2); });
  if (options.Structure) Assign("--structure", [&] { filter.SetStructure(*options.Structure); });
}

}  // namespace cli
