#include "Progress.h"

#include <unistd.h>

#include <cstdio>
#include <utility>

namespace cli {
namespace {

constexpr auto Delay = std::chrono::seconds(1);
constexpr auto Interval = std::chrono::milliseconds(100);
constexpr int BarWidth = 40;

}  // namespace

TProgress::TProgress(std::string label, std::uint64_t total, bool enabled)
    : label_(std::move(label)),
      total_(total),
      enabled_(enabled && total > 0 && isatty(STDERR_FILENO)),
      start_(TClock::now()),
      next_(start_ + Delay) {}

TProgress::~TProgress() {
  if (drawn_) std::fprintf(stderr, "\r%*s\r", static_cast<int>(label_.size()) + BarWidth + 10, "");
}

void TProgress::Update(std::uint64_t done) {
  if (!enabled_) return;
  const TClock::time_point now = TClock::now();
  if (now < next_) return;
  next_ = now + Interval;
  const double fraction = done >= total_ ? 1.0 : static_cast<double>(done) / static_cast<double>(total_);
  const int filled = static_cast<int>(fraction * BarWidth);
  char bar[BarWidth + 1];
  for (int i = 0; i < BarWidth; ++i) bar[i] = i < filled ? '=' : i == filled ? '>' : ' ';
  bar[BarWidth] = '\0';
  std::fprintf(stderr, "\r%s [%s] %3d%%", label_.c_str(), bar, static_cast<int>(fraction * 100.0));
  std::fflush(stderr);
  drawn_ = true;
}

}  // namespace cli
