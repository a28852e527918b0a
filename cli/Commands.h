// The subcommands of the tessaro program. Each adds itself, with its
// options, help and examples, to the application; its work runs as the
// subcommand's callback once the command line has parsed, and reports
// failures as TUsageError or TRunError (Errors.h). The options the parser
// fills belong to the callback, so they live as long as the application.
#pragma once

namespace CLI {
class App;
}

namespace cli {

// What a subcommand's callback does once its command line has parsed: the
// subcommand's work (the program), or nothing, so that the parser can be
// exercised alone, touching no file.
enum class TWork : bool { Run, Skip };

void AddDesignCommand(CLI::App& app, TWork work = TWork::Run);
void AddFilterCommand(CLI::App& app, TWork work = TWork::Run);
void AddSpectrumCommand(CLI::App& app, TWork work = TWork::Run);
void AddThroughputCommand(CLI::App& app, TWork work = TWork::Run);

// The whole command line of the program: exactly one of the subcommands
// above, and the footer of the top-level help.
void AddCommands(CLI::App& app, TWork work = TWork::Run);

// Parses argv (argv[0] the program) into app as CLI::App::parse does, after
// refusing an empty argument with a CLI::ValidationError: the parser takes
// one for the name of an option group, and with an unknown option after it
// never returns.
void ParseCommandLine(CLI::App& app, int argc, const char* const* argv);

}  // namespace cli
