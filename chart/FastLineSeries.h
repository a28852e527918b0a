// A series of (x, y) points that a TChart draws as one plain polyline in the
// series colour, without marks, labels or per-point colours.
//
// The points are kept in ascending order of x, so that the chart finds the
// visible ones by binary search. Memory stays bounded however long points
// are appended: when the chart's bottom axis moves forward to a new page,
// the series drops the points left of the page it showed before (keeping
// the last of them, which the line to the next point still needs); nothing
// that can be seen on the new page is lost.
#pragma once

#include "SortedPoints.h"

#include <QColor>
#include <QPen>

#include <cstddef>
#include <span>

class TChart;

class TFastLineSeries {
 public:
  // Series are created and owned by their chart (TChart::AddSeries).
  TFastLineSeries(TChart& chart, const QColor& color);
  TFastLineSeries(const TFastLineSeries&) = delete;
  TFastLineSeries& operator=(const TFastLineSeries&) = delete;

  QColor SeriesColor() const { return pen_.color(); }
  void SetSeriesColor(const QColor& color);
  // The cosmetic one-pixel pen in the series colour that draws the line.
  const QPen& Pen() const { return pen_; }

  // Adds a point and returns its index among the points held. x must not be
  // NaN (std::invalid_argument naming it, nothing added); y may be anything,
  // a point with a non-finite coordinate is not drawn and breaks the line.
  // A point is appended at the end when x is not below the last x (the
  // usual case, constant time), otherwise inserted after the points whose x
  // is not above it.
  std::size_t AddXY(double x, double y);

  std::size_t Count() const { return points_.Points().size(); }
  std::span<const TChartPoint> Points() const { return points_.Points(); }
  void Clear();

  // The index range [first, last) the chart draws for the x range
  // [minimum, maximum]: every point inside it, plus the nearest point on
  // either side, whose line reaches the page edge.
  using TIndexRange = ::TIndexRange;
  TIndexRange DrawnRange(double minimum, double maximum) const;

  // Drops every point left of x except the last of them (called by the
  // chart when its bottom axis pages forward).
  void DropBefore(double x);

 private:
  TChart& chart_;
  QPen pen_;
  TSortedPoints points_;
};
