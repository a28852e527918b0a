// The main window driven through its controls and handlers, offscreen:
// what a person would see after start-up, on paging and while changing the
// signal and the filter.
#include "Application.h"
#include "Chart.h"
#include "Main.h"
#include "FilterStoredForm.h"

#include <tessaro/sigStoredForm.h>

#include <QAction>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QStatusBar>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <vector>

namespace {

using tessaro::Extended;

// A window whose timer is stopped after start-up, so that only the test
// runs ticks (by calling Timer1Timer).
struct IirWindow : ::testing::Test {
  IirWindow() {
    wasActive = fm.Timer1->isActive();
    fm.Timer1->stop();
  }
  void Ticks(int count) {
    for (int i = 0; i < count; ++i) fm.Timer1Timer();
  }
  bool HistoryIsSilent() const {
    const auto in = fm.sigIIRFilter1.InputHistory();
    const auto out = fm.sigIIRFilter1.OutputHistory();
    return std::all_of(in.begin(), in.end(), [](Extended v) { return v == 0.0L; }) &&
           std::all_of(out.begin(), out.end(), [](Extended v) { return v == 0.0L; });
  }
  std::vector<Extended> Coefficients() const {
    std::vector<Extended> c(fm.sigIIRFilter1.InputCoefficients().begin(),
                            fm.sigIIRFilter1.InputCoefficients().end());
    c.insert(c.end(), fm.sigIIRFilter1.OutputCoefficients().begin(), fm.sigIIRFilter1.OutputCoefficients().end());
    c.push_back(fm.sigIIRFilter1.InputScale());
    return c;
  }

