#include "PlotOptions.h"

#include <CLI/CLI.hpp>

#include <cstdio>

namespace cli {
namespace {

constexpr int SmallestSide = 64;
constexpr int LargestSide = 8192;

}  // namespace

void AddPlotOptions(CLI::App& command, TPlotOptions& options) {
  command.add_option("--plot", options.Path, "Draw the curves into this PNG file (no display needed)");
  command.add_option_function<std::string>(
      "--plot-size",
      [&options](const std::string& text) {
        int width = 0;
        int height = 0;
        char x = 0;
        char extra = 0;
        if (std::sscanf(text.c_str(), "%d%c%d%c", &width, &x, &height, &extra) != 3 || x != 'x')
          throw CLI::ValidationError("--plot-size", "\"" + text + "\" is not WIDTHxHEIGHT");
        if (width < SmallestSide || width > LargestSide || height < SmallestSide || height > LargestSide)
          throw CLI::ValidationError("--plot-size", "\"" + text + "\": each side must lie in " +
                                                        std::to_string(SmallestSide) + ".." +
                                                        std::to_string(LargestSide) + " pixels");
        options.Size = {width, height};
      },
      "Size of the picture in pixels (default 800x600)");
}

}  // namespace cli
