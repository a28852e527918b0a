// What every fuzz target shares: a reader that turns the fuzzer's bytes into
// values of any bit pattern, the check that stops the run when an invariant
// breaks, and snapshots of the components whose equality proves that a
// failed operation changed nothing.
//
// A broken invariant prints what broke and aborts, so that libFuzzer keeps
// the input as a crash and the replay program fails its test.
#pragma once

#include <tessaro/sigFFT.h>
#include <tessaro/sigIIRFilters.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <vector>

namespace tessaro::fuzz {

[[noreturn]] void Fail(const std::string& what);

inline void Require(bool holds, const std::string& what) {
  if (!holds) Fail(what);
}

// The 80 value bits of an extended value, or the 32 of a float, compared
// as bits (-0 differs from 0); any NaN matches any NaN, whose payload
// depends on the order in which an operation met its operands.
bool SameBits(Extended a, Extended b);
bool SameBits(std::span<const Extended> a, std::span<const Extended> b);
bool SameBits(std::span<const float> a, std::span<const float> b);

// Reads the input front to back; past the end every read gives zeros.
class ByteReader {
 public:
  ByteReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  bool Empty() const { return pos_ >= size_; }
  std::uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
  bool Bool() { return (Byte() & 1) != 0; }
  std::int32_t Int32();
  float Float();  // any bit pattern
  // Any of the 2^80 bit patterns (NaNs, infinities, subnormals and the
  // x87's unnormals among them), or one of the values that sit on the
  // edges of the filter's ranges: a leading byte picks which.
  Extended AnyExtended();

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

// Everything a filter shows: its stored form, its properties, its design and
// its histories. Equal snapshots mean an operation changed nothing visible.
struct FilterSnapshot {
  explicit FilterSnapshot(const TsigCustomIIRFilter& filter);
  bool operator==(const FilterSnapshot& other) const;

  std::string Stored;  // the stored form
  int Kind, Response, Order;
  std::vector<Extended> Properties;    // the four extended properties and the input scale
  std::vector<Extended> Coefficients;  // input, then output coefficients, all 33 of each, then the sections
  std::vector<Extended> Histories;     // input, then output history
  std::vector<Extended> Planes;        // poles, then zeros of the s plane, then of the z plane
  std::int32_t CoefficientCount;
  std::int32_t Counts[4];  // pole and zero counts of both planes
  std::string DesignMessage;
  bool ManualReset;
  int InForce;  // the structure in force
};

// Everything an FFT shows: size, window, tables and the four data arrays.
struct FftSnapshot {
  explicit FftSnapshot(const TsigCustomFFT& fft);
  bool operator==(const FftSnapshot& other) const;

  std::string Stored;
  int Power, BufferSize, Window;
  std::vector<float> Floats;  // data arrays and window table
  std::vector<std::int32_t> BitReverse;
};

// Writes the component's stored form, reads it into a new component of the
// same class and requires the identical text from that one; for a filter
// also the identical design (count, scale, coefficients in use, planes).
// Open faults, reported and not yet mended, are let pass unless Strict().
void RequireRoundTrip(const TComponent& loaded);

// Set by the environment variable TESSARO_FUZZ_STRICT: open faults count
// as failures too.
bool Strict();

}  // namespace tessaro::fuzz

// The entry point every target defines; libFuzzer or the replay program
// calls it once per input.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
