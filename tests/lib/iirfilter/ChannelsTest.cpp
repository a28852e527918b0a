// TsigIIRChannels against one TsigIIRFilter per channel and the literal
// routine, bit for bit: designs of every kind and response, orders 1..8
// (1 to 16 coefficients) and the equal-edge bands that mute or pass, channel
// counts from 1 to 64, signals from unit level down to subnormals, frames in
// blocks of random length (in place too) across the history's slide back,
// the double and float forms, and new designs mid-stream with ManualReset
// both ways. Also the argument checks and that Process allocates nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <memory>
#include <random>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "AllocationCount.h"
#include "IIRTestSupport.h"
#include "LiteralFilter.h"
#include "tessaro/sigIIRChannels.h"
#include "tessaro/sigIIRFilters.h"

namespace tessaro::test {
namespace {

struct DesignCase {
  TsigIIRFilterKind Kind;
  TsigIIRFilterResponse Response;
  int Order;
  Extended F1, F2, Ripple;
  int Count;  // the coefficient count it makes
};

constexpr DesignCase Designs[] = {
    {fkButterworth, ftLowpass, 1, 300.0L, 3000.0L, 0.0L, 1},
    {fkChebyshev, ftHighpass, 1, 5000.0L, 3000.0L, 0.5L, 1},
    {fkBessel, ftLowpass, 2, 1000.0L, 3000.0L, 0.0L, 2},
    {fkChebyshev, ftHighpass, 3, 2000.0L, 3000.0L, 1.0L, 3},
    {fkButterworth, ftBandpass, 2, 500.0L, 2000.0L, 0.0L, 4},
    {fkBessel, ftHighpass, 5, 100.0L, 3000.0L, 0.0L, 5},
    {fkChebyshev, ftBandstop, 3, 700.0L, 9000.0L, 3.0L, 6},
    {fkButterworth, ftLowpass, 7, 20.0L, 3000.0L, 0.0L, 7},
    {fkBessel, ftLowpass, 8, 1000.0L, 3000.0L, 0.0L, 8},
    {fkButterworth, ftBandpass, 5, 300.0L, 3000.0L, 0.0L, 10},
    {fkChebyshev, ftBandpass, 6, 1000.0L, 1200.0L, 1.0L, 12},
    {fkBessel, ftBandstop, 7, 50.0L, 15000.0L, 0.0L, 14},
    {fkButterworth, ftBandstop, 8, 1000.0L, 3000.0L, 0.0L, 16},
    {fkChebyshev, ftBandpass, 8, 300.0L, 320.0L, 0.2L, 16},
    // Low narrow bands, where the direct form is unsound and fsAuto runs the
    // cascade.
    {fkButterworth, ftBandpass, 8, 50.0L, 60.0L, 0.0L, 16},
    {fkChebyshev, ftBandstop, 7, 20.0L, 40.0L, 1.0L, 14},
    // Equal edges: the bandpass mutes, the bandstop passes; corners below
    // the floor are equal too.
    {fkChebyshev, ftBandpass, 8, 10.0L, 20.0L, 0.2L, 16},
    {fkBessel, ftBandstop, 2, 1.0L, 30.0L, 0.0L, 4},
    {fkButterworth, ftBandpass, 4, 1000.0L, 1000.0L, 0.0L, 8},
    {fkChebyshev, ftBandstop, 8, 1000.0L, 1000.0L, 1.0L, 16},
};

void Configure(TsigIIRFilter& f, const DesignCase& d) {
  tessaro::test::Configure(f, d.Kind, d.Response, d.Order, d.F1, d.F2, 44100.0L, d.Ripple);
}

// The routine the literal reference runs for a design: a band whose
// relative corners coincide, once both are raised to the floor of
// Order·0.0001, mutes or passes.
LiteralFilter::Route RoutineOf(const DesignCase& d) {
  if (d.Response != ftBandpass && d.Response != ftBandstop) return LiteralFilter::Filter;
  const Extended floor = d.Order * 0.0001L;
  if (std::max(floor, d.F1 / 44100.0L) != std::max(floor, d.F2 / 44100.0L))
    return LiteralFilter::Filter;
  return d.Response == ftBandpass ? LiteralFilter::Mute : LiteralFilter::Pass;
}

enum class Signal { Unit, Quiet, NearOffset, Subnormal, ImpulseDecay, Mixed, NonFinite };

Extended Draw(Signal signal, std::mt19937_64& rng, int t) {
  switch (signal) {
    case Signal::Unit: return RandomExtended(rng, Field(-3), Field(0));
    case Signal::Quiet: return RandomExtended(rng, Field(-16), Field(-12));
    case Signal::NearOffset: return RandomExtended(rng, Field(-70), Field(-62));
    case Signal::Subnormal:
      return rng() % 4 == 0 ? (rng() & 1 ? 0.0L : -0.0L) : RandomExtended(rng, 0, 0);
    case Signal::ImpulseDecay:
      return t % 300 == 0 ? RandomExtended(rng, Field(-2), Field(2)) : 0.0L;
    case Signal::Mixed: {
      constexpr Signal Kinds[] = {Signal::Unit, Signal::Quiet, Signal::NearOffset,
                                  Signal::Subnormal, Signal::ImpulseDecay};
      return Draw(Kinds[rng() % 5], rng, t);
    }
    case Signal::NonFinite: {
      const auto r = rng() % 150;
      if (r == 0) return rng() & 1 ? std::numeric_limits<Extended>::infinity()
                                   : -std::numeric_limits<Extended>::infinity();
      if (r == 1) return std::numeric_limits<Extended>::quiet_NaN();
      return RandomExtended(rng, Field(-3), Field(0));
    }
  }
  return 0.0L;
}

// K filters and K literal routines of one design, the references of a
// channels object.
struct References {
  std::vector<std::unique_ptr<TsigIIRFilter>> Filters;
  std::vector<LiteralFilter> Literal;

