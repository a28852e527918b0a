// The stored property values of the main window's filter, in the library's
// stored-form text. The window loads them into sigIIRFilter1 when it is
// created, through the filter's setters; start-up then writes Kind,
// Response, Order, the frequencies and Ripple from the controls, while
// SampleRate and ManualReset keep these values for the whole run.
#pragma once

#include <string_view>

inline constexpr std::string_view FilterStoredForm = R"(object sigIIRFilter1: TsigIIRFilter
  Kind = fkButterworth
  Response = ftLowpass
  Frequency1 = 40
  Frequency2 = 40
  SampleRate = 1000
  ManualReset = True
end
)";
