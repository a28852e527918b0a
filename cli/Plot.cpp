#include "Plot.h"

#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <string>

#include "Errors.h"
#include "OutputFile.h"
#include "PlotModule.h"

namespace cli {
namespace {

// The folder of the running program.
std::string ProgramFolder() {
  char path[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  if (length <= 0) return ".";
  const std::string program(path, static_cast<std::size_t>(length));
  return program.substr(0, program.find_last_of('/'));
}

// The module beside the installed program (TESSARO_PLOT_MODULE_DIR, relative
// to it) or, in the build tree, right next to it.
TRenderPlot* LoadRenderer(const std::string& where) {
  static TRenderPlot* render = nullptr;
  if (render) return render;
  const std::string folder = ProgramFolder();
  std::string problems;
  for (const std::string& candidate : {folder + "/" TESSARO_PLOT_MODULE_DIR "/" TESSARO_PLOT_MODULE,
                                       folder + "/" TESSARO_PLOT_MODULE}) {
    if (access(candidate.c_str(), F_OK) != 0) continue;
    void* module = dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) {
      problems = dlerror();
      continue;
    }
    render = reinterpret_cast<TRenderPlot*>(dlsym(module, RenderPlotSymbol));
    if (render) return render;
    problems = candidate + " has no " + RenderPlotSymbol;
  }
  throw RunError(where, "cannot draw: " +
                            (problems.empty() ? std::string("the plot module " TESSARO_PLOT_MODULE " is not installed")
                                              : problems));
}

}  // namespace

void DecibelRange(const std::vector<double>& decibels, double range, double& minimum, double& maximum) {
  double high = -HUGE_VAL;
  double low = HUGE_VAL;
  for (const double v : decibels)
    if (std::isfinite(v)) {
      high = std::max(high, v);
      low = std::min(low, v);
    }
  if (!(high >= low)) high = low = 0.0;
  maximum = std::ceil(high / 10.0) * 10.0;
  if (maximum - high < 1.0) maximum += 10.0;
  minimum = std::max(std::floor(low / 10.0) * 10.0, maximum - range);
  if (minimum >= maximum) minimum = maximum - 10.0;
}

void WritePlot(const std::string& path, TPlotSize size, std::span<const TPlotPanel> panels,
               std::span<const std::string> inputs) {
  TOutputFile output(path, inputs);
  TRenderPlot* render = LoadRenderer(path);
  std::string problem;
  if (!render(output.TemporaryPath().c_str(), size, panels.data(), panels.size(), &problem))
    throw RunError(path, problem);
  output.Commit();
}

}  // namespace cli