  References(const DesignCase& d, int channels, TsigIIRStructure structure = fsAuto)
      : Literal(static_cast<std::size_t>(channels)) {
    for (int k = 0; k < channels; ++k) {
      // Designed under the direct form, which judges no design, and then
      // realised as asked.
      Filters.push_back(std::make_unique<TsigIIRFilter>());
      Filters.back()->SetStructure(fsDirect);
      Configure(*Filters.back(), d);
      Filters.back()->SetStructure(structure);
    }
    for (LiteralFilter& l : Literal) {
      l.Routine = RoutineOf(d);
      l.Load(*Filters.front());
    }
  }
};

constexpr int ChannelCounts[] = {1, 2, 3, 4, 5, 7, 8, 13, 64};

struct SignalCase {
  std::string Name;
  Signal Kind;
  int Frames;
};

class ChannelsExact : public ::testing::TestWithParam<SignalCase> {};

constexpr TsigIIRStructure Structures[] = {fsDirect, fsCascade, fsAuto};

// Every design, structure and channel count: frames in random blocks, every
// other block in place. Then each channel's stream goes through one filter
// of the design (reset between channels) and, under the direct form, the
// literal routine, which must give every output bit for bit.
TEST_P(ChannelsExact, ExtendedFramesMatchOneFilterPerChannel) {
  const SignalCase& c = GetParam();
  std::mt19937_64 rng(static_cast<unsigned>(c.Kind) * 131 + 7);
  for (const DesignCase& d : Designs) {
    for (TsigIIRStructure structure : Structures) {
      References ref(d, 1, structure);
      TsigIIRFilter& filter = *ref.Filters.front();
      LiteralFilter& literal = ref.Literal.front();
      const TsigIIRRealisation realisation = filter.Realisation();
      const bool direct = realisation.Structure == fsDirect;
      for (int channels : ChannelCounts) {
        TsigIIRChannels bank(filter, channels);
        ASSERT_EQ(bank.CoefficientCount(), d.Count);
        ASSERT_EQ(bank.Structure(), realisation.Structure);
        ASSERT_EQ(bank.SectionCount(), realisation.SectionCount);
        const std::size_t k = static_cast<std::size_t>(channels);
        std::vector<Extended> in, out, block;
        for (int b = 0, done = 0; done < c.Frames; ++b) {
          const int frames = std::min(c.Frames - done, static_cast<int>(rng() % 90));
          block.resize(static_cast<std::size_t>(frames) * k);
          for (std::size_t i = 0; i < block.size(); ++i)
            block[i] = Draw(c.Kind, rng, done + static_cast<int>(i / k));
          in.insert(in.end(), block.begin(), block.end());
          if (b % 2) {
            bank.Process(block, block);
          } else {
            std::vector<Extended> result(block.size(), 1.0L);
            bank.Process(block, result);
            block = result;
          }
          out.insert(out.end(), block.begin(), block.end());
          done += frames;
        }
        for (std::size_t channel = 0; channel < k; ++channel) {
          filter.Reset();
          literal.Reset();
          for (std::size_t i = channel; i < in.size(); i += k) {
            const Extended want = filter.Process(in[i]);
            ASSERT_TRUE(SameBits(out[i], want))
                << c.Name << ": design with " << d.Count << " coefficients, structure "
                << int(realisation.Structure) << ", " << channels << " channels, frame " << i / k
                << " channel " << channel << ": " << out[i] << " want " << want;
            if (direct) {
              ASSERT_TRUE(SameBits(out[i], literal.Sample(in[i])))
                  << c.Name << ": literal, design with " << d.Count << " coefficients, "
                  << channels << " channels, frame " << i / k << " channel " << channel;
            }
          }
        }
      }
    }
  }
}

// The double and float forms: each sample converted to Extended, filtered,
// rounded back, as the filter gives it.
template <class T>
void CheckNarrowForm(const SignalCase& c) {
  std::mt19937_64 rng(static_cast<unsigned>(c.Kind) * 17 + sizeof(T));
  for (const DesignCase& d : Designs) {
   for (TsigIIRStructure structure : {fsDirect, fsCascade}) {
    for (int channels : {1, 3, 4, 8, 9}) {
      References ref(d, channels, structure);
      TsigIIRChannels bank(*ref.Filters.front(), channels);
      const std::size_t k = static_cast<std::size_t>(channels);
      std::vector<T> in(static_cast<std::size_t>(c.Frames) * k);
      int t = 0;
      for (T& x : in) x = static_cast<T>(Draw(c.Kind, rng, t++ / channels));
      std::vector<T> out(in.size());
      const std::size_t half = in.size() / k / 2 * k;
      bank.Process(std::span<const T>(in).first(half), std::span<T>(out).first(half));
      std::vector<T> rest(in.begin() + static_cast<std::ptrdiff_t>(half), in.end());
      bank.Process(rest, rest);
      std::copy(rest.begin(), rest.end(), out.begin() + static_cast<std::ptrdiff_t>(half));
      for (std::size_t i = 0; i < out.size(); ++i) {
        const T want =
            static_cast<T>(ref.Filters[i % k]->Process(static_cast<Extended>(in[i])));
        ASSERT_TRUE(SameBits(static_cast<Extended>(out[i]), static_cast<Extended>(want)))
            << c.Name << ": " << d.Count << " coefficients, structure " << structure << ", "
            << channels << " channels, sample " << i << ": " << out[i] << " want " << want;
      }
    }
   }
  }
}

TEST_P(ChannelsExact, DoubleFramesMatchOneFilterPerChannel) { CheckNarrowForm<double>(GetParam()); }

TEST_P(ChannelsExact, FloatFramesMatchOneFilterPerChannel) { CheckNarrowForm<float>(GetParam()); }

INSTANTIATE_TEST_SUITE_P(Signals, ChannelsExact,
                         ::testing::Values(SignalCase{"Unit", Signal::Unit, 300},
                                           SignalCase{"Quiet", Signal::Quiet, 300},
                                           SignalCase{"NearOffset", Signal::NearOffset, 200},
                                           SignalCase{"Subnormal", Signal::Subnormal, 150},
                                           SignalCase{"ImpulseDecay", Signal::ImpulseDecay, 700},
                                           SignalCase{"Mixed", Signal::Mixed, 300},
                                           SignalCase{"NonFinite", Signal::NonFinite, 50}),
                         [](const auto& info) { return info.param.Name; });

// --- new designs mid-stream -----------------------------------------------------------

// A property change applied to the reference filters; SetDesign then takes
// the first one's design.
struct ChangeCase {
  const char* Name;
  bool ManualReset;
  void (*Apply)(TsigIIRFilter&);
};

constexpr ChangeCase Changes[] = {
    {"corner, manual", true, [](TsigIIRFilter& f) { f.SetFrequency1(f.Frequency1() * 1.5L); }},
    {"corner, automatic", false, [](TsigIIRFilter& f) { f.SetFrequency1(f.Frequency1() * 1.5L); }},
    {"kind, manual", true, [](TsigIIRFilter& f) { f.SetKind(f.Kind() == fkBessel ? fkButterworth : fkBessel); }},
    {"ripple, manual", true, [](TsigIIRFilter& f) { f.SetRipple(f.Ripple() + 0.5L); }},
    {"order, manual", true, [](TsigIIRFilter& f) { f.SetOrder(f.Order() % 8 + 1); }},
    {"response, manual", true,
     [](TsigIIRFilter& f) { f.SetResponse(f.Response() == ftLowpass ? ftBandstop : ftLowpass); }},
    {"equal edges, manual", true, [](TsigIIRFilter& f) { f.SetFrequency2(f.Frequency1()); }},
    {"structure, manual", true,
     [](TsigIIRFilter& f) { f.SetStructure(f.Structure() == fsCascade ? fsDirect : fsCascade); }},
};

TEST(Channels, SetDesignKeepsOrClearsTheHistoriesAsTheFilterDoes) {
  std::mt19937_64 rng(5);
  for (const DesignCase& d : Designs) {
    for (const ChangeCase& change : Changes) {
     for (TsigIIRStructure structure : {fsDirect, fsCascade}) {
      for (int channels : {1, 5, 8}) {
        References ref(d, channels, structure);
        for (auto& f : ref.Filters) f->SetManualReset(change.ManualReset);
        TsigIIRChannels bank(*ref.Filters.front(), channels);
        std::vector<Extended> in(static_cast<std::size_t>(40 * channels)), out(in.size());
        const auto run = [&](const char* when) {
          for (Extended& x : in) x = Draw(Signal::Unit, rng, 0);
          bank.Process(in, out);
          for (std::size_t i = 0; i < in.size(); ++i)
            ASSERT_TRUE(SameBits(out[i], ref.Filters[i % channels]->Process(in[i])))
                << change.Name << " " << when << ", " << d.Count << " coefficients, structure "
                << structure << ", " << channels << " channels, sample " << i;
        };
        run("before");
        for (auto& f : ref.Filters) change.Apply(*f);
        bank.SetDesign(*ref.Filters.front());
        EXPECT_EQ(bank.CoefficientCount(), ref.Filters.front()->CoefficientCount());
        run("after");
        // Back to the first design, a filter running meanwhile.
        for (auto& f : ref.Filters) {
          f->SetStructure(structure);
          Configure(*f, d);
        }
        bank.SetDesign(*ref.Filters.front());
        run("back");
      }
     }
    }
  }
}

TEST(Channels, ResetSilencesEveryChannel) {
  for (const DesignCase& d : Designs) {
   for (TsigIIRStructure structure : {fsDirect, fsCascade}) {
    References ref(d, 6, structure);
    TsigIIRChannels bank(*ref.Filters.front(), 6);
    std::vector<Extended> in(600), out(600);
    std::mt19937_64 rng(3);
    for (Extended& x : in) x = Draw(Signal::Unit, rng, 0);
    bank.Process(in, out);
    bank.Reset();
    for (auto& f : ref.Filters) f->Reset();
    bank.Process(in, out);
    for (std::size_t i = 0; i < in.size(); ++i)
      ASSERT_TRUE(SameBits(out[i], ref.Filters[i % 6]->Process(in[i]))) << d.Count << " " << i;
   }
  }
}

// A copy, made or assigned mid-stream, carries on as the original does.
TEST(Channels, ACopyCarriesOnAsTheOriginal) {
  for (const DesignCase& d : Designs) {
   for (TsigIIRStructure structure : {fsDirect, fsCascade}) {
    References ref(d, 3, structure);
    TsigIIRChannels bank(*ref.Filters.front(), 3);
    std::vector<Extended> in(300), out(300), copied(300), assigned(300);
    std::mt19937_64 rng(5);
    for (Extended& x : in) x = Draw(Signal::Unit, rng, 0);
    bank.Process(in, out);
    TsigIIRChannels copy(bank);
    TsigIIRFilter other;
    TsigIIRChannels assignee(other, 1);
    assignee = bank;
    bank.Process(in, out);
    copy.Process(in, copied);
    assignee.Process(in, assigned);
    for (std::size_t i = 0; i < in.size(); ++i) {
      ASSERT_TRUE(SameBits(copied[i], out[i]) && SameBits(assigned[i], out[i])) << d.Count << " " << i;
    }
    EXPECT_EQ(assignee.Channels(), 3);
    EXPECT_EQ(assignee.Structure(), bank.Structure());
   }
  }
}

// --- arguments --------------------------------------------------------------------------

TEST(Channels, ChannelCountsOutsideOneTo64AreRejected) {
  TsigIIRFilter f;
  for (int channels : {0, -1, 65, 1000}) {
    try {
      TsigIIRChannels bank(f, channels);
      ADD_FAILURE() << channels << " accepted";
    } catch (const std::invalid_argument& e) {
      EXPECT_NE(std::string(e.what()).find(std::to_string(channels)), std::string::npos)
          << e.what();
    }
  }
  for (int channels : {1, 64}) EXPECT_EQ(TsigIIRChannels(f, channels).Channels(), channels);
}

struct SizeCase {
  int Channels;
  std::size_t In, Out;
};

constexpr SizeCase BadSizes[] = {{2, 4, 6}, {2, 3, 3}, {3, 7, 7}, {4, 8, 7}, {64, 65, 65}};

// Rejected sizes are named and filter nothing: the stream goes on as if the
// call had not been made.
TEST(Channels, BadSizesAreRejectedAndChangeNothing) {
  for (const SizeCase& s : BadSizes) {
    References ref(Designs[4], s.Channels);
    TsigIIRChannels bank(*ref.Filters.front(), s.Channels);
    std::vector<Extended> in(s.In, 0.5L), out(s.Out, 7.0L);
    std::vector<double> din(s.In, 0.5), dout(s.Out, 7.0);
    std::vector<float> fin(s.In, 0.5f), fout(s.Out, 7.0f);
    const auto named = [&](auto&& call) {
      try {
        call();
        ADD_FAILURE() << s.In << " into " << s.Out << " accepted";
      } catch (const std::invalid_argument& e) {
        EXPECT_NE(std::string(e.what()).find(std::to_string(s.In)), std::string::npos) << e.what();
      }
    };
    named([&] { bank.Process(in, out); });
    named([&] { bank.Process(din, dout); });
    named([&] { bank.Process(fin, fout); });
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](Extended v) { return v == 7.0L; }));
    std::vector<Extended> frame(static_cast<std::size_t>(s.Channels), 0.25L), got(frame.size());
    bank.Process(frame, got);
    for (std::size_t i = 0; i < got.size(); ++i)
      EXPECT_TRUE(SameBits(got[i], ref.Filters[i]->Process(0.25L)));
  }
}

TEST(Channels, EmptySpansAreWholeFrames) {
  TsigIIRFilter f;
  TsigIIRChannels bank(f, 3);
  bank.Process(std::span<const Extended>(), std::span<Extended>());
  bank.Process(std::span<const double>(), std::span<double>());
  bank.Process(std::span<const float>(), std::span<float>());
}

TEST(Channels, ProcessAllocatesNothing) {
  for (const DesignCase& d : Designs) {
   for (TsigIIRStructure structure : {fsDirect, fsCascade}) {
    TsigIIRFilter f;
    f.SetStructure(structure);
    Configure(f, d);
    TsigIIRChannels bank(f, 7);
    std::vector<Extended> in(700, 0.5L), out(700);
    std::vector<double> din(700, 0.5), dout(700);
    std::vector<float> fin(700, 0.5f), fout(700);
    const AllocationCount count;
    bank.Process(in, out);
    bank.Process(din, dout);
    bank.Process(fin, fout);
    bank.Process(in, in);
    EXPECT_EQ(count.Calls(), 0) << d.Count << " " << structure;
   }
  }
}

}  // namespace
}  // namespace tessaro::test
