#include "ChartTitle.h"

#include "Chart.h"

TChartTitle::TChartTitle(TChart& chart) : chart_(chart), font_(chart.font()) {}

void TChartTitle::SetText(const QString& text) {
  text_ = text;
  chart_.LayoutChanged();
}

void TChartTitle::SetFont(const QFont& font) {
  font_ = font;
  chart_.LayoutChanged();
}

void TChartTitle::SetColor(const QColor& color) {
  color_ = color;
  chart_.update();
}
