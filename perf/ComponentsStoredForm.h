// The stored form of the components the Perfomance window owns: the IIR
// filter `sigIIRFilter`, a Butterworth highpass whose two band edges are both
// 400 Hz at 44100 Hz sampling, and the FFT `sigFFT1` of 512 points. The
// window loads it when it is created.
#pragma once

#include <string_view>

namespace perf {

inline constexpr std::string_view ComponentsStoredForm = R"(object sigIIRFilter: TsigIIRFilter
  Kind = fkButterworth
  Response = ftHighpass
  Frequency1 = 400
  Frequency2 = 400
  SampleRate = 44100
end
object sigFFT1: TsigFFT
  BufferSize = 512
end
)";

}  // namespace perf
