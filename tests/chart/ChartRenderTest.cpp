// What the chart paints: its series colours where points were appended,
// nothing outside the plot area or the page, gaps at non-finite values.
#include "Chart.h"

#include <QImage>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace {

const QColor Red(255, 0, 0);
const QColor Maroon(128, 0, 0);

QImage Render(TChart& chart) { return chart.grab().toImage(); }

// Whether the colour appears within one pixel of p.
bool ColourNear(const QImage& image, QPointF p, const QColor& colour) {
  const int cx = static_cast<int>(std::lround(p.x()));
  const int cy = static_cast<int>(std::lround(p.y()));
  for (int y = cy - 1; y <= cy + 1; ++y) {
    for (int x = cx - 1; x <= cx + 1; ++x) {
      if (image.valid(x, y) && image.pixelColor(x, y) == colour) return true;
    }
  }
  return false;
}

int CountColour(const QImage& image, const QRect& area, const QColor& colour) {
  int count = 0;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    for (int x = area.left(); x <= area.right(); ++x) {
      if (image.valid(x, y) && image.pixelColor(x, y) == colour) ++count;
    }
  }
  return count;
}

// A chart as the program sets it up: a fixed left range and one page of x.
struct ChartFixture : ::testing::Test {
  ChartFixture() {
    chart.resize(400, 200);
    chart.Title().SetText(QStringLiteral("Source signal"));
    chart.LeftAxis().SetMinMax(-110.0, 110.0);
    chart.BottomAxis().SetVisible(false);
    chart.BottomAxis().SetMinMax(0.0, 1.0);
    chart.SetMarginBottom(15);
  }
  TChart chart;
};

TEST_F(ChartFixture, SeriesColoursAppearWherePointsWereAppended) {
  TChart chart2;
  chart2.resize(400, 200);
  chart2.LeftAxis().SetMinMax(-105.0, 105.0);
  chart2.BottomAxis().SetMinMax(0.0, 1.0);
  TFastLineSeries& series1 = chart.AddSeries(Red);
  TFastLineSeries& series2 = chart2.AddSeries(Maroon);
  for (int i = 0; i <= 200; ++i) {
    const double x = i / 200.0;
    series1.AddXY(x, 90.0 * std::sin(6.0 * x));
    series2.AddXY(x, -60.0 * std::cos(4.0 * x));
  }
  const QImage image1 = Render(chart);
  const QImage image2 = Render(chart2);
  for (const TChartPoint& p : series1.Points()) {
    EXPECT_TRUE(ColourNear(image1, chart.MapToPixel(p.X, p.Y), Red)) << p.X << ", " << p.Y;
  }
  for (const TChartPoint& p : series2.Points()) {
    EXPECT_TRUE(ColourNear(image2, chart2.MapToPixel(p.X, p.Y), Maroon)) << p.X << ", " << p.Y;
  }
  EXPECT_EQ(CountColour(image1, image1.rect(), Maroon), 0);
  EXPECT_EQ(CountColour(image2, image2.rect(), Red), 0);
}

TEST_F(ChartFixture, OnlyThePageIsDrawn) {
  TFastLineSeries& s = chart.AddSeries(Red);
  for (int i = 0; i <= 50; ++i) s.AddXY(-1.0 + i / 100.0, 80.0);  // left of the page
  for (int i = 1; i <= 9; ++i) s.AddXY(i / 10.0, -80.0);
  for (int i = 0; i <= 50; ++i) s.AddXY(1.5 + i / 100.0, 80.0);  // right of it
  const QImage image = Render(chart);
  const int high = static_cast<int>(std::lround(chart.MapToPixel(0.5, 80.0).y()));
  EXPECT_EQ(CountColour(image, QRect(0, high - 1, image.width(), 3), Red), 0);
  EXPECT_TRUE(ColourNear(image, chart.MapToPixel(0.5, -80.0), Red));
  // The lines to the neighbours outside reach the page edges.
  EXPECT_GT(CountColour(image, QRect(chart.PlotRect().left(), 0, 2, image.height()), Red), 0);
  EXPECT_GT(CountColour(image, QRect(chart.PlotRect().right() - 1, 0, 2, image.height()), Red), 0);
}

TEST_F(ChartFixture, NonFiniteValuesBreakTheLine) {
  TFastLineSeries& s = chart.AddSeries(Red);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const double ys[] = {50.0, 50.0, nan, 50.0, 50.0, inf, 50.0, 50.0, -inf, 50.0, 50.0};
  for (std::size_t i = 0; i < std::size(ys); ++i) s.AddXY(0.05 + 0.09 * i, ys[i]);
  const QImage image = Render(chart);
  for (std::size_t i = 0; i < std::size(ys); ++i) {
    const bool finite = std::isfinite(ys[i]);
    // Either side of a non-finite point, the line stops short of it.
    const QPointF p = chart.MapToPixel(0.05 + 0.09 * i, 50.0);
    EXPECT_EQ(ColourNear(image, p, Red), finite) << i;
  }
}

