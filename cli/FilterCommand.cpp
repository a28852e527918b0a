// tessaro filter IN OUT: every channel of a sound file through its own
// instance of one filter design.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "Commands.h"
#include "Errors.h"
#include "FilterOptions.h"
#include "OutputFile.h"
#include "Progress.h"
#include "SoundFile.h"

namespace cli {
namespace {

// Frames per block: large enough that the per-block costs vanish, small
// enough to stay in the caches.
constexpr std::size_t BlockFrames = 4096;

struct TFilterCommandOptions {
  TFilterOptions Filter;
  std::string Input;
  std::string Output;
  std::string Format;
  std::string Subtype;
  bool Quiet = false;
};

void Run(const TFilterCommandOptions& options) {
  TSoundFile input = TSoundFile::OpenRead(options.Input);
  const SF_INFO& info = input.Info();
  const std::size_t channels = static_cast<std::size_t>(info.channels);
  const TFileRate rate{static_cast<tessaro::Extended>(info.samplerate), options.Input};

  std::vector<std::unique_ptr<tessaro::TsigIIRFilter>> filters;
  for (std::size_t c = 0; c < channels; ++c) {
    filters.push_back(std::make_unique<tessaro::TsigIIRFilter>());
    DesignFilter(options.Filter, *filters.back(), &rate);
  }

  SF_INFO outputInfo = info;
  outputInfo.format = OutputFormat(info, MajorFormat(options.Format), Subtype(options.Subtype), options.Output);
  const std::string inputs[] = {options.Input, options.Filter.Form};
  TOutputFile output(options.Output, inputs);
  TSoundFile writer = TSoundFile::OpenWrite(output.Descriptor(), options.Output, outputInfo);

  TChannelBlocks blocks(channels, BlockFrames);
  TProgress progress("filter", input.KnownFrames(), !options.Quiet);
  std::uint64_t done = 0;
  while (const std::size_t count = input.Read(blocks.Pointers, blocks.Frames)) {
    for (std::size_t c = 0; c < channels; ++c) {
      const std::span<tessaro::Extended> block(blocks.Pointers[c], count);
      filters[c]->Process(block, block);
    }
    writer.Write(std::span<const tessaro::Extended* const>(blocks.Pointers), count);
    done += count;
    progress.Update(done);
  }
  writer.Close();
  output.Commit();
  if (writer.Clipped() > 0)
    std::fprintf(stderr, "tessaro: %s: %llu of %llu samples clipped to the output's range\n",
                 options.Output.c_str(), static_cast<unsigned long long>(writer.Clipped()),
                 static_cast<unsigned long long>(done * channels));
}

}  // namespace

void AddFilterCommand(CLI::App& app, TWork work) {
  auto options = std::make_shared<TFilterCommandOptions>();
  auto* command = app.add_subcommand("filter", "Filter a sound file, every channel on its own");
  command->add_option("IN", options->Input, "Sound file to read (WAV, FLAC, AIFF, Ogg, ...)")->required();
  command->add_option("OUT", options->Output, "Sound file to write; replaced only when everything succeeded")
      ->required();
  AddFilterOptions(*command, options->Filter, TRateOption::Without, TRetuneOption::With);
  command->add_option("--format", options->Format, "Container of OUT (default: IN's)")
      ->check(CLI::IsMember(MajorFormatNames(), CLI::ignore_case));
  command->add_option("--subtype", options->Subtype,
                      "Sample encoding of OUT (default: IN's; FLAC: pcm_24, Ogg: vorbis when IN's will not do)")
      ->check(CLI::IsMember(SubtypeNames(), CLI::ignore_case));
  command->add_flag("--quiet,-q", options->Quiet, "No progress bar");
  command->footer(
      "The filter runs at IN's sample rate. Samples are filtered in extended precision; integer\n"
      "outputs are rounded and clipped, and the clipped samples are counted on stderr.\n\n"
      "Examples:\n"
      "  tessaro filter --kind butterworth --response highpass --order 4 --f1 80 voice.wav clean.wav\n"
      "  tessaro filter --response bandstop --order 2 --f1 49 --f2 51 hum.flac quiet.flac\n"
      "  tessaro filter --response highpass --order 8 --f1 20 --structure cascade rumble.wav clean.wav\n"
      "  tessaro filter --form notch.txt --retune in.wav out.wav --subtype float\n"
      "  tessaro filter --f1 5000 in.wav out.flac --format flac --subtype pcm_24");
  command->callback([options, work] {
    if (work == TWork::Run) Run(*options);
  });
}

}  // namespace cli
