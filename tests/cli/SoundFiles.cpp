#include "SoundFiles.h"

#include <cmath>
#include <cstdint>
#include <span>
#include <stdexcept>

namespace cli::test {

int IntegerBits(int format) {
  switch (format & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_PCM_S8:
    case SF_FORMAT_PCM_U8: return 8;
    case SF_FORMAT_PCM_16: return 16;
    case SF_FORMAT_PCM_24: return 24;
    case SF_FORMAT_PCM_32: return 32;
    default: return 0;
  }
}

TSound TestSound(int format, int channels, std::size_t frames, double amplitude, int rate) {
  TSound sound{rate, channels, format, std::vector<double>(frames * static_cast<std::size_t>(channels))};
  const int bits = IntegerBits(format);
  const double scale = bits ? std::ldexp(1.0, bits - 1) : 0.0;
  std::uint32_t noise = 12345;
  for (std::size_t i = 0; i < frames; ++i)
    for (int c = 0; c < channels; ++c) {
      noise = noise * 1664525u + 1013904223u;
      double v = 0.0;
      if (channels < 3 || c + 1 < channels)
        v = 0.9 * amplitude * std::sin(2.0 * M_PI * (300.0 + 1700.0 * c) * static_cast<double>(i) / rate + c) +
            0.1 * amplitude * (static_cast<double>(noise >> 8) / (1 << 24) * 2.0 - 1.0);
      if (bits) v = std::clamp(std::nearbyint(v * scale), -scale, scale - 1.0) / scale;
      if ((format & SF_FORMAT_SUBMASK) == SF_FORMAT_FLOAT) v = static_cast<float>(v);
      sound.Samples[i * static_cast<std::size_t>(channels) + static_cast<std::size_t>(c)] = v;
    }
  return sound;
}

void WriteSound(const std::string& path, const TSound& sound) {
  SF_INFO info{};
  info.samplerate = sound.Rate;
  info.channels = sound.Channels;
  info.format = sound.Format;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  if (!file) throw std::runtime_error(path + ": " + sf_strerror(nullptr));
  const sf_count_t frames = static_cast<sf_count_t>(sound.Frames());
  sf_count_t written = 0;
  if (const int bits = IntegerBits(sound.Format)) {
    std::vector<int> words(sound.Samples.size());
    for (std::size_t i = 0; i < words.size(); ++i)
      words[i] = static_cast<int>(static_cast<std::uint32_t>(static_cast<std::int64_t>(
                                      std::ldexp(sound.Samples[i], bits - 1)))
                                  << (32 - bits));
    written = sf_writef_int(file, words.data(), frames);
  } else {
    written = sf_writef_double(file, sound.Samples.data(), frames);
  }
  sf_close(file);
  if (written != frames) throw std::runtime_error(path + ": short write");
}

TSound ReadSound(const std::string& path) {
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (!file) throw std::runtime_error(path + ": " + sf_strerror(nullptr));
  TSound sound{info.samplerate, info.channels, info.format,
               std::vector<double>(static_cast<std::size_t>(info.frames * info.channels))};
  if (IntegerBits(info.format)) {
    std::vector<int> words(sound.Samples.size());
    sf_readf_int(file, words.data(), info.frames);
    for (std::size_t i = 0; i < words.size(); ++i) sound.Samples[i] = std::ldexp(static_cast<double>(words[i]), -31);
  } else {
    sf_command(file, SFC_SET_SCALE_FLOAT_INT_READ, nullptr, SF_FALSE);
    sf_readf_double(file, sound.Samples.data(), info.frames);
  }
  sf_close(file);
  return sound;
}

void Apply(const TProperties& properties, tessaro::TsigIIRFilter& filter) {
  filter.SetSampleRate(properties.SampleRate);
  filter.SetKind(properties.Kind);
  filter.SetResponse(properties.Response);
  filter.SetOrder(properties.Order);
  filter.SetRipple(properties.Ripple);
  filter.SetFrequency1(properties.Frequency1);
  filter.SetFrequency2(properties.Frequency2);
  filter.SetStructure(properties.Structure);
}

std::vector<tessaro::Extended> Reference(const TSound& sound, TProperties properties) {
  properties.SampleRate = sound.Rate;
  const std::size_t channels = static_cast<std::size_t>(sound.Channels);
  std::vector<tessaro::Extended> out(sound.Samples.size());
  std::vector<tessaro::Extended> channel(sound.Frames());
  for (std::size_t c = 0; c < channels; ++c) {
    tessaro::TsigIIRFilter filter;
    Apply(properties, filter);
    for (std::size_t i = 0; i < channel.size(); ++i) channel[i] = sound.Samples[i * channels + c];
    filter.Process(channel, channel);
    for (std::size_t i = 0; i < channel.size(); ++i) out[i * channels + c] = channel[i];
  }
  return out;
}

}  // namespace cli::test
