#include "Main.h"

#include "About.h"
#include "Application.h"
#include "CentreOnScreen.h"
#include "Chart.h"
#include "EventGuard.h"
#include "FilterFile.h"
#include "FormFont.h"
#include "Response.h"
#include "FilterStoredForm.h"

#include <tessaro/sigStoredForm.h>

#include <QAction>
#include <QEvent>
#include <QFileDialog>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QSlider>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

using tessaro::Extended;

namespace {

// Sizes of the stored description, in pixels.
constexpr int ClientWidth = 758;
constexpr int Panel1Height = 345;
constexpr int Chart1Height = 168;
constexpr int BevelHeight = 2;
constexpr int Panel2Height = 114;
constexpr int StatusBarHeight = 19;
constexpr int BoxHeight = 100;
constexpr int SamplesPerTick = 5;
constexpr int TimerInterval = 50;  // ms

const QColor clRed(255, 0, 0);
const QColor clMaroon(128, 0, 0);
const QColor clSilver(192, 192, 192);

QFont ChartFont() {
  QFont font(QStringLiteral("Arial"));
  font.setPixelSize(11);
  return font;
}

// The settings both charts share; only the title, the left axis's range and
// the series colour differ.
TFastLineSeries* SetUpChart(TChart& chart, const QString& title, double axisLimit,
                            const QColor& color) {
  chart.Title().SetText(title);
  chart.Title().SetFont(ChartFont());
  chart.Title().SetColor(Qt::black);
  chart.LeftAxis().SetMinMax(-axisLimit, axisLimit);
  chart.LeftAxis().SetAxisWidth(1);
  chart.LeftAxis().SetLabelsFont(ChartFont());
  chart.BottomAxis().SetVisible(false);
  chart.BottomAxis().SetMinMax(0.0, 25.0);
  chart.BottomAxis().SetLabelsFont(ChartFont());
  chart.BottomAxis().SetLabelsColor(clSilver);
  chart.SetMarginBottom(15);
  return &chart.AddSeries(color);
}

QGroupBox* MakeBox(QWidget* parent, const char* name, const QString& caption, int left, int top,
                   int width) {
  auto* box = new QGroupBox(caption, parent);
  box->setObjectName(QString::fromLatin1(name));
  box->setGeometry(left, top, width, BoxHeight);
  return box;
}

QRadioButton* MakeRadio(QGroupBox* box, const char* name, const QString& caption, int left, int top,
                        bool checked) {
  auto* radio = new QRadioButton(caption, box);
  radio->setObjectName(QString::fromLatin1(name));
  radio->adjustSize();
  radio->move(left, top);
  radio->setChecked(checked);
  return radio;
}

void MakeLabel(QGroupBox* box, const QString& caption, int left, int top) {
  auto* label = new QLabel(caption, box);
  label->adjustSize();
  label->move(left, top);
}

// A slider of 85 x 19 pixels with its tick marks below.
QSlider* MakeSlider(QGroupBox* box, const char* name, int left, int top, int minimum, int maximum,
                    int position, int tickSpacing, int pageStep) {
  auto* slider = new QSlider(Qt::Horizontal, box);
  slider->setObjectName(QString::fromLatin1(name));
  slider->setGeometry(left, top, 85, 19);
  slider->setRange(minimum, maximum);
  slider->setValue(position);
  slider->setTickPosition(QSlider::TicksBelow);
  slider->setTickInterval(tickSpacing);
  slider->setSingleStep(1);
  slider->setPageStep(pageStep);
  return slider;
}

// A read-only edit of 41 x 21 pixels in the button-face colour, skipped by
// the tab key.
QLineEdit* MakeEdit(QGroupBox* box, const char* name, int left, int top) {
  auto* edit = new QLineEdit(box);
  edit->setObjectName(QString::fromLatin1(name));
  edit->setGeometry(left, top, 41, 21);
  edit->setReadOnly(true);
  edit->setFocusPolicy(Qt::NoFocus);
  QPalette palette = edit->palette();
  palette.setColor(QPalette::Base, palette.color(QPalette::Button));
  edit->setPalette(palette);
  return edit;
}

QString Decimal(long long value) { return QString::number(value); }

// The filter's lower frequency bound, which a slider position of 0 becomes.
constexpr Extended LowestFrequency = 1e-10L;

// A frequency slider and its edit showing a frequency of the filter: the
// slider as near as its range allows, the edit as the slider handler would
// write it where the position gives that frequency, else the frequency.
void ShowFrequency(QSlider* slider, QLineEdit* edit, Extended hertz) {
  const QSignalBlocker blocker(slider);
  const double value = static_cast<double>(hertz);
  slider->setValue(static_cast<int>(std::lround(std::clamp(value, 0.0, static_cast<double>(slider->maximum())))));
  const bool exact = hertz == static_cast<Extended>(slider->value()) ||
                     (slider->value() == 0 && hertz == LowestFrequency);
  edit->setText(exact ? Decimal(slider->value()) : QString::number(value, 'g', 6));
}

// Places a new window right of the main window where the screen has room,
// else left of it, else over it.
void PlaceBeside(QWidget& window, const QWidget& main) {
  const QRect frame = main.frameGeometry();
  const QRect screen = main.screen() != nullptr ? main.screen()->availableGeometry() : QRect();
  if (frame.right() + window.width() < screen.right()) {
    window.move(frame.right() + 1, frame.top());
  } else if (frame.left() - window.width() > screen.left()) {
    window.move(frame.left() - window.width(), frame.top());
  } else {
    window.move(frame.topLeft());
  }
}

// The ripple in a field of at least four characters with one decimal,
// followed by " dB": " 3.0 dB".
QString RippleText(Extended decibels) {
  char text[64];
  std::snprintf(text, sizeof text, "%4.1Lf dB", decibels);
  return QString::fromLatin1(text);
}

}  // namespace

