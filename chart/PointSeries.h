// A series of (x, y) points that a TChart draws as marks, each a cross or a
// circle in the series colour, centred on its point and drawn whole even at
// the edge of the plot area. No line joins them. Only the points inside both
// axis ranges are drawn; a point with a non-finite coordinate is not drawn.
#pragma once

#include "SortedPoints.h"

#include <QColor>
#include <QPen>

#include <cstddef>
#include <cstdint>
#include <span>

class TChart;

enum class TPointStyle : std::uint8_t { Cross, Circle };

class TPointSeries {
 public:
  // Series are created and owned by their chart (TChart::AddPointSeries).
  TPointSeries(TChart& chart, const QColor& color, TPointStyle style);
  TPointSeries(const TPointSeries&) = delete;
  TPointSeries& operator=(const TPointSeries&) = delete;

  QColor SeriesColor() const { return pen_.color(); }
  const QPen& Pen() const { return pen_; }
  TPointStyle Style() const { return style_; }
  // Half the width of a mark in pixels: a cross spans the 2 * Radius + 1
  // pixels around its point, a circle has this radius. 1..32 (4 unless set);
  // std::invalid_argument naming any other value.
  int Radius() const { return radius_; }
  void SetRadius(int pixels);

  // As TFastLineSeries::AddXY: x must not be NaN, points kept in ascending x.
  std::size_t AddXY(double x, double y);
  std::size_t Count() const { return points_.Points().size(); }
  std::span<const TChartPoint> Points() const { return points_.Points(); }
  void Clear();

  // The index range [first, last) of the points whose x lies in
  // [minimum, maximum]: the ones the chart considers drawing.
  TIndexRange DrawnRange(double minimum, double maximum) const { return points_.Within(minimum, maximum); }

 private:
  TChart& chart_;
  QPen pen_;
  TPointStyle style_ = TPointStyle::Cross;
  int radius_ = 4;
  TSortedPoints points_;
};
