#include "SoundFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <utility>

#include "Errors.h"
#include "NameTable.h"

namespace cli {
namespace {

constexpr std::array<std::pair<std::string_view, int>, 26> MajorFormats{{
    {"wav", SF_FORMAT_WAV},     {"wavex", SF_FORMAT_WAVEX}, {"aiff", SF_FORMAT_AIFF}, {"au", SF_FORMAT_AU},
    {"raw", SF_FORMAT_RAW},     {"w64", SF_FORMAT_W64},     {"rf64", SF_FORMAT_RF64}, {"caf", SF_FORMAT_CAF},
    {"flac", SF_FORMAT_FLAC},   {"ogg", SF_FORMAT_OGG},     {"mpeg", SF_FORMAT_MPEG}, {"paf", SF_FORMAT_PAF},
    {"svx", SF_FORMAT_SVX},     {"nist", SF_FORMAT_NIST},   {"voc", SF_FORMAT_VOC},   {"ircam", SF_FORMAT_IRCAM},
    {"mat4", SF_FORMAT_MAT4},   {"mat5", SF_FORMAT_MAT5},   {"pvf", SF_FORMAT_PVF},   {"xi", SF_FORMAT_XI},
    {"htk", SF_FORMAT_HTK},     {"sds", SF_FORMAT_SDS},     {"avr", SF_FORMAT_AVR},   {"sd2", SF_FORMAT_SD2},
    {"wve", SF_FORMAT_WVE},     {"mpc2k", SF_FORMAT_MPC2K},
}};

constexpr std::array<std::pair<std::string_view, int>, 28> Subtypes{{
    {"pcm_s8", SF_FORMAT_PCM_S8},       {"pcm_u8", SF_FORMAT_PCM_U8},       {"pcm_16", SF_FORMAT_PCM_16},
    {"pcm_24", SF_FORMAT_PCM_24},       {"pcm_32", SF_FORMAT_PCM_32},       {"float", SF_FORMAT_FLOAT},
    {"double", SF_FORMAT_DOUBLE},       {"ulaw", SF_FORMAT_ULAW},           {"alaw", SF_FORMAT_ALAW},
    {"ima_adpcm", SF_FORMAT_IMA_ADPCM}, {"ms_adpcm", SF_FORMAT_MS_ADPCM},   {"gsm610", SF_FORMAT_GSM610},
    {"vox_adpcm", SF_FORMAT_VOX_ADPCM}, {"g721_32", SF_FORMAT_G721_32},     {"g723_24", SF_FORMAT_G723_24},
    {"g723_40", SF_FORMAT_G723_40},     {"dwvw_12", SF_FORMAT_DWVW_12},     {"dwvw_16", SF_FORMAT_DWVW_16},
    {"dwvw_24", SF_FORMAT_DWVW_24},     {"dpcm_8", SF_FORMAT_DPCM_8},       {"dpcm_16", SF_FORMAT_DPCM_16},
    {"vorbis", SF_FORMAT_VORBIS},       {"opus", SF_FORMAT_OPUS},           {"alac_16", SF_FORMAT_ALAC_16},
    {"alac_20", SF_FORMAT_ALAC_20},     {"alac_24", SF_FORMAT_ALAC_24},     {"alac_32", SF_FORMAT_ALAC_32},
    {"mp3", SF_FORMAT_MPEG_LAYER_III},
}};

// Bits of an integer PCM subtype, 0 for the others.
int IntegerBits(int subtype) {
  switch (subtype) {
    case SF_FORMAT_PCM_S8:
    case SF_FORMAT_PCM_U8: return 8;
    case SF_FORMAT_PCM_16: return 16;
    case SF_FORMAT_PCM_24: return 24;
    case SF_FORMAT_PCM_32: return 32;
    default: return 0;
  }
}

// libsndfile's name of a major format or a subtype.
std::string Describe(int format) {
  SF_FORMAT_INFO info{};
  info.format = format;
  if (sf_command(nullptr, SFC_GET_FORMAT_INFO, &info, sizeof info) != 0 || !info.name)
    return "format " + std::to_string(format);
  return info.name;
}

// libsndfile's messages end in a full stop; ours carry none.
std::string Trimmed(const char* message) {
  std::string text = message ? message : "unknown libsndfile error";
  while (!text.empty() && (text.back() == '.' || text.back() == '\n' || text.back() == ' ')) text.pop_back();
  for (char& c : text)
    if (c == '\n') c = ' ';
  return text;
}

bool Writable(SF_INFO info) { return sf_format_check(&info) != 0; }

}  // namespace

TSoundFile TSoundFile::OpenRead(const std::string& path) {
  const int descriptor = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (descriptor < 0) throw RunError(path, std::strerror(errno));
  struct stat status {};
  if (fstat(descriptor, &status) == 0 && S_ISDIR(status.st_mode)) {
    close(descriptor);
    throw RunError(path, "is a folder, not a sound file");
  }
  SF_INFO info{};
  SNDFILE* file = sf_open_fd(descriptor, SFM_READ, &info, SF_FALSE);
  if (!file) {
    const std::string problem = Trimmed(sf_strerror(nullptr));
    close(descriptor);
    throw RunError(path, "cannot be read: " + problem);
  }
  TSoundFile sound(file, path, info);
  sound.descriptor_ = descriptor;
  return sound;
}

TSoundFile TSoundFile::OpenWrite(int descriptor, const std::string& path, const SF_INFO& info) {
  SF_INFO wanted = info;
  if (!Writable(wanted))
    throw RunError(path, "libsndfile cannot write " + DescribeFormat(info.format) + " with " +
                             std::to_string(info.channels) + " channels at " + std::to_string(info.samplerate) + " Hz");
  SNDFILE* file = sf_open_fd(descriptor, SFM_WRITE, &wanted, SF_FALSE);
  if (!file) throw RunError(path, "cannot be written: " + Trimmed(sf_strerror(nullptr)));
  return TSoundFile(file, path, wanted);
}

TSoundFile::TSoundFile(SNDFILE* file, const std::string& path, const SF_INFO& info)
    : file_(file), path_(path), info_(info) {
  const int subtype = info.format & SF_FORMAT_SUBMASK;
  bits_ = IntegerBits(subtype);
  type_ = subtype == SF_FORMAT_FLOAT    ? TSampleType::Float
          : subtype == SF_FORMAT_DOUBLE ? TSampleType::Double
          : bits_ > 0                   ? TSampleType::Integer
                                        : TSampleType::Decoded;
  // A float file read as float is taken as it is stored, never rescaled.
  sf_command(file_, SFC_SET_SCALE_FLOAT_INT_READ, nullptr, SF_FALSE);
  if (type_ == TSampleType::Decoded) sf_command(file_, SFC_SET_CLIPPING, nullptr, SF_TRUE);
}

TSoundFile::TSoundFile(TSoundFile&& other) noexcept
    : file_(std::exchange(other.file_, nullptr)),
      path_(std::move(other.path_)),
      info_(other.info_),
      type_(other.type_),
      bits_(other.bits_),
      clipped_(other.clipped_),
      descriptor_(std::exchange(other.descriptor_, -1)) {}

TSoundFile::~TSoundFile() {
  if (file_) sf_close(file_);
  if (descriptor_ >= 0) close(descriptor_);
}

void TSoundFile::Fail(const char* what) const {
  throw RunError(path_, std::string(what) + ": " + Trimmed(sf_strerror(file_)));
}

std::size_t TSoundFile::Read(std::span<tessaro::Extended* const> channels, std::size_t frames) {
  const std::size_t count = static_cast<std::size_t>(info_.channels);
  sf_count_t got = 0;
  // Each sample of the file's interleaved block, converted, to its channel.
  const auto scatter = [&](const auto* block, auto convert) {
    for (std::size_t i = 0; i < static_cast<std::size_t>(got); ++i)
      for (std::size_t c = 0; c < count; ++c) channels[c][i] = convert(block[i * count + c]);
  };
  switch (type_) {
    case TSampleType::Float:
      floats_.resize(frames * count);
      got = sf_readf_float(file_, floats_.data(), static_cast<sf_count_t>(frames));
      scatter(floats_.data(), [](float v) { return static_cast<tessaro::Extended>(v); });
      break;
    case TSampleType::Integer:
      // Left-justified 32-bit integers: 2^-31 scales any width exactly.
      integers_.resize(frames * count);
      got = sf_readf_int(file_, integers_.data(), static_cast<sf_count_t>(frames));
      scatter(integers_.data(), [](int v) { return static_cast<tessaro::Extended>(v) * 0x1p-31L; });
      break;
    case TSampleType::Double:
    case TSampleType::Decoded:
      doubles_.resize(frames * count);
      got = sf_readf_double(file_, doubles_.data(), static_cast<sf_count_t>(frames));
      scatter(doubles_.data(), [](double v) { return static_cast<tessaro::Extended>(v); });
      break;
  }
  if (got < static_cast<sf_count_t>(frames) && sf_error(file_) != SF_ERR_NO_ERROR) Fail("read error");
  return static_cast<std::size_t>(got);
}

void TSoundFile::Write(std::span<const tessaro::Extended* const> channels, std::size_t frames) {
  const std::size_t count = static_cast<std::size_t>(info_.channels);
  // Every channel's samples, converted, into the file's interleaved block.
  const auto gather = [&](auto& block, auto convert) {
    block.resize(frames * count);
    for (std::size_t i = 0; i < frames; ++i)
      for (std::size_t c = 0; c < count; ++c) block[i * count + c] = convert(channels[c][i]);
    return block.data();
  };
  sf_count_t written = 0;
  const auto n = static_cast<sf_count_t>(frames);
  switch (type_) {
    case TSampleType::Float:
      written = sf_writef_float(file_, gather(floats_, [](tessaro::Extended v) { return static_cast<float>(v); }), n);
      break;
    case TSampleType::Double:
      written =
          sf_writef_double(file_, gather(doubles_, [](tessaro::Extended v) { return static_cast<double>(v); }), n);
      break;
    case TSampleType::Integer: {
      // Rounded on the file's own grid, then moved to the top of the 32-bit
      // word where libsndfile expects it.
      const tessaro::Extended scale = std::ldexp(1.0L, bits_ - 1);
      const tessaro::Extended lowest = -scale;
      const tessaro::Extended highest = scale - 1.0L;
      const int shift = 32 - bits_;
      const auto toInteger = [&](tessaro::Extended x) {
        tessaro::Extended v = std::nearbyint(x * scale);
        if (!(v >= lowest && v <= highest)) {
          ++clipped_;
          v = std::isnan(v) ? 0.0L : v < lowest ? lowest : highest;
        }
        return static_cast<int>(static_cast<std::uint32_t>(static_cast<std::int64_t>(v)) << shift);
      };
      written = sf_writef_int(file_, gather(integers_, toInteger), n);
      break;
    }
    case TSampleType::Decoded: {
      const auto toUnit = [&](tessaro::Extended v) {
        if (!(v >= -1.0L && v <= 1.0L)) {
          ++clipped_;
          v = std::isnan(v) ? 0.0L : v < -1.0L ? -1.0L : 1.0L;
        }
        return static_cast<double>(v);
      };
      written = sf_writef_double(file_, gather(doubles_, toUnit), n);
      break;
    }
  }
  if (written != n) Fail("write error");
}

void TSoundFile::Close() {
  SNDFILE* file = std::exchange(file_, nullptr);
  if (file && sf_close(file) != 0) throw RunError(path_, "cannot be finished: " + Trimmed(sf_strerror(nullptr)));
}

std::vector<std::string> MajorFormatNames() { return Names(MajorFormats); }
std::vector<std::string> SubtypeNames() { return Names(Subtypes); }
int MajorFormat(const std::string& name) { return Find(MajorFormats, name).value_or(0); }
int Subtype(const std::string& name) { return Find(Subtypes, name).value_or(0); }

std::string DescribeFormat(int format) {
  return Describe(format & SF_FORMAT_TYPEMASK) + ", " + Describe(format & SF_FORMAT_SUBMASK);
}

int OutputFormat(const SF_INFO& input, int major, int subtype, const std::string& path) {
  SF_INFO info = input;
  const int newMajor = major ? major : input.format & SF_FORMAT_TYPEMASK;
  const int newSubtype = subtype ? subtype : input.format & SF_FORMAT_SUBMASK;
  // The byte order of the input only where the container stays the same.
  const int endian = major ? 0 : input.format & SF_FORMAT_ENDMASK;
  info.format = newMajor | newSubtype | endian;
  if (!Writable(info) && !subtype) {
    const int usual = newMajor == SF_FORMAT_FLAC ? SF_FORMAT_PCM_24
                      : newMajor == SF_FORMAT_OGG ? SF_FORMAT_VORBIS
                                                   : newSubtype;
    info.format = newMajor | usual | endian;
  }
  if (!Writable(info))
    throw RunError(path, "libsndfile cannot write " + DescribeFormat(info.format) + " with " +
                             std::to_string(info.channels) + " channels at " + std::to_string(info.samplerate) +
                             " Hz; choose another --format or --subtype");
  return info.format;
}

}  // namespace cli
