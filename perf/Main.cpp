#include "Main.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFont>
#include <QFrame>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QShortcut>
#include <QSpinBox>
#include <QStackedWidget>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTabBar>

#include <algorithm>

#include "Application.h"
#include "BusyCursor.h"
#include "CentreOnScreen.h"
#include "ComponentsStoredForm.h"
#include "EventGuard.h"
#include "Throughput.h"

namespace {

constexpr int ClientWidth = 293;
constexpr int ClientHeight = 153;
constexpr int PanelBevel = 2;   // Panel1's lowered bevel; aligned children sit inside it
constexpr int TabSetHeight = 21;
constexpr int Panel2Height = 32;
constexpr int ListWidth = 100;
constexpr int EditHeight = 21;
const QString LongestResult = QStringLiteral("2147483647 per sec");

QLabel* NewLabel(const QString& text, QWidget* parent, int left, int top) {
  auto* label = new QLabel(text, parent);
  label->move(left, top);
  label->adjustSize();
  return label;
}

// The result edit's width: as wide as the lists, or wider where the longest
// result (the largest 32-bit count) needs more room at the edit's font, up
// to `room`.
int ResultWidth(const QLineEdit& edit, int room) {
  QStyleOptionFrame option;
  option.initFrom(&edit);
  option.lineWidth = edit.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, &edit);
  const QMargins margins = edit.textMargins();
  // QLineEdit keeps 2 pixels of its own either side of the text.
  const int text = edit.fontMetrics().horizontalAdvance(LongestResult) + 2 * 2 + margins.left() + margins.right();
  const int needed = edit.style()->sizeFromContents(QStyle::CT_LineEdit, &option, QSize(text, EditHeight), &edit).width();
  return std::clamp(needed, ListWidth, room);
}

QComboBox* NewList(const QStringList& items, QWidget* parent, int left, int top) {
  auto* list = new QComboBox(parent);
  list->setEditable(false);
  list->addItems(items);
  list->setCurrentIndex(-1);  // the stored state selects nothing; FormCreate does
  list->setGeometry(left, top, ListWidth, list->sizeHint().height());
  return list;
}

}  // namespace

TfmMain::TfmMain(QWidget* parent) : QWidget(parent), components_(perf::ComponentsStoredForm) {
  setObjectName(QStringLiteral("fmMain"));
  setWindowTitle(QStringLiteral(" Perfomance test"));
  setWindowFlag(Qt::WindowMaximizeButtonHint, false);
  QFont face(QStringLiteral("MS Sans Serif"));
  face.setStyleHint(QFont::SansSerif);
  face.setPointSize(8);
  setFont(face);
  setFixedSize(ClientWidth, ClientHeight);
  CentreOnScreen(*this);

  CreateComponents();
  CreateControls();
  FormCreate();
}

void TfmMain::CreateComponents() {
  sigIIRFilter = &components_.Find<tessaro::TsigIIRFilter>("sigIIRFilter");
  sigFFT1 = &components_.Find<tessaro::TsigFFT>("sigFFT1");
}

