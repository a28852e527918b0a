// tessaro spectrum IN: the averaged magnitude spectrum of a sound file by
// Welch's method: windowed segments that overlap, their power averaged.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <array>
#include <cmath>
#include <iostream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "Commands.h"
#include "Decimal.h"
#include "Errors.h"
#include "NameTable.h"
#include "Plot.h"
#include "PlotOptions.h"
#include "Progress.h"
#include "SoundFile.h"
#include "tessaro/sigFFT.h"

namespace cli {
namespace {

constexpr std::size_t BlockFrames = 4096;

constexpr std::array<std::pair<std::string_view, tessaro::TsigWindow>, 7> Windows{{
    {"none", tessaro::fwNone},
    {"hamming", tessaro::fwHamming},
    {"hanning", tessaro::fwHanning},
    {"blackman", tessaro::fwBlackman},
    {"gaussian", tessaro::fwGaussian},
    {"welch", tessaro::fwWelch},
    {"parzen", tessaro::fwParzen},
}};

struct TSpectrumOptions {
  std::string Input;
  int Size = 1024;
  std::string Window = "hanning";
  double Overlap = 0.5;
  int Channel = 0;  // 0: the mean of all channels
  TPlotOptions Plot;
  bool Quiet = false;
};

// Sums the power of every whole segment of the signal that arrives piece by
// piece.
class TWelch {
 public:
  TWelch(int size, tessaro::TsigWindow window, double overlap) : power_(static_cast<std::size_t>(size) / 2 + 1) {
    fft_.SetBufferSize(size);
    fft_.SetWindow(window);
    // A measurement: the exact twiddles keep the transform's own error far
    // below anything a float signal holds, at every size.
    fft_.SetTwiddles(tessaro::ftExact);
    size_ = static_cast<std::size_t>(fft_.BufferSize());
    hop_ = std::max<std::size_t>(1, size_ - static_cast<std::size_t>(std::floor(overlap * static_cast<double>(size_))));
  }

  void Add(float sample) {
    pending_.push_back(sample);
    if (pending_.size() < size_) return;
    Transform();
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(hop_));
  }

  std::size_t Segments() const { return segments_; }
  std::size_t Size() const { return size_; }

  // Amplitude in dB for bins 0..N/2, scaled so that a sine of amplitude 1
  // at a bin's frequency reads 0 dB there.
  std::vector<double> Decibels() const {
    double windowSum = 0.0;
    for (const float w : fft_.WindowTable()) windowSum += w;
    std::vector<double> decibels(power_.size());
    for (std::size_t k = 0; k < power_.size(); ++k) {
      const double sides = k == 0 || k == size_ / 2 ? 1.0 : 2.0;
      const double amplitude = std::sqrt(power_[k] / static_cast<double>(segments_)) * sides / windowSum;
      decibels[k] = 20.0 * std::log10(amplitude);
    }
    return decibels;
  }

 private:
  void Transform() {
    std::copy_n(pending_.begin(), size_, fft_.RealIn().begin());
    std::ranges::fill(fft_.ImagIn(), 0.0f);
    fft_.Forward();
    const auto re = fft_.RealOut();
    const auto im = fft_.ImagOut();
    for (std::size_t k = 0; k < power_.size(); ++k)
      power_[k] += static_cast<double>(re[k]) * re[k] + static_cast<double>(im[k]) * im[k];
    ++segments_;
  }

