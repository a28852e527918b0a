// Uses the installed library: a filter from a stored form, one FFT.
#include <tessaro/sigFFT.h>
#include <tessaro/sigIIRFilters.h>
#include <tessaro/sigStoredForm.h>

#include <cmath>
#include <cstdio>

int main() {
  tessaro::TsigIIRFilter filter;
  tessaro::ReadComponent(filter, "object f: TsigIIRFilter\n Kind = fkBessel\n Response = ftLowpass\n"
                                 " Frequency1 = 1000\n SampleRate = 44100\nend\n");
  tessaro::Extended y = 0;
  for (int i = 0; i < 20000; ++i) y = filter.Process(1.0L);

  tessaro::TsigFFT fft;
  fft.SetBufferSize(8);
  fft.RealIn()[0] = 1.0f;
  fft.Forward();

  std::printf("step %.6Lf, bin 7 %.3f\n", y, fft.RealOut()[7]);
  return std::fabs(y - 1.0L) < 1e-9L && fft.RealOut()[7] == 1.0f ? 0 : 1;
}
