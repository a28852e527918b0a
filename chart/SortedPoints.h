// The points of a chart series, kept in ascending order of x so that the
// chart finds the visible ones by binary search.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

struct TChartPoint {
  double X = 0.0;
  double Y = 0.0;
};

// An index range [First, Last) of a series' points.
struct TIndexRange {
  std::size_t First = 0;
  std::size_t Last = 0;
};

class TSortedPoints {
 public:
  // Adds a point and returns its index. x must not be NaN
  // (std::invalid_argument naming the series and the value, nothing added);
  // y may be anything. A point is appended when x is not below the last x
  // (constant time), otherwise inserted after the points whose x is not
  // above it.
  std::size_t Add(double x, double y, const char* series);

  std::span<const TChartPoint> Points() const { return points_; }
  void Clear() { points_.clear(); }

  // The points whose x lies in [minimum, maximum].
  TIndexRange Within(double minimum, double maximum) const;

  // Drops every point left of x except the last of them.
  void DropBefore(double x);

 private:
  std::vector<TChartPoint> points_;
};
