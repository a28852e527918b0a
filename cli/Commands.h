// The subcommands of the tessaro program. Each adds itself, with its
// options, help and examples, to the application; its work runs as the
// subcommand's callback once the command line has parsed, and reports
// failures as TUsageError or TRunError (Errors.h).
#pragma once

namespace CLI {
class App;
}

namespace cli {

void AddDesignCommand(CLI::App& app);
void AddFilterCommand(CLI::App& app);
void AddSpectrumCommand(CLI::App& app);
void AddThroughputCommand(CLI::App& app);

}  // namespace cli
