// The title of a TChart: one line of text centred above the plot area, in
// its own font and colour. An empty text takes no room.
#pragma once

#include <QColor>
#include <QFont>
#include <QString>

class TChart;

class TChartTitle {
 public:
  explicit TChartTitle(TChart& chart);
  TChartTitle(const TChartTitle&) = delete;
  TChartTitle& operator=(const TChartTitle&) = delete;

  QString Text() const { return text_; }
  void SetText(const QString& text);
  QFont Font() const { return font_; }
  void SetFont(const QFont& font);
  QColor Color() const { return color_; }
  void SetColor(const QColor& color);

 private:
  TChart& chart_;
  QString text_;
  QFont font_;
  QColor color_ = Qt::black;
};