TfmMain::TfmMain(QWidget* parent)
    : QMainWindow(parent), chooseFile_([this](bool saving) {
        const QString filter = QStringLiteral("Filter forms (*.txt);;All files (*)");
        return saving ? QFileDialog::getSaveFileName(this, QStringLiteral("Save filter"), QString(), filter)
                      : QFileDialog::getOpenFileName(this, QStringLiteral("Load filter"), QString(), filter);
      }) {
  setObjectName(QStringLiteral("fmMain"));
  setWindowTitle(QStringLiteral("IIR Filter Demo"));
  setFont(FormFont());
  tessaro::ReadComponent(sigIIRFilter1, FilterStoredForm);
  CreateControls();
  CreateMenu();

  Timer1 = new QTimer(this);
  Timer1->setObjectName(QStringLiteral("Timer1"));
  Timer1->setInterval(TimerInterval);

  resize(ClientWidth, menuBar()->sizeHint().height() + Panel1Height + BevelHeight +
                           Panel2Height + StatusBarHeight);
  CentreOnScreen(*this);
  BindHandlers();
  FormCreate();
}

TfmMain::~TfmMain() = default;

void TfmMain::CreateControls() {
  auto* client = new QWidget(this);
  auto* column = new QVBoxLayout(client);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  setCentralWidget(client);

  Panel1 = new QFrame(client);
  Panel1->setObjectName(QStringLiteral("Panel1"));
  Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  Panel1->setMinimumHeight(20);
  Chart1 = new TChart(Panel1);
  Chart1->setObjectName(QStringLiteral("Chart1"));
  Chart1->setGeometry(1, 1, ClientWidth - 2, Chart1Height);
  Series1 = SetUpChart(*Chart1, QStringLiteral("Source signal"), 110.0, clRed);
  Chart2 = new TChart(Panel1);
  Chart2->setObjectName(QStringLiteral("Chart2"));
  Chart2->setGeometry(1, 1 + Chart1Height, ClientWidth - 2, Panel1Height - 2 - Chart1Height);
  Series2 = SetUpChart(*Chart2, QStringLiteral("Filtered signal"), 105.0, clMaroon);
  column->addWidget(Panel1, 1);

  Bevel2 = new QFrame(client);
  Bevel2->setObjectName(QStringLiteral("Bevel2"));
  Bevel2->setFrameStyle(QFrame::HLine | QFrame::Sunken);
  Bevel2->setFixedHeight(BevelHeight);
  column->addWidget(Bevel2);

  Panel2 = new QFrame(client);
  Panel2->setObjectName(QStringLiteral("Panel2"));
  Panel2->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  Panel2->setFixedHeight(Panel2Height);
  auto* panel2Layout = new QVBoxLayout(Panel2);
  panel2Layout->setContentsMargins(0, 0, 0, 0);
  ScrollBox1 = new QScrollArea(Panel2);
  ScrollBox1->setObjectName(QStringLiteral("ScrollBox1"));
  ScrollBox1->setFrameShape(QFrame::NoFrame);
  panel2Layout->addWidget(ScrollBox1);
  column->addWidget(Panel2);

  // The five group boxes side by side; the scroll box scrolls when the
  // window is narrower than they are.
  auto* boxes = new QWidget;
  boxes->setFixedSize(749, 106);

  GeneratorBox = MakeBox(boxes, "GeneratorBox", QStringLiteral(" Source "), 8, 5, 185);
  rbSin = MakeRadio(GeneratorBox, "rbSin", QStringLiteral("Sine"), 8, 18, true);
  rbSquare = MakeRadio(GeneratorBox, "rbSquare", QStringLiteral("Square"), 60, 18, false);
  rbTriangle = MakeRadio(GeneratorBox, "rbTriangle", QStringLiteral("Triangle"), 120, 18, false);
  MakeLabel(GeneratorBox, QStringLiteral("Freq"), 8, 48);
  tbSourceFreq = MakeSlider(GeneratorBox, "tbSourceFreq", 40, 45, 0, 100, 50, 10, 1);
  edtSourceFreq = MakeEdit(GeneratorBox, "edtSourceFreq", 136, 44);
  MakeLabel(GeneratorBox, QStringLiteral("Amp"), 8, 75);
  tbSourceAmp = MakeSlider(GeneratorBox, "tbSourceAmp", 40, 72, 0, 100, 100, 10, 1);
  edtSourceAmp = MakeEdit(GeneratorBox, "edtSourceAmp", 136, 71);

  GroupBox1 = MakeBox(boxes, "GroupBox1", QStringLiteral(" Filter Kind "), 202, 6, 93);
  rbButterworth = MakeRadio(GroupBox1, "rbButterworth", QStringLiteral("Butterworth"), 8, 18, true);
  rbChebyshev = MakeRadio(GroupBox1, "rbChebyshev", QStringLiteral("Chebyshev"), 8, 38, false);
  rbBessel = MakeRadio(GroupBox1, "rbBessel", QStringLiteral("Bessel"), 8, 58, false);

  FilterResponse = MakeBox(boxes, "FilterResponse", QStringLiteral(" Filter Response "), 304, 5, 93);
  rbLowpassFilter = MakeRadio(FilterResponse, "rbLowpassFilter", QStringLiteral("Lowpass"), 8, 18, false);
  rbHighpassFilter = MakeRadio(FilterResponse, "rbHighpassFilter", QStringLiteral("Highpass"), 8, 37, false);
  rbBandpassFilter = MakeRadio(FilterResponse, "rbBandpassFilter", QStringLiteral("Bandpass"), 8, 56, false);
  rbBandstopFilter = MakeRadio(FilterResponse, "rbBandstopFilter", QStringLiteral("Bandstop"), 8, 75, true);

  // "&&" shows as one ampersand.
  FilterPropertiesBox = MakeBox(boxes, "FilterPropertiesBox", QStringLiteral(" Order && Frequencies "),
                                406, 5, 185);
  MakeLabel(FilterPropertiesBox, QStringLiteral("Order"), 8, 21);
  tbFilterOrder = MakeSlider(FilterPropertiesBox, "tbFilterOrder", 46, 18, 1, 8, 2, 1, 1);
  edtFilterOrder = MakeEdit(FilterPropertiesBox, "edtFilterOrder", 136, 17);
  MakeLabel(FilterPropertiesBox, QStringLiteral("Freq 1"), 8, 48);
  tbFilterFreq1 = MakeSlider(FilterPropertiesBox, "tbFilterFreq1", 46, 45, 0, 100, 40, 10, 1);
  edtFilterFreq1 = MakeEdit(FilterPropertiesBox, "edtFilterFreq1", 136, 44);
  MakeLabel(FilterPropertiesBox, QStringLiteral("Freq 2"), 8, 75);
  tbFilterFreq2 = MakeSlider(FilterPropertiesBox, "tbFilterFreq2", 46, 72, 0, 100, 60, 10, 1);
  edtFilterFreq2 = MakeEdit(FilterPropertiesBox, "edtFilterFreq2", 136, 71);

  ChebyshevPropertiesBox6 = MakeBox(boxes, "ChebyshevPropertiesBox6",
                                    QStringLiteral(" For Chebyshev Filter Only"), 600, 5, 149);
  MakeLabel(ChebyshevPropertiesBox6, QStringLiteral("Ripple"), 8, 22);
  tbFilterRipple = MakeSlider(ChebyshevPropertiesBox6, "tbFilterRipple", 8, 45, 1, 50, 30, 5, 10);
  edtFilterRipple = MakeEdit(ChebyshevPropertiesBox6, "edtFilterRipple", 100, 44);

  ScrollBox1->setWidget(boxes);

  StatusBar1 = statusBar();
  StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
  StatusBar1->setFixedHeight(StatusBarHeight);

  Panel1->installEventFilter(this);
}

