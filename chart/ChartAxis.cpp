#include "ChartAxis.h"

#include "Chart.h"

#include <cmath>
#include <cstdio>
#include <limits>
#include <stdexcept>
#include <string>

namespace {

std::string Number(double value) {
  char text[40];
  std::snprintf(text, sizeof text, "%.17g", value);
  return text;
}

// The one check of every range written to an axis.
void CheckRange(double minimum, double maximum) {
  if (!std::isfinite(minimum)) {
    throw std::invalid_argument("TChartAxis: Minimum " + Number(minimum) + " is not finite");
  }
  if (!std::isfinite(maximum)) {
    throw std::invalid_argument("TChartAxis: Maximum " + Number(maximum) + " is not finite");
  }
  if (maximum < minimum) {
    throw std::invalid_argument("TChartAxis: Maximum " + Number(maximum) + " is below Minimum " +
                                Number(minimum));
  }
  if (!std::isfinite(maximum - minimum)) {
    throw std::invalid_argument("TChartAxis: range " + Number(minimum) + " to " + Number(maximum) +
                                " is too wide");
  }
}

void CheckLogarithmicMinimum(double minimum) {
  if (!(minimum > 0.0)) {
    throw std::invalid_argument("TChartAxis: Minimum " + Number(minimum) + " is not positive on a logarithmic axis");
  }
}

}  // namespace

TChartAxis::TChartAxis(TChart& chart, TOrientation orientation)
    : chart_(chart), orientation_(orientation), labelsFont_(chart.font()) {}

void TChartAxis::SetMinimum(double value) { SetRange(value, maximum_); }

void TChartAxis::SetMaximum(double value) { SetRange(minimum_, value); }

void TChartAxis::SetMinMax(double minimum, double maximum) { SetRange(minimum, maximum); }

void TChartAxis::SetRange(double minimum, double maximum) {
  CheckRange(minimum, maximum);
  if (logarithmic_) CheckLogarithmicMinimum(minimum);
  if (minimum == minimum_ && maximum == maximum_) return;
  const double oldMinimum = minimum_;
  minimum_ = minimum;
  maximum_ = maximum;
  chart_.AxisRangeChanged(*this, oldMinimum);
}

void TChartAxis::SetLogarithmic(bool value) {
  if (value == logarithmic_) return;
  if (value) CheckLogarithmicMinimum(minimum_);
  logarithmic_ = value;
  chart_.LayoutChanged();
}

double TChartAxis::ToUnit(double value) const {
  if (!logarithmic_) return (value - minimum_) / (maximum_ - minimum_);
  if (!(value > 0.0)) return std::numeric_limits<double>::quiet_NaN();
  const double low = std::log10(minimum_);
  return (std::log10(value) - low) / (std::log10(maximum_) - low);
}

void TChartAxis::SetVisible(bool value) {
  if (value == visible_) return;
  visible_ = value;
  chart_.LayoutChanged();
}

void TChartAxis::SetAxisWidth(int pixels) {
  if (pixels < 0 || pixels > 16) {
    throw std::invalid_argument("TChartAxis: AxisWidth " + std::to_string(pixels) +
                                " is outside 0..16");
  }
  axisWidth_ = pixels;
  chart_.LayoutChanged();
}

void TChartAxis::SetLabelsFont(const QFont& font) {
  labelsFont_ = font;
  chart_.LayoutChanged();
}

void TChartAxis::SetLabelsColor(const QColor& color) {
  labelsColor_ = color;
  chart_.update();
}
