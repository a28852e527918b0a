// TfmMain, the main window of the IIR program: a test-signal generator, one
// IIR filter and two charts that show the source and the filtered signal
// one second of signal time (1000 samples) per page. Sliders and radio
// buttons change the signal and the filter while it runs; every 50 ms the
// timer generates, filters and draws five samples. The "&Program" menu
// saves and loads the filter and opens the response window.
//
// The controls and the filter are public, as the window's published parts;
// the handlers are public so that they can be called without a sender, as
// start-up does. All objects are owned by the window.
#pragma once

#include "TestSignal.h"

#include <tessaro/sigIIRFilters.h>

#include <QMainWindow>

#include <cstdint>
#include <functional>

class QAction;
class QFrame;
class QGroupBox;
class QLineEdit;
class QMenu;
class QRadioButton;
class QScrollArea;
class QSlider;
class QStatusBar;
class QTimer;
class TChart;
class TFastLineSeries;
class TfmAbout;
class TfmResponse;

class TfmMain : public QMainWindow {
 public:
  // Builds the window from its stored description, loads the filter's
  // stored form and runs FormCreate, which starts the timer.
  explicit TfmMain(QWidget* parent = nullptr);
  ~TfmMain() override;

  // The box "&About..." shows; the window does not own it.
  void SetAboutBox(TfmAbout* about) { fmAbout_ = about; }

  // Asks for the file "&Load filter..." reads (saving false) or "&Save
  // filter..." writes (saving true); an empty name cancels. A file dialog
  // unless replaced (tests do).
  using TFileChooser = std::function<QString(bool saving)>;
  void SetFileChooser(TFileChooser chooser);

  // The filter's stored form to a file and back (FilterFile.h). Loading
  // gives the filter the file's values and moves the controls to them, as
  // near as each control can show them, without writing anything back into
  // the filter; on failure it throws, naming the file, the line and the
  // problem, and nothing changes.
  void SaveFilter(const QString& path) const;
  void LoadFilter(const QString& path);

  // The response window, created when "&Response..." is first chosen;
  // nullptr before. Owned by this window.
  TfmResponse* ResponseWindow() const { return fmResponse_; }

  // --- handlers -------------------------------------------------------------
  void FormCreate();
  void rbSourceClick();
  void tbSourceFreqChange();
  void tbSourceAmpChange();
  void tbFilterFreq1Change();
  void tbFilterFreq2Change();
  void rbFilterKindClick();
  void rbFilterResponseClick();
  void tbFilterOrderChange();
  void tbFilterRippleChange();
  void Timer1Timer();
  void Panel1Resize();
  void LoadFilter1Click();
  void SaveFilter1Click();
  void Response1Click();
  void About1Click();
  void Exit1Click();

  // --- generator state --------------------------------------------------------
  TSourceKind SourceKind() const { return FSourceKind; }
  int SourceAmp() const { return FSourceAmp; }
  int SourceFreq() const { return FSourceFreq; }
  // The sample counter: samples generated since the window was created. It
  // is 64-bit, so it does not overflow in any running time. The program only
  // ever increments it; tests may start it elsewhere.
  std::int64_t Timer1Tag() const { return timer1Tag_; }
  void SetTimer1Tag(std::int64_t samples) { timer1Tag_ = samples; }

  // --- components ---------------------------------------------------------------
  tessaro::TsigIIRFilter sigIIRFilter1;

  QFrame* Panel1 = nullptr;
  TChart* Chart1 = nullptr;
  TChart* Chart2 = nullptr;
  TFastLineSeries* Series1 = nullptr;
  TFastLineSeries* Series2 = nullptr;
  QFrame* Bevel2 = nullptr;
  QFrame* Panel2 = nullptr;
  QScrollArea* ScrollBox1 = nullptr;

  QGroupBox* GeneratorBox = nullptr;
  QRadioButton* rbSin = nullptr;
  QRadioButton* rbSquare = nullptr;
  QRadioButton* rbTriangle = nullptr;
  QSlider* tbSourceFreq = nullptr;
  QLineEdit* edtSourceFreq = nullptr;
  QSlider* tbSourceAmp = nullptr;
  QLineEdit* edtSourceAmp = nullptr;

  QGroupBox* GroupBox1 = nullptr;
  QRadioButton* rbButterworth = nullptr;
  QRadioButton* rbChebyshev = nullptr;
  QRadioButton* rbBessel = nullptr;

  QGroupBox* FilterResponse = nullptr;
  QRadioButton* rbLowpassFilter = nullptr;
  QRadioButton* rbHighpassFilter = nullptr;
  QRadioButton* rbBandpassFilter = nullptr;
  QRadioButton* rbBandstopFilter = nullptr;

  QGroupBox* FilterPropertiesBox = nullptr;
  QSlider* tbFilterOrder = nullptr;
  QLineEdit* edtFilterOrder = nullptr;
  QSlider* tbFilterFreq1 = nullptr;
  QLineEdit* edtFilterFreq1 = nullptr;
  QSlider* tbFilterFreq2 = nullptr;
  QLineEdit* edtFilterFreq2 = nullptr;

  QGroupBox* ChebyshevPropertiesBox6 = nullptr;
  QSlider* tbFilterRipple = nullptr;
  QLineEdit* edtFilterRipple = nullptr;

  QStatusBar* StatusBar1 = nullptr;
  QMenu* Program1 = nullptr;
  QAction* LoadFilter1 = nullptr;
  QAction* SaveFilter1 = nullptr;
  QAction* Response1 = nullptr;
  QAction* N2 = nullptr;
  QAction* Exit1 = nullptr;
  QMenu* Help1 = nullptr;
  QAction* Whatisthis1 = nullptr;
  QAction* N1 = nullptr;
  QAction* About1 = nullptr;
  QTimer* Timer1 = nullptr;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CreateControls();
  void CreateMenu();
  void BindHandlers();
  // The filter's design changed: the response window follows.
  void FilterChanged();
  // Every filter control to the filter's values, writing nothing back.
  void ShowFilter();

  TSourceKind FSourceKind = skSine;
  int FSourceAmp = 0;
  int FSourceFreq = 0;
  std::int64_t timer1Tag_ = 0;
  TfmAbout* fmAbout_ = nullptr;
  TfmResponse* fmResponse_ = nullptr;
  TFileChooser chooseFile_;
};