void TfmMain::CreateMenu() {
  Program1 = menuBar()->addMenu(QStringLiteral("&Program"));
  LoadFilter1 = Program1->addAction(QStringLiteral("&Load filter..."));
  SaveFilter1 = Program1->addAction(QStringLiteral("&Save filter..."));
  N2 = Program1->addSeparator();
  Response1 = Program1->addAction(QStringLiteral("&Response..."));
  Exit1 = Program1->addAction(QStringLiteral("E&xit"));
  Help1 = menuBar()->addMenu(QStringLiteral("&Help"));
  Whatisthis1 = Help1->addAction(QStringLiteral("&What is this?"));
  Whatisthis1->setVisible(false);
  N1 = Help1->addSeparator();
  N1->setVisible(false);
  About1 = Help1->addAction(QStringLiteral("&About..."));
}

// Every control signal runs its handler inside the exception guard.
void TfmMain::BindHandlers() {
  const auto bind = [this](auto* sender, auto signal, void (TfmMain::*handler)()) {
    connect(sender, signal, this, [this, handler] { RunGuarded([this, handler] { (this->*handler)(); }); });
  };
  for (QRadioButton* rb : {rbSin, rbSquare, rbTriangle}) {
    bind(rb, &QRadioButton::clicked, &TfmMain::rbSourceClick);
  }
  for (QRadioButton* rb : {rbButterworth, rbChebyshev, rbBessel}) {
    bind(rb, &QRadioButton::clicked, &TfmMain::rbFilterKindClick);
  }
  for (QRadioButton* rb : {rbLowpassFilter, rbHighpassFilter, rbBandpassFilter, rbBandstopFilter}) {
    bind(rb, &QRadioButton::clicked, &TfmMain::rbFilterResponseClick);
  }
  bind(tbSourceFreq, &QSlider::valueChanged, &TfmMain::tbSourceFreqChange);
  bind(tbSourceAmp, &QSlider::valueChanged, &TfmMain::tbSourceAmpChange);
  bind(tbFilterOrder, &QSlider::valueChanged, &TfmMain::tbFilterOrderChange);
  bind(tbFilterFreq1, &QSlider::valueChanged, &TfmMain::tbFilterFreq1Change);
  bind(tbFilterFreq2, &QSlider::valueChanged, &TfmMain::tbFilterFreq2Change);
  bind(tbFilterRipple, &QSlider::valueChanged, &TfmMain::tbFilterRippleChange);
  bind(Timer1, &QTimer::timeout, &TfmMain::Timer1Timer);
  bind(LoadFilter1, &QAction::triggered, &TfmMain::LoadFilter1Click);
  bind(SaveFilter1, &QAction::triggered, &TfmMain::SaveFilter1Click);
  bind(Response1, &QAction::triggered, &TfmMain::Response1Click);
  bind(Exit1, &QAction::triggered, &TfmMain::Exit1Click);
  bind(About1, &QAction::triggered, &TfmMain::About1Click);
}

