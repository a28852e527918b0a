// The command-line tool's parser on any command line. The first byte puts a
// subcommand in front (design, filter, spectrum, throughput, throughput iir,
// throughput fft, or none, so that the arguments choose); the other bytes
// are the arguments, split at NUL bytes. The tool's own parser reads them
// with every subcommand's work left out: nothing runs, only the options and
// their checks.
//
// Invariants:
// - the parse succeeds with exactly one subcommand chosen, or ends in an
//   error of the parser (CLI::ParseError): help, with its text on standard
//   output and exit status 0, or a usage error with a message and a status
//   other than 0; any other exception is a fault;
// - the working folder during the parse, an empty one of its own, stays
//   empty.
#include "FuzzSupport.h"

#include <CLI/CLI.hpp>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdlib>
#include <exception>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "Commands.h"

namespace tessaro::fuzz {

namespace {

constexpr std::size_t MaxArguments = 64;

const std::vector<std::vector<std::string>> Prefixes = {
    {"design"}, {"filter"}, {"spectrum"}, {"throughput"}, {"throughput", "iir"}, {"throughput", "fft"}, {}};

// An empty folder made on first use, removed at exit (before the path
// itself is destroyed: the removal is registered after it was made).
const std::filesystem::path& Folder() {
  static const std::filesystem::path folder = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "tessaro-cli-options-XXXXXX").string();
    if (!mkdtemp(pattern.data())) Fail("cannot make a scratch folder");
    return std::filesystem::path(pattern);
  }();
  [[maybe_unused]] static const int removal = std::atexit([] {
    std::error_code ignored;
    std::filesystem::remove(Folder(), ignored);
  });
  return folder;
}

// The folder as the working folder for a scope; then back to the one
// before, where the fuzzer keeps its files under relative names.
class TWorkingFolder {
 public:
  explicit TWorkingFolder(const std::filesystem::path& folder) : back_(open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
    if (back_ < 0 || chdir(folder.c_str()) != 0) Fail("cannot enter the scratch folder");
  }
  ~TWorkingFolder() {
    if (fchdir(back_) != 0) Fail("cannot return from the scratch folder");
    close(back_);
  }
  TWorkingFolder(const TWorkingFolder&) = delete;
  TWorkingFolder& operator=(const TWorkingFolder&) = delete;

 private:
  int back_;
};

std::vector<std::string> Arguments(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> arguments{"tessaro"};
  if (size == 0) return arguments;
  const auto& prefix = Prefixes[data[0] % Prefixes.size()];
  arguments.insert(arguments.end(), prefix.begin(), prefix.end());
  std::string argument;
  for (std::size_t i = 1; i < size && arguments.size() < MaxArguments; ++i) {
    if (data[i] != 0) {
      argument += static_cast<char>(data[i]);
      continue;
    }
    arguments.push_back(argument);
    argument.clear();
  }
  if (size > 1 && arguments.size() < MaxArguments) arguments.push_back(argument);
  return arguments;
}

// The command line for a message, each argument quoted, bytes outside
// printable ASCII escaped.
std::string Shown(const std::vector<std::string>& arguments) {
  std::string text;
  for (const std::string& argument : arguments) {
    text += " '";
    for (const char c : argument) {
      if (c >= 0x20 && c < 0x7f) {
        text += c;
        continue;
      }
      static const char Hex[] = "0123456789abcdef";
      const auto byte = static_cast<unsigned char>(c);
      text += std::string("\\x") + Hex[byte >> 4] + Hex[byte & 15];
    }
    text += "'";
  }
  return text;
}

void Parse(std::vector<std::string> arguments) {
  CLI::App app("Design IIR filters, filter sound files and analyse them with the Tessaro library.", "tessaro");
  cli::AddCommands(app, cli::TWork::Skip);
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  const std::string shown = Shown(arguments);
  try {
    cli::ParseCommandLine(app, static_cast<int>(argv.size()), argv.data());
    Require(app.get_subcommands().size() == 1, "a parse that chose no subcommand:" + shown);
  } catch (const CLI::Success& e) {
    std::ostringstream out, err;
    Require(app.exit(e, out, err) == 0 && !out.str().empty(), "help without text:" + shown);
  } catch (const CLI::ParseError& e) {
    std::ostringstream out, err;
    Require(app.exit(e, out, err) != 0 && *e.what() != '\0', "a usage error without a message or status:" + shown);
  } catch (const std::exception& e) {
    Fail(std::string("the parser threw ") + e.what() + ":" + shown);
  }
}

}  // namespace

}  // namespace tessaro::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tessaro::fuzz;
  const std::filesystem::path& folder = Folder();
  const TWorkingFolder inside(folder);
  Parse(Arguments(data, size));
  Require(std::filesystem::is_empty(folder), "the parser wrote into its working folder");
  return 0;
}
