// The filter saved to a file and loaded back through the menu items: bit for bit,
// controls moved to what they can show without touching the filter, and a
// file that does not load reported with nothing changed.
#include "Application.h"
#include "FilterFile.h"
#include "Main.h"
#include "Near.h"

#include <tessaro/sigStoredForm.h>

#include <QAction>
#include <QFile>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using tessaro::Extended;

struct FilterFile : ::testing::Test {
  FilterFile() {
    fm.Timer1->stop();
    fm.SetFileChooser([this](bool saving) {
      chosen.push_back(saving);
      return path;
    });
    TApplication::Instance()->SetExceptionReport([this](const QString& m) { reports << m; });
  }
  ~FilterFile() override { TApplication::Instance()->SetExceptionReport(nullptr); }

  void Write(const QByteArray& bytes) const {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
  }
  // The design's numbers, every 80 bits of them.
  std::vector<Extended> Design() const {
    const auto& f = fm.sigIIRFilter1;
    std::vector<Extended> d(f.InputCoefficients().begin(), f.InputCoefficients().end());
    d.insert(d.end(), f.OutputCoefficients().begin(), f.OutputCoefficients().end());
    d.push_back(f.InputScale());
    return d;
  }
  // What the window shows of the filter.
  QStringList Controls() const {
    QStringList shown;
    for (const QRadioButton* b : {fm.rbButterworth, fm.rbChebyshev, fm.rbBessel, fm.rbLowpassFilter,
                                  fm.rbHighpassFilter, fm.rbBandpassFilter, fm.rbBandstopFilter}) {
      shown << QString::number(b->isChecked());
    }
    for (const QSlider* s : {fm.tbFilterOrder, fm.tbFilterFreq1, fm.tbFilterFreq2, fm.tbFilterRipple}) {
      shown << QString::number(s->value());
    }
    for (const QLineEdit* e : {fm.edtFilterOrder, fm.edtFilterFreq1, fm.edtFilterFreq2, fm.edtFilterRipple}) {
      shown << e->text();
    }
    return shown;
  }
  static bool SameBits(const std::vector<Extended>& a, const std::vector<Extended>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
      if (!tessaro::test::SameBits(a[i], b[i])) return false;
    }
    return true;
  }

  QTemporaryDir dir;
  QString path = dir.filePath(QStringLiteral("filter.txt"));
  TfmMain fm;
  std::vector<bool> chosen;
  QStringList reports;
};

TEST_F(FilterFile, SaveThenLoadGivesTheFilterBackBitForBit) {
  fm.rbChebyshev->click();
  fm.rbBandpassFilter->click();
  fm.tbFilterOrder->setValue(5);
  fm.tbFilterFreq1->setValue(23);
  fm.tbFilterFreq2->setValue(71);
  fm.tbFilterRipple->setValue(17);
  const std::string form = tessaro::WriteComponent(fm.sigIIRFilter1);
  const std::vector<Extended> design = Design();
  const QStringList controls = Controls();
  fm.SaveFilter1->trigger();

  // Elsewhere, then back.
  fm.rbBessel->click();
  fm.rbHighpassFilter->click();
  fm.tbFilterOrder->setValue(2);
  fm.tbFilterFreq1->setValue(90);
  fm.tbFilterRipple->setValue(3);
  ASSERT_NE(Design(), design);
  fm.LoadFilter1->trigger();

  EXPECT_EQ(chosen, (std::vector<bool>{true, false}));
  EXPECT_TRUE(reports.isEmpty()) << reports.join('\n').toStdString();
  EXPECT_EQ(tessaro::WriteComponent(fm.sigIIRFilter1), form);
  EXPECT_TRUE(SameBits(Design(), design));
  EXPECT_EQ(Controls(), controls);
  EXPECT_EQ(fm.sigIIRFilter1.Name(), "sigIIRFilter1");
  QFile saved(path);
  ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
  EXPECT_EQ(saved.readAll().toStdString(), form);
}

