// The state behind TsigCustomFFT: its properties, the tables built for its
// size and the four data arrays. Internal to the library.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>
#include <vector>

#include "tessaro/sigFFT.h"

namespace tessaro {

namespace fft {

// Storage on 64-byte boundaries, so that no vector load of the transform
// straddles two cache lines.
template <class T>
struct CacheLineAllocator {
  using value_type = T;
  T* allocate(std::size_t n) { return static_cast<T*>(::operator new (n * sizeof(T), std::align_val_t{64})); }
  void deallocate(T* p, std::size_t) noexcept { ::operator delete (p, std::align_val_t{64}); }
  bool operator==(const CacheLineAllocator&) const = default;
};
using FloatArray = std::vector<float, CacheLineAllocator<float>>;
using DoubleArray = std::vector<double, CacheLineAllocator<double>>;

}  // namespace fft

// A value: copying it is how a load keeps what it may have to restore.
struct TsigCustomFFT::State {
  TsigFFTPower Power = 0;  // P; 0 only before the first resize
  TsigWindow Window = fwNone;
  TsigFFTTwiddles Twiddles = ftRecurrence;
  fft::FloatArray WindowTable;  // N weights of Window
  std::int32_t BufferSize = 0;  // N = 2^P
  std::vector<std::int32_t> BitReverseTable;
  float InverseScale = 0.0f;  // 1 / N
  fft::FloatArray RealIn, ImagIn, RealOut, ImagOut;
  // Twiddles of every stage of kind Twiddles (2N entries in the layout of
  // sigFFTTables.h) with the sine positive (Forward) and negative (Inverse).
  fft::DoubleArray ForwardTwiddles, InverseTwiddles;
};

}  // namespace tessaro
