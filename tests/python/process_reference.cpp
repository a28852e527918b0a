// process_reference FORM_FILE < samples > filtered
// Reads the filter from a stored form, runs the raw longdouble samples on
// standard input through the block Process and writes the results in the
// same layout (16 bytes each, the 6 padding bytes zero).
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "tessaro/sigIIRFilters.h"
#include "tessaro/sigStoredForm.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: process_reference FORM_FILE < samples > filtered\n");
    return 2;
  }
  std::ifstream formFile(argv[1]);
  const std::string form{std::istreambuf_iterator<char>(formFile), {}};
  const std::string raw{std::istreambuf_iterator<char>(std::cin), {}};

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
