#include "Response.h"

#include "Chart.h"
#include "EventGuard.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <limits>

using tessaro::Extended;

namespace {

constexpr int ClientWidth = 640;
constexpr int ClientHeight = 560;
constexpr double Decades = 3.0;   // what the logarithmic frequency axis spans
constexpr double DbSpan = 120.0;  // the most the magnitude axis shows below its top
constexpr int CirclePoints = 181;

const QColor clRed(255, 0, 0);
const QColor clNavy(0, 0, 128);
const QColor clBlue(0, 0, 255);
const QColor clGray(128, 128, 128);

// The group delay of the design in samples at hertz.
double GroupDelayAt(const tessaro::TsigIIRFilter& filter, double hertz) {
  return static_cast<double>(filter.GroupDelay(hertz));
}

// The realisation in force, as the line of text shows it: the structure,
// the number of sections, and whether the direct form passed its soundness
// test with the largest pole radius of its stored polynomial.
QString RealisationText(const tessaro::TsigIIRFilter& filter) {
  const tessaro::TsigIIRRealisation r = filter.Realisation();
  const QString direct =
      QStringLiteral("direct form %1 (realised pole radius %2)")
          .arg(r.DirectFormSound ? QStringLiteral("sound") : QStringLiteral("unsound"))
          .arg(static_cast<double>(r.LargestRadius), 0, 'g', 12);
  if (r.Structure == tessaro::fsCascade)
    return QStringLiteral("Cascade of %1 sections, %2").arg(r.SectionCount).arg(direct);
  return direct.left(1).toUpper() + direct.mid(1);
}

TChart* MakeChart(QWidget* parent, const char* name, const QString& title) {
  auto* chart = new TChart(parent);
  chart->setObjectName(QString::fromLatin1(name));
  chart->Title().SetText(title);
  chart->SetMarginBottom(4);
  return chart;
}

// A range from lowest to highest rounded out to multiples of step, at least
// one step wide.
void SetRoundedRange(TChartAxis& axis, double lowest, double highest, double step) {
  const double bottom = step * std::floor(lowest / step);
  const double top = std::max(step * std::ceil(highest / step), bottom + step);
  axis.SetMinMax(bottom, top);
}

}  // namespace

TfmResponse::TfmResponse(const tessaro::TsigIIRFilter& filter, QWidget* parent)
    : QWidget(parent, Qt::Window), filter_(filter) {
  setObjectName(QStringLiteral("fmResponse"));
  setWindowTitle(QStringLiteral("Filter response"));
  CreateControls();
  resize(ClientWidth, ClientHeight);
}

void TfmResponse::CreateControls() {
  auto* grid = new QGridLayout(this);
  chtMagnitude = MakeChart(this, "chtMagnitude", QStringLiteral("Magnitude (dB)"));
  chtPhase = MakeChart(this, "chtPhase", QStringLiteral("Phase (degrees)"));
  chtGroupDelay = MakeChart(this, "chtGroupDelay", QStringLiteral("Group delay (samples)"));
  chtZPlane = MakeChart(this, "chtZPlane", QStringLiteral("Poles (x) and zeros (o)"));
  srsMagnitude = &chtMagnitude->AddSeries(clNavy);
  srsPhase = &chtPhase->AddSeries(clNavy);
  srsGroupDelay = &chtGroupDelay->AddSeries(clNavy);
  chtPhase->LeftAxis().SetMinMax(-180.0, 180.0);

  // The unit circle as its upper and lower halves, each in ascending x.
  chtZPlane->SetEqualAspect(true);
  TFastLineSeries& upper = chtZPlane->AddSeries(clGray);
  TFastLineSeries& lower = chtZPlane->AddSeries(clGray);
  for (int i = 0; i < CirclePoints; ++i) {
    const double angle = std::acos(-1.0) * (1.0 - static_cast<double>(i) / (CirclePoints - 1));
    upper.AddXY(std::cos(angle), std::sin(angle));
    lower.AddXY(std::cos(angle), -std::sin(angle));
  }
  srsZeros = &chtZPlane->AddPointSeries(clBlue, TPointStyle::Circle);
  srsPoles = &chtZPlane->AddPointSeries(clRed, TPointStyle::Cross);

  cbLogFrequency = new QCheckBox(QStringLiteral("&Logarithmic frequency"), this);
  cbLogFrequency->setObjectName(QStringLiteral("cbLogFrequency"));
  connect(cbLogFrequency, &QCheckBox::toggled, this, [this] { RunGuarded([this] { Redraw(); }); });
  lblDesign = new QLabel(this);
  lblDesign->setObjectName(QStringLiteral("lblDesign"));
  lblDesign->setTextFormat(Qt::PlainText);

  grid->addWidget(chtMagnitude, 0, 0);
  grid->addWidget(chtPhase, 1, 0);
  grid->addWidget(chtGroupDelay, 2, 0);
  grid->addWidget(chtZPlane, 0, 1, 3, 1);
  grid->addWidget(cbLogFrequency, 3, 0, 1, 2);
  grid->addWidget(lblDesign, 4, 0, 1, 2);
  grid->setColumnStretch(0, 3);
  grid->setColumnStretch(1, 2);
}

