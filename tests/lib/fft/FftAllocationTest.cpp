// Forward and Inverse allocate nothing: the global allocation functions of
// this test program count the calls made while a transform runs.

#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

#include "tessaro/sigFFT.h"

namespace {

bool counting = false;
int allocations = 0;

}  // namespace

void* operator new(std::size_t size) {
  if (counting) ++allocations;
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace tessaro::test {
namespace {

TEST(FftAllocation, ForwardAndInverseAllocateNothing) {
  for (int power : {2, 6, 10, 15}) {
    TsigFFT fft;
    fft.SetPower(power);
    fft.SetWindow(fwBlackman);
    fft.RealIn()[1] = 1.0f;
    allocations = 0;
    counting = true;
    fft.Forward();
    fft.Inverse();
    counting = false;
    EXPECT_EQ(allocations, 0) << "N = " << fft.BufferSize();
  }
}

TEST(FftAllocation, TheCounterSeesAResize) {
  TsigFFT fft;
  allocations = 0;
  counting = true;
  fft.SetPower(4);
  counting = false;
  EXPECT_GT(allocations, 0);
}

}  // namespace
}  // namespace tessaro::test
