// The FFT component's properties, sizes, tables, data handling, the inverse
// mirror, and its stored form.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "FftReference.h"
#include "FftTestSupport.h"
#include "tessaro/sigFFT.h"
#include "tessaro/sigStoredForm.h"

namespace tessaro::test {
namespace {

bool AllZero(std::span<const float> v) {
  return std::ranges::all_of(v, [](float x) { return x == 0.0f; });
}

void FillData(TsigCustomFFT& fft, float value) {
  for (auto span : {fft.RealIn(), fft.ImagIn(), fft.RealOut(), fft.ImagOut()}) std::ranges::fill(span, value);
}

bool AllEqual(const TsigCustomFFT& fft, float value) {
  for (auto span : {fft.RealIn(), fft.ImagIn(), fft.RealOut(), fft.ImagOut()})
    if (!std::ranges::all_of(span, [value](float x) { return x == value; })) return false;
  return true;
}

TEST(FftComponent, StartsWith512PointsNoWindowAndZeroData) {
  const TsigFFT fft;
  EXPECT_EQ(fft.BufferSize(), 512);
  EXPECT_EQ(fft.Power(), 9);
  EXPECT_EQ(fft.Window(), fwNone);
  for (auto span : {fft.RealIn(), fft.ImagIn(), fft.RealOut(), fft.ImagOut()}) {
    EXPECT_EQ(span.size(), 512u);
    EXPECT_TRUE(AllZero(span));
  }
  EXPECT_TRUE(std::ranges::all_of(fft.WindowTable(), [](float w) { return w == 1.0f; }));
  EXPECT_EQ(fft.WindowTable().size(), 512u);
  EXPECT_EQ(fft.BitReverseTable().size(), 512u);
}

struct SizeCase {
  std::int32_t requested;
  std::int32_t size;
  int power;
};

constexpr SizeCase BufferSizes[] = {
    {1024, 1024, 10},
    {1000, 512, 9},
    {3, 4, 2},
    {0, 4, 2},
    {-7, 4, 2},
    {1, 4, 2},
    {2, 4, 2},
    {4, 4, 2},
    {5, 4, 2},
    {32767, 16384, 14},
    {32768, 32768, 15},
    {65536, 32768, 15},
    {std::numeric_limits<std::int32_t>::max(), 32768, 15},
    {std::numeric_limits<std::int32_t>::min(), 4, 2},
};

TEST(FftComponent, RoundsBufferSizeDownToAPowerOfTwoIn4To32768) {
  for (const SizeCase& c : BufferSizes) {
    TsigFFT fft;
    fft.SetBufferSize(c.requested);
    EXPECT_EQ(fft.BufferSize(), c.size) << c.requested;
    EXPECT_EQ(fft.Power(), c.power) << c.requested;
    EXPECT_EQ(fft.RealIn().size(), static_cast<std::size_t>(c.size)) << c.requested;
  }
}

constexpr SizeCase Powers[] = {
    {1, 4, 2},
    {16, 32768, 15},
    {0, 4, 2},
    {-5, 4, 2},
    {2, 4, 2},
    {9, 512, 9},
    {15, 32768, 15},
    {256, 32768, 15},
    {std::numeric_limits<std::int32_t>::max(), 32768, 15},
    {std::numeric_limits<std::int32_t>::min(), 4, 2},
};

TEST(FftComponent, ClampsPowerTo2To15) {
  for (const SizeCase& c : Powers) {
    TsigFFT fft;
    fft.SetPower(c.requested);
    EXPECT_EQ(fft.Power(), c.power) << c.requested;
    EXPECT_EQ(fft.BufferSize(), c.size) << c.requested;
  }
}

TEST(FftComponent, KeepsItsDataWhenTheSizeStaysTheSame) {
  TsigFFT fft;
  FillData(fft, 3.0f);
  fft.SetBufferSize(512);
  fft.SetPower(9);
  fft.SetBufferSize(600);  // rounds to the same 512
  fft.SetPower(9);
  EXPECT_TRUE(AllEqual(fft, 3.0f));
}

TEST(FftComponent, ZeroesItsDataWhenTheSizeChanges) {
  for (int power : {2, 8, 10, 15}) {
    TsigFFT fft;
    fft.SetWindow(fwBlackman);
    FillData(fft, 3.0f);
    fft.SetPower(power);
    EXPECT_TRUE(AllEqual(fft, 0.0f)) << power;
    // The window table follows the new size; the kind stays.
    EXPECT_EQ(fft.Window(), fwBlackman);
    std::vector<float> want(static_cast<std::size_t>(fft.BufferSize()));
    FillWindow(fwBlackman, want, fft.BufferSize());
    EXPECT_TRUE(SameFloats(fft.WindowTable(), want)) << power;
  }
}

TEST(FftComponent, SetWindowRefillsTheTableAndLeavesTheData) {
  TsigFFT fft;
  fft.SetBufferSize(64);
  FillData(fft, 2.0f);
  for (int kind = fwNone; kind <= fwParzen; ++kind) {
    fft.SetWindow(static_cast<TsigWindow>(kind));
    EXPECT_EQ(fft.Window(), kind);
    std::vector<float> want(64);
    FillWindow(static_cast<TsigWindow>(kind), want, 64);
    EXPECT_TRUE(SameFloats(fft.WindowTable(), want)) << kind;
    EXPECT_TRUE(AllEqual(fft, 2.0f)) << kind;
  }
}

TEST(FftComponent, IgnoresAWindowKindOutsideTheEnumeration) {
  TsigFFT fft;
  fft.SetWindow(fwHanning);
  const std::vector<float> before(fft.WindowTable().begin(), fft.WindowTable().end());
  for (int kind : {7, 100, 255}) {
    fft.SetWindow(static_cast<TsigWindow>(kind));
    EXPECT_EQ(fft.Window(), fwHanning);
    EXPECT_TRUE(SameFloats(fft.WindowTable(), before));
  }
}

TEST(FftComponent, BitReverseTableOfEightPoints) {
  TsigFFT fft;
  fft.SetBufferSize(8);
  const std::vector<std::int32_t> want{0, 4, 2, 6, 1, 5, 3, 7};
  EXPECT_TRUE(std::ranges::equal(fft.BitReverseTable(), want));
}

TEST(FftComponent, BitReverseTableReversesTheLowBitsAtEverySize) {
  for (int power = 2; power <= 15; ++power) {
    TsigFFT fft;
    fft.SetPower(power);
    const auto table = fft.BitReverseTable();
    for (std::int32_t n = 0; n < fft.BufferSize(); ++n) {
      std::int32_t reversed = 0;
      for (int b = 0; b < power; ++b) reversed |= ((n >> b) & 1) << (power - 1 - b);
      ASSERT_EQ(table[static_cast<std::size_t>(n)], reversed) << power << " " << n;
    }
  }
}

TEST(FftComponent, ForwardAppliesTheWindowInPlaceEachTime) {
  TsigFFT fft;
  fft.SetBufferSize(16);
  fft.SetWindow(fwHamming);
  std::ranges::fill(fft.RealIn(), 1.0f);
  fft.Forward();
  EXPECT_TRUE(SameFloats(fft.RealIn(), fft.WindowTable()));
  fft.Forward();
  for (std::size_t n = 0; n < 16; ++n)
    EXPECT_EQ(fft.RealIn()[n], fft.WindowTable()[n] * fft.WindowTable()[n]);
  EXPECT_TRUE(AllZero(fft.ImagIn()));
}

// The mirror of k = 1..N/2-1: the upper half becomes the conjugate of the
// lower half, index 0 and index N/2 stay as they are.
TEST(FftComponent, InverseMirrorsTheLowerHalfAndLeavesTheMiddle) {
  for (std::int32_t n : {4, 8, 512}) {
    TsigFFT fft;
    fft.SetBufferSize(n);
    const auto re = MakeSignal(Signal::Uniform, n, 5), im = MakeSignal(Signal::Uniform, n, 6);
    std::ranges::copy(re, fft.RealIn().begin());
    std::ranges::copy(im, fft.ImagIn().begin());
    fft.Inverse();
    for (std::int32_t k = 0; k <= n / 2; ++k) {
      EXPECT_EQ(fft.RealIn()[k], re[k]) << n << " " << k;
      EXPECT_EQ(fft.ImagIn()[k], im[k]) << n << " " << k;
    }
    for (std::int32_t k = 1; k < n / 2; ++k) {
      EXPECT_EQ(fft.RealIn()[n - k], re[k]) << n << " " << k;
      EXPECT_EQ(fft.ImagIn()[n - k], -im[k]) << n << " " << k;
    }
  }
}

TEST(FftComponent, RepeatedInversesOnTheSameInputAgree) {
  TsigFFT fft;
  fft.SetBufferSize(64);
  std::ranges::copy(MakeSignal(Signal::Uniform, 64, 7), fft.RealIn().begin());
  std::ranges::copy(MakeSignal(Signal::Uniform, 64, 8), fft.ImagIn().begin());
  ASSERT_NE(fft.ImagIn()[32], 0.0f);
  fft.Inverse();
  const std::vector<float> re(fft.RealOut().begin(), fft.RealOut().end());
  const std::vector<float> im(fft.ImagOut().begin(), fft.ImagOut().end());
  fft.Inverse();
  EXPECT_TRUE(SameFloats(fft.RealOut(), re));
  EXPECT_TRUE(SameFloats(fft.ImagOut(), im));
}

// A change of Twiddles keeps the data, the size and the window, and the
// kind stays through a size change (the tables of both orders are compared
// with the reference in FftExactnessTest).
TEST(FftComponent, TwiddlesChangeKeepsTheDataAndFollowsTheSize) {
  TsigFFT fft;
  EXPECT_EQ(fft.Twiddles(), ftRecurrence);
  fft.SetWindow(fwHanning);
  FillData(fft, 2.0f);
  fft.SetTwiddles(ftExact);
  fft.SetTwiddles(static_cast<TsigFFTTwiddles>(2));  // ignored
  EXPECT_EQ(fft.Twiddles(), ftExact);
  EXPECT_TRUE(AllEqual(fft, 2.0f));
  EXPECT_EQ(fft.BufferSize(), 512);
  EXPECT_EQ(fft.Window(), fwHanning);
  fft.SetPower(10);
  EXPECT_EQ(fft.Twiddles(), ftExact);
}

// ---- the stored form -------------------------------------------------------

TEST(FftStoredForm, WritesBufferSizeAlwaysAndTheOthersWhenNotDefault) {
  TsigFFT fft;
  fft.SetName("sigFFT1");
  EXPECT_EQ(WriteComponent(fft), "object sigFFT1: TsigFFT\n  BufferSize = 512\nend\n");
  fft.SetPower(12);
  fft.SetWindow(fwGaussian);
  EXPECT_EQ(WriteComponent(fft),
            "object sigFFT1: TsigFFT\n  Power = 12\n  BufferSize = 4096\n  Window = fwGaussian\nend\n");
}

TEST(FftStoredForm, ReadsBackWhatItWrote) {
  for (int power = 2; power <= 15; ++power)
    for (int kind = fwNone; kind <= fwParzen; ++kind) {
      TsigFFT source;
      source.SetPower(power);
      source.SetWindow(static_cast<TsigWindow>(kind));
      TsigFFT copy;
      ReadComponent(copy, WriteComponent(source));
      EXPECT_EQ(copy.Power(), power);
      EXPECT_EQ(copy.BufferSize(), source.BufferSize());
      EXPECT_EQ(copy.Window(), kind);
      EXPECT_TRUE(SameFloats(copy.WindowTable(), source.WindowTable()));
    }
}

TEST(FftStoredForm, IsCreatedByClassName) {
  TsigFFT owner;
  const auto created =
      LoadComponents("object sigFFT1: TsigFFT\n  BufferSize = 1024\n  Window = fwWelch\nend\n", owner);
  ASSERT_EQ(created.size(), 1u);
  auto* fft = dynamic_cast<TsigFFT*>(created.front());
  ASSERT_NE(fft, nullptr);
  EXPECT_EQ(fft->Name(), "sigFFT1");
  EXPECT_EQ(fft->Power(), 10);
  EXPECT_EQ(fft->Window(), fwWelch);
  EXPECT_EQ(owner.FindComponent("sigFFT1"), fft);
}

struct StoredSize {
  const char* text;
  int power;
};

// Out-of-range values clamp as the setters do, also beyond the int range.
constexpr StoredSize StoredSizes[] = {
    {"Power = 1", 2},
    {"Power = 99", 15},
    {"Power = 4294967305", 15},  // 2^32 + 9 must not wrap to 9
    {"Power = -4294967295", 2},
    {"BufferSize = 1000", 9},
    {"BufferSize = 4294967296", 15},  // 2^32 must not wrap to 0
    {"BufferSize = -9223372036854775808", 2},
};

TEST(FftStoredForm, ClampsStoredSizesLikeTheSetters) {
  for (const StoredSize& s : StoredSizes) {
    TsigFFT fft;
    ReadComponent(fft, std::string("object a: TsigFFT\n  ") + s.text + "\nend\n");
    EXPECT_EQ(fft.Power(), s.power) << s.text;
  }
}

TEST(FftStoredForm, RejectsAnUnknownWindowNameAndChangesNothing) {
  TsigFFT fft;
  fft.SetPower(5);
  std::ranges::fill(fft.RealIn(), 4.0f);
  EXPECT_THROW(ReadComponent(fft, "object a: TsigFFT\n  Power = 7\n  Window = fwKaiser\nend\n"),
               TStoredFormError);
  EXPECT_EQ(fft.Power(), 5);
  EXPECT_EQ(fft.Window(), fwNone);
  EXPECT_TRUE(std::ranges::all_of(fft.RealIn(), [](float x) { return x == 4.0f; }));
}

TEST(FftStoredForm, StoresTwiddlesOnlyWhenExact) {
  TsigFFT fft;
  fft.SetName("sigFFT1");
  fft.SetTwiddles(ftExact);
  const std::string text = WriteComponent(fft);
  EXPECT_EQ(text, "object sigFFT1: TsigFFT\n  BufferSize = 512\n  Twiddles = ftExact\nend\n");
  TsigFFT copy;
  ReadComponent(copy, text);
  EXPECT_EQ(copy.Twiddles(), ftExact);
  // A failed load puts the kind and its tables back.
  copy.RealIn()[1] = 1.0f;
  copy.Forward();
  const std::vector<float> before(copy.RealOut().begin(), copy.RealOut().end());
  EXPECT_THROW(
      ReadComponent(copy, "object a: TsigFFT\n  Twiddles = ftRecurrence\n  Window = fwKaiser\nend\n"),
      TStoredFormError);
  EXPECT_EQ(copy.Twiddles(), ftExact);
  copy.Forward();
  EXPECT_TRUE(SameFloats(copy.RealOut(), before));
  EXPECT_THROW(ReadComponent(copy, "object a: TsigFFT\n  Twiddles = ftFast\nend\n"), TStoredFormError);
}

TEST(FftStoredForm, CancelledLoadPutsEverythingBack) {
  TsigFFT fft;
  fft.SetWindow(fwHanning);
  FillData(fft, 6.0f);
  fft.BeginLoad();
  fft.SetPower(12);
  fft.SetWindow(fwParzen);
  fft.CancelLoad();
  EXPECT_EQ(fft.Power(), 9);
  EXPECT_EQ(fft.Window(), fwHanning);
  EXPECT_TRUE(AllEqual(fft, 6.0f));
  std::vector<float> want(512);
  FillWindow(fwHanning, want, 512);
  EXPECT_TRUE(SameFloats(fft.WindowTable(), want));
  // A finished load keeps its values.
  fft.BeginLoad();
  fft.SetPower(4);
  fft.EndLoad();
  fft.CancelLoad();
  EXPECT_EQ(fft.Power(), 4);
}

}  // namespace
}  // namespace tessaro::test
