// A long run of the IIR window's sample path, driven offscreen through its
// public controls and its timer step: every few thousand samples some
// controls change at random, order 8 and its most demanding settings among
// them. Along the run
// - no sample is lost: the counter grows by five per tick, and the points
//   the charts hold are consecutive samples ending at the newest one;
// - every vertex the charts paint lies inside their plot rectangle (the
//   series are painted on a device that records vertices before any clip);
// - the resident memory stays bounded once the charts hold two pages.
//
// TESSARO_SOAK_SAMPLES sets the length (default 300 000 samples, seconds;
// `make soak` runs 10^8), TESSARO_SOAK_SEED the random seed.
#include "Application.h"
#include "Chart.h"
#include "Main.h"

#include <QLineEdit>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QRadioButton>
#include <QSlider>
#include <QTimer>

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <initializer_list>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int SamplesPerTick = 5;

// Where sample n is drawn: t = n / 1000 s and x = t / 86 400 000, each
// formed in extended precision and kept as a double.
double SampleAt(std::int64_t n) {
  const double t = static_cast<double>(static_cast<long double>(n) / 1000.0L);
  return static_cast<double>(static_cast<long double>(t) / 86400000.0L);
}

// Records every vertex of every polyline painted on it, in the painter's
// coordinates, and draws nothing. It declares every feature, so a painter
// hands it the primitives untransformed and unclipped.
class PolylineRecorder : public QPaintDevice {
 public:
  explicit PolylineRecorder(QSize size) : size_(size) {}
  ~PolylineRecorder() override = default;

  QPaintEngine* paintEngine() const override { return &engine_; }
  std::vector<QPointF>& Vertices() { return vertices_; }

 protected:
  int metric(PaintDeviceMetric metric) const override {
    switch (metric) {
      case PdmWidth: return size_.width();
      case PdmHeight: return size_.height();
      case PdmWidthMM: return size_.width() * 254 / 960;
      case PdmHeightMM: return size_.height() * 254 / 960;
      case PdmDepth: return 32;
      case PdmDevicePixelRatio: return 1;
      case PdmDevicePixelRatioScaled: return static_cast<int>(devicePixelRatioFScale());
      default: return 96;  // colours and resolutions
    }
  }

 private:
  class Engine : public QPaintEngine {
   public:
    explicit Engine(std::vector<QPointF>& vertices) : QPaintEngine(AllFeatures), vertices_(vertices) {}
    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    Type type() const override { return User; }
    void updateState(const QPaintEngineState&) override {}
    void drawPolygon(const QPointF* points, int count, PolygonDrawMode mode) override {
      if (mode == PolylineMode) vertices_.insert(vertices_.end(), points, points + count);
    }
    void drawPolygon(const QPoint*, int, PolygonDrawMode) override {}
    void drawPath(const QPainterPath&) override {}
    void drawRects(const QRectF*, int) override {}
    void drawRects(const QRect*, int) override {}
    void drawTextItem(const QPointF&, const QTextItem&) override {}
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}

   private:
    std::vector<QPointF>& vertices_;
  };

  QSize size_;
  std::vector<QPointF> vertices_;
  mutable Engine engine_{vertices_};
};

std::int64_t FromEnvironment(const char* name, std::int64_t fallback) {
  const char* text = std::getenv(name);
  return text != nullptr && *text != '\0' ? std::strtoll(text, nullptr, 10) : fallback;
}

// Resident set size in MiB, from /proc/self/statm.
double ResidentMiB() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0, resident = 0;
  statm >> pages >> resident;
  return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

class Soak {
 public:
  explicit Soak(std::uint64_t seed) : rng_(seed) { fm_.Timer1->stop(); }

  TfmMain& Window() { return fm_; }

  // Ticks until the counter has reached at least `samples`.
  void RunTo(std::int64_t samples) {
    while (fm_.Timer1Tag() < samples) {
      fm_.Timer1Timer();
      ++ticks_;
    }
  }

  // One to three controls at random; one time in four, the order-8 settings
  // that demand most of the filter: a Chebyshev of 5 dB or a Bessel, narrow
  // bands and corners at the ends of the sliders.
  void ChangeControls() {
    if (Pick(4) == 0) {
      fm_.tbFilterOrder->setValue(8);
      (Pick(2) == 0 ? fm_.rbChebyshev : fm_.rbBessel)->click();
      fm_.tbFilterRipple->setValue(50);
      const int corner = Pick(3) == 0 ? 0 : 1 + Pick(100);
      fm_.tbFilterFreq1->setValue(corner);
      fm_.tbFilterFreq2->setValue(std::min(100, corner + Pick(2)));
      ClickResponse();
    }
    for (int n = 1 + Pick(3); n > 0; --n) {
      switch (Pick(9)) {
        case 0: Click({fm_.rbSin, fm_.rbSquare, fm_.rbTriangle}); break;
        case 1: fm_.tbSourceFreq->setValue(Pick(101)); break;
        case 2: fm_.tbSourceAmp->setValue(Pick(101)); break;
        case 3: Click({fm_.rbButterworth, fm_.rbChebyshev, fm_.rbBessel}); break;
        case 4: ClickResponse(); break;
        case 5: fm_.tbFilterOrder->setValue(1 + Pick(8)); break;
        case 6: fm_.tbFilterFreq1->setValue(Pick(101)); break;
        case 7: fm_.tbFilterFreq2->setValue(Pick(101)); break;
        default: fm_.tbFilterRipple->setValue(1 + Pick(50)); break;
      }
    }
  }

