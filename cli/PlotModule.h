// The entry point of the plot module, a shared object that holds every use
// of Qt in the tool and is loaded only when a plot is asked for, so that
// the other runs neither load nor start Qt.
#pragma once

#include <cstddef>
#include <string>

#include "Plot.h"

namespace cli {

// Renders the panels into a PNG file at path. False with the problem in
// error when it cannot.
using TRenderPlot = bool(const char* path, TPlotSize size, const TPlotPanel* panels, std::size_t count,
                         std::string* error);

// The name under which the module exports its TRenderPlot.
inline constexpr const char* RenderPlotSymbol = "TessaroRenderPlot";

}  // namespace cli
