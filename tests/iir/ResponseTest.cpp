// The response window offscreen: its curves against the filter's own
// response, the poles and zeros where the closed form puts them, and a
// window that follows the main one only while it is shown.
#include "Chart.h"
#include "Main.h"
#include "Near.h"
#include "Response.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QImage>
#include <QLabel>
#include <QSlider>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include <cmath>
#include <vector>

namespace {

using tessaro::Extended;
using tessaro::test::Near;

const QColor Red(255, 0, 0);
const QColor Blue(0, 0, 255);

bool ColourNear(const QImage& image, QPoint p, const QColor& colour) {
  for (int y = p.y() - 1; y <= p.y() + 1; ++y) {
    for (int x = p.x() - 1; x <= p.x() + 1; ++x) {
      if (image.valid(x, y) && image.pixelColor(x, y) == colour) return true;
    }
  }
  return false;
}

QPoint Pixel(const TChart& chart, double x, double y) {
  const QPointF p = chart.MapToPixel(x, y);
  return {static_cast<int>(std::lround(p.x())), static_cast<int>(std::lround(p.y()))};
}

TEST(ResponseWindow, CurvesAreTheFiltersResponseAtTheirFrequencies) {
  tessaro::TsigIIRFilter filter;
  filter.SetSampleRate(1000.0L);
  filter.SetKind(tessaro::fkChebyshev);
  filter.SetResponse(tessaro::ftBandpass);
  filter.SetOrder(3);
  filter.SetFrequency1(40.0L);
  filter.SetFrequency2(120.0L);
  filter.SetRipple(0.5L);
  TfmResponse window(filter);
  window.show();
  for (const bool logarithmic : {false, true}) {
    SCOPED_TRACE(logarithmic ? "logarithmic" : "linear");
    window.cbLogFrequency->setChecked(logarithmic);
    const auto magnitude = window.srsMagnitude->Points();
    const auto phase = window.srsPhase->Points();
    ASSERT_EQ(magnitude.size(), std::size_t{TfmResponse::CurvePoints});
    ASSERT_EQ(phase.size(), magnitude.size());
    EXPECT_EQ(magnitude.front().X, logarithmic ? 0.5 : 0.0);
    EXPECT_EQ(magnitude.back().X, 500.0);
    EXPECT_EQ(window.chtMagnitude->BottomAxis().Logarithmic(), logarithmic);
    for (const std::size_t i : {1u, 60u, 137u, 256u, 400u, 511u}) {
      const tessaro::TsigComplex h = filter.FrequencyResponse(magnitude[i].X);
      const Extended db = 20.0L * std::log10(std::hypot(h.Re, h.Im));
      const Extended degrees = std::atan2(h.Im, h.Re) * 180.0L / tessaro::Pi;
      // A zero of the response (a bandpass at half the sample rate) is -inf dB.
      if (std::isinf(db)) {
        EXPECT_EQ(magnitude[i].Y, static_cast<double>(db)) << i;
      } else {
        EXPECT_TRUE(Near(magnitude[i].Y, db, 1e-9L, 1e-12L)) << i;
      }
      EXPECT_EQ(phase[i].X, magnitude[i].X);
      EXPECT_TRUE(Near(phase[i].Y, degrees, 1e-9L, 1e-12L)) << i;
    }
  }
}

// A second-order Butterworth lowpass at a quarter of the sample rate: the
// bilinear map puts its poles at +-j tan(pi/8) and both zeros at -1.
TEST(ResponseWindow, PolesAndZerosAtTheirPixels) {
  tessaro::TsigIIRFilter filter;
  filter.SetSampleRate(1000.0L);
  filter.SetOrder(2);
  filter.SetFrequency1(250.0L);
  TfmResponse window(filter);
  window.show();
  TChart& plane = *window.chtZPlane;
  plane.resize(300, 260);
  const QImage image = plane.grab().toImage();
  const double pole = std::sqrt(2.0) - 1.0;
  const int r = window.srsPoles->Radius();
  for (const double im : {pole, -pole}) {
    const QPoint c = Pixel(plane, 0.0, im);
    for (const QPoint corner : {QPoint(-r, -r), QPoint(r, r), QPoint(-r, r), QPoint(r, -r), QPoint()}) {
      EXPECT_TRUE(ColourNear(image, c + corner, Red)) << im << " corner " << corner.x() << ", " << corner.y();
    }
  }
  const QPoint zero = Pixel(plane, -1.0, 0.0);
  for (const QPoint edge : {QPoint(-r, 0), QPoint(r, 0), QPoint(0, -r), QPoint(0, r)}) {
    EXPECT_TRUE(ColourNear(image, zero + edge, Blue)) << edge.x() << ", " << edge.y();
  }
  EXPECT_FALSE(ColourNear(image, zero, Blue));  // a ring, not a dot
  EXPECT_FALSE(ColourNear(image, Pixel(plane, 0.0, 0.0), Red));
  // Equal scales: a unit is as many pixels across as up.
  const QPointF origin = plane.MapToPixel(0.0, 0.0);
  EXPECT_NEAR(plane.MapToPixel(1.0, 0.0).x() - origin.x(), origin.y() - plane.MapToPixel(0.0, 1.0).y(), 1.0);
  EXPECT_TRUE(window.lblDesign->text().contains(QStringLiteral("largest pole radius 0.4142135623")))
      << window.lblDesign->text().toStdString();
}

// Opened from the menu, the window follows the controls while shown, keeps
// its size and place, and does nothing while hidden until shown again.
TEST(ResponseWindow, FollowsTheMainWindowOnlyWhileShown) {
  TfmMain fm;
  fm.Timer1->stop();
  EXPECT_EQ(fm.ResponseWindow(), nullptr);
  fm.Response1Click();
  TfmResponse* window = fm.ResponseWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(window->isVisible());
  const auto snapshot = [window] {
    const auto points = window->srsMagnitude->Points();
    return std::vector<double>{points[100].Y, points[300].Y};
  };
  const QString bandstop2 = window->lblDesign->text();
  EXPECT_TRUE(bandstop2.startsWith(QStringLiteral("Direct form sound (realised pole radius ")))
      << bandstop2.toStdString();
  EXPECT_TRUE(bandstop2.contains(QStringLiteral("; 4 coefficients; "))) << bandstop2.toStdString();
  const auto delays = window->srsGroupDelay->Points();
  EXPECT_TRUE(std::all_of(delays.begin(), delays.end(), [](auto p) { return std::isfinite(p.Y); }));
  EXPECT_EQ(window->chtGroupDelay->Title().Text(), QStringLiteral("Group delay (samples)"));
  window->setGeometry(QRect(QPoint(40, 30), QSize(500, 420)));
  const QRect placed = window->geometry();

  const std::vector<double> before = snapshot();
  fm.tbFilterOrder->setValue(3);
  EXPECT_NE(snapshot(), before);
  EXPECT_TRUE(window->lblDesign->text().contains(QStringLiteral("; 6 coefficients; ")));
  EXPECT_EQ(window->geometry(), placed);

  window->close();
  const std::vector<double> shown = snapshot();
  fm.tbFilterOrder->setValue(5);
  fm.tbFilterFreq1->setValue(20);
  EXPECT_EQ(snapshot(), shown);
  EXPECT_TRUE(window->lblDesign->text().contains(QStringLiteral("; 6 coefficients; ")));
  fm.Response1Click();
  EXPECT_EQ(fm.ResponseWindow(), window);
  EXPECT_NE(snapshot(), shown);
  // an order-5 bandstop from 20 Hz: its direct form is unsound
  EXPECT_TRUE(window->lblDesign->text().startsWith(
      QStringLiteral("Cascade of 5 sections, direct form unsound (realised pole radius ")))
      << window->lblDesign->text().toStdString();
  EXPECT_TRUE(window->lblDesign->text().contains(QStringLiteral("; 10 coefficients; ")));
}

}  // namespace
