// The plot module: the panels drawn with the project's chart control into an
// image, offscreen. Qt lives for one call, on the offscreen platform unless
// QT_QPA_PLATFORM names another.
#include <QApplication>
#include <QImage>
#include <QPainter>

#include <cstdio>
#include <cstdlib>
#include <type_traits>
#include <exception>

#include "Chart.h"
#include "PlotModule.h"

namespace {

const QColor CurveColor(0, 0, 192);

// Qt's warnings (about the runtime folder, fonts) would break the tool's
// rule of one line per error on stderr; only critical messages pass.
void QuietMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
  if (type == QtCriticalMsg || type == QtFatalMsg) std::fprintf(stderr, "tessaro: Qt: %s\n", qPrintable(message));
}

QImage Render(cli::TPlotSize size, const cli::TPlotPanel* panels, int count) {
  QImage image(size.Width, size.Height, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  for (int i = 0; i < count; ++i) {
    const cli::TPlotPanel& panel = panels[i];
    const int top = size.Height * i / count;
    const int bottom = size.Height * (i + 1) / count;
    TChart chart;
    chart.resize(size.Width, bottom - top);
    chart.Title().SetText(QString::fromStdString(panel.Title));
    chart.BottomAxis().SetMinMax(panel.XMinimum, panel.XMaximum);
    chart.LeftAxis().SetMinMax(panel.YMinimum, panel.YMaximum);
    TFastLineSeries& series = chart.AddSeries(CurveColor);
    for (std::size_t k = 0; k < panel.X.size(); ++k) series.AddXY(panel.X[k], panel.Y[k]);
    chart.render(&painter, QPoint(0, top), QRegion(), QWidget::DrawChildren);  // on the white
  }
  return image;
}

}  // namespace

extern "C" [[gnu::visibility("default")]] bool TessaroRenderPlot(const char* path, cli::TPlotSize size,
                                                                 const cli::TPlotPanel* panels, std::size_t count,
                                                                 std::string* error) {
  try {
    qInstallMessageHandler(QuietMessages);
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 0);
    int argc = 1;
    char name[] = "tessaro";
    char* argv[] = {name, nullptr};
    const QApplication application(argc, argv);
    if (Render(size, panels, static_cast<int>(count)).save(QString::fromLocal8Bit(path), "PNG")) return true;
    *error = "the PNG image could not be written";
  } catch (const std::exception& e) {
    *error = e.what();
  }
  return false;
}

static_assert(std::is_same_v<decltype(TessaroRenderPlot), cli::TRenderPlot>);
