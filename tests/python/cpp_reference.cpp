// The C++ library on raw samples, for the Python module's bit-identity tests.
//
//   cpp_reference iir FORM_FILE < samples > filtered
//     The filter of the stored form; longdouble samples (16 bytes each) run
//     through the block Process, written back in the same layout with the
//     6 padding bytes zero.
//   cpp_reference fft SIZE WINDOW forward|inverse [TWIDDLES] < re,im > re_out,im_out
//     SIZE float32 real parts, then SIZE imaginary parts, through the FFT
//     with window number WINDOW and twiddles number TWIDDLES (default 0,
//     the recurrence); the outputs in the same layout.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "tessaro/sigFFT.h"
#include "tessaro/sigIIRFilters.h"
#include "tessaro/sigStoredForm.h"

namespace {

int Filter(const char* formPath, const std::string& raw) {
  std::ifstream formFile(formPath);
  const std::string form{std::istreambuf_iterator<char>(formFile), {}};
  tessaro::TsigIIRFilter filter;
  tessaro::ReadComponent(filter, form);
  std::vector<tessaro::Extended> samples(raw.size() / sizeof(tessaro::Extended));
  std::memcpy(samples.data(), raw.data(), samples.size() * sizeof(tessaro::Extended));
  filter.Process(samples, samples);
  std::vector<unsigned char> out(samples.size() * sizeof(tessaro::Extended), 0);
  for (std::size_t i = 0; i < samples.size(); ++i)
    std::memcpy(&out[i * sizeof(tessaro::Extended)], &samples[i], 10);
  std::fwrite(out.data(), 1, out.size(), stdout);
  return 0;
}

int Transform(int size, int window, bool forward, int twiddles, const std::string& raw) {
  tessaro::TsigFFT fft;
  fft.SetBufferSize(size);
  fft.SetWindow(static_cast<tessaro::TsigWindow>(window));
  fft.SetTwiddles(static_cast<tessaro::TsigFFTTwiddles>(twiddles));
  const std::size_t bytes = static_cast<std::size_t>(size) * sizeof(float);
  if (raw.size() != 2 * bytes) return 1;
  std::memcpy(fft.RealIn().data(), raw.data(), bytes);
  std::memcpy(fft.ImagIn().data(), raw.data() + bytes, bytes);
  if (forward)
    fft.Forward();
  else
    fft.Inverse();
  std::fwrite(fft.RealOut().data(), 1, bytes, stdout);
  std::fwrite(fft.ImagOut().data(), 1, bytes, stdout);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string raw{std::istreambuf_iterator<char>(std::cin), {}};
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "iir" && argc == 3) return Filter(argv[2], raw);
  if (mode == "fft" && (argc == 5 || argc == 6))
    return Transform(std::stoi(argv[2]), std::stoi(argv[3]), std::string(argv[4]) == "forward",
                     argc == 6 ? std::stoi(argv[5]) : 0, raw);
  std::fprintf(stderr,
               "usage: cpp_reference iir FORM_FILE < samples\n"
               "       cpp_reference fft SIZE WINDOW forward|inverse [TWIDDLES] < re,im\n");
  return 2;
}