// Values beyond the controls: shown as near as each control allows, kept by
// the filter, and not written back by moving another control.
TEST_F(FilterFile, ValuesTheControlsCannotShowStayInTheFilter) {
  Write("object other: TsigIIRFilter\n  Kind = fkBessel\n  Response = ftBandstop\n  Order = 7\n"
        "  Frequency1 = 0.25\n  Frequency2 = 1234.5\n  SampleRate = 44100\n  Ripple = 9.75\nend\n");
  fm.LoadFilter1->trigger();
  ASSERT_TRUE(reports.isEmpty()) << reports.join('\n').toStdString();
  const auto& f = fm.sigIIRFilter1;
  const QStringList expected = {"0",   "0",    "1",    "0",       "0",      "0",     "1",
                                "7",   "0",    "100",  "50",      "7",      "0.25",  "1234.5",
                                " 9.8 dB"};
  EXPECT_EQ(Controls(), expected);
  EXPECT_EQ(f.Frequency1(), 0.25L);
  EXPECT_EQ(f.Frequency2(), 1234.5L);
  EXPECT_EQ(f.SampleRate(), 44100.0L);
  EXPECT_EQ(f.Ripple(), 9.75L);
  EXPECT_FALSE(f.ManualReset());  // the file's, a default
  EXPECT_EQ(f.Name(), "sigIIRFilter1");
  fm.rbChebyshev->click();
  fm.tbFilterOrder->setValue(3);
  EXPECT_EQ(f.Frequency1(), 0.25L);
  EXPECT_EQ(f.Frequency2(), 1234.5L);
  EXPECT_EQ(f.Ripple(), 9.75L);
}

TEST_F(FilterFile, AFileThatDoesNotLoadChangesNothing) {
  struct Case {
    const char* Name;
    QByteArray Bytes;  // written unless null
    const char* Reported;
  };
  const Case cases[] = {
      {"not a form", "hello\n", "line 1: expected \"object\""},
      {"unknown kind", "object f: TsigIIRFilter\n  Kind = fkElliptic\nend\n", "line 2:"},
      {"no end", "object f: TsigIIRFilter\n  Order = 3\n", "line 2: missing \"end\""},
      {"another class", "object f: TsigFFT\nend\n", "line 1: object of class TsigFFT"},
      {"two filters", "object a: TsigIIRFilter\nend\nobject b: TsigIIRFilter\nend\n", "line 3:"},
      {"NaN", "object f: TsigIIRFilter\n  Ripple = nan\nend\n", "Ripple"},
      {"too large", QByteArray(MaxFilterFileBytes + 1, '\n'), "larger than"},
      {"missing", QByteArray(), "Cannot load the filter from"},
  };
  fm.rbChebyshev->click();
  const std::string form = tessaro::WriteComponent(fm.sigIIRFilter1);
  const std::vector<Extended> design = Design();
  const QStringList controls = Controls();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    QFile::remove(path);
    if (!c.Bytes.isNull()) Write(c.Bytes);
    reports.clear();
    fm.LoadFilter1->trigger();
    ASSERT_EQ(reports.size(), 1);
    EXPECT_TRUE(reports[0].contains(QString::fromLatin1(c.Reported))) << reports[0].toStdString();
    EXPECT_TRUE(reports[0].contains(path)) << reports[0].toStdString();
    EXPECT_EQ(tessaro::WriteComponent(fm.sigIIRFilter1), form);
    EXPECT_TRUE(SameBits(Design(), design));
    EXPECT_EQ(Controls(), controls);
  }
}

TEST_F(FilterFile, ACancelledDialogDoesNothing) {
  path.clear();
  const std::string form = tessaro::WriteComponent(fm.sigIIRFilter1);
  fm.LoadFilter1->trigger();
  fm.SaveFilter1->trigger();
  EXPECT_EQ(chosen, (std::vector<bool>{false, true}));
  EXPECT_TRUE(reports.isEmpty());
  EXPECT_EQ(tessaro::WriteComponent(fm.sigIIRFilter1), form);
}

}  // namespace
