// Bad values and failing designs: a clear exception, and the filter exactly
// as it was before the assignment.
#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <functional>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

#include "IIRTestSupport.h"
#include "sigIIRDesign.h"
#include "tessaro/sigIIRFilters.h"

namespace tessaro {
namespace {

constexpr Extended Inf = std::numeric_limits<Extended>::infinity();
constexpr Extended NaN = std::numeric_limits<Extended>::quiet_NaN();

// Everything a caller can see of a filter.
struct Snapshot {
  int kind, response, order;
  Extended f1, f2, rate, ripple, scale;
  bool manual;
  std::string message;
  std::vector<Extended> values;  // coefficients, histories, poles and zeros

  explicit Snapshot(const TsigIIRFilter& f)
      : kind(f.Kind()), response(f.Response()), order(f.Order()), f1(f.Frequency1()),
        f2(f.Frequency2()), rate(f.SampleRate()), ripple(f.Ripple()), scale(f.InputScale()),
        manual(f.ManualReset()), message(f.DesignMessage()) {
    for (auto view : {f.InputCoefficients(), f.OutputCoefficients(), f.InputHistory(),
                      f.OutputHistory()})
      values.insert(values.end(), view.begin(), view.end());
    for (const PoleZeroSet* set : {&f.SPlane(), &f.ZPlane()}) {
      for (const TsigComplex& z : set->Poles) values.insert(values.end(), {z.Re, z.Im});
      for (const TsigComplex& z : set->Zeros) values.insert(values.end(), {z.Re, z.Im});
      values.insert(values.end(), {Extended(set->PoleCount), Extended(set->ZeroCount)});
    }
    values.push_back(f.CoefficientCount());
  }
  bool operator==(const Snapshot& o) const {
    if (kind != o.kind || response != o.response || order != o.order || manual != o.manual ||
        message != o.message || values.size() != o.values.size())
      return false;
    for (std::size_t i = 0; i < values.size(); ++i)
      if (!test::SameBits(values[i], o.values[i])) return false;
    return test::SameBits(f1, o.f1) && test::SameBits(f2, o.f2) && test::SameBits(rate, o.rate) &&
           test::SameBits(ripple, o.ripple) && test::SameBits(scale, o.scale);
  }
};

// A Chebyshev bandpass with a live history.
void Prepare(TsigIIRFilter& f) {
  f.SetKind(fkChebyshev);
  f.SetRipple(1.0L);
  f.SetResponse(ftBandpass);
  f.SetOrder(3);
  for (int t = 0; t < 10; ++t) f.Process(std::sin(0.3L * t));
}

struct BadCase {
  std::string name;
  std::function<void(TsigIIRFilter&)> assign;
  std::string message;  // the whole text
  enum { Invalid, Overflow, Domain } error;
};

class BadAssignment : public ::testing::TestWithParam<BadCase> {};

TEST_P(BadAssignment, ThrowsAndLeavesTheFilterAsItWas) {
  TsigIIRFilter f;
  Prepare(f);
  const Snapshot before(f);
  try {
    GetParam().assign(f);
    ADD_FAILURE() << "no exception";
  } catch (const std::invalid_argument& e) {
    EXPECT_EQ(GetParam().error, BadCase::Invalid);
    EXPECT_EQ(e.what(), GetParam().message);
  } catch (const std::overflow_error& e) {
    EXPECT_EQ(GetParam().error, BadCase::Overflow);
    EXPECT_EQ(e.what(), GetParam().message);
  } catch (const std::domain_error& e) {
    EXPECT_EQ(GetParam().error, BadCase::Domain);
    EXPECT_EQ(e.what(), GetParam().message);
  }
  EXPECT_TRUE(Snapshot(f) == before);
}

INSTANTIATE_TEST_SUITE_P(
    Values, BadAssignment,
    ::testing::Values(
        BadCase{"NaNFrequency1", [](TsigIIRFilter& f) { f.SetFrequency1(NaN); },
                "Frequency1 = nan: the value must be a number", BadCase::Invalid},
        BadCase{"NaNFrequency2", [](TsigIIRFilter& f) { f.SetFrequency2(-NaN); },
                "Frequency2 = nan: the value must be a number", BadCase::Invalid},
        BadCase{"NaNSampleRate", [](TsigIIRFilter& f) { f.SetSampleRate(NaN); },
                "SampleRate = nan: the value must be a number", BadCase::Invalid},
        BadCase{"NaNRipple", [](TsigIIRFilter& f) { f.SetRipple(NaN); },
                "Ripple = nan: the value must be a number", BadCase::Invalid},
        // 10^(1e5) exceeds the extended range
        BadCase{"HugeRipple", [](TsigIIRFilter& f) { f.SetRipple(1e6L); },
                "Ripple = 1000000 overflows the filter design", BadCase::Overflow},
        BadCase{"NaNSteadyInput", [](TsigIIRFilter& f) { f.Reset(NaN); },
                "Reset: x0 = nan: the steady input must be finite", BadCase::Invalid}),
    [](const auto& info) { return info.param.name; });

TEST(Mend, FailedKindKeepsHistoryAndDesign) {
  TsigIIRFilter f;
  f.SetRipple(1e6L);  // a Butterworth filter only stores it
  EXPECT_EQ(f.Ripple(), 1e6L);
  f.Process(1.0L);
  const Snapshot before(f);
  EXPECT_THROW(f.SetKind(fkChebyshev), std::overflow_error);
  EXPECT_TRUE(Snapshot(f) == before);
  f.SetRipple(2.0L);
  f.SetKind(fkChebyshev);
  EXPECT_EQ(f.Kind(), fkChebyshev);
}

// inf/inf in the relative frequency is an invalid operation.
TEST(Mend, InfiniteFrequencyAtInfiniteRate) {
  TsigIIRFilter f;
  f.SetSampleRate(Inf);
  f.Process(1.0L);
  const Snapshot before(f);
  try {
    f.SetFrequency1(Inf);
    ADD_FAILURE() << "no exception";
  } catch (const std::domain_error& e) {
    EXPECT_STREQ(e.what(), "Frequency1 = inf makes the filter design take an invalid operation");
  }
  EXPECT_TRUE(Snapshot(f) == before);
}

TEST(Mend, InfinitiesAreClampedNotRejected) {
  TsigIIRFilter f;
  f.SetResponse(ftBandstop);
  f.SetFrequency1(Inf);
  EXPECT_TRUE(test::SameBits(f.Frequency1(), 44100.0L / 2.0L - 0.0001L));
  f.SetFrequency2(-Inf);
  EXPECT_EQ(f.Frequency2(), 1e-10L);
  f.SetSampleRate(Inf);  // stored: nothing to lower, the design holds
  EXPECT_EQ(f.SampleRate(), Inf);
  f.SetSampleRate(-Inf);  // ignored
  EXPECT_EQ(f.SampleRate(), Inf);
}

// An infinite ripple is a finite design with y = 0: the message, no throw.
TEST(Mend, InfiniteRippleWritesTheMessage) {
  TsigIIRFilter f;
  f.SetKind(fkChebyshev);
  f.SetRipple(-Inf);
  EXPECT_EQ(f.Ripple(), Inf);
  EXPECT_EQ(f.DesignMessage(), "Chebyshev filter error y=0; must be .gt. 0.0");
  f.SetRipple(1.0L);  // a good design keeps the message
  EXPECT_EQ(f.DesignMessage(), "Chebyshev filter error y=0; must be .gt. 0.0");
}

// The design's flags stay inside it; the setters' own arithmetic (the
// clamp) may still round, so inexact is not looked at.
TEST(Mend, CallersFlagsArePreserved) {
  constexpr int Looked = FE_ALL_EXCEPT & ~FE_INEXACT;
  TsigIIRFilter f;
  std::feclearexcept(FE_ALL_EXCEPT);
  f.SetFrequency1(1234.0L);
  f.SetKind(fkChebyshev);
  f.SetResponse(ftBandstop);
  EXPECT_EQ(std::fetestexcept(Looked), 0);
  std::feraiseexcept(FE_DIVBYZERO);
  f.SetOrder(5);
  EXPECT_EQ(std::fetestexcept(Looked), FE_DIVBYZERO);
  std::feclearexcept(FE_ALL_EXCEPT);
  EXPECT_THROW(f.SetRipple(1e6L), std::overflow_error);
  EXPECT_EQ(std::fetestexcept(Looked), 0);
}

// No design in the ordinary range raises overflow, division by zero or an
// invalid operation, so none throws: every kind, response, order, ripples
// from 0 to 40 dB, corners from far below the floor to Nyquist.
TEST(Mend, NoOrdinaryDesignRaisesAFlag) {
  const auto raised = [](const TsigIIRFilterProperties& p) {
    IIRDesignState s;
    std::feclearexcept(FE_ALL_EXCEPT);
    DesignIIRFilter(p, s);
    return std::fetestexcept(FE_OVERFLOW | FE_DIVBYZERO | FE_INVALID);
  };
  int designs = 0;
  for (Extended rate : {8000.0L, 44100.0L, 192000.0L}) {
    for (int kind = 0; kind < 3; ++kind) {
      for (int response = 0; response < 4; ++response) {
        for (int order = 1; order <= 8; ++order) {
          for (Extended ripple : {0.0L, 0.01L, 1.0L, 10.0L, 40.0L}) {
            if (kind != fkChebyshev && ripple != 0.0L) continue;
            for (Extended a = 1e-6L; a < 0.5L; a *= 2.3L) {
              for (Extended ratio : {0.5L, 1.0L, 1.05L, 4.0L}) {
                ASSERT_EQ(raised({static_cast<TsigIIRFilterKind>(kind),
                                  static_cast<TsigIIRFilterResponse>(response),
                                  static_cast<TsigIIRFilterOrder>(order), a * rate,
                                  std::min(a * ratio, 0.4999L) * rate, rate, ripple}),
                          0)
                    << kind << " " << response << " " << order << " " << ripple << " " << a << " "
                    << ratio << " " << rate;
                ++designs;
              }
            }
          }
        }
      }
    }
  }
  EXPECT_GT(designs, 20000);
  // The check sees the flag of a design that does overflow (10^(ripple/10)).
  EXPECT_NE(raised({fkChebyshev, ftLowpass, 1, 300.0L, 300.0L, 44100.0L, 1e6L}) & FE_OVERFLOW, 0);
  std::feclearexcept(FE_ALL_EXCEPT);
}

}  // namespace
}  // namespace tessaro
