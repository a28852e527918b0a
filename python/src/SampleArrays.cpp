#include "SampleArrays.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <span>

namespace tessaro::python {

namespace {

// Samples go through the filter in chunks of this many, on the stack.
constexpr std::size_t ChunkFrames = 512;

template <class T>
void FilterColumn(TsigIIRFilter& filter, const char* in, std::ptrdiff_t inStride, char* out,
                  std::ptrdiff_t outStride, std::size_t frames) {
  Extended chunk[ChunkFrames];
  for (std::size_t done = 0; done < frames;) {
    const std::size_t n = std::min(ChunkFrames, frames - done);
    for (std::size_t i = 0; i < n; ++i) {
      T value;
      std::memcpy(&value, in + static_cast<std::ptrdiff_t>(done + i) * inStride, sizeof value);
      chunk[i] = static_cast<Extended>(value);
    }
    filter.Process(std::span<const Extended>(chunk, n), std::span<Extended>(chunk, n));
    for (std::size_t i = 0; i < n; ++i) {
      const T value = static_cast<T>(chunk[i]);
      std::memcpy(out + static_cast<std::ptrdiff_t>(done + i) * outStride, &value, sizeof value);
    }
    done += n;
  }
}

// Extended samples packed and aligned need no copy.
bool Packed(const char* data, std::ptrdiff_t stride) {
  return stride == static_cast<std::ptrdiff_t>(sizeof(Extended)) &&
         reinterpret_cast<std::uintptr_t>(data) % alignof(Extended) == 0;
}

}  // namespace

void Filter(ChannelFilters& filters, const SampleBlock& in, const SampleBlock& out) noexcept {
  for (std::size_t c = 0; c < in.Channels; ++c) {
    TsigIIRFilter& filter = filters.Channel(c);
    const char* src = in.Data + static_cast<std::ptrdiff_t>(c) * in.ChannelStride;
    char* dst = out.Data + static_cast<std::ptrdiff_t>(c) * out.ChannelStride;
    switch (in.Type) {
      case SampleType::Float32:
        FilterColumn<float>(filter, src, in.FrameStride, dst, out.FrameStride, in.Frames);
        break;
      case SampleType::Float64:
        FilterColumn<double>(filter, src, in.FrameStride, dst, out.FrameStride, in.Frames);
        break;
      case SampleType::Extended:
        if (Packed(src, in.FrameStride) && Packed(dst, out.FrameStride) && in.Frames > 0)
          filter.Process(std::span<const Extended>(reinterpret_cast<const Extended*>(src), in.Frames),
                         std::span<Extended>(reinterpret_cast<Extended*>(dst), in.Frames));
        else
          FilterColumn<Extended>(filter, src, in.FrameStride, dst, out.FrameStride, in.Frames);
        break;
    }
  }
}

}  // namespace tessaro::python