  TfmMain fm;
  bool wasActive = false;
};

TEST_F(IirWindow, StartUpState) {
  EXPECT_EQ(fm.windowTitle(), "IIR Filter Demo");
  ASSERT_NE(TApplication::Instance(), nullptr);
  EXPECT_EQ(TApplication::Instance()->Title(), "Tessaro - IIR Filter Demo");
  EXPECT_TRUE(wasActive);
  EXPECT_EQ(fm.Timer1->interval(), 50);
  EXPECT_EQ(fm.Timer1Tag(), 0);

  const std::pair<QLineEdit*, const char*> edits[] = {
      {fm.edtSourceFreq, "50"}, {fm.edtSourceAmp, "100"},  {fm.edtFilterFreq1, "40"},
      {fm.edtFilterFreq2, "60"}, {fm.edtFilterOrder, "2"}, {fm.edtFilterRipple, " 3.0 dB"}};
  for (const auto& [edit, text] : edits) {
    EXPECT_EQ(edit->text(), text) << edit->objectName().toStdString();
    EXPECT_TRUE(edit->isReadOnly());
    EXPECT_EQ(edit->focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(edit->size(), QSize(41, 21));
  }

  EXPECT_EQ(fm.SourceKind(), skSine);
  EXPECT_EQ(fm.SourceFreq(), 50);
  EXPECT_EQ(fm.SourceAmp(), 100);
  const auto& f = fm.sigIIRFilter1;
  EXPECT_EQ(f.Kind(), tessaro::fkButterworth);
  EXPECT_EQ(f.Response(), tessaro::ftBandstop);
  EXPECT_EQ(f.Order(), 2);
  EXPECT_EQ(f.Frequency1(), 40.0L);
  EXPECT_EQ(f.Frequency2(), 60.0L);
  EXPECT_EQ(f.Ripple(), 3.0L);
  EXPECT_EQ(f.SampleRate(), 1000.0L);
  EXPECT_TRUE(f.ManualReset());
  EXPECT_EQ(f.Name(), "sigIIRFilter1");

  for (TChart* chart : {fm.Chart1, fm.Chart2}) {
    EXPECT_EQ(chart->BottomAxis().Minimum(), 0.0);
    EXPECT_EQ(chart->BottomAxis().Maximum(), 0.0);
    EXPECT_FALSE(chart->BottomAxis().Visible());
    EXPECT_EQ(chart->MarginBottom(), 15);
    EXPECT_EQ(chart->LeftAxis().AxisWidth(), 1);
  }
  EXPECT_EQ(fm.Chart1->LeftAxis().Minimum(), -110.0);
  EXPECT_EQ(fm.Chart1->LeftAxis().Maximum(), 110.0);
  EXPECT_EQ(fm.Chart2->LeftAxis().Minimum(), -105.0);
  EXPECT_EQ(fm.Chart2->LeftAxis().Maximum(), 105.0);
  EXPECT_EQ(fm.Chart1->Title().Text(), "Source signal");
  EXPECT_EQ(fm.Chart2->Title().Text(), "Filtered signal");
  EXPECT_EQ(fm.Series1->SeriesColor(), QColor(255, 0, 0));
  EXPECT_EQ(fm.Series2->SeriesColor(), QColor(128, 0, 0));
  EXPECT_EQ(fm.Series1->Count(), 0u);
  EXPECT_EQ(fm.Series2->Count(), 0u);
  EXPECT_TRUE(fm.StatusBar1->currentMessage().isEmpty());
  EXPECT_EQ(fm.StatusBar1->height(), 19);
}

TEST_F(IirWindow, CaptionsAndControls) {
  const std::pair<QGroupBox*, const char*> boxes[] = {
      {fm.GeneratorBox, " Source "},
      {fm.GroupBox1, " Filter Kind "},
      {fm.FilterResponse, " Filter Response "},
      {fm.FilterPropertiesBox, " Order && Frequencies "},
      {fm.ChebyshevPropertiesBox6, " For Chebyshev Filter Only"}};
  // Side by side in that order, all visible without scrolling at the
  // stored size.
  fm.show();
  QCoreApplication::processEvents();
  fm.Timer1->stop();
  const QRect viewport = fm.ScrollBox1->viewport()->rect();
  int right = 0;
  for (const auto& [box, caption] : boxes) {
    EXPECT_EQ(box->title(), caption);
    EXPECT_EQ(box->height(), 100);
    const QRect seen(box->mapTo(fm.ScrollBox1->viewport(), QPoint(0, 0)), box->size());
    EXPECT_TRUE(viewport.contains(seen)) << caption;
    EXPECT_GT(seen.left(), right) << caption;
    right = seen.right();
  }
  EXPECT_EQ(fm.ScrollBox1->horizontalScrollBar()->maximum(), 0);

  const std::pair<QRadioButton*, const char*> radios[] = {
      {fm.rbSin, "Sine"},           {fm.rbSquare, "Square"},           {fm.rbTriangle, "Triangle"},
      {fm.rbButterworth, "Butterworth"}, {fm.rbChebyshev, "Chebyshev"}, {fm.rbBessel, "Bessel"},
      {fm.rbLowpassFilter, "Lowpass"}, {fm.rbHighpassFilter, "Highpass"},
      {fm.rbBandpassFilter, "Bandpass"}, {fm.rbBandstopFilter, "Bandstop"}};
  for (const auto& [radio, caption] : radios) EXPECT_EQ(radio->text(), caption);
  EXPECT_TRUE(fm.rbSin->isChecked());
  EXPECT_TRUE(fm.rbButterworth->isChecked());
  EXPECT_TRUE(fm.rbBandstopFilter->isChecked());

  // Each slider's range and page step, as its edit shows them: the ends,
  // then one page up from the lower end.
  struct SliderRow {
    QSlider* Slider;
    QLineEdit* Edit;
    const char* Lowest;
    const char* Highest;
    const char* PageUp;
    int Tick;
  };
  const SliderRow sliders[] = {{fm.tbSourceFreq, fm.edtSourceFreq, "0", "100", "1", 10},
                               {fm.tbSourceAmp, fm.edtSourceAmp, "0", "100", "1", 10},
                               {fm.tbFilterOrder, fm.edtFilterOrder, "1", "8", "2", 1},
                               {fm.tbFilterFreq1, fm.edtFilterFreq1, "0", "100", "1", 10},
                               {fm.tbFilterFreq2, fm.edtFilterFreq2, "0", "100", "1", 10},
                               {fm.tbFilterRipple, fm.edtFilterRipple, " 0.1 dB", " 5.0 dB", " 1.1 dB", 5}};
  for (const SliderRow& s : sliders) {
    SCOPED_TRACE(s.Slider->objectName().toStdString());
    s.Slider->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(s.Edit->text(), s.Highest);
    s.Slider->triggerAction(QAbstractSlider::SliderToMinimum);
    EXPECT_EQ(s.Edit->text(), s.Lowest);
    s.Slider->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(s.Edit->text(), s.PageUp);
    EXPECT_EQ(s.Slider->tickInterval(), s.Tick);
    EXPECT_EQ(s.Slider->tickPosition(), QSlider::TicksBelow);
    EXPECT_EQ(s.Slider->size(), QSize(85, 19));
  }

  EXPECT_EQ(fm.Program1->title(), "&Program");
  QStringList program;
  for (const QAction* action : fm.Program1->actions()) program << action->text();
  EXPECT_EQ(program, (QStringList{"&Load filter...", "&Save filter...", "", "&Response...", "E&xit"}));
  EXPECT_EQ(fm.Exit1->text(), "E&xit");
  EXPECT_EQ(fm.Help1->title(), "&Help");
  EXPECT_EQ(fm.Whatisthis1->text(), "&What is this?");
  EXPECT_FALSE(fm.Whatisthis1->isVisible());
  EXPECT_TRUE(fm.N1->isSeparator());
  EXPECT_FALSE(fm.N1->isVisible());
  EXPECT_EQ(fm.About1->text(), "&About...");
  EXPECT_TRUE(fm.About1->isVisible());
}

TEST(FilterStoredForm, LoadsTheStoredValuesThroughTheSetters) {
  tessaro::TsigIIRFilter filter;
  tessaro::ReadComponent(filter, FilterStoredForm);
  EXPECT_EQ(filter.Name(), "sigIIRFilter1");
  EXPECT_EQ(filter.Kind(), tessaro::fkButterworth);
  EXPECT_EQ(filter.Response(), tessaro::ftLowpass);
  EXPECT_EQ(filter.Order(), 1);
  EXPECT_EQ(filter.Frequency1(), 40.0L);
  EXPECT_EQ(filter.Frequency2(), 40.0L);
  EXPECT_EQ(filter.SampleRate(), 1000.0L);
  EXPECT_EQ(filter.Ripple(), 0.0L);
  EXPECT_TRUE(filter.ManualReset());
}

TEST_F(IirWindow, FirstTickOpensTheFirstPage) {
  Ticks(1);
  const double w = static_cast<double>(PageWidth);
  for (TChart* chart : {fm.Chart1, fm.Chart2}) {
    EXPECT_EQ(chart->BottomAxis().Minimum(), 0.0);
    EXPECT_EQ(chart->BottomAxis().Maximum(), w);
  }
  EXPECT_EQ(fm.Timer1Tag(), 5);
  ASSERT_EQ(fm.Series1->Count(), 5u);
  ASSERT_EQ(fm.Series2->Count(), 5u);
  for (std::int64_t n = 0; n < 5; ++n) {
    const double t = SampleTime(n);
    EXPECT_EQ(fm.Series1->Points()[n].X, SampleX(t));
    EXPECT_EQ(fm.Series2->Points()[n].X, SampleX(t));
    EXPECT_EQ(fm.Series1->Points()[n].Y, static_cast<double>(SourceValue(skSine, 50, 100, t)));
  }
}

TEST_F(IirWindow, SampleOneThousandOpensTheSecondPage) {
  Ticks(200);
  EXPECT_EQ(fm.Timer1Tag(), 1000);
  const double w = static_cast<double>(PageWidth);
  EXPECT_EQ(fm.Chart1->BottomAxis().Maximum(), w);
  Ticks(1);
  const double w2 = static_cast<double>(static_cast<Extended>(w) + PageWidth);
  for (TChart* chart : {fm.Chart1, fm.Chart2}) {
    EXPECT_EQ(chart->BottomAxis().Minimum(), w);
    EXPECT_EQ(chart->BottomAxis().Maximum(), w2);
  }
  // Nothing lies left of the previous page yet: all 1005 points are kept.
  EXPECT_EQ(fm.Series1->Count(), 1005u);
}

TEST_F(IirWindow, ChartsKeepTwoPagesHoweverLongItRuns) {
  Ticks(200 * 12 + 3);
  EXPECT_LE(fm.Series1->Count(), 2001u);
  EXPECT_LE(fm.Series2->Count(), 2001u);
  EXPECT_EQ(fm.Series1->Points().back().X, SampleX(SampleTime(fm.Timer1Tag() - 1)));
}

// The three shapes, driven through the radio buttons and sliders.
TEST_F(IirWindow, SignalShapes) {
  struct Shape {
    QRadioButton* Button;
    TSourceKind Kind;
  };
  const Shape shapes[] = {{fm.rbSquare, skSquare}, {fm.rbTriangle, skTriangle}, {fm.rbSin, skSine}};
  fm.tbSourceFreq->setValue(100);
  fm.tbSourceAmp->setValue(80);
  EXPECT_EQ(fm.edtSourceFreq->text(), "100");
  EXPECT_EQ(fm.edtSourceAmp->text(), "80");
  for (const Shape& s : shapes) {
    s.Button->click();
    EXPECT_EQ(fm.SourceKind(), s.Kind);
    const std::size_t first = fm.Series1->Count();
    const std::int64_t n0 = fm.Timer1Tag();
    Ticks(4);
    for (std::size_t i = 0; i < 20; ++i) {
      EXPECT_EQ(fm.Series1->Points()[first + i].Y,
                static_cast<double>(SourceValue(s.Kind, 100, 80, SampleTime(n0 + static_cast<std::int64_t>(i)))));
    }
  }
  // The triangle at 100 Hz, one period from a sample at a period start (the
  // jump of the counter pages the charts, so the last ten points are read).
  fm.rbTriangle->click();
  fm.SetTimer1Tag(2000);
  Ticks(2);
  const auto points = fm.Series1->Points();
  ASSERT_GE(points.size(), 10u);
  const double expected[] = {-80, -48, -16, 16, 48, 80, 48, 16, -16, -48};
  for (std::size_t i = 0; i < 10; ++i) EXPECT_NEAR(points[points.size() - 10 + i].Y, expected[i], 1e-9);
}

TEST_F(IirWindow, EqualCornersWithBandpassAndBandstop) {
  fm.tbFilterFreq2->setValue(40);
  EXPECT_EQ(fm.edtFilterFreq2->text(), "40");
  fm.rbBandpassFilter->click();
  EXPECT_EQ(fm.sigIIRFilter1.Response(), tessaro::ftBandpass);
  std::size_t first = fm.Series2->Count();
  Ticks(20);
  for (std::size_t i = first; i < fm.Series2->Count(); ++i) EXPECT_EQ(fm.Series2->Points()[i].Y, 0.0) << i;

  fm.rbBandstopFilter->click();
  first = fm.Series2->Count();
  Ticks(20);
  for (std::size_t i = first; i < fm.Series2->Count(); ++i) {
    EXPECT_EQ(fm.Series2->Points()[i].Y, fm.Series1->Points()[i].Y) << i;
  }
}

// With ManualReset, order and response restart the filter from silence;
// kind, corner frequencies and ripple let it run on.
TEST_F(IirWindow, WhichChangesRestartTheFilter) {
  struct Change {
    const char* Name;
    std::function<void(TfmMain&)> Apply;
    bool Restarts;
  };
  const Change changes[] = {
      {"kind", [](TfmMain& w) { w.rbChebyshev->click(); }, false},
      {"frequency 1", [](TfmMain& w) { w.tbFilterFreq1->setValue(30); }, false},
      {"frequency 2", [](TfmMain& w) { w.tbFilterFreq2->setValue(70); }, false},
      {"ripple", [](TfmMain& w) { w.tbFilterRipple->setValue(20); }, false},
      {"order", [](TfmMain& w) { w.tbFilterOrder->setValue(3); }, true},
      {"response", [](TfmMain& w) { w.rbBandpassFilter->click(); }, true},
      {"source frequency", [](TfmMain& w) { w.tbSourceFreq->setValue(20); }, false},
  };
  for (const Change& c : changes) {
    SCOPED_TRACE(c.Name);
    Ticks(10);
    ASSERT_FALSE(HistoryIsSilent());
    c.Apply(fm);
    EXPECT_EQ(HistoryIsSilent(), c.Restarts);
  }
}

TEST_F(IirWindow, SecondFrequencyOfALowpassIsStoredButUnused) {
  fm.rbLowpassFilter->click();
  const auto before = Coefficients();
  fm.tbFilterFreq2->setValue(90);
  EXPECT_EQ(fm.edtFilterFreq2->text(), "90");
  EXPECT_EQ(Coefficients(), before);
  fm.rbBandpassFilter->click();
  EXPECT_EQ(fm.sigIIRFilter1.Frequency2(), 90.0L);
}

TEST_F(IirWindow, RippleIsStoredAndUsedOnlyByChebyshev) {
  const auto before = Coefficients();
  struct RippleRow {
    int Position;
    const char* Text;
    Extended Ripple;
  };
  const RippleRow rows[] = {{1, " 0.1 dB", 0.1L}, {50, " 5.0 dB", 5.0L}, {15, " 1.5 dB", 1.5L}, {30, " 3.0 dB", 3.0L}};
  for (const RippleRow& r : rows) {
    fm.tbFilterRipple->setValue(r.Position);
    EXPECT_EQ(fm.edtFilterRipple->text(), r.Text);
    EXPECT_EQ(fm.sigIIRFilter1.Ripple(), r.Ripple);
    EXPECT_EQ(Coefficients(), before);
  }
  fm.rbChebyshev->click();
  const auto chebyshev = Coefficients();
  EXPECT_NE(chebyshev, before);
  fm.tbFilterRipple->setValue(10);
  EXPECT_NE(Coefficients(), chebyshev);
}

TEST_F(IirWindow, CornerSliderAtZero) {
  fm.tbFilterFreq1->setValue(0);
  EXPECT_EQ(fm.edtFilterFreq1->text(), "0");
  EXPECT_EQ(fm.sigIIRFilter1.Frequency1(), 1e-10L);
}

TEST_F(IirWindow, OrderEditFollowsTheSlider) {
  for (int order = 1; order <= 8; ++order) {
    fm.tbFilterOrder->setValue(order);
    EXPECT_EQ(fm.edtFilterOrder->text(), QString::number(order));
    EXPECT_EQ(fm.sigIIRFilter1.Order(), order);
  }
}

TEST_F(IirWindow, ChartSplitOnAnOddPanelHeight) {
  for (const int height : {301, 300, 345, 21}) {
    SCOPED_TRACE(height);
    fm.Panel1->resize(700, height);
    fm.Panel1Resize();
    const QRect area = fm.Panel1->contentsRect();
    EXPECT_EQ(fm.Chart1->height(), height / 2);
    EXPECT_LE(fm.Chart1->height(), height - height / 2);
    EXPECT_EQ(fm.Chart1->geometry().top(), area.top());
    EXPECT_EQ(fm.Chart2->geometry().top(), fm.Chart1->geometry().bottom() + 1);
    EXPECT_EQ(fm.Chart2->geometry().bottom(), area.bottom());
    EXPECT_EQ(fm.Chart1->width(), area.width());
    EXPECT_EQ(fm.Chart2->width(), area.width());
  }
}

TEST_F(IirWindow, ResizingTheWindowSplitsThePanel) {
  fm.show();
  fm.resize(800, 640);
  QCoreApplication::processEvents();
  fm.Timer1->stop();
  EXPECT_EQ(fm.Chart1->height(), fm.Panel1->height() / 2);
  EXPECT_EQ(fm.Chart2->geometry().bottom(), fm.Panel1->contentsRect().bottom());
  fm.Exit1Click();
  EXPECT_FALSE(fm.isVisible());
}

// A signed 32-bit counter would overflow after 2^31 - 1 samples; this one
// runs on with the time and x of every sample.
TEST_F(IirWindow, SampleCounterRunsPastTwoToTheThirtyOne) {
  const std::int64_t start = 2147483647LL - 7;
  fm.SetTimer1Tag(start);
  Ticks(4);
  EXPECT_EQ(fm.Timer1Tag(), start + 20);
  const auto points = fm.Series1->Points();
  const std::size_t last = points.size() - 1;
  EXPECT_EQ(points[last].X, SampleX(SampleTime(start + 19)));
  EXPECT_GT(points[last].X, 0.0);
  for (std::size_t i = 1; i < points.size(); ++i) EXPECT_GT(points[i].X, points[i - 1].X);
}

// An unstable direct form overflows the filter's output: an eighth-order
// Butterworth lowpass at 1 Hz for 1000 Hz sampling grows past the double
// range after about 690 000 samples (two hours of running). The chart skips
// the non-finite values and the program goes on. (The cascade, which the
// filter picks for that design by itself, holds.)
TEST_F(IirWindow, AnOverflowingFilterDoesNotStopTheProgram) {
  QString reported;
  TApplication::Instance()->SetExceptionReport([&reported](const QString& m) { reported = m; });
  fm.sigIIRFilter1.SetStructure(tessaro::fsDirect);
  fm.rbLowpassFilter->click();
  fm.tbFilterOrder->setValue(8);
  fm.tbFilterFreq1->setValue(1);
  const auto nonFinite = [](const TChartPoint& p) { return !std::isfinite(p.Y); };
  int ticks = 0;
  for (; ticks < 160000; ++ticks) {
    fm.Timer1Timer();
    if (!std::isfinite(fm.Series2->Points().back().Y)) break;
  }
  ASSERT_LT(ticks, 160000) << "the filter did not overflow";
  Ticks(100);  // half a page more, all of it non-finite
  const auto points = fm.Series2->Points();
  EXPECT_TRUE(std::any_of(points.begin(), points.end(), nonFinite));
  EXPECT_LE(points.size(), 2001u);

  fm.Chart2->resize(600, 200);
  const QImage image = fm.Chart2->grab().toImage();
  const QRect plot = fm.Chart2->PlotRect();
  int outside = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (!plot.contains(x, y) && image.pixelColor(x, y) == QColor(128, 0, 0)) ++outside;
    }
  }
  // What is left finite lies far outside the axis range and is clipped.
  EXPECT_EQ(outside, 0);
  // The source chart goes on as before.
  const QImage source = fm.Chart1->grab().toImage();
  int red = 0;
  for (int y = 0; y < source.height(); ++y) {
    for (int x = 0; x < source.width(); ++x) red += source.pixelColor(x, y) == QColor(255, 0, 0);
  }
  EXPECT_GT(red, 100);
  EXPECT_TRUE(reported.isEmpty()) << reported.toStdString();
  TApplication::Instance()->SetExceptionReport(nullptr);
}

}  // namespace
