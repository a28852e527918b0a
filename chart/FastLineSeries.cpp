#include "FastLineSeries.h"

#include "Chart.h"

TFastLineSeries::TFastLineSeries(TChart& chart, const QColor& color) : chart_(chart), pen_(color, 0) {}

void TFastLineSeries::SetSeriesColor(const QColor& color) {
  pen_.setColor(color);
  chart_.update();
}

std::size_t TFastLineSeries::AddXY(double x, double y) {
  const std::size_t index = points_.Add(x, y, "TFastLineSeries");
  chart_.update();
  return index;
}

void TFastLineSeries::Clear() {
  points_.Clear();
  chart_.update();
}

TFastLineSeries::TIndexRange TFastLineSeries::DrawnRange(double minimum, double maximum) const {
  TIndexRange range = points_.Within(minimum, maximum);
  if (range.First > 0) --range.First;
  if (range.Last < Count()) ++range.Last;
  return range;
}

void TFastLineSeries::DropBefore(double x) { points_.DropBefore(x); }