bool TfmMain::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Panel1 && event->type() == QEvent::Resize) {
    RunGuarded([this] { Panel1Resize(); });
  }
  return QMainWindow::eventFilter(watched, event);
}

void TfmMain::FormCreate() {
  if (TApplication* app = TApplication::Instance()) {
    app->SetTitle(QStringLiteral("Tessaro - ") + windowTitle());
  }
  rbSourceClick();
  tbSourceAmpChange();
  tbSourceFreqChange();
  tbFilterFreq1Change();
  tbFilterFreq2Change();
  rbFilterKindClick();
  rbFilterResponseClick();
  tbFilterOrderChange();
  tbFilterRippleChange();
  // An empty range: the first sample opens the first page.
  Chart1->BottomAxis().SetMaximum(0.0);
  Chart2->BottomAxis().SetMaximum(0.0);
  Timer1->start();
}

void TfmMain::rbSourceClick() {
  if (rbSin->isChecked()) {
    FSourceKind = skSine;
  } else if (rbSquare->isChecked()) {
    FSourceKind = skSquare;
  } else if (rbTriangle->isChecked()) {
    FSourceKind = skTriangle;
  }
}

void TfmMain::tbSourceFreqChange() {
  FSourceFreq = tbSourceFreq->value();
  edtSourceFreq->setText(Decimal(FSourceFreq));
}

