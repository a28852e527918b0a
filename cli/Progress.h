// A progress bar on stderr for long work: drawn only when stderr is a
// terminal, only once the work has taken a second, at most ten times a
// second, and erased when the work ends.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace cli {

class TProgress {
 public:
  // total: units of work (frames); 0 when unknown, which draws no bar.
  // enabled: false (--quiet) never draws.
  TProgress(std::string label, std::uint64_t total, bool enabled);
  ~TProgress();
  TProgress(const TProgress&) = delete;
  TProgress& operator=(const TProgress&) = delete;

  void Update(std::uint64_t done);

 private:
  using TClock = std::chrono::steady_clock;

  std::string label_;
  std::uint64_t total_ = 0;
  bool enabled_ = false;
  bool drawn_ = false;
  TClock::time_point start_;
  TClock::time_point next_;
};

}  // namespace cli