void TfmResponse::DesignChanged() {
  stale_ = true;
  if (isVisible()) Redraw();
}

void TfmResponse::showEvent(QShowEvent* event) {
  if (stale_) RunGuarded([this] { Redraw(); });
  QWidget::showEvent(event);
}

void TfmResponse::Redraw() {
  stale_ = false;
  DrawCurves();
  DrawZPlane();
}

// The curves at CurvePoints frequencies from 0 (or the bottom of the
// logarithmic axis) to half the sample rate, each point the response at
// exactly its x.
void TfmResponse::DrawCurves() {
  for (TFastLineSeries* series : {srsMagnitude, srsPhase, srsGroupDelay}) series->Clear();
  const double nyquist = static_cast<double>(filter_.SampleRate() / 2.0L);
  const double lowest = nyquist / std::pow(10.0, Decades);
  if (!std::isfinite(nyquist) || !(lowest > 0.0)) return;
  const bool logarithmic = cbLogFrequency->isChecked();
  for (TChart* chart : {chtMagnitude, chtPhase, chtGroupDelay}) {
    TChartAxis& axis = chart->BottomAxis();
    if (logarithmic) {
      axis.SetMinMax(lowest, nyquist);
      axis.SetLogarithmic(true);
    } else {
      axis.SetLogarithmic(false);
      axis.SetMinMax(0.0, nyquist);
    }
  }

  const double inf = std::numeric_limits<double>::infinity();
  double dbLowest = inf, dbHighest = -inf, delayLowest = inf, delayHighest = -inf;
  for (int i = 0; i < CurvePoints; ++i) {
    const double step = static_cast<double>(i) / (CurvePoints - 1);
    double hertz = logarithmic ? lowest * std::pow(10.0, Decades * step) : nyquist * step;
    if (i == CurvePoints - 1) hertz = nyquist;
    const tessaro::TsigComplex h = filter_.FrequencyResponse(hertz);
    const double db = static_cast<double>(20.0L * std::log10(std::sqrt(h.Re * h.Re + h.Im * h.Im)));
    const double degrees = static_cast<double>(std::atan2(h.Im, h.Re) * (180.0L / tessaro::Pi));
    const double delay = GroupDelayAt(filter_, hertz);
    srsMagnitude->AddXY(hertz, db);
    srsPhase->AddXY(hertz, degrees);
    srsGroupDelay->AddXY(hertz, delay);
    if (std::isfinite(db)) {
      dbLowest = std::min(dbLowest, db);
      dbHighest = std::max(dbHighest, db);
    }
    if (std::isfinite(delay)) {
      delayLowest = std::min(delayLowest, delay);
      delayHighest = std::max(delayHighest, delay);
    }
  }

  if (dbHighest >= dbLowest) {
    SetRoundedRange(chtMagnitude->LeftAxis(), std::max(dbLowest, dbHighest - DbSpan), dbHighest + 1.0, 10.0);
  } else {
    chtMagnitude->LeftAxis().SetMinMax(-100.0, 10.0);
  }
  const bool haveDelay = delayHighest >= delayLowest;
  SetRoundedRange(chtGroupDelay->LeftAxis(), haveDelay ? std::min(0.0, delayLowest) : 0.0,
                  haveDelay ? delayHighest + 1.0 : 10.0, 1.0);
  chtGroupDelay->Title().SetText(haveDelay ? QStringLiteral("Group delay (samples)")
                                           : QStringLiteral("Group delay (samples): not available"));
}

// The design's poles and zeros, the axes wide enough for all of them and
// the unit circle, and the line of text.
void TfmResponse::DrawZPlane() {
  srsPoles->Clear();
  srsZeros->Clear();
  const tessaro::PoleZeroSet& plane = filter_.ZPlane();
  Extended reach = 1.0L;
  Extended largestRadius = 0.0L;
  const auto add = [&reach](TPointSeries& series, const tessaro::TsigComplex& p) {
    if (!std::isfinite(p.Re) || !std::isfinite(p.Im)) return;
    series.AddXY(static_cast<double>(p.Re), static_cast<double>(p.Im));
    reach = std::max({reach, std::fabs(p.Re), std::fabs(p.Im)});
  };
  for (int i = 0; i < plane.PoleCount; ++i) {
    add(*srsPoles, plane.Poles[i]);
    largestRadius = std::max(largestRadius, std::hypot(plane.Poles[i].Re, plane.Poles[i].Im));
  }
  for (int i = 0; i < plane.ZeroCount; ++i) add(*srsZeros, plane.Zeros[i]);
  const double limit = std::min(1.0e6, 1.2 * static_cast<double>(reach));
  chtZPlane->BottomAxis().SetMinMax(-limit, limit);
  chtZPlane->LeftAxis().SetMinMax(-limit, limit);

  QStringList parts;
  if (const QString realisation = RealisationText(filter_); !realisation.isEmpty()) parts << realisation;
  parts << QStringLiteral("%1 coefficients").arg(filter_.CoefficientCount());
  parts << QStringLiteral("largest pole radius %1").arg(static_cast<double>(largestRadius), 0, 'g', 12);
  if (!filter_.DesignMessage().empty()) parts << QString::fromStdString(filter_.DesignMessage());
  lblDesign->setText(parts.join(QStringLiteral("; ")));
}
