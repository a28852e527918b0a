// Audio files through libsndfile, with samples as Extended values in the
// normalised range: full scale is [-1, 1).
//
// Samples keep their values exactly on the way in: float and double files
// are read as such, integer PCM as integers divided by 2^(bits-1); other
// encodings are decoded by libsndfile to doubles. On the way out float and
// double files take each Extended rounded once to their type; integer PCM
// takes the value times 2^(bits-1) rounded to nearest (ties to even) and
// clipped to the integer range; other encodings are clipped to [-1, 1] and
// handed to libsndfile as doubles. Every clipped sample (and a NaN, written
// as 0) is counted.
#pragma once

#include <sndfile.h>

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "tessaro/sigTypes.h"

namespace cli {

class TSoundFile {
 public:
  // Opens a file for reading; TRunError naming path when it is missing,
  // unreadable or not in a format libsndfile reads.
  static TSoundFile OpenRead(const std::string& path);
  // Opens a descriptor for writing with the given format, rate and channel
  // count; TRunError naming path when libsndfile cannot write that format.
  // The descriptor stays the caller's.
  static TSoundFile OpenWrite(int descriptor, const std::string& path, const SF_INFO& info);

  TSoundFile(TSoundFile&& other) noexcept;
  TSoundFile& operator=(TSoundFile&&) = delete;
  ~TSoundFile();

  const SF_INFO& Info() const { return info_; }
  // Frames in the file, 0 when libsndfile cannot tell (a pipe, say).
  std::uint64_t KnownFrames() const {
    return info_.frames > 0 && info_.frames < SF_COUNT_MAX ? static_cast<std::uint64_t>(info_.frames) : 0;
  }
  const std::string& Path() const { return path_; }

  // Reads up to frames frames, the samples of channel c into channels[c][0],
  // [1], ... (one buffer of at least frames values per channel); returns
  // how many were read (0 at the end). TRunError naming the file on a read
  // error.
  std::size_t Read(std::span<tessaro::Extended* const> channels, std::size_t frames);
  // Writes frames frames from one buffer per channel. TRunError naming the
  // file when it cannot.
  void Write(std::span<const tessaro::Extended* const> channels, std::size_t frames);
  // Finishes the file (header, trailer); TRunError when that fails.
  void Close();

  std::uint64_t Clipped() const { return clipped_; }

 private:
  enum class TSampleType { Float, Double, Integer, Decoded };

  TSoundFile(SNDFILE* file, const std::string& path, const SF_INFO& info);
  [[noreturn]] void Fail(const char* what) const;

  SNDFILE* file_ = nullptr;
  std::string path_;
  SF_INFO info_{};
  TSampleType type_ = TSampleType::Decoded;
  int bits_ = 0;  // of integer PCM
  std::uint64_t clipped_ = 0;
  int descriptor_ = -1;  // of a file opened for reading, closed with it
  std::vector<float> floats_;
  std::vector<double> doubles_;
  std::vector<int> integers_;
};

// One buffer of Frames values per channel, with the pointers that Read and
// Write take.
struct TChannelBlocks {
  TChannelBlocks(std::size_t channels, std::size_t frames)
      : Buffers(channels, std::vector<tessaro::Extended>(frames)), Frames(frames) {
    for (auto& buffer : Buffers) Pointers.push_back(buffer.data());
  }
  std::vector<std::vector<tessaro::Extended>> Buffers;
  std::vector<tessaro::Extended*> Pointers;
  std::size_t Frames = 0;
};

// The names --format and --subtype accept ("wav", "flac"; "pcm_16",
// "float"), lower-case libsndfile names without their prefix.
std::vector<std::string> MajorFormatNames();
std::vector<std::string> SubtypeNames();
int MajorFormat(const std::string& name);  // SF_FORMAT_WAV for "wav"; 0 for none
int Subtype(const std::string& name);      // SF_FORMAT_PCM_16 for "pcm_16"; 0 for none
// libsndfile's description of the major format and subtype of a format.
std::string DescribeFormat(int format);

// The output format of filter: the input's, with the major format and the
// subtype replaced where asked (0 keeps it). A subtype the new major format
// cannot hold falls back to the format's usual one (FLAC: 24-bit PCM, Ogg:
// Vorbis) when no subtype was asked for. TRunError naming path when
// libsndfile cannot write the result.
int OutputFormat(const SF_INFO& input, int major, int subtype, const std::string& path);

}  // namespace cli
