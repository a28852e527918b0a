#include "tessaro/sigFFT.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstddef>
#include <limits>
#include <utility>

#include "sigFFTButterflies.h"
#include "tessaro/sigTypes.h"

namespace tessaro {

namespace {

constexpr int kMinPower = 2;
constexpr int kMaxPower = 15;
constexpr int kDefaultPower = 9;

bool IsWindowKind(TsigWindow value) { return value <= fwParzen; }

}  // namespace

TsigCustomFFT::TsigCustomFFT(TComponent* owner) : TComponent(owner) { SetPower(kDefaultPower); }

TsigCustomFFT::~TsigCustomFFT() = default;

int TsigCustomFFT::Power() const noexcept { return s_.power; }
std::int32_t TsigCustomFFT::BufferSize() const noexcept { return s_.bufferSize; }
TsigWindow TsigCustomFFT::Window() const noexcept { return s_.window; }

void TsigCustomFFT::SetPower(int value) {
  const int p = std::clamp(value, kMinPower, kMaxPower);
  if (p != s_.power) Resize(p);
}

void TsigCustomFFT::SetBufferSize(std::int32_t value) {
  if (value == s_.bufferSize) return;
  // The largest p with 2^p <= value (0 below 2), capped at the largest size.
  int p = 0;
  if (value >= 2)
    p = std::min(static_cast<int>(std::bit_width(static_cast<std::uint32_t>(value))) - 1, kMaxPower);
  SetPower(p);
}

void TsigCustomFFT::SetWindow(TsigWindow value) {
  if (!IsWindowKind(value)) return;
  s_.window = value;
  FillWindow(value, s_.windowTable, s_.bufferSize);
}

// Everything that depends on the size is built aside and swapped in at the
// end, so that a failed allocation leaves the component as it was.
void TsigCustomFFT::Resize(int power) {
  State next;
  next.power = static_cast<TsigFFTPower>(power);
  next.window = s_.window;
  next.bufferSize = std::int32_t{1} << power;
  next.halfSize = next.bufferSize / 2;
  next.inverseScale = static_cast<float>(1.0L / next.bufferSize);
  const auto n = static_cast<std::size_t>(next.bufferSize);
  next.realIn.assign(n, 0.0f);
  next.imagIn.assign(n, 0.0f);
  next.realOut.assign(n, 0.0f);
  next.imagOut.assign(n, 0.0f);
  next.windowTable.resize(n);
  next.bitReverseTable.resize(n);
  fft::BuildBitReverseTable(next.bitReverseTable);

  // One step per stage: the angle pi / 2^t in extended precision.
  next.cosTable.resize(static_cast<std::size_t>(power));
  next.sinTable.resize(static_cast<std::size_t>(power));
  for (int t = 0; t < power; ++t) {
    const Extended angle = Pi / static_cast<Extended>(std::int32_t{1} << t);
    next.cosTable[static_cast<std::size_t>(t)] = static_cast<float>(std::cos(angle));
    next.sinTable[static_cast<std::size_t>(t)] = static_cast<float>(std::sin(angle));
  }
  next.forwardTwiddles.resize(2 * n);
  next.inverseTwiddles.resize(2 * n);
  fft::BuildTwiddles(next.cosTable, next.sinTable, 1.0f, next.forwardTwiddles);
  fft::BuildTwiddles(next.cosTable, next.sinTable, -1.0f, next.inverseTwiddles);
  FillWindow(next.window, next.windowTable, next.bufferSize);
  s_ = std::move(next);
}

void TsigCustomFFT::Forward() {
  const auto n = static_cast<std::size_t>(s_.bufferSize);
  if (s_.window != fwNone) {
    float* re = s_.realIn.data();
    const float* w = s_.windowTable.data();
    for (std::size_t i = 0; i < n; ++i) re[i] *= w[i];
  }
  const fft::TransformTables tables{s_.power, s_.bitReverseTable.data(), s_.forwardTwiddles.data()};
  fft::Transform(tables, s_.realIn.data(), s_.imagIn.data(), s_.realOut.data(), s_.imagOut.data());
}

void TsigCustomFFT::Inverse() {
  // Complete a conjugate-symmetric spectrum from the lower half. N/2 is its
  // own mirror and is left alone, so that repeated calls agree.
  float* re = s_.realIn.data();
  float* im = s_.imagIn.data();
  fft::Mirror(re, im, s_.bufferSize);
  const fft::TransformTables tables{s_.power, s_.bitReverseTable.data(), s_.inverseTwiddles.data()};
  fft::TransformScaled(tables, re, im, s_.realOut.data(), s_.imagOut.data(), s_.inverseScale);
}

std::span<float> TsigCustomFFT::RealIn() noexcept { return s_.realIn; }
std::span<float> TsigCustomFFT::ImagIn() noexcept { return s_.imagIn; }
std::span<float> TsigCustomFFT::RealOut() noexcept { return s_.realOut; }
std::span<float> TsigCustomFFT::ImagOut() noexcept { return s_.imagOut; }
std::span<const float> TsigCustomFFT::RealIn() const noexcept { return s_.realIn; }
std::span<const float> TsigCustomFFT::ImagIn() const noexcept { return s_.imagIn; }
std::span<const float> TsigCustomFFT::RealOut() const noexcept { return s_.realOut; }
std::span<const float> TsigCustomFFT::ImagOut() const noexcept { return s_.imagOut; }
std::span<const float> TsigCustomFFT::WindowTable() const noexcept { return s_.windowTable; }
std::span<const std::int32_t> TsigCustomFFT::BitReverseTable() const noexcept { return s_.bitReverseTable; }

void TsigCustomFFT::BeginLoad() { beforeLoad_ = std::make_unique<State>(s_); }
void TsigCustomFFT::EndLoad() { beforeLoad_.reset(); }
void TsigCustomFFT::CancelLoad() noexcept {
  if (beforeLoad_) s_ = std::move(*beforeLoad_);
  beforeLoad_.reset();
}

const TComponentClass& TsigFFT::ClassType() const { return StaticClass(); }

const TComponentClass& TsigFFT::StaticClass() {
  // Stored integers beyond int saturate in IntegerProperty, so a huge size
  // clamps to the largest one instead of wrapping.
  static const TComponentClass cls{
      "TsigFFT",
      [](TComponent* owner) -> TComponent* { return new TsigFFT(owner); },
      {IntegerProperty("Power", &TsigCustomFFT::Power, &TsigCustomFFT::SetPower,
                       [](const TsigCustomFFT& f) { return f.Power() != kDefaultPower; }),
       IntegerProperty("BufferSize", &TsigCustomFFT::BufferSize, &TsigCustomFFT::SetBufferSize,
                       [](const TsigCustomFFT&) { return true; }),
       EnumProperty("Window",
                    {"fwNone", "fwHamming", "fwHanning", "fwBlackman", "fwGaussian", "fwWelch",
                     "fwParzen"},
                    &TsigCustomFFT::Window, &TsigCustomFFT::SetWindow,
                    [](const TsigCustomFFT& f) { return f.Window() != fwNone; })}};
  return cls;
}

}  // namespace tessaro
