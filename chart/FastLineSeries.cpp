#include "FastLineSeries.h"

#include "Chart.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace {

bool XBelow(const TChartPoint& p, double x) { return p.X < x; }
bool XAbove(double x, const TChartPoint& p) { return x < p.X; }

}  // namespace

TFastLineSeries::TFastLineSeries(TChart& chart, const QColor& color) : chart_(chart), pen_(color, 0) {}

void TFastLineSeries::SetSeriesColor(const QColor& color) {
  pen_.setColor(color);
  chart_.update();
}

std::size_t TFastLineSeries::AddXY(double x, double y) {
  if (std::isnan(x)) throw std::invalid_argument("TFastLineSeries: x value nan is not a number");
  std::size_t index = points_.size();
  if (points_.empty() || !(x < points_.back().X)) {
    points_.push_back({x, y});
  } else {
    const auto at = std::upper_bound(points_.begin(), points_.end(), x, XAbove);
    index = static_cast<std::size_t>(at - points_.begin());
    points_.insert(at, {x, y});
  }
  chart_.update();
  return index;
}

void TFastLineSeries::Clear() {
  points_.clear();
  chart_.update();
}

TFastLineSeries::TIndexRange TFastLineSeries::DrawnRange(double minimum, double maximum) const {
  const auto begin = points_.begin();
  const auto first = std::lower_bound(begin, points_.end(), minimum, XBelow);
  const auto last = std::upper_bound(first, points_.end(), maximum, XAbove);
  TIndexRange range{static_cast<std::size_t>(first - begin), static_cast<std::size_t>(last - begin)};
  if (range.First > 0) --range.First;
  if (range.Last < points_.size()) ++range.Last;
  return range;
}

void TFastLineSeries::DropBefore(double x) {
  const auto first = std::lower_bound(points_.begin(), points_.end(), x, XBelow);
  if (first - points_.begin() > 1) points_.erase(points_.begin(), first - 1);
}
