// Process, per sample and as a block, gives bit for bit what the literal
// routine gives, and so do the histories the views show: random designs of
// every kind, response and order with random corners and ripples, property
// changes mid-stream with ManualReset both ways, and inputs from unit
// signals down to subnormals, where the anti-denormal rounding acts. Also:
// constant samples, floating-point flags, and no allocation.
#include <gtest/gtest.h>

#include <algorithm>
#include <cfenv>
#include <cmath>
#include <limits>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "AllocationCount.h"
#include "IIRTestSupport.h"
#include "LiteralFilter.h"
#include "tessaro/sigIIRFilters.h"

namespace tessaro::test {
namespace {

constexpr Extended Inf = std::numeric_limits<Extended>::infinity();

// Which routine the component must be running, from its properties: a band
// response whose relative corners coincide mutes or passes.
LiteralFilter::Route RoutineOf(const TsigIIRFilter& f) {
  if (f.Response() != ftBandpass && f.Response() != ftBandstop) return LiteralFilter::Filter;
  const Extended floor = f.Order() * 0.0001L;
  const Extended a1 = std::max(floor, f.Frequency1() / f.SampleRate());
  const Extended a2 = std::max(floor, f.Frequency2() / f.SampleRate());
  if (a1 != a2) return LiteralFilter::Filter;
  return f.Response() == ftBandpass ? LiteralFilter::Mute : LiteralFilter::Pass;
}

// Takes over a design the component made; reset clears the histories as a
// redesign with ManualReset off does.
void Follow(LiteralFilter& lit, const TsigIIRFilter& f, bool reset) {
  lit.Routine = RoutineOf(f);
  lit.Load(f);
  if (reset) lit.Reset();
}

::testing::AssertionResult SameHistory(const TsigIIRFilter& f, const LiteralFilter& lit) {
  const auto in = f.InputHistory();
  const auto out = f.OutputHistory();
  for (int i = 0; i < PoleZeroCapacity; ++i)
    if (!SameBits(in[i], lit.X[i]) || !SameBits(out[i], lit.Y[i]))
      return ::testing::AssertionFailure()
             << "history entry " << i << ": " << in[i] << " " << out[i] << " want " << lit.X[i]
             << " " << lit.Y[i];
  return ::testing::AssertionSuccess();
}

// --- streams ---------------------------------------------------------------------

enum class Signal {
  Unit,          // about unit amplitude
  Loud,          // up to 1e30
  NearOffset,    // magnitudes around 1e-20
  FarBelow,      // 1e-25 down to the smallest normal
  Subnormal,     // subnormals and signed zeros
  ImpulseDecay,  // an impulse now and then, else silence: outputs decay through the tiny range
  Bound,         // values at and around the quarter where the step starts to act
  Mixed,         // any of the above, sample by sample
  NonFinite,     // mostly unit, with infinities and NaNs
};

Extended Draw(Signal signal, std::mt19937_64& rng, int t) {
  switch (signal) {
    case Signal::Unit: return RandomExtended(rng, Field(-3), Field(0));
    case Signal::Loud: return RandomExtended(rng, Field(0), Field(100));
    case Signal::NearOffset: return RandomExtended(rng, Field(-70), Field(-62));
    case Signal::FarBelow: return RandomExtended(rng, 1, Field(-80));
    case Signal::Subnormal:
      return rng() % 4 == 0 ? (rng() & 1 ? 0.0L : -0.0L) : RandomExtended(rng, 0, 0);
    case Signal::ImpulseDecay: return t % 700 == 0 ? RandomExtended(rng, Field(-2), Field(2)) : 0.0L;
    case Signal::Bound:
      return rng() % 3 == 0 ? (rng() & 1 ? 0.25L : -0.25L) : RandomExtended(rng, Field(-3), Field(-1));
    case Signal::Mixed: {
      constexpr Signal Kinds[] = {Signal::Unit,      Signal::Loud,         Signal::NearOffset,
                                  Signal::FarBelow,  Signal::Subnormal,    Signal::ImpulseDecay,
                                  Signal::Bound};
      return Draw(Kinds[rng() % 7], rng, t);
    }
    case Signal::NonFinite: {
      const auto r = rng() % 200;
      if (r == 0) return rng() & 1 ? Inf : -Inf;
      if (r == 1) return std::numeric_limits<Extended>::quiet_NaN();
      if (r == 2) return -std::nan("7");
      return RandomExtended(rng, Field(-3), Field(0));
    }
  }
  return 0.0L;
}

// --- designs and changes -----------------------------------------------------------

// The stored frequencies and rate, as the setters' rules keep them.
struct Stored {
  Extended f1 = 300.0L, f2 = 3000.0L, rate = 44100.0L;
};

// A random property change applied to every filter of a run; returns
// whether it redesigned and whether that design restarts the history
// regardless of ManualReset.
struct Outcome {
  bool redesigned = false;
  bool restarts = false;
};

Extended RandomFrequency(std::mt19937_64& rng, Extended rate) {
  const Extended u = std::uniform_real_distribution<double>(0.0, 1.0)(rng);
  return std::max(1e-3L, u * u * (rate / 2.0L - 0.0001L));
}

Outcome Change(std::vector<TsigIIRFilter*> filters, Stored& st, std::mt19937_64& rng) {
  TsigIIRFilter& f = *filters.front();
  Outcome o;
  const auto apply = [&](auto&& set) {
    for (TsigIIRFilter* g : filters) set(*g);
  };
  switch (rng() % 9) {
    case 0: {
      const auto kind = static_cast<TsigIIRFilterKind>((f.Kind() + 1 + rng() % 2) % 3);
      apply([&](TsigIIRFilter& g) { g.SetKind(kind); });
      o.redesigned = true;
      break;
    }
    case 1: {
      const auto response = static_cast<TsigIIRFilterResponse>((f.Response() + 1 + rng() % 3) % 4);
      apply([&](TsigIIRFilter& g) { g.SetResponse(response); });
      o.redesigned = o.restarts = true;
      break;
    }
    case 2: {
      const int order = 1 + static_cast<int>((f.Order() + rng() % 7) % 8);
      apply([&](TsigIIRFilter& g) { g.SetOrder(order); });
      o.redesigned = o.restarts = true;
      break;
    }
    case 3:
    case 4: {
      // Now and then the other corner exactly, for the equal-edge routines.
      const bool first = rng() & 1;
      const Extended v = rng() % 4 == 0 ? (first ? st.f2 : st.f1) : RandomFrequency(rng, st.rate);
      Extended& stored = first ? st.f1 : st.f2;
      apply([&](TsigIIRFilter& g) { first ? g.SetFrequency1(v) : g.SetFrequency2(v); });
      o.redesigned = v != stored;
      stored = v;
      break;
    }
    case 5: {
      constexpr Extended Rates[] = {8000.0L, 22050.0L, 44100.0L, 48000.0L, 96000.0L};
      const Extended rate = Rates[rng() % 5];
      apply([&](TsigIIRFilter& g) { g.SetSampleRate(rate); });
      o.redesigned = rate != st.rate;
      if (o.redesigned) {
        st.rate = rate;
        st.f1 = std::min(st.f1, rate / 2.0L - 0.0001L);
        st.f2 = std::min(st.f2, rate / 2.0L - 0.0001L);
      }
      break;
    }
    case 6: {
      const Extended ripple = std::uniform_real_distribution<double>(0.01, 3.0)(rng);
      apply([&](TsigIIRFilter& g) { g.SetRipple(ripple); });
      o.redesigned = f.Kind() == fkChebyshev;
      break;
    }
    default: {
      const bool manual = !f.ManualReset();
      apply([&](TsigIIRFilter& g) { g.SetManualReset(manual); });
      break;
    }
  }
  return o;
}

struct StreamCase {
  std::string name;
  Signal signal;
  int streams;
};

class ExactProcess : public ::testing::TestWithParam<StreamCase> {};

// One literal routine and four components fed the same stream with the
// same changes: one sample per call, random blocks, random blocks in place,
// and one sample per call with the views left unread until the end.
TEST_P(ExactProcess, OutputsAndHistoriesMatchTheLiteralRoutine) {
  const StreamCase& c = GetParam();
  std::mt19937_64 rng(static_cast<unsigned>(c.signal) * 7919 + 1);
  for (int stream = 0; stream < c.streams; ++stream) {
    TsigIIRFilter single, block, inPlace, unread;
    std::vector<TsigIIRFilter*> all = {&single, &block, &inPlace, &unread};
    for (TsigIIRFilter* f : all) f->SetStructure(fsDirect);
    Stored st;
    LiteralFilter lit;
    Follow(lit, single, true);
    // A random start: kind, response, order, corners, ripple, reset mode.
    for (int i = 0; i < 6; ++i) Change(all, st, rng);
    Follow(lit, single, true);

    std::vector<Extended> in, out, same;
    int t = 0;
    for (int segment = 0; segment < 8; ++segment) {
      const int length = 50 + static_cast<int>(rng() % 250);
      std::vector<Extended> want(static_cast<std::size_t>(length));
      in.resize(want.size());
      for (int i = 0; i < length; ++i) {
        in[i] = Draw(c.signal, rng, t++);
        want[i] = lit.Sample(in[i]);
        const Extended got = single.Process(in[i]);
        ASSERT_TRUE(SameBits(got, want[i]))
            << "stream " << stream << " segment " << segment << " sample " << i << ": " << got
            << " want " << want[i] << " (kind " << int(single.Kind()) << ", response "
            << int(single.Response()) << ", order " << single.Order() << ")";
        ASSERT_TRUE(SameHistory(single, lit)) << "stream " << stream << " sample " << i;
        ASSERT_TRUE(SameBits(unread.Process(in[i]), want[i])) << "stream " << stream << " unread";
      }
      for (std::size_t at = 0; at < in.size();) {
        const std::size_t size = std::min<std::size_t>(rng() % 90, in.size() - at);
        out.assign(size, 0.0L);
        same.assign(in.begin() + static_cast<long>(at), in.begin() + static_cast<long>(at + size));
        block.Process(std::span(in).subspan(at, size), out);
        inPlace.Process(same, same);
        for (std::size_t i = 0; i < size; ++i) {
          ASSERT_TRUE(SameBits(out[i], want[at + i])) << "stream " << stream << " block at " << at;
          ASSERT_TRUE(SameBits(same[i], want[at + i])) << "stream " << stream << " in place at " << at;
        }
        at += size;
      }
      ASSERT_TRUE(SameHistory(block, lit)) << "stream " << stream << " blocks";
      ASSERT_TRUE(SameHistory(inPlace, lit)) << "stream " << stream << " in place";
      const Outcome o = Change(all, st, rng);
      if (o.redesigned) Follow(lit, single, o.restarts || !single.ManualReset());
      for (const TsigIIRFilter* f : {&single, &block, &inPlace})
        ASSERT_TRUE(SameHistory(*f, lit)) << "stream " << stream << " after a change";
    }
    ASSERT_TRUE(SameHistory(unread, lit)) << "stream " << stream << " unread";
  }
}

INSTANTIATE_TEST_SUITE_P(Signals, ExactProcess,
                         ::testing::Values(StreamCase{"Unit", Signal::Unit, 60},
                                           StreamCase{"Loud", Signal::Loud, 20},
                                           StreamCase{"NearOffset", Signal::NearOffset, 40},
                                           StreamCase{"FarBelow", Signal::FarBelow, 30},
                                           StreamCase{"Subnormal", Signal::Subnormal, 20},
                                           StreamCase{"ImpulseDecay", Signal::ImpulseDecay, 30},
                                           StreamCase{"Bound", Signal::Bound, 30},
                                           StreamCase{"Mixed", Signal::Mixed, 60},
                                           StreamCase{"NonFinite", Signal::NonFinite, 20}),
                         [](const auto& info) { return info.param.name; });

// Samples written as constants in the call travel as bit patterns: the
// same results, whatever the routine.
TEST(ExactProcess, ConstantSamples) {
  for (TsigIIRFilterResponse r : {ftLowpass, ftBandstop, ftBandpass}) {
    for (bool degenerate : {false, true}) {
      TsigIIRFilter f;
      f.SetStructure(fsDirect);
      f.SetResponse(r);
      f.SetOrder(3);
      f.SetFrequency2(degenerate ? 300.0L : 3000.0L);
      LiteralFilter lit;
      Follow(lit, f, true);
      const Extended got[] = {f.Process(1000.0L), f.Process(-0.0L),   f.Process(1e-20L),
                              f.Process(0.25L),   f.Process(-0.25L),  f.Process(3e-40L),
                              f.Process(1e-4940L), f.Process(-7.5L),  f.Process(Inf),
                              f.Process(0.0L)};
      const Extended in[] = {1000.0L, -0.0L, 1e-20L, 0.25L, -0.25L, 3e-40L, 1e-4940L, -7.5L,
                             Inf,    0.0L};
      for (int i = 0; i < 10; ++i)
        EXPECT_TRUE(SameBits(got[i], lit.Sample(in[i]))) << r << " " << degenerate << " " << i;
      EXPECT_TRUE(SameHistory(f, lit));
    }
  }
}

// Overflow, invalid, division by zero and underflow are raised as the
// literal routine raises them (inexact is not looked at: the left-out
// steps may only have rounded).
TEST(ExactProcess, FloatingPointFlags) {
  constexpr int Looked = FE_ALL_EXCEPT & ~FE_INEXACT;
  std::mt19937_64 rng(99);
  int flagged = 0;
  for (int order : {1, 4, 8}) {
    TsigIIRFilter f, g;
    for (TsigIIRFilter* h : {&f, &g}) {
      h->SetStructure(fsDirect);
      h->SetResponse(ftBandstop);
      h->SetOrder(order);
    }
    LiteralFilter lit;
    Follow(lit, f, true);
    for (int t = 0; t < 2000; ++t) {
      const Extended x = t % 97 == 0 ? 1e4930L : Draw(Signal::Mixed, rng, t);
      std::feclearexcept(FE_ALL_EXCEPT);
      const Extended want = lit.Sample(x);
      const int wantFlags = std::fetestexcept(Looked);
      flagged += wantFlags != 0;
      std::feclearexcept(FE_ALL_EXCEPT);
      const Extended got = f.Process(x);
      ASSERT_EQ(std::fetestexcept(Looked), wantFlags) << "order " << order << " sample " << t;
      ASSERT_TRUE(SameBits(got, want));
      std::feclearexcept(FE_ALL_EXCEPT);
      Extended y;
      g.Process(std::span(&x, 1), std::span(&y, 1));
      ASSERT_EQ(std::fetestexcept(Looked), wantFlags) << "block, order " << order << " sample " << t;
    }
  }
  std::feclearexcept(FE_ALL_EXCEPT);
  EXPECT_GT(flagged, 0);  // the loud samples do raise flags, and the check sees them
}

// Neither form allocates, whatever the realisation, routine and count.
TEST(ExactProcess, NothingIsAllocated) {
  std::vector<Extended> in(1000), out(1000);
  for (std::size_t i = 0; i < in.size(); ++i) in[i] = std::sin(0.1L * i);
  for (TsigIIRStructure structure : {fsDirect, fsCascade})
  for (TsigIIRFilterResponse r : {ftLowpass, ftBandstop, ftBandpass}) {
    for (int order : {1, 2, 8}) {
      for (Extended f2 : {3000.0L, 300.0L}) {
        TsigIIRFilter f;
        f.SetStructure(structure);
        f.SetResponse(r);
        f.SetOrder(order);
        f.SetFrequency2(f2);
        const AllocationCount count;
        for (Extended x : in) out[0] = f.Process(x);
        f.Process(1000.0L);
        f.Process(in, out);
        EXPECT_EQ(count.Calls(), 0) << r << " " << order << " " << f2;
      }
    }
  }
  const AllocationCount count;
  AllocateOneOfEachForm();
  EXPECT_EQ(count.Calls(), 2);  // the count sees both forms
}

}  // namespace
}  // namespace tessaro::test
