// The peer of `tessaro filter` in bench/cli_filter.sh: the library's block
// Process alone, on the same samples held in memory.
//
//   cli_filter_peer generate FILE SECONDS   a stereo 48 kHz float WAV of noise and tones
//   cli_filter_peer process FILE            time the design's block Process per channel;
//                                           prints wall and CPU seconds and the sample count
//
// process uses the script's design: Butterworth bandpass of order 4 from
// 500 to 2000 Hz at the file's rate. The samples are read and converted to
// Extended before the clock starts; the time covers designing one filter
// per channel and running each channel through it in place.
#include <sndfile.h>

#include <chrono>
#include <cmath>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "tessaro/sigIIRFilters.h"

namespace {

constexpr int Rate = 48000;
constexpr int Channels = 2;

int Generate(const char* path, long seconds) {
  SF_INFO info{};
  info.samplerate = Rate;
  info.channels = Channels;
  info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
  SNDFILE* file = sf_open(path, SFM_WRITE, &info);
  if (!file) {
    std::fprintf(stderr, "%s: %s\n", path, sf_strerror(nullptr));
    return 1;
  }
  std::mt19937 random(1);
  std::uniform_real_distribution<float> noise(-0.2f, 0.2f);
  std::vector<float> block(4096 * Channels);
  const long total = seconds * Rate;
  for (long done = 0; done < total;) {
    const long frames = std::min<long>(4096, total - done);
    for (long i = 0; i < frames; ++i) {
      const double t = static_cast<double>(done + i) / Rate;
      for (int c = 0; c < Channels; ++c)
        block[i * Channels + c] = static_cast<float>(0.3 * std::sin(2 * 3.14159265358979 * (440.0 + 660.0 * c) * t)) +
                                  noise(random);
    }
    if (sf_writef_float(file, block.data(), frames) != frames) {
      std::fprintf(stderr, "%s: %s\n", path, sf_strerror(file));
      return 1;
    }
    done += frames;
  }
  return sf_close(file) == 0 ? 0 : 1;
}

int Process(const char* path) {
  SF_INFO info{};
  SNDFILE* file = sf_open(path, SFM_READ, &info);
  if (!file) {
    std::fprintf(stderr, "%s: %s\n", path, sf_strerror(nullptr));
    return 1;
  }
  std::vector<float> interleaved(static_cast<std::size_t>(info.frames) * info.channels);
  const sf_count_t frames = sf_readf_float(file, interleaved.data(), info.frames);
  sf_close(file);
  std::vector<std::vector<tessaro::Extended>> channels(info.channels);
  for (int c = 0; c < info.channels; ++c) {
    channels[c].resize(static_cast<std::size_t>(frames));
    for (sf_count_t i = 0; i < frames; ++i) channels[c][i] = interleaved[i * info.channels + c];
  }

  const auto start = std::chrono::steady_clock::now();
  const std::clock_t cpuStart = std::clock();
  for (auto& samples : channels) {
    tessaro::TsigIIRFilter filter;
    filter.SetSampleRate(info.samplerate);
    filter.SetResponse(tessaro::ftBandpass);
    filter.SetOrder(4);
    filter.SetFrequency1(500.0L);
    filter.SetFrequency2(2000.0L);
    filter.Process(samples, samples);
  }
  const double cpu = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const double samples = static_cast<double>(frames) * info.channels;
  std::printf("%.3f %.3f %.0f\n", seconds, cpu, samples);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "generate" && argc == 4) return Generate(argv[2], std::atol(argv[3]));
  if (mode == "process" && argc == 3) return Process(argv[2]);
  std::fprintf(stderr, "usage: cli_filter_peer generate FILE SECONDS | process FILE\n");
  return 2;
}
