// tessaro design: a filter from options or a stored form, printed, tabled,
// plotted and saved.
#include <CLI/CLI.hpp>

#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <iostream>
#include <memory>
#include <string>

#include "Commands.h"
#include "DesignReport.h"
#include "Errors.h"
#include "FilterOptions.h"
#include "OutputFile.h"
#include "Plot.h"
#include "PlotOptions.h"
#include "tessaro/sigStoredForm.h"

namespace cli {
namespace {

// Points of the plotted curves.
constexpr int PlotPoints = 1024;

struct TDesignOptions {
  TFilterOptions Filter;
  std::string Format = "text";
  int ResponsePoints = 0;
  TPlotOptions Plot;
  std::string Save;
};

void Save(const tessaro::TsigCustomIIRFilter& filter, const std::string& path) {
  TOutputFile output(path);
  const std::string text = tessaro::WriteComponent(filter);
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = write(output.Descriptor(), text.data() + done, text.size() - done);
    if (n < 0) throw RunError(path, std::strerror(errno));
    done += static_cast<std::size_t>(n);
  }
  output.Commit();
}

void Plot(const tessaro::TsigCustomIIRFilter& filter, const TPlotOptions& options, const std::string& form) {
  const std::vector<TResponsePoint> table = ResponseTable(filter, PlotPoints);
  TPlotPanel magnitude{"Magnitude (dB)", 0.0, static_cast<double>(filter.SampleRate() / 2.0L), -1.0, 1.0, {}, {}};
  TPlotPanel phase{"Phase (degrees)", magnitude.XMinimum, magnitude.XMaximum, -180.0, 180.0, {}, {}};
  for (const TResponsePoint& p : table) {
    magnitude.X.push_back(static_cast<double>(p.Frequency));
    magnitude.Y.push_back(static_cast<double>(p.MagnitudeDb));
    phase.X.push_back(static_cast<double>(p.Frequency));
    phase.Y.push_back(static_cast<double>(p.PhaseDegrees));
  }
  DecibelRange(magnitude.Y, 120.0, magnitude.YMinimum, magnitude.YMaximum);
  const TPlotPanel panels[] = {magnitude, phase};
  const std::string inputs[] = {form};
  WritePlot(options.Path, options.Size, panels, inputs);
}

void Run(const TDesignOptions& options) {
  if (options.Format == "csv" && options.ResponsePoints == 0)
    throw TUsageError("--format csv: the table needs --response N");
  tessaro::TsigIIRFilter filter;
  filter.SetName("sigIIRFilter1");
  DesignFilter(options.Filter, filter);
  const std::vector<TResponsePoint> table = ResponseTable(filter, options.ResponsePoints);
  if (options.Format == "json") {
    PrintDesignJson(std::cout, filter, table);
  } else if (options.Format == "csv") {
    PrintResponseCsv(std::cout, table);
  } else {
    PrintDesignText(std::cout, filter);
    if (!table.empty()) {
      std::cout << '\n';
      PrintResponseCsv(std::cout, table);
    }
  }
  std::cout.flush();
  if (!std::cout) throw RunError("standard output", "write error");
  if (!options.Save.empty()) Save(filter, options.Save);
  if (!options.Plot.Path.empty()) Plot(filter, options.Plot, options.Filter.Form);
}

}  // namespace

void AddDesignCommand(CLI::App& app, TWork work) {
  auto options = std::make_shared<TDesignOptions>();
  auto* command = app.add_subcommand("design", "Design an IIR filter and show it");
  AddFilterOptions(*command, options->Filter, TRateOption::With, TRetuneOption::Without, &options->ResponsePoints);
  command->add_option("--format", options->Format, "Output: text, json, or csv (the response table alone)")
      ->check(CLI::IsMember({"text", "json", "csv"}, CLI::ignore_case));
  AddPlotOptions(*command, options->Plot);
  command->add_option("--save", options->Save, "Write the filter's stored form to FILE");
  command->footer(
      "Properties the library clamps are shown as stored. Numbers read back to the same bits.\n\n"
      "Examples:\n"
      "  tessaro design --kind chebyshev --ripple 0.5 --response bandpass --order 4 \\\n"
      "                 --f1 500 --f2 2000 --rate 48000\n"
      "  tessaro design --order 4 --f1 1000 --rate 48000 --format json\n"
      "  tessaro design --response highpass --order 8 --f1 20 --rate 48000 --structure cascade\n"
      "  tessaro design --form filter.txt --response 512 --format csv > response.csv\n"
      "  tessaro design --kind bessel --order 6 --f1 2000 --plot bessel.png --plot-size 1000x700\n"
      "  tessaro design --response bandstop --f1 45 --f2 55 --order 2 --rate 1000 --save notch.txt");
  command->callback([options, work] {
    if (work == TWork::Run) Run(*options);
  });
}

}  // namespace cli
