// Pictures of curves, drawn with the project's chart control into an image
// and saved as PNG, without a display. The drawing lives in a module that
// is loaded on the first plot (PlotModule.h), so a run that plots nothing
// neither loads nor starts Qt.
#pragma once

#include <span>
#include <string>
#include <vector>

namespace cli {

// One chart of a picture: a title, the ranges of its axes and one curve.
// A point with a non-finite y is not drawn and breaks the curve.
struct TPlotPanel {
  std::string Title;
  double XMinimum = 0.0;
  double XMaximum = 1.0;
  double YMinimum = 0.0;
  double YMaximum = 1.0;
  std::vector<double> X;  // ascending
  std::vector<double> Y;
};

struct TPlotSize {
  int Width = 800;
  int Height = 600;
};

// The panels stacked top to bottom on white, sharing the height evenly,
// saved as PNG at path through a TOutputFile (whole or not at all; path
// must not be one of inputs). TRunError naming path when it fails.
void WritePlot(const std::string& path, TPlotSize size, std::span<const TPlotPanel> panels,
               std::span<const std::string> inputs);

// A y range for decibels: from the highest finite value rounded up to 10 dB
// down to at most range dB below it, in steps of 10 dB.
void DecibelRange(const std::vector<double>& decibels, double range, double& minimum, double& maximum);

}  // namespace cli