  // The counter, and the points both charts hold: consecutive samples up to
  // the newest, at most two pages and one point of them.
  void CheckSamples() {
    const std::int64_t n = fm_.Timer1Tag();
    ASSERT_EQ(n, SamplesPerTick * ticks_);
    for (const TFastLineSeries* series : {fm_.Series1, fm_.Series2}) {
      const auto points = series->Points();
      ASSERT_LE(points.size(), 2001u);
      ASSERT_FALSE(points.empty());
      const std::int64_t first = n - static_cast<std::int64_t>(points.size());
      for (std::size_t i = 0; i < points.size(); ++i) {
        ASSERT_EQ(points[i].X, SampleAt(first + static_cast<std::int64_t>(i)))
            << "sample " << first + static_cast<std::int64_t>(i) << " of " << n;
      }
    }
  }

  // The recorder sees the source chart's vertices where the chart maps
  // them: the start-up sine of amplitude 100 spans the pixels of +100 to
  // -100.
  void CheckRecorderSeesTheSine() {
    PolylineRecorder recorder(fm_.Chart1->size());
    fm_.Chart1->render(&recorder);
    ASSERT_GT(recorder.Vertices().size(), 100u) << "the recorder saw no line";
    const auto [top, bottom] = std::minmax_element(
        recorder.Vertices().begin(), recorder.Vertices().end(),
        [](const QPointF& a, const QPointF& b) { return a.y() < b.y(); });
    EXPECT_NEAR(top->y(), fm_.Chart1->MapToPixel(0.0, 100.0).y(), 0.5);
    EXPECT_NEAR(bottom->y(), fm_.Chart1->MapToPixel(0.0, -100.0).y(), 0.5);
  }

  // Paints both charts and checks every vertex against the plot rectangle;
  // returns how many vertices were painted.
  std::size_t CheckPainting() {
    std::size_t painted = 0;
    for (TChart* chart : {fm_.Chart1, fm_.Chart2}) {
      PolylineRecorder recorder(chart->size());
      chart->render(&recorder);
      const QRect plot = chart->PlotRect();
      for (const QPointF& p : recorder.Vertices()) {
        const bool inside =
            p.x() >= plot.left() && p.x() <= plot.right() && p.y() >= plot.top() && p.y() <= plot.bottom();
        EXPECT_TRUE(inside)
            << chart->objectName().toStdString() << " painted (" << p.x() << ", " << p.y() << ") outside "
            << plot.left() << ".." << plot.right() << " x " << plot.top() << ".." << plot.bottom();
        if (::testing::Test::HasFailure()) return painted;
      }
      painted += recorder.Vertices().size();
    }
    return painted;
  }

 private:
  int Pick(int count) { return std::uniform_int_distribution<int>(0, count - 1)(rng_); }
  void Click(std::initializer_list<QRadioButton*> buttons) {
    buttons.begin()[Pick(static_cast<int>(buttons.size()))]->click();
  }
  void ClickResponse() {
    Click({fm_.rbLowpassFilter, fm_.rbHighpassFilter, fm_.rbBandpassFilter, fm_.rbBandstopFilter});
  }

  TfmMain fm_;
  std::mt19937_64 rng_;
  std::int64_t ticks_ = 0;
};

TEST(IirSoak, SamplePathRunsBoundedWithoutLosingSamples) {
  const std::int64_t total = FromEnvironment("TESSARO_SOAK_SAMPLES", 300000);
  const auto seed = static_cast<std::uint64_t>(FromEnvironment("TESSARO_SOAK_SEED", 14));
  std::vector<QString> reported;
  TApplication::Instance()->SetExceptionReport([&reported](const QString& m) { reported.push_back(m); });

  const auto start = std::chrono::steady_clock::now();
  Soak soak(seed);
  // Two pages of the start-up settings fill the charts; the memory they
  // then hold is the baseline.
  soak.RunTo(2000);
  soak.CheckSamples();
  soak.CheckRecorderSeesTheSine();
  const double baseline = ResidentMiB();
  double peak = baseline;

  std::mt19937_64 spacing(seed + 1);
  std::size_t changes = 0, painted = 0;
  while (soak.Window().Timer1Tag() < total) {
    soak.RunTo(soak.Window().Timer1Tag() + std::uniform_int_distribution<std::int64_t>(1000, 5000)(spacing));
    soak.CheckSamples();
    painted += soak.CheckPainting();
    if (::testing::Test::HasFatalFailure() || ::testing::Test::HasFailure()) break;
    peak = std::max(peak, ResidentMiB());
    soak.ChangeControls();
    ++changes;
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const double last = ResidentMiB();
  std::printf("soak: %lld samples, %zu control changes, %zu vertices painted, seed %llu, %.1f s\n"
              "soak: resident memory %.1f MiB after two pages, %.1f MiB peak, %.1f MiB at the end\n",
              static_cast<long long>(soak.Window().Timer1Tag()), changes, painted,
              static_cast<unsigned long long>(seed), seconds, baseline, peak, last);
  TApplication::Instance()->SetExceptionReport({});
  for (const QString& m : reported) ADD_FAILURE() << "a handler threw: " << m.toStdString();
#if !defined(__SANITIZE_ADDRESS__)
  // The sanitizer's quarantine holds freed memory, so only a plain build
  // measures what the program keeps.
  EXPECT_LE(peak - baseline, 16.0) << "resident memory grew while the charts held two pages";
#endif
}

}  // namespace
