#include "Plot.h"

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>

#include "Chart.h"
#include "Errors.h"
#include "OutputFile.h"

namespace cli {
namespace {

const QColor CurveColor(0, 0, 192);

// The application object, made on the first plot and kept to the end.
void StartQt() {
  static std::unique_ptr<QApplication> application;
  if (application) return;
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 0);
  static int argc = 1;
  static char name[] = "tessaro";
  static char* argv[] = {name, nullptr};
  application = std::make_unique<QApplication>(argc, argv);
}

}  // namespace

void DecibelRange(const std::vector<double>& decibels, double range, double& minimum, double& maximum) {
  double high = -HUGE_VAL;
  double low = HUGE_VAL;
  for (const double v : decibels)
    if (std::isfinite(v)) {
      high = std::max(high, v);
      low = std::min(low, v);
    }
  if (!(high >= low)) high = low = 0.0;
  maximum = std::ceil(high / 10.0) * 10.0;
  if (maximum - high < 1.0) maximum += 10.0;
  minimum = std::max(std::floor(low / 10.0) * 10.0, maximum - range);
  if (minimum >= maximum) minimum = maximum - 10.0;
}

void WritePlot(const std::string& path, TPlotSize size, std::span<const TPlotPanel> panels,
               std::span<const std::string> inputs) {
  TOutputFile output(path, inputs);
  StartQt();
  QImage image(size.Width, size.Height, QImage::Format_RGB32);
  image.fill(Qt::white);
  {
    QPainter painter(&image);
    const int count = static_cast<int>(panels.size());
    for (int i = 0; i < count; ++i) {
      const TPlotPanel& panel = panels[static_cast<std::size_t>(i)];
      const int top = size.Height * i / count;
      const int bottom = size.Height * (i + 1) / count;
      TChart chart;
      chart.resize(size.Width, bottom - top);
      chart.Title().SetText(QString::fromStdString(panel.Title));
      chart.BottomAxis().SetMinMax(panel.XMinimum, panel.XMaximum);
      chart.LeftAxis().SetMinMax(panel.YMinimum, panel.YMaximum);
      TFastLineSeries& series = chart.AddSeries(CurveColor);
      for (std::size_t k = 0; k < panel.X.size(); ++k) series.AddXY(panel.X[k], panel.Y[k]);
      chart.render(&painter, QPoint(0, top));
    }
  }
  if (!image.save(QString::fromStdString(output.TemporaryPath()), "PNG"))
    throw RunError(path, "the PNG image could not be written");
  output.Commit();
}

}  // namespace cli
