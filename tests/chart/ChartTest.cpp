// The chart's settings and series: range checks, point order, the drawn
// index range and the bounded memory of a paging chart.
#include "Chart.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <stdexcept>

namespace {

constexpr double Inf = std::numeric_limits<double>::infinity();
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

struct RangeCase {
  const char* Name;
  double Minimum;
  double Maximum;
  const char* Mentions;  // what the message names
};

const RangeCase BadRanges[] = {
    {"maximum below minimum", 2.0, 1.0, "Maximum 1 is below Minimum 2"},
    {"NaN minimum", NaN, 1.0, "Minimum nan"},
    {"NaN maximum", 0.0, NaN, "Maximum nan"},
    {"infinite maximum", 0.0, Inf, "Maximum inf"},
    {"infinite minimum", -Inf, 0.0, "Minimum -inf"},
    {"overflowing width", -1.0e308, 1.0e308, "too wide"},
};

TEST(ChartAxis, RejectsABadRangeAndKeepsItsOwn) {
  TChart chart;
  chart.LeftAxis().SetMinMax(-110.0, 110.0);
  for (const RangeCase& c : BadRanges) {
    SCOPED_TRACE(c.Name);
    try {
      chart.LeftAxis().SetMinMax(c.Minimum, c.Maximum);
      ADD_FAILURE() << "no exception";
    } catch (const std::invalid_argument& e) {
      EXPECT_NE(std::string(e.what()).find(c.Mentions), std::string::npos) << e.what();
    }
    EXPECT_EQ(chart.LeftAxis().Minimum(), -110.0);
    EXPECT_EQ(chart.LeftAxis().Maximum(), 110.0);
  }
  EXPECT_THROW(chart.LeftAxis().SetMaximum(-200.0), std::invalid_argument);
  EXPECT_THROW(chart.LeftAxis().SetMinimum(200.0), std::invalid_argument);
  EXPECT_EQ(chart.LeftAxis().Maximum(), 110.0);
}

TEST(ChartAxis, SettersOfOneEnd) {
  TChart chart;
  chart.BottomAxis().SetMinMax(0.0, 25.0);
  chart.BottomAxis().SetMaximum(0.0);  // an empty range is allowed
  EXPECT_EQ(chart.BottomAxis().Minimum(), 0.0);
  EXPECT_EQ(chart.BottomAxis().Maximum(), 0.0);
  chart.BottomAxis().SetMaximum(3.0);
  chart.BottomAxis().SetMinimum(1.0);
  EXPECT_EQ(chart.BottomAxis().Minimum(), 1.0);
  EXPECT_EQ(chart.BottomAxis().Maximum(), 3.0);
}

TEST(ChartSettings, RejectBadValues) {
  TChart chart;
  EXPECT_THROW(chart.SetMarginBottom(-1), std::invalid_argument);
  EXPECT_THROW(chart.LeftAxis().SetAxisWidth(-1), std::invalid_argument);
  EXPECT_THROW(chart.LeftAxis().SetAxisWidth(17), std::invalid_argument);
  EXPECT_THROW(chart.Series(0), std::out_of_range);
  chart.SetMarginBottom(15);
  EXPECT_EQ(chart.MarginBottom(), 15);
}

TEST(FastLineSeries, KeepsXAscending) {
  TChart chart;
  TFastLineSeries& s = chart.AddSeries(Qt::red);
  struct Add {
    double X;
    std::size_t Index;
  };
  const Add adds[] = {{1.0, 0}, {3.0, 1}, {3.0, 2}, {2.0, 1}, {0.5, 0}, {Inf, 5}, {-Inf, 0}, {3.0, 6}};
  for (const Add& a : adds) EXPECT_EQ(s.AddXY(a.X, a.X * 10.0), a.Index) << a.X;
  const double expected[] = {-Inf, 0.5, 1.0, 2.0, 3.0, 3.0, 3.0, Inf};
  ASSERT_EQ(s.Count(), std::size(expected));
  for (std::size_t i = 0; i < s.Count(); ++i) EXPECT_EQ(s.Points()[i].X, expected[i]) << i;
  // Equal x values keep the order they came in.
  EXPECT_EQ(s.Points()[4].Y, 30.0);
}

TEST(FastLineSeries, RejectsNaNXAndAcceptsAnyY) {
  TChart chart;
  TFastLineSeries& s = chart.AddSeries(Qt::red);
  EXPECT_THROW(s.AddXY(NaN, 1.0), std::invalid_argument);
  EXPECT_EQ(s.Count(), 0u);
  s.AddXY(0.0, NaN);
  s.AddXY(1.0, Inf);
  s.AddXY(2.0, -1.0e308);
  EXPECT_EQ(s.Count(), 3u);
}

TEST(FastLineSeries, DrawnRangeIsThePageAndOneNeighbourEachSide) {
  TChart chart;
  TFastLineSeries& s = chart.AddSeries(Qt::red);
  for (int i = 0; i < 10; ++i) s.AddXY(i, 0.0);  // x = 0..9
  struct RangeCase {
    double Minimum, Maximum;
    std::size_t First, Last;
  };
  const RangeCase cases[] = {
      {3.0, 6.0, 2, 8},     // 3..6 inside, 2 and 7 reach the edges
      {2.5, 6.5, 2, 8},     // 3..6 inside
      {0.0, 9.0, 0, 10},    // everything, no neighbours
      {-5.0, -1.0, 0, 1},   // left of all: the first point only
      {20.0, 30.0, 9, 10},  // right of all: the last point only
      {4.2, 4.8, 4, 6},     // no point inside: the two around it
  };
  for (const RangeCase& c : cases) {
    const auto r = s.DrawnRange(c.Minimum, c.Maximum);
    EXPECT_EQ(r.First, c.First) << c.Minimum << ".." << c.Maximum;
    EXPECT_EQ(r.Last, c.Last) << c.Minimum << ".." << c.Maximum;
  }
}

// Paging forward drops what lies left of the previous page, keeping the
// last point before it; paging back or resizing the page drops nothing.
TEST(FastLineSeries, PagingForwardBoundsTheMemory) {
  TChart chart;
  TFastLineSeries& s = chart.AddSeries(Qt::red);
  const int perPage = 100;
  chart.BottomAxis().SetMinMax(0.0, 0.0);
  std::size_t most = 0;
  for (int n = 0; n < 100 * perPage; ++n) {
    const double x = n;
    if (x >= chart.BottomAxis().Maximum()) {
      const double m = chart.BottomAxis().Maximum();
      chart.BottomAxis().SetMinMax(m, m + perPage);
    }
    s.AddXY(x, 1.0);
    most = std::max(most, s.Count());
  }
  EXPECT_LE(most, 2u * perPage + 1u);
  // Everything from the last point before the previous page on is there.
  const double previousPage = chart.BottomAxis().Minimum() - perPage;
  EXPECT_EQ(s.Points().front().X, previousPage - 1.0);
  EXPECT_EQ(s.Points().back().X, 100.0 * perPage - 1.0);

  const std::size_t count = s.Count();
  chart.BottomAxis().SetMinMax(0.0, 50.0);  // back: nothing dropped
  EXPECT_EQ(s.Count(), count);
}

// A logarithmic axis needs a positive minimum, whichever comes first; a
// refused setting changes nothing.
TEST(ChartAxis, LogarithmicNeedsAPositiveMinimum) {
  TChart chart;
  TChartAxis& axis = chart.BottomAxis();
  axis.SetMinMax(0.0, 100.0);
  EXPECT_THROW(axis.SetLogarithmic(true), std::invalid_argument);
  EXPECT_FALSE(axis.Logarithmic());
  axis.SetMinMax(1.0, 1000.0);
  axis.SetLogarithmic(true);
  for (const double minimum : {0.0, -1.0, -Inf}) {
    EXPECT_THROW(axis.SetMinMax(minimum, 10.0), std::invalid_argument) << minimum;
    EXPECT_EQ(axis.Minimum(), 1.0);
  }
  struct Unit {
    double Value, Expected;
  };
  for (const Unit& u : {Unit{1.0, 0.0}, Unit{10.0, 1.0 / 3.0}, Unit{1000.0, 1.0}, Unit{1.0e4, 4.0 / 3.0}}) {
    EXPECT_NEAR(axis.ToUnit(u.Value), u.Expected, 1e-15) << u.Value;
  }
  EXPECT_TRUE(std::isnan(axis.ToUnit(0.0)));
  EXPECT_TRUE(std::isnan(axis.ToUnit(-5.0)));
}

TEST(PointSeries, KeepsXAscendingAndChecksItsRadius) {
  TChart chart;
  TPointSeries& s = chart.AddPointSeries(Qt::red, TPointStyle::Circle);
  EXPECT_EQ(&chart.PointSeries(0), &s);
  EXPECT_THROW(chart.PointSeries(1), std::out_of_range);
  EXPECT_THROW(s.AddXY(NaN, 0.0), std::invalid_argument);
  for (const double x : {3.0, 1.0, 2.0, -1.0}) s.AddXY(x, x);
  const auto drawn = s.DrawnRange(0.5, 2.5);  // 1 and 2, no neighbours
  EXPECT_EQ(drawn.First, 1u);
  EXPECT_EQ(drawn.Last, 3u);
  for (const int bad : {0, -1, 33}) {
    EXPECT_THROW(s.SetRadius(bad), std::invalid_argument) << bad;
    EXPECT_EQ(s.Radius(), 4);
  }
}

}  // namespace
