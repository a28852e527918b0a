// TfmResponse, the IIR program's response window: what the main window's
// filter is, drawn from its current design. Magnitude in dB and phase in
// degrees over 0 .. SampleRate/2 (a linear frequency axis, or a logarithmic
// one over the top three decades), the group delay in samples, the poles
// (crosses) and zeros (circles) in the z-plane with the unit circle at equal
// scales, and one line of text about the design.
//
// The window is not modal. It reads the filter only when told that the
// design changed, and only while it is shown: hidden, a change costs a flag,
// and the window catches up when it is shown again.
#pragma once

#include <tessaro/sigIIRFilters.h>

#include <QWidget>

class QCheckBox;
class QLabel;
class TChart;
class TFastLineSeries;
class TPointSeries;

class TfmResponse : public QWidget {
 public:
  // The window reads filter, which must outlive it; parent owns it.
  explicit TfmResponse(const tessaro::TsigIIRFilter& filter, QWidget* parent = nullptr);

  // The design of the filter changed: redrawn now if the window is shown,
  // else when it is next shown.
  void DesignChanged();

  // The number of frequencies each curve is drawn at.
  static constexpr int CurvePoints = 512;

  // --- controls -----------------------------------------------------------------
  TChart* chtMagnitude = nullptr;
  TChart* chtPhase = nullptr;
  TChart* chtGroupDelay = nullptr;
  TChart* chtZPlane = nullptr;
  TFastLineSeries* srsMagnitude = nullptr;
  TFastLineSeries* srsPhase = nullptr;
  TFastLineSeries* srsGroupDelay = nullptr;
  TPointSeries* srsPoles = nullptr;
  TPointSeries* srsZeros = nullptr;
  QCheckBox* cbLogFrequency = nullptr;
  QLabel* lblDesign = nullptr;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void CreateControls();
  void Redraw();
  void DrawCurves();
  void DrawZPlane();

  const tessaro::TsigIIRFilter& filter_;
  bool stale_ = true;
};
