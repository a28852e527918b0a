// The two kinds of failure of a command, told apart by the exit status:
// a usage error (2) is wrong on the command line itself, a run error (1)
// comes from the files, the library or the system. Both carry one line of
// text that names the option, file or line and the problem.
#pragma once

#include <stdexcept>
#include <string>

namespace cli {

inline constexpr int ExitSuccess = 0;
inline constexpr int ExitFailure = 1;
inline constexpr int ExitUsage = 2;

class TUsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TRunError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// "where: problem", the form of every message.
inline TRunError RunError(const std::string& where, const std::string& problem) {
  return TRunError(where + ": " + problem);
}

}  // namespace cli
