// Forward and Inverse allocate nothing: the test program's global allocation
// functions count the calls made while a transform runs.

#include <gtest/gtest.h>

#include "AllocationCount.h"
#include "tessaro/sigFFT.h"

namespace tessaro::test {
namespace {

TEST(FftAllocation, ForwardAndInverseAllocateNothing) {
  for (int power : {2, 6, 10, 15}) {
    TsigFFT fft;
    fft.SetPower(power);
    fft.SetWindow(fwBlackman);
    fft.RealIn()[1] = 1.0f;
    const AllocationCount count;
    fft.Forward();
    fft.Inverse();
    EXPECT_EQ(count.Calls(), 0) << "N = " << fft.BufferSize();
  }
  const AllocationCount count;
  AllocateOneOfEachForm();
  EXPECT_EQ(count.Calls(), 2);  // the count sees both forms
}

TEST(FftAllocation, TheCounterSeesAResize) {
  TsigFFT fft;
  const AllocationCount count;
  fft.SetPower(4);
  EXPECT_GT(count.Calls(), 0);
}

}  // namespace
}  // namespace tessaro::test
