// The Perfomance window offscreen: its state at start, the tab strip, the
// "Test" button on both pages, and the busy cursor and the result text when
// a measurement fails.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QStackedWidget>
#include <QStringList>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTabBar>
#include <QTest>

#include <cstddef>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "Application.h"
#include "Components.h"
#include "Main.h"
#include "ReferenceDigits.h"

namespace {

// A measurement short enough for the tests; the program uses 1000 ms.
constexpr int ShortMs = 20;

QStringList Items(const QComboBox* list) {
  QStringList items;
  for (int i = 0; i < list->count(); ++i) items << list->itemText(i);
  return items;
}

class MainWindow : public ::testing::Test {
 protected:
  MainWindow() {
    fmMain.SetMeasureDuration(ShortMs);
    filter = &fmMain.Components().Find<tessaro::TsigIIRFilter>("sigIIRFilter");
    fft = &fmMain.Components().Find<tessaro::TsigFFT>("sigFFT1");
  }
  ~MainWindow() override { TApplication::Instance()->SetExceptionReport({}); }

  template <class T>
  T* Control(const char* name) {
    T* control = fmMain.findChild<T*>(QString::fromLatin1(name));
    if (!control) throw std::logic_error(std::string("no control ") + name);
    return control;
  }
  QTabBar* TabSet1() { return Control<QTabBar>("TabSet1"); }
  QStackedWidget* Notebook1() { return Control<QStackedWidget>("Notebook1"); }
  QComboBox* cbFilterKind() { return Control<QComboBox>("cbFilterKind"); }
  QComboBox* cbFilterResponse() { return Control<QComboBox>("cbFilterResponse"); }
  QSpinBox* edtFilterOrder() { return Control<QSpinBox>("edtFilterOrder"); }
  QComboBox* cbFFTSize() { return Control<QComboBox>("cbFFTSize"); }
  QCheckBox* cbInverse() { return Control<QCheckBox>("cbInverse"); }
  QLineEdit* edtPerfomance() { return Control<QLineEdit>("edtPerfomance"); }
  QPushButton* btnTestIIR() { return Control<QPushButton>("btnTestIIR"); }

  // "<positive count> per sec"
  void ExpectPositiveCount() {
    static const QRegularExpression shown(QStringLiteral("^[1-9][0-9]* per sec$"));
    EXPECT_TRUE(shown.match(edtPerfomance()->text()).hasMatch()) << edtPerfomance()->text().toStdString();
  }

