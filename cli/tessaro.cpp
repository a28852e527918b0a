// tessaro: design IIR filters, filter sound files and look at their spectra
// from the command line.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <exception>
#include <new>

#include "Commands.h"
#include "Errors.h"
#include "OutputFile.h"

int main(int argc, char** argv) {
  cli::InstallInterruptCleanup();
  CLI::App app("Design IIR filters, filter sound files and analyse them with the Tessaro library.", "tessaro");
  cli::AddCommands(app);
  try {
    cli::ParseCommandLine(app, argc, argv);
    return cli::ExitSuccess;
  } catch (const CLI::Success& e) {
    return app.exit(e);  // --help
  } catch (const CLI::ParseError& e) {
    std::fprintf(stderr, "tessaro: %s\n", e.what());
    return cli::ExitUsage;
  } catch (const cli::TUsageError& e) {
    std::fprintf(stderr, "tessaro: %s\n", e.what());
    return cli::ExitUsage;
  } catch (const std::bad_alloc&) {
    std::fprintf(stderr, "tessaro: out of memory\n");
    return cli::ExitFailure;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "tessaro: %s\n", e.what());
    return cli::ExitFailure;
  }
}
