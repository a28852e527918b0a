// Every way a run can fail: its exit status (2 for the command line, 1 for
// the rest), its one line on stderr naming the culprit, and no output file,
// not even a temporary one. Also SIGINT in the middle of a run.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "CliRun.h"
#include "SoundFiles.h"

namespace cli::test {
namespace {

struct TFailureCase {
  const char* Name;
  std::vector<std::string> Args;
  int Exit;
  const char* Message;  // found in the line on stderr
};

void PrintTo(const TFailureCase& c, std::ostream* out) { *out << c.Name; }

// Every case runs in a folder holding in.wav (48 kHz stereo float), its hard
// link link.wav, junk.wav (not a sound file), short.wav (100 frames),
// bad.txt (a stored form with a bad value on line 3) and rate.txt (a
// stored form at 44100 Hz). None of them may leave "out*" behind.
const TFailureCase FailureCases[] = {
    {"MissingInput", {"filter", "missing.wav", "out.wav"}, 1, "missing.wav: No such file or directory"},
    {"InputIsAFolder", {"filter", ".", "out.wav"}, 1, ".: is a folder, not a sound file"},
    {"UnreadableFormat", {"filter", "junk.wav", "out.wav"}, 1, "junk.wav: cannot be read: "},
    {"UnwritableFormat", {"filter", "in.wav", "out.flac", "--format", "flac", "--subtype", "float"}, 1,
     "out.flac: libsndfile cannot write FLAC"},
    {"OutputIsInput", {"filter", "in.wav", "in.wav"}, 1, "in.wav: is the same file as the input in.wav"},
    {"OutputIsInputByAnotherPath", {"filter", "in.wav", "../" + std::string("X/in.wav")}, 1,
     "is the same file as the input in.wav"},
    {"OutputIsAHardLinkOfInput", {"filter", "in.wav", "link.wav"}, 1, "link.wav: is the same file as the input"},
    {"OutputIsTheForm", {"filter", "--form", "rate.txt", "--retune", "in.wav", "rate.txt"}, 1,
     "rate.txt: is the same file as the input rate.txt"},
    {"OutputFolderMissing", {"filter", "in.wav", "none/out.wav"}, 1, "none/out.wav: No such file or directory"},
    {"FormDoesNotParse", {"filter", "--form", "bad.txt", "in.wav", "out.wav"}, 1,
     "bad.txt: Stored form, line 3: "},
    {"FormMissing", {"design", "--form", "none.txt", "--save", "out.txt"}, 1, "none.txt: No such file or directory"},
    {"FormAtAnotherRate", {"filter", "--form", "rate.txt", "in.wav", "out.wav"}, 1,
     "rate.txt: SampleRate 44100 Hz differs from in.wav's 48000 Hz"},
    {"DesignRejected", {"design", "--f1", "nan", "--save", "out.txt", "--plot", "out.png"}, 1,
     "--f1: Frequency1 = nan"},
    {"TooShortForASegment", {"spectrum", "short.wav", "--plot", "out.png"}, 1,
     "short.wav: has 100 frames, fewer than one segment of 1024 (--size)"},
    {"NoSuchChannel", {"spectrum", "in.wav", "--channel", "3"}, 1, "in.wav: has 2 channels, no channel 3"},
    {"PlotFolderMissing", {"design", "--plot", "none/out.png"}, 1, "none/out.png: No such file or directory"},
    {"NoCommand", {}, 2, "A subcommand is required"},
    {"MissingOutput", {"filter", "in.wav"}, 2, "OUT is required"},
    {"OrderOutOfRange", {"filter", "--order", "9", "in.wav", "out.wav"}, 2, "--order: "},
    {"UnknownKind", {"design", "--kind", "elliptic", "--save", "out.txt"}, 2, "--kind: "},
    {"UnknownStructure", {"filter", "--structure", "lattice", "in.wav", "out.wav"}, 2, "--structure: "},
    {"StructureWithoutValue", {"design", "--structure"}, 2, "--structure: "},
    {"FormWithStructure", {"filter", "--form", "rate.txt", "--structure", "cascade", "--retune", "in.wav", "out.wav"},
     2, "--structure excludes --form"},
    {"RateBelongsToDesign", {"filter", "--rate", "8000", "in.wav", "out.wav"}, 2,
     "--rate: the filter runs at the file's sample rate"},
    {"FormWithDesignOptions", {"filter", "--form", "rate.txt", "--order", "2", "in.wav", "out.wav"}, 2,
     "--order excludes --form"},
    {"FormWithBandForm", {"design", "--form", "rate.txt", "--response", "highpass", "--save", "out.txt"}, 2,
     "--response: a band form conflicts with --form"},
    {"RetuneWithoutForm", {"filter", "--retune", "in.wav", "out.wav"}, 2, "--retune requires --form"},
    {"UnknownSubtype", {"filter", "in.wav", "out.wav", "--subtype", "pcm_12"}, 2, "--subtype: "},
    {"SizeNotAPowerOfTwo", {"spectrum", "in.wav", "--size", "1000"}, 2, "--size: \"1000\" is not a power of two"},
    {"PlotTooSmall", {"design", "--plot", "out.png", "--plot-size", "10x10"}, 2, "--plot-size: "},
    {"TableWithoutRows", {"design", "--format", "csv"}, 2, "--format csv: the table needs --response N"},
    {"DurationTooLong", {"throughput", "fft", "--duration", "5000"}, 2, "--duration: "},
    {"EmptyArgumentBeforeAnUnknownOption", {"design", "--save", "out.txt", "", "--unknown"}, 2,
     "argument 4: empty, which no option, value or file name may be"},
    {"EmptyValue", {"filter", "in.wav", "out.wav", "--form", ""}, 2, "argument 5: empty"},
};

class Failure : public TScratch, public ::testing::WithParamInterface<TFailureCase> {};

TEST_P(Failure, ExitsWithOneLineAndNoOutput) {
  const TFailureCase& c = GetParam();
  WriteSound(Path("in.wav"), TestSound(SF_FORMAT_WAV | SF_FORMAT_FLOAT, 2, 2000, 0.5));
  std::filesystem::create_hard_link(Path("in.wav"), Path("link.wav"));
  WriteSound(Path("short.wav"), TestSound(SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, 100, 0.5));
  WriteText("junk.wav", "RIFF, but not really\n");
  WriteText("bad.txt", "object f: TsigIIRFilter\n  Kind = fkButterworth\n  Order = many\nend\n");
  WriteText("rate.txt", "object f: TsigIIRFilter\n  Kind = fkButterworth\n  Response = ftLowpass\n"
                        "  SampleRate = 44100\nend\n");
  std::vector<std::string> args = c.Args;
  // "X" stands for the scratch folder's own name.
  for (std::string& a : args)
    if (a.starts_with("../X/")) a = "../" + std::filesystem::path(Path("")).parent_path().filename().string() + a.substr(4);
  const std::vector<std::string> before = Files();

  const TRun run = Tessaro(args);
  EXPECT_EQ(run.Exit, c.Exit);
  EXPECT_TRUE(run.Err.starts_with("tessaro: ")) << run.Err;
  EXPECT_NE(run.Err.find(c.Message), std::string::npos) << run.Err;
  EXPECT_EQ(std::count(run.Err.begin(), run.Err.end(), '\n'), 1) << run.Err;
  EXPECT_EQ(Files(), before) << "a file was left behind";
}

INSTANTIATE_TEST_SUITE_P(Cases, Failure, ::testing::ValuesIn(FailureCases),
                         [](const auto& info) { return std::string(info.param.Name); });

// SIGINT while the input is still arriving through a pipe: the temporary
// output is removed and the signal ends the tool.
TEST_F(TScratch, InterruptRemovesTheTemporaryOutput) {
  WriteSound(Path("whole.wav"), TestSound(SF_FORMAT_WAV | SF_FORMAT_FLOAT, 2, 48000, 0.5));
  const std::string sound = ReadText("whole.wav");
  ASSERT_EQ(mkfifo(Path("in.wav").c_str(), 0600), 0);
  const int pid = Start({"filter", "--order", "2", "in.wav", "out.wav"});
  const int pipe = open(Path("in.wav").c_str(), O_WRONLY);  // waits for the tool to open it
  ASSERT_GE(pipe, 0);
  ASSERT_EQ(write(pipe, sound.data(), sound.size() / 2), static_cast<ssize_t>(sound.size() / 2));
  const auto temporary = [this] {
    const auto files = Files();
    return std::any_of(files.begin(), files.end(), [](const std::string& f) { return f.starts_with(".out.wav."); });
  };
  // The tool makes its temporary output, filters what has come and waits
  // for more. (The bound only keeps a broken tool from hanging the test.)
  for (int i = 0; i < 60000 && !temporary(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  ASSERT_TRUE(temporary());
  kill(pid, SIGINT);
  const TRun run = Wait(pid);
  close(pipe);
  EXPECT_EQ(run.Signal, SIGINT);
  EXPECT_FALSE(temporary());
  EXPECT_FALSE(Exists("out.wav"));
}

}  // namespace
}  // namespace cli::test
