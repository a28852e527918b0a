#include "Chart.h"

#include "LineClip.h"

#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <array>
#include <cmath>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr int Pad = 4;          // space around the title and the plot area
constexpr int TickLength = 4;   // axis ticks, outside the plot area
constexpr int RightMargin = 8;  // room right of the plot area
constexpr std::size_t MaxLabels = 200;

// A point this many plot sizes outside the plot area is drawn as if it lay
// there: the visible part of its line moves by far less than a pixel, and
// the clipping arithmetic stays finite for any finite value.
constexpr double Far = 1.0e6;

double Near(double unit) { return std::clamp(unit, -Far, 1.0 + Far); }

// Axis labels on multiples of 1, 2 or 5 times a power of ten, at least
// `spacing` pixels apart over `pixels` pixels of axis.
double LabelStep(double range, int pixels, int spacing) {
  const double rough = range / pixels * spacing;
  if (!(rough > 0.0) || !std::isfinite(rough)) return 0.0;
  const double base = std::pow(10.0, std::floor(std::log10(rough)));
  for (const double m : {1.0, 2.0, 5.0}) {
    if (m * base >= rough) return m * base;
  }
  return 10.0 * base;
}

// Labels of a linear axis: every multiple of the label step in the range.
std::vector<double> LinearLabels(double minimum, double maximum, int pixels, int spacing) {
  const double step = LabelStep(maximum - minimum, pixels, spacing);
  if (step == 0.0) return {};
  const double first = std::ceil(minimum / step);
  const double last = std::floor(maximum / step);
  if (!(last - first < MaxLabels)) return {};
  const auto count = static_cast<std::size_t>(last - first) + 1;
  std::vector<double> values(count);
  for (std::size_t i = 0; i < count; ++i) {
    values[i] = (first + static_cast<double>(i)) * step + 0.0;  // + 0.0 turns -0 into 0
  }
  return values;
}

// Labels of a logarithmic axis: 1, 2 and 5 times each power of ten where a
// decade is wide enough for three labels, else the powers of ten, every
// one or every few decades, `spacing` pixels apart at least.
std::vector<double> LogarithmicLabels(double minimum, double maximum, int pixels, int spacing) {
  const double low = std::log10(minimum);
  const double decades = std::log10(maximum) - low;
  if (!(decades > 0.0)) return {};
  const double decadePixels = pixels / decades;
  const bool thirds = decadePixels >= 3.0 * spacing;
  const double every = thirds ? 1.0 : std::max(1.0, std::ceil(spacing / decadePixels));
  const double first = std::floor(low / every) * every;
  std::vector<double> values;
  for (double decade = first; decade <= std::ceil(std::log10(maximum)) && values.size() < MaxLabels;
       decade += every) {
    for (const double multiple : {1.0, 2.0, 5.0}) {
      if (multiple != 1.0 && !thirds) break;
      const double value = multiple * std::pow(10.0, decade);
      if (value >= minimum && value <= maximum) values.push_back(value);
    }
  }
  return values;
}

}  // namespace

TChart::TChart(QWidget* parent) : QWidget(parent) { Layout(); }

TChart::~TChart() = default;

void TChart::SetMarginBottom(int pixels) {
  if (pixels < 0) {
    throw std::invalid_argument("TChart: MarginBottom " + std::to_string(pixels) + " is negative");
  }
  marginBottom_ = pixels;
  LayoutChanged();
}

TFastLineSeries& TChart::AddSeries(const QColor& color) {
  series_.push_back(std::make_unique<TFastLineSeries>(*this, color));
  update();
  return *series_.back();
}

TFastLineSeries& TChart::Series(std::size_t index) {
  if (index >= series_.size()) {
    throw std::out_of_range("TChart: series index " + std::to_string(index) + " is not below " +
                            std::to_string(series_.size()));
  }
  return *series_[index];
}

TPointSeries& TChart::AddPointSeries(const QColor& color, TPointStyle style) {
  pointSeries_.push_back(std::make_unique<TPointSeries>(*this, color, style));
  update();
  return *pointSeries_.back();
}

