// --plot FILE.png and --plot-size WIDTHxHEIGHT, shared by design and
// spectrum.
#pragma once

#include <string>

#include "Plot.h"

namespace CLI {
class App;
}

namespace cli {

struct TPlotOptions {
  std::string Path;  // empty: no plot
  TPlotSize Size;
};

void AddPlotOptions(CLI::App& command, TPlotOptions& options);

}  // namespace cli
