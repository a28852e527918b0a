// Blocks of samples as numpy lays them out, run through a ChannelFilters
// without the Python runtime: the caller has checked the layout and may
// release the interpreter lock around Filter.
#pragma once

#include <cstddef>

#include "ChannelFilters.h"

namespace tessaro::python {

enum class SampleType { Float32, Float64, Extended };

// frames x channels samples of one type; element (f, c) starts at
// Data + f·FrameStride + c·ChannelStride (strides in bytes, any sign, any
// alignment).
struct SampleBlock {
  char* Data = nullptr;
  SampleType Type = SampleType::Float64;
  std::size_t Frames = 0;
  std::size_t Channels = 1;
  std::ptrdiff_t FrameStride = 0;
  std::ptrdiff_t ChannelStride = 0;
};

// Column c of in through filters.Channel(c), written to column c of out
// (which may be in itself). Samples are widened exactly to Extended, filtered
// with the block Process, and rounded to nearest into the output type.
// filters must hold in.Channels channels; in and out have the same shape and
// type.
void Filter(ChannelFilters& filters, const SampleBlock& in, const SampleBlock& out) noexcept;

}  // namespace tessaro::python
