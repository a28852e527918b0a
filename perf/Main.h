// The window of the Perfomance program: pick a page ("IIR" or "FFT"), set
// its parameters and press "Test"; the window blocks for the measuring
// window (1000 ms) under the busy cursor and shows how many filter samples
// or transforms were computed, as "<count> per sec".
//
// The window owns two components loaded from its stored form: the IIR
// filter `sigIIRFilter` and the FFT `sigFFT1`. They keep their state
// between tests.
#pragma once

#include <QWidget>

#include <cstdint>

#include "RandomDigits.h"
#include "StoredComponents.h"
#include "tessaro/sigFFT.h"
#include "tessaro/sigIIRFilters.h"

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QStackedWidget;
class QTabBar;

class TfmMain : public QWidget {
  Q_OBJECT

 public:
  explicit TfmMain(QWidget* parent = nullptr);

  // The window's components (`sigIIRFilter`, `sigFFT1`).
  const TStoredComponents& Components() const { return components_; }

  // The measuring window of each test, 0..1000 ms (1000 unless changed);
  // invalid_argument naming any other value, which is not stored.
  int MeasureDuration() const { return measureDurationMs_; }
  void SetMeasureDuration(int durationMs);

  // --- event handlers ---------------------------------------------------------
  // Window creation: the application title and the lists' first selection.
  void FormCreate();
  // The tab strip moved to NewTab: show that page, empty the result.
  void TabSet1Change(int NewTab);
  // "Test": measures the page shown under the busy cursor and shows the
  // count. An exception leaves the result text as it was and propagates,
  // with the cursor restored.
  void btnTestIIRClick();

 private:
  void CreateControls();
  void CreateComponents();
  // "Test" pressed by the user: btnTestIIRClick with any exception handed
  // to the application's report, since none may leave a slot.
  void TestClicked();
  std::int32_t MeasureIIR();
  std::int32_t MeasureFFT();

  TStoredComponents components_;
  tessaro::TsigIIRFilter* sigIIRFilter = nullptr;
  tessaro::TsigFFT* sigFFT1 = nullptr;
  perf::TRandomDigits random_;
  int measureDurationMs_ = 1000;

  // Controls, owned by their Qt parents.
  QFrame* Panel1 = nullptr;
  QTabBar* TabSet1 = nullptr;
  QStackedWidget* Notebook1 = nullptr;
  QLabel* Label3 = nullptr;
  QComboBox* cbFilterKind = nullptr;
  QLabel* Label2 = nullptr;
  QComboBox* cbFilterResponse = nullptr;
  QLabel* Label1 = nullptr;
  QSpinBox* edtFilterOrder = nullptr;
  QFrame* Bevel1 = nullptr;
  QLabel* Label4 = nullptr;
  QComboBox* cbFFTSize = nullptr;
  QCheckBox* cbInverse = nullptr;
  QFrame* Panel2 = nullptr;
  QLabel* L1 = nullptr;
  QLineEdit* edtPerfomance = nullptr;
  QPushButton* btnTestIIR = nullptr;
};
