#include "tessaro/sigFFT.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <utility>

#include "sigFFTState.h"
#include "sigFFTTables.h"
#include "sigFFTTransform.h"
#include "tessaro/sigTypes.h"

namespace tessaro {

namespace {

constexpr int MinPower = 2;
constexpr int MaxPower = 15;
constexpr int DefaultPower = 9;

bool IsWindowKind(TsigWindow value) { return value <= fwParzen; }

// The twiddles of both directions for 2^power points.
void BuildTwiddleTables(int power, TsigFFTTwiddles kind, fft::DoubleArray& forward,
                        fft::DoubleArray& inverse) {
  const std::size_t entries = std::size_t{2} << power;
  forward.resize(entries);
  inverse.resize(entries);
  fft::BuildTwiddles(power, kind, 1.0f, forward);
  fft::BuildTwiddles(power, kind, -1.0f, inverse);
}

}  // namespace

TsigCustomFFT::TsigCustomFFT(TComponent* owner) : TComponent(owner), state_(std::make_unique<State>()) {
  SetPower(DefaultPower);
}

TsigCustomFFT::~TsigCustomFFT() = default;

int TsigCustomFFT::Power() const noexcept { return state_->Power; }
std::int32_t TsigCustomFFT::BufferSize() const noexcept { return state_->BufferSize; }
TsigWindow TsigCustomFFT::Window() const noexcept { return state_->Window; }

void TsigCustomFFT::SetPower(int value) {
  const int p = std::clamp(value, MinPower, MaxPower);
  if (p != state_->Power) Resize(p);
}

void TsigCustomFFT::SetBufferSize(std::int32_t value) {
  if (value == state_->BufferSize) return;
  // The largest p with 2^p <= value (0 below 2), capped at the largest size.
  int p = 0;
  if (value >= 2)
    p = std::min(static_cast<int>(std::bit_width(static_cast<std::uint32_t>(value))) - 1, MaxPower);
  SetPower(p);
}

void TsigCustomFFT::SetWindow(TsigWindow value) {
  if (!IsWindowKind(value)) return;
  state_->Window = value;
  FillWindow(value, state_->WindowTable, state_->BufferSize);
}

TsigFFTTwiddles TsigCustomFFT::Twiddles() const noexcept { return state_->Twiddles; }

// The new tables are built aside and swapped in, as in Resize.
void TsigCustomFFT::SetTwiddles(TsigFFTTwiddles value) {
  if (value > ftExact || value == state_->Twiddles) return;
  fft::DoubleArray forward, inverse;
  BuildTwiddleTables(state_->Power, value, forward, inverse);
  state_->ForwardTwiddles.swap(forward);
  state_->InverseTwiddles.swap(inverse);
  state_->Twiddles = value;
}

// Everything that depends on the size is built aside and swapped in at the
// end, so that a failed allocation leaves the component as it was.
void TsigCustomFFT::Resize(int power) {
  auto next = std::make_unique<State>();
  next->Power = static_cast<TsigFFTPower>(power);
  next->Window = state_->Window;
  next->Twiddles = state_->Twiddles;
  next->BufferSize = std::int32_t{1} << power;
  next->InverseScale = static_cast<float>(1.0L / next->BufferSize);
  const auto n = static_cast<std::size_t>(next->BufferSize);
  next->RealIn.assign(n, 0.0f);
  next->ImagIn.assign(n, 0.0f);
  next->RealOut.assign(n, 0.0f);
  next->ImagOut.assign(n, 0.0f);
  next->WindowTable.resize(n);
  next->BitReverseTable.resize(n);
  fft::BuildBitReverseTable(next->BitReverseTable);
  BuildTwiddleTables(power, next->Twiddles, next->ForwardTwiddles, next->InverseTwiddles);
  FillWindow(next->Window, next->WindowTable, next->BufferSize);
  state_ = std::move(next);
}

void TsigCustomFFT::Forward() {
  State& s = *state_;
  const auto n = static_cast<std::size_t>(s.BufferSize);
  if (s.Window != fwNone) {
    float* re = s.RealIn.data();
    const float* w = s.WindowTable.data();
    for (std::size_t i = 0; i < n; ++i) re[i] *= w[i];
  }
  const fft::TransformTables tables{s.Power, s.BitReverseTable.data(), s.ForwardTwiddles.data()};
  fft::Transform(tables, s.RealIn.data(), s.ImagIn.data(), s.RealOut.data(), s.ImagOut.data());
}

void TsigCustomFFT::Inverse() {
  // Complete a conjugate-symmetric spectrum from the lower half. N/2 is its
  // own mirror and is left alone, so that repeated calls agree.
  State& s = *state_;
  float* re = s.RealIn.data();
  float* im = s.ImagIn.data();
  fft::Mirror(re, im, s.BufferSize);
  const fft::TransformTables tables{s.Power, s.BitReverseTable.data(), s.InverseTwiddles.data()};
  fft::TransformScaled(tables, re, im, s.RealOut.data(), s.ImagOut.data(), s.InverseScale);
}

std::span<float> TsigCustomFFT::RealIn() noexcept { return state_->RealIn; }
std::span<float> TsigCustomFFT::ImagIn() noexcept { return state_->ImagIn; }
std::span<float> TsigCustomFFT::RealOut() noexcept { return state_->RealOut; }
std::span<float> TsigCustomFFT::ImagOut() noexcept { return state_->ImagOut; }
std::span<const float> TsigCustomFFT::RealIn() const noexcept { return state_->RealIn; }
std::span<const float> TsigCustomFFT::ImagIn() const noexcept { return state_->ImagIn; }
std::span<const float> TsigCustomFFT::RealOut() const noexcept { return state_->RealOut; }
std::span<const float> TsigCustomFFT::ImagOut() const noexcept { return state_->ImagOut; }
std::span<const float> TsigCustomFFT::WindowTable() const noexcept { return state_->WindowTable; }
std::span<const std::int32_t> TsigCustomFFT::BitReverseTable() const noexcept {
  return state_->BitReverseTable;
}

void TsigCustomFFT::BeginLoad() { beforeLoad_ = std::make_unique<State>(*state_); }
void TsigCustomFFT::EndLoad() { beforeLoad_.reset(); }
void TsigCustomFFT::CancelLoad() noexcept {
  if (beforeLoad_) state_ = std::move(beforeLoad_);
}

const TComponentClass& TsigFFT::ClassType() const { return StaticClass(); }

const TComponentClass& TsigFFT::StaticClass() {
  // Stored integers beyond int saturate in IntegerProperty, so a huge size
  // clamps to the largest one instead of wrapping.
  static const TComponentClass cls{
      "TsigFFT",
      [](TComponent* owner) -> TComponent* { return new TsigFFT(owner); },
      {IntegerProperty("Power", &TsigCustomFFT::Power, &TsigCustomFFT::SetPower,
                       [](const TsigCustomFFT& f) { return f.Power() != DefaultPower; }),
       IntegerProperty("BufferSize", &TsigCustomFFT::BufferSize, &TsigCustomFFT::SetBufferSize,
                       [](const TsigCustomFFT&) { return true; }),
       EnumProperty("Window",
                    {"fwNone", "fwHamming", "fwHanning", "fwBlackman", "fwGaussian", "fwWelch", "fwParzen"},
                    &TsigCustomFFT::Window, &TsigCustomFFT::SetWindow,
                    [](const TsigCustomFFT& f) { return f.Window() != fwNone; }),
       EnumProperty("Twiddles", {"ftRecurrence", "ftExact"}, &TsigCustomFFT::Twiddles,
                    &TsigCustomFFT::SetTwiddles,
                    [](const TsigCustomFFT& f) { return f.Twiddles() != ftRecurrence; })}};
  return cls;
}

}  // namespace tessaro
