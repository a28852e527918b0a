// TChart: a plain 2-D line chart widget. A title above, a left and a bottom
// axis with fixed ranges (linear or logarithmic), and any number of
// TFastLineSeries and TPointSeries drawn in the plot area between them. There is no legend, no 3-D view and no frame, and
// the back wall is transparent: the parent's background shows through.
//
// Painting draws, for each series, only the points whose x lies in the
// bottom axis's range (found by binary search, since x ascends) together
// with their nearest neighbours outside it, as one polyline clipped at the
// edges of the plot area. A point with a non-finite coordinate breaks the
// line. Its cost depends on the points of one page, not on how many were
// ever appended. Point series are drawn over the lines, their visible
// points found the same way.
#pragma once

#include "ChartAxis.h"
#include "ChartTitle.h"
#include "FastLineSeries.h"
#include "PointSeries.h"

#include <QPointF>
#include <QRect>
#include <QString>
#include <QWidget>

class QPainter;

#include <cstddef>
#include <memory>
#include <vector>

class TChart : public QWidget {
 public:
  explicit TChart(QWidget* parent = nullptr);
  ~TChart() override;

  TChartTitle& Title() { return title_; }
  const TChartTitle& Title() const { return title_; }
  TChartAxis& LeftAxis() { return leftAxis_; }
  const TChartAxis& LeftAxis() const { return leftAxis_; }
  TChartAxis& BottomAxis() { return bottomAxis_; }
  const TChartAxis& BottomAxis() const { return bottomAxis_; }

  // Room below the plot area in pixels, 0 or more.
  int MarginBottom() const { return marginBottom_; }
  void SetMarginBottom(int pixels);

  // A new, empty series drawn in the given colour, owned by the chart.
  TFastLineSeries& AddSeries(const QColor& color);
  std::size_t SeriesCount() const { return series_.size(); }
  TFastLineSeries& Series(std::size_t index);

  // A new, empty point series of the given colour and mark, owned by the
  // chart and drawn after every line series.
  TPointSeries& AddPointSeries(const QColor& color, TPointStyle style);
  std::size_t PointSeriesCount() const { return pointSeries_.size(); }
  TPointSeries& PointSeries(std::size_t index);

  // Equal aspect: one unit along the bottom axis takes as many pixels as
  // one unit along the left axis. The plot area shrinks to the largest such
  // rectangle, centred in the room it had. Off unless set; it has no effect
  // while either axis is logarithmic or has an empty range.
  bool EqualAspect() const { return equalAspect_; }
  void SetEqualAspect(bool value);

  // The area the series are drawn in, and where a point inside the axis
  // ranges lands in it (the axis minimum at the left or bottom pixel, the
  // maximum at the right or top pixel).
  QRect PlotRect() const { return plot_; }
  QPointF MapToPixel(double x, double y) const;

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  friend class TChartAxis;
  friend class TChartTitle;

  // A label of an axis, placed once per layout so that painting only draws.
  struct TAxisLabel {
    QString Text;
    QRect Box;
    int Tick = 0;  // pixel position of its tick along the axis
  };

  void LayoutChanged();
  void AxisRangeChanged(const TChartAxis& axis, double oldMinimum);
  void Layout();
  void FitEqualAspect();
  void PlaceLabels(const TChartAxis& axis, std::vector<TAxisLabel>& labels) const;
  void PaintAxes(QPainter& painter) const;
  void PaintSeries(QPainter& painter, const TFastLineSeries& series) const;
  void PaintPoints(QPainter& painter, const TPointSeries& series) const;

  TChartTitle title_{*this};
  TChartAxis leftAxis_{*this, TChartAxis::TOrientation::Vertical};
  TChartAxis bottomAxis_{*this, TChartAxis::TOrientation::Horizontal};
  int marginBottom_ = 0;
  bool equalAspect_ = false;
  std::vector<std::unique_ptr<TFastLineSeries>> series_;
  std::vector<std::unique_ptr<TPointSeries>> pointSeries_;

  QRect titleBox_;
  QRect plot_;
  std::vector<TAxisLabel> leftLabels_;
  std::vector<TAxisLabel> bottomLabels_;
};