TPointSeries& TChart::PointSeries(std::size_t index) {
  if (index >= pointSeries_.size()) {
    throw std::out_of_range("TChart: point series index " + std::to_string(index) + " is not below " +
                            std::to_string(pointSeries_.size()));
  }
  return *pointSeries_[index];
}

void TChart::SetEqualAspect(bool value) {
  if (value == equalAspect_) return;
  equalAspect_ = value;
  LayoutChanged();
}

QPointF TChart::MapToPixel(double x, double y) const {
  const double u = bottomAxis_.ToUnit(x);
  const double v = leftAxis_.ToUnit(y);
  return {plot_.left() + u * (plot_.width() - 1), plot_.bottom() - v * (plot_.height() - 1)};
}

QSize TChart::sizeHint() const { return {400, 200}; }

QSize TChart::minimumSizeHint() const { return {60, 40}; }

void TChart::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  Layout();
}

void TChart::LayoutChanged() {
  Layout();
  update();
}

void TChart::AxisRangeChanged(const TChartAxis& axis, double oldMinimum) {
  if (&axis == &bottomAxis_ && axis.Minimum() > oldMinimum) {
    for (const auto& series : series_) series->DropBefore(oldMinimum);
  }
  LayoutChanged();
}

// Places the title, the plot area and the axis labels for the current size.
void TChart::Layout() {
  const QFontMetrics leftMetrics(leftAxis_.LabelsFont());
  const QFontMetrics bottomMetrics(bottomAxis_.LabelsFont());

  int top = Pad;
  titleBox_ = QRect();
  if (!title_.Text().isEmpty()) {
    const int height = QFontMetrics(title_.Font()).height();
    titleBox_ = QRect(0, top, width(), height);
    top += height + Pad;
  }
  // Half a label of room, so that a label at the top of the range fits.
  if (leftAxis_.Visible()) top += leftMetrics.height() / 2;
  int bottom = height() - marginBottom_;
  if (bottomAxis_.Visible()) bottom -= TickLength + bottomMetrics.height();

  // The vertical extent decides the left labels, whose width decides the
  // left edge of the plot area.
  plot_ = QRect(0, top, 1, std::max(0, bottom - top));
  PlaceLabels(leftAxis_, leftLabels_);
  int left = Pad;
  if (leftAxis_.Visible()) {
    int labelWidth = 0;
    for (const auto& label : leftLabels_) labelWidth = std::max(labelWidth, label.Box.width());
    left += labelWidth + 2 + TickLength + leftAxis_.AxisWidth();
  }
  plot_ = QRect(left, top, std::max(0, width() - RightMargin - left), std::max(0, bottom - top));
  if (plot_.width() < 2 || plot_.height() < 2) plot_ = QRect(left, top, 0, 0);
  if (equalAspect_) FitEqualAspect();
  PlaceLabels(leftAxis_, leftLabels_);
  PlaceLabels(bottomAxis_, bottomLabels_);
}

// The largest plot area of equal scales inside the one laid out, centred.
void TChart::FitEqualAspect() {
  const double xRange = bottomAxis_.Maximum() - bottomAxis_.Minimum();
  const double yRange = leftAxis_.Maximum() - leftAxis_.Minimum();
  if (bottomAxis_.Logarithmic() || leftAxis_.Logarithmic() || !(xRange > 0.0) || !(yRange > 0.0) ||
      plot_.isEmpty()) {
    return;
  }
  const double scale = std::min((plot_.width() - 1) / xRange, (plot_.height() - 1) / yRange);
  const int width = static_cast<int>(std::lround(xRange * scale)) + 1;
  const int height = static_cast<int>(std::lround(yRange * scale)) + 1;
  plot_ = QRect(plot_.left() + (plot_.width() - width) / 2, plot_.top() + (plot_.height() - height) / 2, width,
                height);
}

