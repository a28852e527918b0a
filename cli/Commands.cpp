#include "Commands.h"

#include <CLI/CLI.hpp>

#include <string>

namespace cli {

void AddCommands(CLI::App& app, TWork work) {
  app.require_subcommand(1);
  app.footer(
      "Exit status: 0 success, 2 a usage error, 1 any other failure (one line on stderr).\n"
      "Run tessaro COMMAND --help for a command's options and examples.");
  AddDesignCommand(app, work);
  AddFilterCommand(app, work);
  AddSpectrumCommand(app, work);
  AddThroughputCommand(app, work);
}

void ParseCommandLine(CLI::App& app, int argc, const char* const* argv) {
  for (int i = 1; i < argc; ++i)
    if (*argv[i] == '\0')
      throw CLI::ValidationError("argument " + std::to_string(i), "empty, which no option, value or file name may be");
  app.parse(argc, argv);
}

}  // namespace cli
