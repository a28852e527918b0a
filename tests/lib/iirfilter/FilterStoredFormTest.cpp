// The filter in a stored form: storing rules, round trips and loading
// with the clamping and the single design deferred to the end.
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>

#include "IIRTestSupport.h"
#include "tessaro/sigIIRFilters.h"
#include "tessaro/sigStoredForm.h"

namespace tessaro {
namespace {

std::string Form(const std::string& body) {
  return "object sigIIRFilter1: TsigIIRFilter\n" + body + "end\n";
}

void ExpectSame(const TsigIIRFilter& a, const TsigIIRFilter& b) {
  EXPECT_EQ(a.Kind(), b.Kind());
  EXPECT_EQ(a.Response(), b.Response());
  EXPECT_EQ(a.Order(), b.Order());
  EXPECT_TRUE(test::SameBits(a.Frequency1(), b.Frequency1())) << a.Frequency1();
  EXPECT_TRUE(test::SameBits(a.Frequency2(), b.Frequency2())) << a.Frequency2();
  EXPECT_TRUE(test::SameBits(a.SampleRate(), b.SampleRate()));
  EXPECT_TRUE(test::SameBits(a.Ripple(), b.Ripple()));
  EXPECT_EQ(a.ManualReset(), b.ManualReset());
  EXPECT_EQ(a.Structure(), b.Structure());
  EXPECT_EQ(a.Realisation().Structure, b.Realisation().Structure);
  EXPECT_TRUE(test::SameBits(a.InputScale(), b.InputScale()));
  for (int i = 0; i < PoleZeroCapacity; ++i) {
    EXPECT_TRUE(test::SameBits(a.InputCoefficients()[i], b.InputCoefficients()[i])) << i;
    EXPECT_TRUE(test::SameBits(a.OutputCoefficients()[i], b.OutputCoefficients()[i])) << i;
  }
}

TEST(FilterStoredForm, DefaultsWriteKindResponseAndTheNonZeroExtendeds) {
  TsigIIRFilter f;
  f.SetName("sigIIRFilter1");
  EXPECT_EQ(WriteComponent(f), Form("  Kind = fkButterworth\n"
                                    "  Response = ftLowpass\n"
                                    "  Frequency1 = 300\n"
                                    "  Frequency2 = 300\n"
                                    "  SampleRate = 44100\n"));
}

TEST(FilterStoredForm, EveryStoredPropertyWritten) {
  TsigIIRFilter f;
  f.SetName("sigIIRFilter1");
  f.SetKind(fkChebyshev);
  f.SetResponse(ftBandstop);
  f.SetOrder(4);
  f.SetRipple(0.5L);
  f.SetFrequency1(1000.0L);
  f.SetManualReset(true);
  f.SetStructure(fsCascade);
  EXPECT_EQ(WriteComponent(f), Form("  Kind = fkChebyshev\n"
                                    "  Response = ftBandstop\n"
                                    "  Order = 4\n"
                                    "  Frequency1 = 1000\n"
                                    "  Frequency2 = 3000\n"
                                    "  SampleRate = 44100\n"
                                    "  Ripple = 0.5\n"
                                    "  ManualReset = True\n"
                                    "  Structure = fsCascade\n"));
}

struct RoundTripCase {
  TsigIIRFilterKind kind;
  TsigIIRFilterResponse response;
  int order;
  Extended f1, f2, rate, ripple;
  bool manual;
  TsigIIRStructure structure = fsAuto;
};

class FilterRoundTrip : public ::testing::TestWithParam<RoundTripCase> {};

TEST_P(FilterRoundTrip, ReadsBackBitIdentical) {
  const RoundTripCase& c = GetParam();
  TsigIIRFilter f;
  f.SetSampleRate(c.rate);
  f.SetKind(c.kind);
  f.SetResponse(c.response);
  f.SetOrder(c.order);
  f.SetRipple(c.ripple);
  f.SetFrequency1(c.f1);
  f.SetFrequency2(c.f2);
  f.SetManualReset(c.manual);
  f.SetStructure(c.structure);
  const std::string text = WriteComponent(f);
  TsigIIRFilter g;
  ReadComponent(g, text);
  ExpectSame(f, g);
  EXPECT_EQ(WriteComponent(g), text);
}

INSTANTIATE_TEST_SUITE_P(
    Values, FilterRoundTrip,
    ::testing::Values(
        RoundTripCase{fkBessel, ftBandpass, 8, 1000.1L / 3.0L, 2999.7L, 44100.0L, 0.0L, false},
        RoundTripCase{fkChebyshev, ftBandstop, 3, 30000.0L, 1.0L / 7.0L, 96000.0L, 0.1L, true},
        RoundTripCase{fkChebyshev, ftHighpass, 1, 123.456789L, 1.0L, 8000.0L, 3.0L, false},
        // sample rate low enough that frequency 2 was lowered below frequency 1
        RoundTripCase{fkButterworth, ftBandpass, 2, 200.0L, 3000.0L, 1000.0L, 0.0L, true},
        RoundTripCase{fkButterworth, ftHighpass, 8, 20.0L, 20.0L, 48000.0L, 0.0L, false, fsDirect},
        RoundTripCase{fkBessel, ftLowpass, 3, 500.0L, 500.0L, 48000.0L, 0.0L, true, fsCascade},
        // below a rate of 0.0002 Hz the frequencies stay at their floor
        RoundTripCase{fkButterworth, ftBandstop, 2, 5.0L, 7.0L, 0.0001L, 0.0L, false}));

// A lower sample rate lowers the frequencies, but never below 1e-10 Hz,
// and a higher one leaves them there.
TEST(FilterStoredForm, TinySampleRateKeepsTheFrequencyFloor) {
  TsigIIRFilter f;
  f.SetResponse(ftBandpass);
  f.SetSampleRate(0.0001L);
  EXPECT_EQ(f.Frequency1(), 1e-10L);
  EXPECT_EQ(f.Frequency2(), 1e-10L);
  f.SetSampleRate(48000.0L);
  EXPECT_EQ(f.Frequency1(), 1e-10L);
  TsigIIRFilter g;
  ReadComponent(g, WriteComponent(f));
  ExpectSame(f, g);
}

// Saved at 96 kHz with 30 kHz, loaded back with 30 kHz: the frequency is
// clamped against the final sample rate, not the constructor's 44.1 kHz.
TEST(FilterStoredForm, FrequencyAboveTheDefaultNyquistSurvives) {
  TsigIIRFilter f;
  f.SetSampleRate(96000.0L);
  f.SetFrequency1(30000.0L);
  EXPECT_EQ(f.Frequency1(), 30000.0L);
  TsigIIRFilter g;
  ReadComponent(g, WriteComponent(f));
  EXPECT_EQ(g.Frequency1(), 30000.0L);
  ExpectSame(f, g);
}

TEST(FilterStoredForm, LoadingClampsAgainstTheFinalSampleRate) {
  TsigIIRFilter g;
  ReadComponent(g, Form("  Kind = fkBessel\n  Response = ftBandpass\n  Frequency1 = 60000\n"
                        "  Frequency2 = -4\n  SampleRate = 96000\n  Ripple = -2\n"));
  EXPECT_TRUE(test::SameBits(g.Frequency1(), 96000.0L / 2.0L - 0.0001L));
  EXPECT_EQ(g.Frequency2(), 1e-10L);
  EXPECT_EQ(g.Ripple(), 2.0L);
  TsigIIRFilter h;  // the same filter built by hand
  h.SetSampleRate(96000.0L);
  h.SetKind(fkBessel);
  h.SetResponse(ftBandpass);
  h.SetRipple(2.0L);
  h.SetFrequency1(60000.0L);
  h.SetFrequency2(-4.0L);
  ExpectSame(g, h);
}

// A frequency the form leaves out is only lowered by a smaller rate.
TEST(FilterStoredForm, UnassignedFrequencyFollowsTheSampleRate) {
  TsigIIRFilter g;
  ReadComponent(g, Form("  Kind = fkButterworth\n  Response = ftBandstop\n"
                        "  Frequency1 = 100\n  SampleRate = 1000\n"));
  EXPECT_EQ(g.Frequency1(), 100.0L);
  EXPECT_TRUE(test::SameBits(g.Frequency2(), 1000.0L / 2.0L - 0.0001L));
}

TEST(FilterStoredForm, StoredLowpassLoadsWithEqualFrequencies) {
  TsigIIRFilter f;
  f.SetFrequency2(5000.0L);  // stored, but a lowpass writes frequency 1
  TsigIIRFilter g;
  ReadComponent(g, WriteComponent(f));
  g.SetResponse(ftBandpass);
  EXPECT_EQ(g.Frequency2(), 300.0L);
}

TEST(FilterStoredForm, LoadingKeepsOrClearsTheHistoryAsSettersWould) {
  TsigIIRFilter g;
  g.SetManualReset(true);
  g.Process(1.0L);
  ReadComponent(g, Form("  Kind = fkBessel\n  Response = ftLowpass\n  ManualReset = True\n"));
  EXPECT_NE(g.OutputHistory()[1], 0.0L);  // only the kind changed
  ReadComponent(g, Form("  Kind = fkBessel\n  Response = ftLowpass\n  Order = 3\n"
                        "  ManualReset = True\n"));
  EXPECT_EQ(g.OutputHistory()[1], 0.0L);  // a new order restarts it
}

TEST(FilterStoredForm, FailedLoadLeavesTheFilterAsItWas) {
  TsigIIRFilter g;
  g.SetOrder(3);
  g.Process(1.0L);
  const Extended history = g.OutputHistory()[3];
  TsigIIRFilter reference;
  reference.SetOrder(3);
  // the design at the end of loading overflows
  EXPECT_THROW(ReadComponent(g, Form("  Kind = fkChebyshev\n  Response = ftHighpass\n"
                                     "  Ripple = 1000000\n")),
               std::overflow_error);
  ExpectSame(g, reference);
  EXPECT_EQ(g.OutputHistory()[3], history);
  // a value the setter rejects
  EXPECT_THROW(ReadComponent(g, Form("  Kind = fkChebyshev\n  Response = ftHighpass\n"
                                     "  Frequency1 = nan\n")),
               std::exception);
  ExpectSame(g, reference);
  EXPECT_EQ(g.OutputHistory()[3], history);
}

TEST(FilterStoredForm, RegistryCreatesAFilter) {
  TComponent owner;
  const auto made = LoadComponents(Form("  Kind = fkBessel\n  Response = ftHighpass\n  Order = 5\n"),
                                   owner);
  ASSERT_EQ(made.size(), 1u);
  const auto* f = dynamic_cast<const TsigIIRFilter*>(made[0]);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->Name(), "sigIIRFilter1");
  EXPECT_EQ(f->Kind(), fkBessel);
  EXPECT_EQ(f->Order(), 5);
  EXPECT_EQ(f->CoefficientCount(), 5);
  EXPECT_EQ(f->Structure(), fsAuto);  // a form without the structure
}

}  // namespace
}  // namespace tessaro