void TfmMain::tbSourceAmpChange() {
  FSourceAmp = tbSourceAmp->value();
  edtSourceAmp->setText(Decimal(FSourceAmp));
}

// The edits show the slider position, not the value the filter kept after
// clamping (a position of 0 shows 0).
void TfmMain::tbFilterFreq1Change() {
  sigIIRFilter1.SetFrequency1(tbFilterFreq1->value());
  edtFilterFreq1->setText(Decimal(tbFilterFreq1->value()));
  FilterChanged();
}

void TfmMain::tbFilterFreq2Change() {
  sigIIRFilter1.SetFrequency2(tbFilterFreq2->value());
  edtFilterFreq2->setText(Decimal(tbFilterFreq2->value()));
  FilterChanged();
}

void TfmMain::rbFilterKindClick() {
  if (rbButterworth->isChecked()) {
    sigIIRFilter1.SetKind(tessaro::fkButterworth);
  } else if (rbChebyshev->isChecked()) {
    sigIIRFilter1.SetKind(tessaro::fkChebyshev);
  } else if (rbBessel->isChecked()) {
    sigIIRFilter1.SetKind(tessaro::fkBessel);
  }
  FilterChanged();
}

void TfmMain::rbFilterResponseClick() {
  if (rbLowpassFilter->isChecked()) {
    sigIIRFilter1.SetResponse(tessaro::ftLowpass);
  } else if (rbHighpassFilter->isChecked()) {
    sigIIRFilter1.SetResponse(tessaro::ftHighpass);
  } else if (rbBandpassFilter->isChecked()) {
    sigIIRFilter1.SetResponse(tessaro::ftBandpass);
  } else if (rbBandstopFilter->isChecked()) {
    sigIIRFilter1.SetResponse(tessaro::ftBandstop);
  }
  FilterChanged();
}

void TfmMain::tbFilterOrderChange() {
  sigIIRFilter1.SetOrder(tbFilterOrder->value());
  edtFilterOrder->setText(Decimal(sigIIRFilter1.Order()));
  FilterChanged();
}

void TfmMain::tbFilterRippleChange() {
  sigIIRFilter1.SetRipple(static_cast<Extended>(tbFilterRipple->value()) / 10.0L);
  edtFilterRipple->setText(RippleText(sigIIRFilter1.Ripple()));
  FilterChanged();
}