TEST_F(ChartFixture, HugeValuesAreClippedToThePlotArea) {
  TFastLineSeries& s = chart.AddSeries(Red);
  for (int i = 0; i <= 100; ++i) s.AddXY(i / 100.0, (i % 2 == 0 ? 1.0 : -1.0) * std::pow(10.0, 3 * (i % 103)));
  s.AddXY(0.995, std::numeric_limits<double>::max());
  s.AddXY(0.996, -std::numeric_limits<double>::max());
  const QImage image = Render(chart);
  const QRect plot = chart.PlotRect();
  const int inside = CountColour(image, plot, Red);
  EXPECT_GT(inside, plot.height());  // steep lines across the whole height
  EXPECT_EQ(CountColour(image, image.rect(), Red), inside);
}

TEST_F(ChartFixture, AnEmptyRangeDrawsNoSeries) {
  TFastLineSeries& s = chart.AddSeries(Red);
  for (int i = 0; i < 10; ++i) s.AddXY(0.0, i * 10.0);
  chart.BottomAxis().SetMaximum(0.0);
  EXPECT_EQ(CountColour(Render(chart), chart.rect(), Red), 0);
  chart.BottomAxis().SetMinMax(-1.0, 1.0);
  EXPECT_GT(CountColour(Render(chart), chart.rect(), Red), 0);  // a vertical line at x = 0
}

// Text is smoothed, so the title is found by its hue rather than one exact
// colour.
int CountGreenish(const QImage& image, const QRect& area) {
  int count = 0;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    for (int x = area.left(); x <= area.right(); ++x) {
      const QColor c = image.pixelColor(x, y);
      if (c.green() > c.red() + 60 && c.green() > c.blue() + 60) ++count;
    }
  }
  return count;
}

TEST_F(ChartFixture, TitleIsDrawnInItsColour) {
  chart.Title().SetColor(QColor(0, 160, 0));
  const QImage image = Render(chart);
  const QRect above(0, 0, image.width(), chart.PlotRect().top());
  EXPECT_GT(CountGreenish(image, above), 10);
  chart.Title().SetText(QString());
  EXPECT_EQ(CountGreenish(Render(chart), chart.rect()), 0);
}

}  // namespace

namespace {

TEST_F(ChartFixture, ANewSeriesColourIsDrawn) {
  TFastLineSeries& s = chart.AddSeries(Red);
  for (int i = 0; i <= 10; ++i) s.AddXY(i / 10.0, 20.0);
  s.SetSeriesColor(QColor(0, 0, 255));
  const QImage image = Render(chart);
  EXPECT_TRUE(ColourNear(image, chart.MapToPixel(0.5, 20.0), QColor(0, 0, 255)));
  EXPECT_EQ(CountColour(image, image.rect(), Red), 0);
}

// Small and odd sizes lay out and paint without drawing outside the widget
// or the plot area.
TEST_F(ChartFixture, AnySizePaints) {
  TFastLineSeries& s = chart.AddSeries(Red);
  for (int i = 0; i <= 100; ++i) s.AddXY(i / 100.0, i % 2 == 0 ? 100.0 : -100.0);
  for (const QSize size : {QSize(1, 1), QSize(20, 10), QSize(60, 40), QSize(80, 300), QSize(1000, 45)}) {
    chart.resize(size);
    const QImage image = Render(chart);
    const QRect plot = chart.PlotRect();
    EXPECT_EQ(CountColour(image, image.rect(), Red), plot.isEmpty() ? 0 : CountColour(image, plot, Red))
        << size.width() << "x" << size.height();
  }
}

}  // namespace

