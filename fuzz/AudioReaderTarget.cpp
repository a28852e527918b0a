// The command-line tool's sound-file reader on any file: the input is
// written to a scratch file, which TSoundFile::OpenRead opens and Read reads
// to the end in blocks, as the filter and spectrum commands do.
//
// Invariants:
// - opening either fails with a TRunError that names the file, or gives at
//   least one channel;
// - each Read gives at most the frames asked for, or fails with a TRunError
//   that names the file; once it has given 0 it gives 0 again;
// - integer PCM arrives in [-1, 1) on the file's grid, the other waveform
//   encodings (companded, ADPCM, DPCM, lossless) within [-1, 1]; float and
//   double files and the lossy codecs, whose decoders overshoot full scale
//   near clipped peaks and may produce anything from a hostile stream, are
//   taken as they come;
// - the frames read are no more than the header counts, when it counts them
//   (reading stops at a budget of frames, so that an input stays fast).
#include "FuzzSupport.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <string>
#include <vector>

#include "Errors.h"
#include "SoundFile.h"

namespace tessaro::fuzz {

namespace {

constexpr std::size_t BlockFrames = 512;
constexpr std::uint64_t FrameBudget = 1 << 18;

// A scratch file made on first use, removed at exit (before the path itself
// is destroyed: the removal is registered after it was made).
const std::string& ScratchPath() {
  static const std::string path = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "tessaro-audio-reader-XXXXXX").string();
    const int descriptor = mkstemp(pattern.data());
    if (descriptor < 0) Fail("cannot make a scratch file");
    close(descriptor);
    return pattern;
  }();
  [[maybe_unused]] static const int removal = std::atexit([] { unlink(ScratchPath().c_str()); });
  return path;
}

void WriteScratch(const std::uint8_t* data, std::size_t size) {
  const int descriptor = open(ScratchPath().c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
  if (descriptor < 0) Fail("cannot write the scratch file");
  for (std::size_t done = 0; done < size;) {
    const ssize_t written = write(descriptor, data + done, size - done);
    if (written <= 0) Fail("cannot write the scratch file");
    done += static_cast<std::size_t>(written);
  }
  close(descriptor);
}

bool NamesTheFile(const std::exception& e) {
  return std::string(e.what()).starts_with(ScratchPath() + ": ");
}

// Whether a sample lies where its encoding's samples arrive: integer PCM in
// [-1, 1) on the 2^-31 grid, float, double and lossy codecs anywhere, the
// rest in [-1, 1].
bool InRange(int format, Extended v) {
  switch (format & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_FLOAT:
    case SF_FORMAT_DOUBLE:
    case SF_FORMAT_VORBIS:
    case SF_FORMAT_OPUS:
    case SF_FORMAT_MPEG_LAYER_I:
    case SF_FORMAT_MPEG_LAYER_II:
    case SF_FORMAT_MPEG_LAYER_III: return true;
    case SF_FORMAT_PCM_S8:
    case SF_FORMAT_PCM_U8:
    case SF_FORMAT_PCM_16:
    case SF_FORMAT_PCM_24:
    case SF_FORMAT_PCM_32: return v >= -1.0L && v < 1.0L && v * 0x1p31L == std::nearbyint(v * 0x1p31L);
    default: return v >= -1.0L && v <= 1.0L;
  }
}

void Read(cli::TSoundFile& file) {
  const SF_INFO& info = file.Info();
  Require(info.channels >= 1, "a file opened with " + std::to_string(info.channels) + " channels");
  const auto channels = static_cast<std::size_t>(info.channels);
  cli::TChannelBlocks blocks(channels, BlockFrames);
  std::uint64_t total = 0;
  bool ended = false;
  while (total < FrameBudget) {
    std::size_t got = 0;
    try {
      got = file.Read(blocks.Pointers, blocks.Frames);
    } catch (const cli::TRunError& e) {
      Require(NamesTheFile(e), std::string("a read error that does not name the file: ") + e.what());
      return;
    }
    Require(got <= blocks.Frames, "Read gave more frames than asked for");
    Require(!ended || got == 0, "Read gave frames after the end");
    if (got == 0) {
      if (ended) break;
      ended = true;  // and once more, to see that the end stays
      continue;
    }
    for (std::size_t c = 0; c < channels; ++c)
      for (std::size_t i = 0; i < got; ++i)
        Require(InRange(info.format, blocks.Pointers[c][i]),
                "a sample outside its encoding's range, format " + std::to_string(info.format));
    total += got;
  }
  if (ended && file.KnownFrames() > 0)
    Require(total <= file.KnownFrames(), "read " + std::to_string(total) + " frames of a file that counts " +
                                             std::to_string(file.KnownFrames()));
}

}  // namespace

}  // namespace tessaro::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tessaro::fuzz;
  WriteScratch(data, size);
  try {
    cli::TSoundFile file = cli::TSoundFile::OpenRead(ScratchPath());
    Read(file);
  } catch (const cli::TRunError& e) {
    Require(NamesTheFile(e), std::string("an open error that does not name the file: ") + e.what());
  }
  return 0;
}