void TChart::PlaceLabels(const TChartAxis& axis, std::vector<TAxisLabel>& labels) const {
  labels.clear();
  const bool vertical = axis.Orientation() == TChartAxis::TOrientation::Vertical;
  const int pixels = vertical ? plot_.height() : plot_.width();
  const double minimum = axis.Minimum();
  const double range = axis.Maximum() - minimum;
  if (!axis.Visible() || pixels < 2 || !(range > 0.0)) return;

  const QFontMetrics metrics(axis.LabelsFont());
  const int spacing = vertical ? 2 * metrics.height() : 10 * metrics.averageCharWidth();
  const std::vector<double> values =
      axis.Logarithmic() ? LogarithmicLabels(minimum, axis.Maximum(), pixels, spacing)
                         : LinearLabels(minimum, axis.Maximum(), pixels, spacing);
  // Enough digits that neighbouring labels differ.
  int digits = 6;
  if (!axis.Logarithmic() && values.size() >= 2) {
    const double step = values[1] - values[0];
    const double largest = std::max(std::fabs(minimum), std::fabs(axis.Maximum()));
    digits = static_cast<int>(std::clamp(std::ceil(std::log10(largest / step)) + 2.0, 6.0, 17.0));
  }

  for (const double value : values) {
    const double unit = axis.ToUnit(value);
    TAxisLabel label;
    label.Text = QString::number(value, 'g', digits);
    const int width = metrics.horizontalAdvance(label.Text);
    if (vertical) {
      label.Tick = static_cast<int>(std::lround(plot_.bottom() - unit * (plot_.height() - 1)));
      const int right = plot_.left() - axis.AxisWidth() - TickLength - 2;
      label.Box = QRect(right - width, label.Tick - metrics.height() / 2, width, metrics.height());
    } else {
      label.Tick = static_cast<int>(std::lround(plot_.left() + unit * (plot_.width() - 1)));
      const int top = plot_.bottom() + 1 + axis.AxisWidth() + TickLength;
      // Centred under its tick, but moved in where that would cut it at an
      // edge of the widget (the range's ends often carry a label).
      const int left = std::clamp(label.Tick - width / 2, 0, std::max(0, this->width() - width));
      label.Box = QRect(left, top, width, metrics.height());
    }
    labels.push_back(std::move(label));
  }
}

void TChart::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  if (titleBox_.isValid()) {
    painter.setFont(title_.Font());
    painter.setPen(title_.Color());
    painter.drawText(titleBox_, Qt::AlignHCenter | Qt::AlignTop, title_.Text());
  }
  if (plot_.isEmpty()) return;
  PaintAxes(painter);
  for (const auto& series : series_) PaintSeries(painter, *series);
  for (const auto& series : pointSeries_) PaintPoints(painter, *series);
}

void TChart::PaintAxes(QPainter& painter) const {
  if (leftAxis_.Visible()) {
    const int line = leftAxis_.AxisWidth();
    painter.fillRect(QRect(plot_.left() - line, plot_.top(), line, plot_.height()), Qt::black);
    painter.setFont(leftAxis_.LabelsFont());
    painter.setPen(leftAxis_.LabelsColor());
    for (const auto& label : leftLabels_) {
      painter.fillRect(QRect(plot_.left() - line - TickLength, label.Tick, TickLength, 1), Qt::black);
      painter.drawText(label.Box, Qt::AlignRight | Qt::AlignVCenter, label.Text);
    }
  }
  if (bottomAxis_.Visible()) {
    const int line = bottomAxis_.AxisWidth();
    painter.fillRect(QRect(plot_.left(), plot_.bottom() + 1, plot_.width(), line), Qt::black);
    painter.setFont(bottomAxis_.LabelsFont());
    painter.setPen(bottomAxis_.LabelsColor());
    for (const auto& label : bottomLabels_) {
      painter.fillRect(QRect(label.Tick, plot_.bottom() + 1 + line, 1, TickLength), Qt::black);
      painter.drawText(label.Box, Qt::AlignHCenter | Qt::AlignTop, label.Text);
    }
  }
}