void TfmMain::CreateControls() {
  Panel1 = new QFrame(this);
  Panel1->setObjectName(QStringLiteral("Panel1"));
  Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  Panel1->setLineWidth(PanelBevel);
  Panel1->setGeometry(0, 0, ClientWidth, ClientHeight);
  const int innerWidth = ClientWidth - 2 * PanelBevel;
  const int innerBottom = ClientHeight - PanelBevel;

  TabSet1 = new QTabBar(Panel1);
  TabSet1->setObjectName(QStringLiteral("TabSet1"));
  TabSet1->setShape(QTabBar::RoundedSouth);
  TabSet1->setExpanding(false);
  TabSet1->addTab(QStringLiteral("IIR"));
  TabSet1->addTab(QStringLiteral("FFT"));
  TabSet1->setCurrentIndex(0);
  TabSet1->setGeometry(PanelBevel, innerBottom - TabSetHeight, innerWidth, TabSetHeight);

  Panel2 = new QFrame(Panel1);
  Panel2->setObjectName(QStringLiteral("Panel2"));
  Panel2->setFrameStyle(QFrame::NoFrame);
  Panel2->setGeometry(PanelBevel, innerBottom - TabSetHeight - Panel2Height, innerWidth, Panel2Height);
  L1 = NewLabel(QStringLiteral("Perfomance"), Panel2, 8, 10);
  L1->setObjectName(QStringLiteral("L1"));
  edtPerfomance = new QLineEdit(Panel2);
  edtPerfomance->setObjectName(QStringLiteral("edtPerfomance"));
  edtPerfomance->setReadOnly(true);
  edtPerfomance->setFocusPolicy(Qt::NoFocus);
  QPalette face = edtPerfomance->palette();
  face.setColor(QPalette::Base, face.color(QPalette::Button));
  edtPerfomance->setPalette(face);
  edtPerfomance->setGeometry(92, 7, ResultWidth(*edtPerfomance, innerWidth - 92 - 8), EditHeight);

  Notebook1 = new QStackedWidget(Panel1);
  Notebook1->setObjectName(QStringLiteral("Notebook1"));
  const int pageHeight = innerBottom - TabSetHeight - Panel2Height - PanelBevel;
  Notebook1->setGeometry(PanelBevel, PanelBevel, innerWidth, pageHeight);

  auto* pageIIR = new QWidget;
  pageIIR->setObjectName(QStringLiteral("IIR"));
  Label3 = NewLabel(QStringLiteral("Filter kind"), pageIIR, 9, 12);
  Label3->setObjectName(QStringLiteral("Label3"));
  cbFilterKind = NewList({QStringLiteral("Bessel"), QStringLiteral("Butterworth"), QStringLiteral("Chebyshev")},
                         pageIIR, 93, 8);
  cbFilterKind->setObjectName(QStringLiteral("cbFilterKind"));
  Label2 = NewLabel(QStringLiteral("Filter response"), pageIIR, 8, 39);
  Label2->setObjectName(QStringLiteral("Label2"));
  cbFilterResponse = NewList({QStringLiteral("Lowpass"), QStringLiteral("Highpass"), QStringLiteral("Bandpass"),
                              QStringLiteral("Bandstop")},
                             pageIIR, 92, 35);
  cbFilterResponse->setObjectName(QStringLiteral("cbFilterResponse"));
  Label1 = NewLabel(QStringLiteral("Filter order"), pageIIR, 8, 67);
  Label1->setObjectName(QStringLiteral("Label1"));
  edtFilterOrder = new QSpinBox(pageIIR);
  edtFilterOrder->setObjectName(QStringLiteral("edtFilterOrder"));
  edtFilterOrder->setRange(1, 8);
  edtFilterOrder->setValue(1);
  edtFilterOrder->setGeometry(92, 63, ListWidth, 22);
  // The bevel: one etched line, 2 pixels high, along the page bottom.
  Bevel1 = new QFrame(pageIIR);
  Bevel1->setObjectName(QStringLiteral("Bevel1"));
  Bevel1->setFrameStyle(QFrame::HLine | QFrame::Sunken);
  Bevel1->setGeometry(0, pageHeight - 2, innerWidth, 2);
  Notebook1->addWidget(pageIIR);

  auto* pageFFT = new QWidget;
  pageFFT->setObjectName(QStringLiteral("FFT"));
  Label4 = NewLabel(QStringLiteral("FFT size"), pageFFT, 9, 12);
  Label4->setObjectName(QStringLiteral("Label4"));
  cbFFTSize = NewList({QStringLiteral("128"), QStringLiteral("256"), QStringLiteral("512"), QStringLiteral("1024")},
                      pageFFT, 93, 8);
  cbFFTSize->setObjectName(QStringLiteral("cbFFTSize"));
  cbInverse = new QCheckBox(QStringLiteral("Inverse"), pageFFT);
  cbInverse->setObjectName(QStringLiteral("cbInverse"));
  cbInverse->setLayoutDirection(Qt::RightToLeft);  // the caption left of the box
  cbInverse->setChecked(false);
  cbInverse->setGeometry(8, 41, 97, 17);
  Notebook1->addWidget(pageFFT);
  Notebook1->setCurrentIndex(0);

  // Created last, so it lies over the page area and shows on both pages.
  btnTestIIR = new QPushButton(QStringLiteral("Test"), Panel1);
  btnTestIIR->setObjectName(QStringLiteral("btnTestIIR"));
  btnTestIIR->setDefault(true);
  btnTestIIR->setGeometry(206, 10, 75, 25);
  btnTestIIR->raise();

  setTabOrder(TabSet1, edtFilterOrder);
  setTabOrder(edtFilterOrder, cbFilterResponse);
  setTabOrder(cbFilterResponse, cbFilterKind);
  setTabOrder(cbFilterKind, cbFFTSize);
  setTabOrder(cbFFTSize, cbInverse);
  setTabOrder(cbInverse, btnTestIIR);

  connect(TabSet1, &QTabBar::currentChanged, this, &TfmMain::TabSet1Change);
  connect(btnTestIIR, &QPushButton::clicked, this, &TfmMain::TestClicked);
  // A plain window has no default-button handling of its own: Enter on any
  // control presses "Test".
  for (const auto key : {Qt::Key_Return, Qt::Key_Enter}) {
    auto* enter = new QShortcut(QKeySequence(key), this);
    connect(enter, &QShortcut::activated, btnTestIIR, &QPushButton::click);
  }
}

