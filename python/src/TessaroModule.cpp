// import tessaro: the library's IIR filter, FFT and windows on numpy arrays.
#include "Bindings.h"

PYBIND11_MODULE(tessaro, m) {
  using namespace tessaro::python;
  // Each docstring starts with its own signature, in Python's types.
  py::options options;
  options.disable_function_signatures();
  m.doc() =
      "Tessaro: IIR filter design and filtering in 80-bit extended precision, a radix-2 float "
      "FFT and seven window functions, on numpy arrays.\n\n"
      "IIRFilter designs Butterworth, Chebyshev and Bessel filters of order 1 to 8 (lowpass, "
      "highpass, bandpass, bandstop) and filters float32, float64 or longdouble arrays, one "
      "history per column. FFT transforms float32 arrays of 4 to 32768 points; window() gives "
      "window weights. Results are bit for bit those of the C++ library.";
  BindErrors(m);
  BindEnumerations(m);
  BindIIRFilter(m);
  BindFFT(m);
}