  TfmMain fmMain;
  tessaro::TsigIIRFilter* filter = nullptr;
  tessaro::TsigFFT* fft = nullptr;
};

TEST_F(MainWindow, StartsOnTheIIRPageWithTheStoredComponents) {
  TfmMain fresh;
  EXPECT_EQ(fresh.MeasureDuration(), 1000);
  EXPECT_EQ(fmMain.windowTitle(), QStringLiteral(" Perfomance test"));
  EXPECT_EQ(TApplication::Instance()->Title(), QStringLiteral("Tessaro -  Perfomance test"));
  EXPECT_EQ(fmMain.minimumSize(), QSize(293, 153));
  EXPECT_EQ(fmMain.maximumSize(), QSize(293, 153));

  ASSERT_EQ(TabSet1()->count(), 2);
  EXPECT_EQ(TabSet1()->tabText(0), QStringLiteral("IIR"));
  EXPECT_EQ(TabSet1()->tabText(1), QStringLiteral("FFT"));
  EXPECT_EQ(TabSet1()->currentIndex(), 0);
  EXPECT_EQ(TabSet1()->shape(), QTabBar::RoundedSouth);
  EXPECT_EQ(Notebook1()->count(), 2);
  EXPECT_EQ(Notebook1()->currentIndex(), 0);

  EXPECT_EQ(Items(cbFilterKind()), (QStringList{"Bessel", "Butterworth", "Chebyshev"}));
  EXPECT_EQ(cbFilterKind()->currentIndex(), 0);
  EXPECT_EQ(Items(cbFilterResponse()), (QStringList{"Lowpass", "Highpass", "Bandpass", "Bandstop"}));
  EXPECT_EQ(cbFilterResponse()->currentIndex(), 0);
  EXPECT_EQ(Items(cbFFTSize()), (QStringList{"128", "256", "512", "1024"}));
  EXPECT_EQ(cbFFTSize()->currentText(), QStringLiteral("1024"));
  for (const QComboBox* list : {cbFilterKind(), cbFilterResponse(), cbFFTSize()}) EXPECT_FALSE(list->isEditable());
  EXPECT_EQ(edtFilterOrder()->minimum(), 1);
  EXPECT_EQ(edtFilterOrder()->maximum(), 8);
  EXPECT_EQ(edtFilterOrder()->value(), 1);
  EXPECT_EQ(cbInverse()->text(), QStringLiteral("Inverse"));
  EXPECT_FALSE(cbInverse()->isChecked());
  EXPECT_EQ(cbInverse()->layoutDirection(), Qt::RightToLeft);

  EXPECT_TRUE(edtPerfomance()->text().isEmpty());
  EXPECT_TRUE(edtPerfomance()->isReadOnly());
  EXPECT_EQ(edtPerfomance()->focusPolicy(), Qt::NoFocus);
  EXPECT_EQ(btnTestIIR()->text(), QStringLiteral("Test"));
  EXPECT_TRUE(btnTestIIR()->isDefault());
  EXPECT_EQ(btnTestIIR()->geometry(), QRect(206, 10, 75, 25));

  // The stored form: a Butterworth highpass with both edges at 400 Hz, and
  // a 512-point FFT without a window.
  ASSERT_NE(filter, nullptr);
  ASSERT_NE(fft, nullptr);
  EXPECT_EQ(filter->Kind(), tessaro::fkButterworth);
  EXPECT_EQ(filter->Response(), tessaro::ftHighpass);
  EXPECT_EQ(filter->Order(), 1);
  EXPECT_EQ(filter->Frequency1(), 400.0L);
  EXPECT_EQ(filter->SampleRate(), 44100.0L);
  EXPECT_EQ(fft->BufferSize(), 512);
  EXPECT_EQ(fft->Power(), 9);
  EXPECT_EQ(fft->Window(), tessaro::fwNone);
}

TEST_F(MainWindow, TestButtonShowsOnBothPages) {
  fmMain.show();
  for (const int page : {0, 1}) {
    TabSet1()->setCurrentIndex(page);
    EXPECT_TRUE(btnTestIIR()->isVisible()) << "page " << page;
    EXPECT_TRUE(btnTestIIR()->isEnabled()) << "page " << page;
  }
}

TEST_F(MainWindow, TestAtStartMeasuresABesselLowpassOfOrderOne) {
  btnTestIIR()->click();
  ExpectPositiveCount();
  EXPECT_EQ(filter->Kind(), tessaro::fkBessel);
  EXPECT_EQ(filter->Response(), tessaro::ftLowpass);
  EXPECT_EQ(filter->Order(), 1);
  EXPECT_EQ(filter->Frequency1(), 400.0L);
  EXPECT_EQ(filter->SampleRate(), 44100.0L);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

struct TIIRPageCase {
  int KindItem;
  int ResponseItem;
  int Order;
  tessaro::TsigIIRFilterKind Kind;
  tessaro::TsigIIRFilterResponse Response;
};

class MainWindowIIR : public MainWindow, public ::testing::WithParamInterface<TIIRPageCase> {};

TEST_P(MainWindowIIR, WritesTheChosenDesign) {
  const TIIRPageCase& c = GetParam();
  cbFilterKind()->setCurrentIndex(c.KindItem);
  cbFilterResponse()->setCurrentIndex(c.ResponseItem);
  edtFilterOrder()->setValue(c.Order);
  btnTestIIR()->click();
  ExpectPositiveCount();
  EXPECT_EQ(filter->Kind(), c.Kind);
  EXPECT_EQ(filter->Response(), c.Response);
  EXPECT_EQ(filter->Order(), c.Order);
}

// The kind items are not in the order of the enumeration; the response
// items are.
INSTANTIATE_TEST_SUITE_P(Perf, MainWindowIIR,
                         ::testing::Values(TIIRPageCase{0, 1, 2, tessaro::fkBessel, tessaro::ftHighpass},
                                           TIIRPageCase{1, 0, 8, tessaro::fkButterworth, tessaro::ftLowpass},
                                           TIIRPageCase{2, 2, 3, tessaro::fkChebyshev, tessaro::ftBandpass},
                                           TIIRPageCase{1, 3, 8, tessaro::fkButterworth, tessaro::ftBandstop},
                                           TIIRPageCase{2, 0, 5, tessaro::fkChebyshev, tessaro::ftLowpass}),
                         [](const auto& info) {
                           const TIIRPageCase& c = info.param;
                           return "Kind" + std::to_string(c.KindItem) + "Response" + std::to_string(c.ResponseItem) +
                                  "Order" + std::to_string(c.Order);
                         });

TEST_F(MainWindow, BandTypesWithEqualEdgesMuteOrPass) {
  struct Case { int Item; tessaro::Extended Out; };
  for (const Case& c : {Case{2, 0.0L}, Case{3, 7.0L}}) {
    cbFilterResponse()->setCurrentIndex(c.Item);
    btnTestIIR()->click();
    ExpectPositiveCount();
    EXPECT_EQ(filter->Process(7.0L), c.Out) << "item " << c.Item;
  }
}

TEST_F(MainWindow, OrderListAllowsOneToEight) {
  // The spin box holds only 1..8, so the order written is always valid.
  edtFilterOrder()->setValue(9);
  EXPECT_EQ(edtFilterOrder()->value(), 8);
  edtFilterOrder()->setValue(0);
  EXPECT_EQ(edtFilterOrder()->value(), 1);
}

TEST_F(MainWindow, TabChangeEmptiesTheResult) {
  btnTestIIR()->click();
  ExpectPositiveCount();
  TabSet1()->setCurrentIndex(1);
  EXPECT_EQ(Notebook1()->currentIndex(), 1);
  EXPECT_TRUE(edtPerfomance()->text().isEmpty());
  btnTestIIR()->click();
  ExpectPositiveCount();
  TabSet1()->setCurrentIndex(0);
  EXPECT_EQ(Notebook1()->currentIndex(), 0);
  EXPECT_TRUE(edtPerfomance()->text().isEmpty());
  TabSet1()->setCurrentIndex(1);
  EXPECT_TRUE(edtPerfomance()->text().isEmpty());
}

TEST_F(MainWindow, ZeroCountIsShownAsTheDigitZero) {
  fmMain.SetMeasureDuration(0);
  btnTestIIR()->click();
  EXPECT_EQ(edtPerfomance()->text(), QStringLiteral("0 per sec"));
}

// The largest 32-bit count fits the edit's contents rectangle at the
// window's font, and a result is shown from its first character.
TEST_F(MainWindow, TheLongestResultShowsInFull) {
  fmMain.show();
  QLineEdit* edit = edtPerfomance();
  QStyleOptionFrame option;
  option.initFrom(edit);
  option.lineWidth = edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit);
  // The line edit keeps two pixels of its own on either side of the text.
  const QRect contents = edit->style()
                             ->subElementRect(QStyle::SE_LineEditContents, &option, edit)
                             .marginsRemoved(edit->textMargins())
                             .adjusted(2, 0, -2, 0);
  EXPECT_LE(edit->fontMetrics().horizontalAdvance(QStringLiteral("2147483647 per sec")), contents.width());
  EXPECT_EQ(edit->pos(), QPoint(92, 7));
  EXPECT_LE(edit->geometry().right(), edit->parentWidget()->width() - 1);
  btnTestIIR()->click();
  ExpectPositiveCount();
  EXPECT_EQ(edit->cursorPosition(), 0);
}

TEST_F(MainWindow, MeasureDurationIsChecked) {
  for (const int ms : {-1, 1001}) {
    EXPECT_THROW(fmMain.SetMeasureDuration(ms), std::invalid_argument);
    EXPECT_EQ(fmMain.MeasureDuration(), ShortMs);
  }
}

// On the FFT page the inputs show which transform ran: Forward leaves them
// as drawn, Inverse mirrors their upper half onto the lower.
struct TFFTPageCase {
  int SizeItem;
  std::size_t N;
  bool InverseTicked;
};

class MainWindowFFT : public MainWindow, public ::testing::WithParamInterface<TFFTPageCase> {};

TEST_P(MainWindowFFT, InverseBoxChoosesTheTransform) {
  const TFFTPageCase& c = GetParam();
  TabSet1()->setCurrentIndex(1);
  cbFFTSize()->setCurrentIndex(c.SizeItem);
  cbInverse()->setChecked(c.InverseTicked);
  btnTestIIR()->click();
  ExpectPositiveCount();
  ASSERT_EQ(static_cast<std::size_t>(fft->BufferSize()), c.N);
  const std::vector<int>& digits = test::ReferenceDigits();
  const auto realIn = std::as_const(*fft).RealIn();
  const auto imagIn = std::as_const(*fft).ImagIn();
  for (std::size_t k = 0; k < c.N; ++k) {
    // The k-th pair was drawn as digits 2k, 2k + 1; an inverse call rewrites
    // each index k > n/2 from index n - k, conjugated.
    const bool mirrored = c.InverseTicked && k > c.N / 2;
    const std::size_t from = mirrored ? c.N - k : k;
    const float real = static_cast<float>(digits[2 * from]);
    const float imag = static_cast<float>(digits[2 * from + 1]) * (mirrored ? -1.0f : 1.0f);
    ASSERT_EQ(realIn[k], real) << "RealIn[" << k << "]";
    ASSERT_EQ(imagIn[k], imag) << "ImagIn[" << k << "]";
  }
}

INSTANTIATE_TEST_SUITE_P(Perf, MainWindowFFT,
                         ::testing::Values(TFFTPageCase{3, 1024, false}, TFFTPageCase{3, 1024, true},
                                           TFFTPageCase{0, 128, false}, TFFTPageCase{0, 128, true},
                                           TFFTPageCase{2, 512, true}),
                         [](const auto& info) {
                           return "Size" + std::to_string(info.param.N) +
                                  (info.param.InverseTicked ? "Ticked" : "Clear");
                         });

TEST_F(MainWindow, EnterPressesTest) {
  fmMain.show();
  QApplication::setActiveWindow(&fmMain);
  ASSERT_TRUE(QTest::qWaitForWindowActive(&fmMain));
  edtFilterOrder()->setFocus();
  QTest::keyClick(edtFilterOrder(), Qt::Key_Return);
  ExpectPositiveCount();
  TabSet1()->setCurrentIndex(1);
  cbFFTSize()->setFocus();
  QTest::keyClick(cbFFTSize(), Qt::Key_Enter, Qt::KeypadModifier);
  ExpectPositiveCount();
}

// A measurement that raises: the list shows no item, so its text names
// nothing. The result keeps its text, the cursor comes back, and the
// application's report gets the message.
struct TFailureCase {
  int Page;
  const char* List;
  const char* Message;
};

class MainWindowFailure : public MainWindow, public ::testing::WithParamInterface<TFailureCase> {};

TEST_P(MainWindowFailure, RestoresTheCursorAndKeepsTheResult) {
  const TFailureCase& c = GetParam();
  TabSet1()->setCurrentIndex(c.Page);
  btnTestIIR()->click();
  ExpectPositiveCount();
  const QString before = edtPerfomance()->text();
  Control<QComboBox>(c.List)->setCurrentIndex(-1);

  QStringList reports;
  TApplication::Instance()->SetExceptionReport([&reports](const QString& m) { reports << m; });
  QApplication::setOverrideCursor(QCursor(Qt::CrossCursor));  // the caller's own cursor
  btnTestIIR()->click();
  ASSERT_NE(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::CrossCursor);
  QApplication::restoreOverrideCursor();
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  ASSERT_EQ(reports.size(), 1);
  EXPECT_TRUE(reports[0].contains(QString::fromLatin1(c.Message))) << reports[0].toStdString();
  EXPECT_EQ(edtPerfomance()->text(), before);

  // Called directly, the handler lets the exception through, cursor restored.
  EXPECT_THROW(fmMain.btnTestIIRClick(), std::invalid_argument);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(edtPerfomance()->text(), before);

  // The window stays usable.
  Control<QComboBox>(c.List)->setCurrentIndex(0);
  btnTestIIR()->click();
  ExpectPositiveCount();
  EXPECT_EQ(reports.size(), 1);
}

INSTANTIATE_TEST_SUITE_P(Perf, MainWindowFailure,
                         ::testing::Values(TFailureCase{0, "cbFilterKind", "Filter kind \"\""},
                                           TFailureCase{1, "cbFFTSize", "FFT size \"\""}),
                         [](const auto& info) { return std::string(info.param.List); });

}  // namespace