void TfmMain::FormCreate() {
  const QString title = QStringLiteral("Tessaro - ") + windowTitle();
  if (TApplication* app = TApplication::Instance())
    app->SetTitle(title);
  else
    QCoreApplication::setApplicationName(title);
  cbFilterKind->setCurrentIndex(0);
  cbFilterResponse->setCurrentIndex(0);
  cbFFTSize->setCurrentIndex(3);
}

void TfmMain::SetMeasureDuration(int durationMs) {
  perf::CheckDuration(durationMs);
  measureDurationMs_ = durationMs;
}

void TfmMain::TabSet1Change(int NewTab) {
  Notebook1->setCurrentIndex(NewTab);
  edtPerfomance->clear();
}

void TfmMain::btnTestIIRClick() {
  const TBusyCursor busy;
  std::int32_t count = 0;
  switch (Notebook1->currentIndex()) {
    case 0: count = MeasureIIR(); break;
    case 1: count = MeasureFFT(); break;
    default: break;
  }
  edtPerfomance->setText(QStringLiteral("%1 per sec").arg(count));
  edtPerfomance->setCursorPosition(0);  // the text from its first character
}

void TfmMain::TestClicked() {
  // Qt lets no exception leave a slot, so the default report runs here.
  RunGuarded([this] { btnTestIIRClick(); });
}

std::int32_t TfmMain::MeasureIIR() {
  const perf::TIIRSettings settings{
      perf::FilterKindFromName(cbFilterKind->currentText().toStdString()),
      // The items are in the order of the enumeration.
      static_cast<tessaro::TsigIIRFilterResponse>(cbFilterResponse->currentIndex()),
      edtFilterOrder->value()};
  return perf::MeasureIIRThroughput(*sigIIRFilter, settings, measureDurationMs_);
}

std::int32_t TfmMain::MeasureFFT() {
  const std::int32_t size = perf::FFTSizeFromText(cbFFTSize->currentText().toStdString());
  // A ticked "Inverse" times the inverse transform.
  const perf::TFFTOperation operation = cbInverse->isChecked() ? perf::TFFTOperation::Inverse
                                                               : perf::TFFTOperation::Forward;
  return perf::MeasureFFTThroughput(*sigFFT1, size, operation, random_, measureDurationMs_);
}
