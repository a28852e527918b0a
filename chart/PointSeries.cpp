#include "PointSeries.h"

#include "Chart.h"

#include <stdexcept>
#include <string>

TPointSeries::TPointSeries(TChart& chart, const QColor& color, TPointStyle style)
    : chart_(chart), pen_(color, 0), style_(style) {}

void TPointSeries::SetRadius(int pixels) {
  if (pixels < 1 || pixels > 32) {
    throw std::invalid_argument("TPointSeries: Radius " + std::to_string(pixels) + " is outside 1..32");
  }
  radius_ = pixels;
  chart_.update();
}

std::size_t TPointSeries::AddXY(double x, double y) {
  const std::size_t index = points_.Add(x, y, "TPointSeries");
  chart_.update();
  return index;
}

void TPointSeries::Clear() {
  points_.Clear();
  chart_.update();
}