  tessaro::TsigFFT fft_;
  std::size_t size_ = 0;
  std::size_t hop_ = 1;
  std::vector<float> pending_;
  std::vector<double> power_;
  std::size_t segments_ = 0;
};

void Run(const TSpectrumOptions& options) {
  TSoundFile input = TSoundFile::OpenRead(options.Input);
  const SF_INFO& info = input.Info();
  const std::size_t channels = static_cast<std::size_t>(info.channels);
  if (options.Channel > info.channels)
    throw RunError(options.Input, "has " + std::to_string(info.channels) + " channels, no channel " +
                                      std::to_string(options.Channel) + " (--channel)");

  TWelch welch(options.Size, Find(Windows, options.Window).value_or(tessaro::fwHanning), options.Overlap);
  TChannelBlocks blocks(channels, BlockFrames);
  TProgress progress("spectrum", input.KnownFrames(), !options.Quiet);
  std::uint64_t done = 0;
  while (const std::size_t count = input.Read(blocks.Pointers, blocks.Frames)) {
    for (std::size_t i = 0; i < count; ++i) {
      if (options.Channel > 0) {
        welch.Add(static_cast<float>(blocks.Pointers[static_cast<std::size_t>(options.Channel - 1)][i]));
      } else {
        tessaro::Extended sum = 0.0L;
        for (std::size_t c = 0; c < channels; ++c) sum += blocks.Pointers[c][i];
        welch.Add(static_cast<float>(sum / static_cast<tessaro::Extended>(channels)));
      }
    }
    done += count;
    progress.Update(done);
  }
  if (welch.Segments() == 0)
    throw RunError(options.Input, "has " + std::to_string(done) + " frames, fewer than one segment of " +
                                      std::to_string(welch.Size()) + " (--size)");

  const std::vector<double> decibels = welch.Decibels();
  std::vector<double> frequencies(decibels.size());
  for (std::size_t k = 0; k < frequencies.size(); ++k)
    frequencies[k] = static_cast<double>(k) * info.samplerate / static_cast<double>(welch.Size());
  std::cout << "frequency_hz,magnitude_db\n";
  for (std::size_t k = 0; k < decibels.size(); ++k) std::cout << Decimal(frequencies[k]) << ',' << Decimal(decibels[k]) << '\n';
  std::cout.flush();
  if (!std::cout) throw RunError("standard output", "write error");

  if (!options.Plot.Path.empty()) {
    TPlotPanel panel{"Magnitude (dB, a full-scale sine at 0 dB)", 0.0, info.samplerate / 2.0, 0.0, 1.0,
                     frequencies, decibels};
    DecibelRange(panel.Y, 140.0, panel.YMinimum, panel.YMaximum);
    const std::string inputs[] = {options.Input};
    WritePlot(options.Plot.Path, options.Plot.Size, std::span<const TPlotPanel>(&panel, 1), inputs);
  }
}

}  // namespace

void AddSpectrumCommand(CLI::App& app, TWork work) {
  auto options = std::make_shared<TSpectrumOptions>();
  auto* command = app.add_subcommand("spectrum", "Averaged magnitude spectrum of a sound file, as CSV");
  command->add_option("IN", options->Input, "Sound file to read")->required();
  command->add_option("--size", options->Size, "FFT size, a power of two from 4 to 32768 (default 1024)")
      ->check(CLI::Validator(
          [](const std::string& text) -> std::string {
            int n = 0;
            if (!CLI::detail::lexical_cast(text, n) || n < 4 || n > 32768 || (n & (n - 1)) != 0)
              return "\"" + text + "\" is not a power of two from 4 to 32768";
            return {};
          },
          "POWER OF TWO"));
  command->add_option("--window", options->Window, "Window of each segment (default hanning)")
      ->check(CLI::IsMember(Names(Windows), CLI::ignore_case));
  command->add_option("--overlap", options->Overlap, "Overlap of neighbouring segments, 0 to 0.99 (default 0.5)")
      ->check(CLI::Range(0.0, 0.99));
  command->add_option("--channel", options->Channel, "Analyse channel C (from 1); default: the mean of all")
      ->check(CLI::Range(1, 1 << 16));
  AddPlotOptions(*command, options->Plot);
  command->add_flag("--quiet,-q", options->Quiet, "No progress bar");
  command->footer(
      "Welch's method: segments of --size samples, each --window'ed and transformed with exact\n"
      "twiddles, power averaged; the amplitude in dB is scaled so that a sine of amplitude 1\n"
      "(full scale) reads 0 dB.\n\n"
      "Examples:\n"
      "  tessaro spectrum voice.wav > spectrum.csv\n"
      "  tessaro spectrum --size 4096 --window blackman --overlap 0.75 --channel 2 in.flac\n"
      "  tessaro spectrum in.wav --plot spectrum.png --plot-size 1200x500 > /dev/null");
  command->callback([options, work] {
    if (work == TWork::Run) Run(*options);
  });
}

}  // namespace cli
