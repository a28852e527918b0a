// Sound files for the tests, made and read with libsndfile, and the
// library's own filtering of their samples as the reference.
#pragma once

#include <sndfile.h>

#include <string>
#include <vector>

#include "tessaro/sigIIRFilters.h"

namespace cli::test {

// Interleaved samples, full scale 1. For integer PCM files the values lie
// on the file's grid, so they are stored exactly.
struct TSound {
  int Rate = 48000;
  int Channels = 1;
  int Format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
  std::vector<double> Samples;
  std::size_t Frames() const { return Samples.size() / static_cast<std::size_t>(Channels); }
};

// Bits of an integer PCM format, 0 for float and double.
int IntegerBits(int format);

// Each channel its own tone (frequency and phase by channel number) plus a
// little noise, peak about amplitude; the last of three or more channels
// silent. On the integer grid of format.
TSound TestSound(int format, int channels, std::size_t frames, double amplitude, int rate = 48000);

void WriteSound(const std::string& path, const TSound& sound);
// Reads every sample exactly: float and double as such, integer PCM as
// integers over 2^(bits-1).
TSound ReadSound(const std::string& path);

// The design properties of a case, assigned through the setters; the
// frequencies after the sample rate, as the tool assigns them.
struct TProperties {
  tessaro::TsigIIRFilterKind Kind = tessaro::fkButterworth;
  tessaro::TsigIIRFilterResponse Response = tessaro::ftLowpass;
  int Order = 1;
  tessaro::Extended Frequency1 = 300.0L;
  tessaro::Extended Frequency2 = 3000.0L;
  tessaro::Extended Ripple = 0.0L;
  tessaro::Extended SampleRate = 44100.0L;
  tessaro::TsigIIRStructure Structure = tessaro::fsAuto;
};
void Apply(const TProperties& properties, tessaro::TsigIIRFilter& filter);

// The library's block Process over each channel of sound, one filter per
// channel with the properties at the file's sample rate.
std::vector<tessaro::Extended> Reference(const TSound& sound, TProperties properties);

}  // namespace cli::test
