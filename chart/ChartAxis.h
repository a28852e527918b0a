// One axis of a TChart: a fixed range, whether it is drawn, the width of its
// line and the font and colour of its labels.
#pragma once

#include <QColor>
#include <QFont>

class TChart;

class TChartAxis {
 public:
  enum class TOrientation { Horizontal, Vertical };

  TChartAxis(TChart& chart, TOrientation orientation);
  TChartAxis(const TChartAxis&) = delete;
  TChartAxis& operator=(const TChartAxis&) = delete;

  TOrientation Orientation() const { return orientation_; }

  // The range drawn along the axis. Both ends are finite, the maximum is at
  // or above the minimum and the width maximum - minimum is finite; a range
  // that breaks this throws std::invalid_argument naming the value, and the
  // axis keeps its range. An empty range (minimum = maximum) shows nothing.
  double Minimum() const { return minimum_; }
  double Maximum() const { return maximum_; }
  void SetMinimum(double value);
  void SetMaximum(double value);
  void SetMinMax(double minimum, double maximum);

  // A logarithmic axis places value v at log10(v) between the logarithms of
  // its ends, and labels 1, 2 and 5 times the powers of ten. It needs a
  // positive minimum: switching it on with a minimum of 0 or less, or
  // setting such a range while it is on, throws std::invalid_argument
  // naming the value, and nothing changes. Points at 0 or below are not
  // drawn on it.
  bool Logarithmic() const { return logarithmic_; }
  void SetLogarithmic(bool value);

  // Where value lies along the range: 0 at the minimum, 1 at the maximum,
  // beyond them outside it; NaN on a logarithmic axis for a value of 0 or
  // below. The range must not be empty.
  double ToUnit(double value) const;

  // A hidden axis draws neither its line nor its labels, and leaves its
  // room to the plot area.
  bool Visible() const { return visible_; }
  void SetVisible(bool value);

  // Width of the axis line in pixels, 0..16 (0 draws no line).
  int AxisWidth() const { return axisWidth_; }
  void SetAxisWidth(int pixels);

  QFont LabelsFont() const { return labelsFont_; }
  void SetLabelsFont(const QFont& font);
  QColor LabelsColor() const { return labelsColor_; }
  void SetLabelsColor(const QColor& color);

 private:
  void SetRange(double minimum, double maximum);

  TChart& chart_;
  TOrientation orientation_ = TOrientation::Horizontal;
  double minimum_ = 0.0;
  double maximum_ = 0.0;
  bool visible_ = true;
  bool logarithmic_ = false;
  int axisWidth_ = 1;
  QFont labelsFont_;
  QColor labelsColor_ = Qt::black;
};