// The visible part of one series as polylines: points are mapped to the
// unit square of the axis ranges, each line between two neighbours is
// clipped to it, and runs of lines that join are drawn in chunks of a fixed
// buffer, so nothing is allocated here.
void TChart::PaintSeries(QPainter& painter, const TFastLineSeries& series) const {
  const double xMinimum = bottomAxis_.Minimum();
  const double xRange = bottomAxis_.Maximum() - xMinimum;
  const double yRange = leftAxis_.Maximum() - leftAxis_.Minimum();
  if (!(xRange > 0.0) || !(yRange > 0.0)) return;

  const double left = plot_.left();
  const double bottom = plot_.bottom();
  const double width = plot_.width() - 1;
  const double height = plot_.height() - 1;
  const auto toPixel = [&](double u, double v) { return QPointF(left + u * width, bottom - v * height); };

  std::array<QPointF, 256> run;
  std::size_t count = 0;
  const auto flush = [&] {
    if (count >= 2) painter.drawPolyline(run.data(), static_cast<int>(count));
    count = 0;
  };
  const auto add = [&](const QPointF& p) {
    if (count == run.size()) {
      painter.drawPolyline(run.data(), static_cast<int>(count));
      run[0] = run[count - 1];
      count = 1;
    }
    run[count++] = p;
  };

  painter.setRenderHint(QPainter::Antialiasing, false);
  // The rasteriser may put the end of a line on the edge half a pixel
  // outside; the clip keeps every pixel in the plot area.
  painter.setClipRect(plot_);
  painter.setPen(series.Pen());
  const auto points = series.Points();
  const auto drawn = series.DrawnRange(xMinimum, bottomAxis_.Maximum());
  bool havePrevious = false;
  bool joined = false;  // the run ends at the previous point itself
  double pu = 0.0;
  double pv = 0.0;
  for (std::size_t i = drawn.First; i < drawn.Last; ++i) {
    const TChartPoint& point = points[i];
    const double unitX = bottomAxis_.ToUnit(point.X);
    const double unitY = leftAxis_.ToUnit(point.Y);
    // Non-finite values, and values a logarithmic axis cannot place.
    if (!std::isfinite(point.X) || !std::isfinite(point.Y) || std::isnan(unitX) || std::isnan(unitY)) {
      flush();
      havePrevious = joined = false;
      continue;
    }
    const double u = Near(unitX);
    const double v = Near(unitY);
    if (havePrevious) {
      const TClippedSegment clipped = ClipToUnitSquare({pu, pv, u, v});
      if (clipped.Visible) {
        if (!joined || clipped.StartClipped) {
          flush();
          add(toPixel(clipped.Segment.U0, clipped.Segment.V0));
        }
        add(toPixel(clipped.Segment.U1, clipped.Segment.V1));
        joined = !clipped.EndClipped;
      } else {
        flush();
        joined = false;
      }
    }
    pu = u;
    pv = v;
    havePrevious = true;
  }
  flush();
}

// The marks of the points inside both ranges, each drawn whole: the clip
// reaches a mark's radius beyond the plot area.
void TChart::PaintPoints(QPainter& painter, const TPointSeries& series) const {
  const double yMinimum = leftAxis_.Minimum();
  const double yMaximum = leftAxis_.Maximum();
  if (!(bottomAxis_.Maximum() > bottomAxis_.Minimum()) || !(yMaximum > yMinimum)) return;
  const int r = series.Radius();
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.setClipRect(plot_.adjusted(-r, -r, r, r));
  painter.setPen(series.Pen());
  painter.setBrush(Qt::NoBrush);
  const auto points = series.Points();
  const auto drawn = series.DrawnRange(bottomAxis_.Minimum(), bottomAxis_.Maximum());
  for (std::size_t i = drawn.First; i < drawn.Last; ++i) {
    const TChartPoint& point = points[i];
    if (!(point.Y >= yMinimum && point.Y <= yMaximum)) continue;
    const QPointF at = MapToPixel(point.X, point.Y);
    if (std::isnan(at.x()) || std::isnan(at.y())) continue;
    const QPoint c(static_cast<int>(std::lround(at.x())), static_cast<int>(std::lround(at.y())));
    if (series.Style() == TPointStyle::Cross) {
      painter.drawLine(c + QPoint(-r, -r), c + QPoint(r, r));
      painter.drawLine(c + QPoint(-r, r), c + QPoint(r, -r));
    } else {
      painter.drawEllipse(c, r, r);
    }
  }
}