// Five samples: each is generated from the sample counter, opens a new page
// on both charts when it reaches the end of the current one, and is drawn
// before and after the filter. A new page begins at the old page's maximum.
void TfmMain::Timer1Timer() {
  TChartAxis& axis1 = Chart1->BottomAxis();
  TChartAxis& axis2 = Chart2->BottomAxis();
  for (int i = 0; i < SamplesPerTick; ++i) {
    const double t = SampleTime(timer1Tag_);
    const Extended v = SourceValue(FSourceKind, FSourceFreq, FSourceAmp, t);
    const double x = SampleX(t);
    if (x >= axis1.Maximum()) {
      const double m = axis1.Maximum();
      axis1.SetMinMax(m, static_cast<double>(static_cast<Extended>(m) + PageWidth));
      axis2.SetMinMax(axis1.Minimum(), axis1.Maximum());
    }
    Series1->AddXY(x, static_cast<double>(v));
    const Extended y = sigIIRFilter1.Process(v);
    Series2->AddXY(x, static_cast<double>(y));
    ++timer1Tag_;
  }
}

// Chart1 takes half of the panel's height, rounded toward zero; Chart2
// fills what is left inside the bevel.
void TfmMain::Panel1Resize() {
  const QRect area = Panel1->contentsRect();
  const int chart1Height = std::min(Panel1->height() / 2, area.height());
  Chart1->setGeometry(area.left(), area.top(), area.width(), chart1Height);
  Chart2->setGeometry(area.left(), area.top() + chart1Height, area.width(),
                      area.height() - chart1Height);
}

void TfmMain::SetFileChooser(TFileChooser chooser) { chooseFile_ = std::move(chooser); }

void TfmMain::SaveFilter(const QString& path) const { SaveFilterFile(sigIIRFilter1, path); }

void TfmMain::LoadFilter(const QString& path) {
  LoadFilterFile(sigIIRFilter1, path);
  ShowFilter();
  FilterChanged();
}

// The handlers throw to the guard, whose report shows the message box.
void TfmMain::LoadFilter1Click() {
  if (const QString path = chooseFile_ ? chooseFile_(false) : QString(); !path.isEmpty()) LoadFilter(path);
}

void TfmMain::SaveFilter1Click() {
  if (const QString path = chooseFile_ ? chooseFile_(true) : QString(); !path.isEmpty()) SaveFilter(path);
}

void TfmMain::Response1Click() {
  if (fmResponse_ == nullptr) {
    fmResponse_ = new TfmResponse(sigIIRFilter1, this);
    fmResponse_->resize(fmResponse_->width(), height());
    PlaceBeside(*fmResponse_, *this);
  }
  fmResponse_->show();
  fmResponse_->raise();
  fmResponse_->activateWindow();
}

void TfmMain::FilterChanged() {
  if (fmResponse_ != nullptr) fmResponse_->DesignChanged();
}

void TfmMain::ShowFilter() {
  const tessaro::TsigIIRFilterKind kind = sigIIRFilter1.Kind();
  (kind == tessaro::fkChebyshev ? rbChebyshev : kind == tessaro::fkBessel ? rbBessel : rbButterworth)
      ->setChecked(true);
  QRadioButton* const responses[] = {rbLowpassFilter, rbHighpassFilter, rbBandpassFilter, rbBandstopFilter};
  responses[sigIIRFilter1.Response()]->setChecked(true);
  {
    const QSignalBlocker blocker(tbFilterOrder);
    tbFilterOrder->setValue(sigIIRFilter1.Order());
    edtFilterOrder->setText(Decimal(sigIIRFilter1.Order()));
  }
  ShowFrequency(tbFilterFreq1, edtFilterFreq1, sigIIRFilter1.Frequency1());
  ShowFrequency(tbFilterFreq2, edtFilterFreq2, sigIIRFilter1.Frequency2());
  const QSignalBlocker blocker(tbFilterRipple);
  const double tenths = std::round(static_cast<double>(sigIIRFilter1.Ripple()) * 10.0);
  tbFilterRipple->setValue(static_cast<int>(std::clamp(tenths, 1.0, 50.0)));
  edtFilterRipple->setText(RippleText(sigIIRFilter1.Ripple()));
}

void TfmMain::About1Click() {
  if (fmAbout_ != nullptr) fmAbout_->exec();
}

void TfmMain::Exit1Click() { close(); }