namespace {

// Ranges at the ends of the double type: the labels are placed in bounded
// time and the series is drawn only inside the plot area.
TEST_F(ChartFixture, ExtremeRangesLayOutAndPaint) {
  struct Range {
    double Minimum, Maximum;
  };
  const double big = 1.0e300;
  const Range ranges[] = {{big, std::nextafter(big, 2.0 * big)},
                          {-1.0e-300, 1.0e-300},
                          {0.0, 5.0e-324},
                          {-8.0e307, 8.0e307},
                          {-1.0, std::nextafter(-1.0, 0.0)}};
  TFastLineSeries& s = chart.AddSeries(Red);
  for (int i = 0; i <= 100; ++i) s.AddXY(i / 100.0, i % 2 == 0 ? 1.0e300 : -1.0e-300);
  for (const Range& r : ranges) {
    chart.LeftAxis().SetMinMax(r.Minimum, r.Maximum);
    const QImage image = Render(chart);
    EXPECT_EQ(CountColour(image, image.rect(), Red), CountColour(image, chart.PlotRect(), Red)) << r.Minimum;
  }
}

// On a logarithmic bottom axis each decade takes the same width, the line
// passes through its points there, and a point at 0 breaks it.
TEST_F(ChartFixture, LogarithmicAxisPlacesDecadesEvenly) {
  chart.BottomAxis().SetVisible(true);
  chart.BottomAxis().SetMinMax(1.0, 1000.0);
  chart.BottomAxis().SetLogarithmic(true);
  const double decade = chart.MapToPixel(10.0, 0.0).x() - chart.MapToPixel(1.0, 0.0).x();
  EXPECT_GT(decade, 50.0);
  EXPECT_NEAR(chart.MapToPixel(1000.0, 0.0).x() - chart.MapToPixel(100.0, 0.0).x(), decade, 1e-9);
  TFastLineSeries& s = chart.AddSeries(Red);
  s.AddXY(0.0, 50.0);
  for (int i = 0; i <= 30; ++i) s.AddXY(std::pow(10.0, i / 10.0), 50.0 - 3.0 * i);
  const QImage image = Render(chart);
  for (const TChartPoint& p : s.Points().subspan(1)) {
    EXPECT_TRUE(ColourNear(image, chart.MapToPixel(p.X, p.Y), Red)) << p.X;
  }
  // Left of 1 nothing is drawn: the point at 0 cannot be placed.
  EXPECT_EQ(CountColour(image, QRect(0, 0, chart.PlotRect().left(), image.height()), Red), 0);
}

// Every bottom label is drawn whole, the one at the end of the range too:
// the labels' ink is the same as when the range ends a little beyond it.
TEST_F(ChartFixture, BottomLabelsAtTheEdgeAreDrawnWhole) {
  chart.BottomAxis().SetVisible(true);
  const auto labelInk = [&](double maximum) {
    chart.BottomAxis().SetMinMax(0.0, maximum);
    const QImage image = Render(chart);
    const int below = chart.PlotRect().bottom() + chart.BottomAxis().AxisWidth() + 5;  // under the ticks
    const QRect band(0, below, image.width(), image.height() - below);
    return band.width() * band.height() - CountColour(image, band, image.pixelColor(0, image.height() - 1));
  };
  for (const double maximum : {500.0, 1000.0, 22000.0}) {
    SCOPED_TRACE(maximum);
    EXPECT_GT(labelInk(maximum), 0);
    EXPECT_EQ(labelInk(maximum), labelInk(1.04 * maximum));
  }
}

// Equal aspect: a unit takes as many pixels across as up, in a plot area
// centred where the full one was.
TEST_F(ChartFixture, EqualAspectGivesBothAxesOneScale) {
  struct Ranges {
    double X, Y;
  };
  for (const Ranges& r : {Ranges{1.0, 1.0}, Ranges{4.0, 1.0}, Ranges{1.0, 4.0}}) {
    SCOPED_TRACE(std::to_string(r.X) + " by " + std::to_string(r.Y));
    chart.SetEqualAspect(false);
    chart.BottomAxis().SetMinMax(-r.X, r.X);
    chart.LeftAxis().SetMinMax(-r.Y, r.Y);
    const QRect full = chart.PlotRect();
    chart.SetEqualAspect(true);
    const QPointF origin = chart.MapToPixel(0.0, 0.0);
    const double across = chart.MapToPixel(r.X, 0.0).x() - origin.x();
    const double up = origin.y() - chart.MapToPixel(0.0, r.Y).y();
    EXPECT_NEAR(across / r.X, up / r.Y, 0.5 / std::min(r.X, r.Y));
    EXPECT_TRUE(full.contains(chart.PlotRect()));
    EXPECT_TRUE(chart.PlotRect().width() == full.width() || chart.PlotRect().height() == full.height());
    EXPECT_LE(std::abs(chart.PlotRect().center().x() - full.center().x()), 1);
    EXPECT_LE(std::abs(chart.PlotRect().center().y() - full.center().y()), 1);
  }
}

// Marks inside both ranges are drawn whole, even on the edge of the plot
// area; those outside the left range are not drawn.
TEST_F(ChartFixture, PointMarksInsideTheRangesOnly) {
  TPointSeries& crosses = chart.AddPointSeries(Red, TPointStyle::Cross);
  crosses.AddXY(0.5, 0.0);
  crosses.AddXY(1.0, 110.0);   // the top right corner
  crosses.AddXY(0.25, 150.0);  // above the range
  const QImage image = Render(chart);
  const int r = crosses.Radius();
  for (const TChartPoint& p : crosses.Points()) {
    const QPointF c = chart.MapToPixel(p.X, p.Y);
    const bool inside = p.Y <= 110.0;
    for (const QPointF corner : {QPointF(-r, -r), QPointF(r, r), QPointF(r, -r), QPointF(-r, r)}) {
      EXPECT_EQ(ColourNear(image, c + corner, Red), inside) << p.X << ", " << p.Y;
    }
  }
}

}  // namespace
