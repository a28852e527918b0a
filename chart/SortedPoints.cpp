#include "SortedPoints.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>

namespace {

bool XBelow(const TChartPoint& p, double x) { return p.X < x; }
bool XAbove(double x, const TChartPoint& p) { return x < p.X; }

}  // namespace

std::size_t TSortedPoints::Add(double x, double y, const char* series) {
  if (std::isnan(x)) throw std::invalid_argument(std::string(series) + ": x value nan is not a number");
  if (points_.empty() || !(x < points_.back().X)) {
    points_.push_back({x, y});
    return points_.size() - 1;
  }
  const auto at = std::upper_bound(points_.begin(), points_.end(), x, XAbove);
  const auto index = static_cast<std::size_t>(at - points_.begin());
  points_.insert(at, {x, y});
  return index;
}

TIndexRange TSortedPoints::Within(double minimum, double maximum) const {
  const auto begin = points_.begin();
  const auto first = std::lower_bound(begin, points_.end(), minimum, XBelow);
  const auto last = std::upper_bound(first, points_.end(), maximum, XAbove);
  return {static_cast<std::size_t>(first - begin), static_cast<std::size_t>(last - begin)};
}

void TSortedPoints::DropBefore(double x) {
  const auto first = std::lower_bound(points_.begin(), points_.end(), x, XBelow);
  if (first - points_.begin() > 1) points_.erase(points_.begin(), first - 1);
}
