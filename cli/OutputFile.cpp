#include "OutputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>

#include "Errors.h"

namespace cli {
namespace {

// The temporary paths the signal handler removes. A slot is filled before
// it is marked used and unmarked before it is reused, so the handler only
// ever reads whole paths.
struct TSlot {
  char Path[PATH_MAX] = {};
  volatile std::sig_atomic_t Used = 0;
};
std::array<TSlot, 4> Slots;

constexpr int CleanupSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};

extern "C" void RemoveTemporariesAndReraise(int signal) {
  for (TSlot& slot : Slots)
    if (slot.Used) unlink(slot.Path);
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

int Register(const std::string& path) {
  if (path.size() >= PATH_MAX) return -1;
  for (std::size_t i = 0; i < Slots.size(); ++i) {
    if (Slots[i].Used) continue;
    std::memcpy(Slots[i].Path, path.c_str(), path.size() + 1);
    Slots[i].Used = 1;
    return static_cast<int>(i);
  }
  return -1;
}

void Unregister(int slot) {
  if (slot >= 0) Slots[static_cast<std::size_t>(slot)].Used = 0;
}

std::string Folder(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string BaseName(const std::string& path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

void RefuseInputs(const std::string& path, std::span<const std::string> inputs) {
  struct stat out {};
  if (stat(path.c_str(), &out) != 0) return;  // nothing there yet (or unreadable: mkstemp will tell)
  if (S_ISDIR(out.st_mode)) throw RunError(path, "is a folder, not a file");
  for (const std::string& input : inputs) {
    if (input.empty()) continue;
    struct stat in {};
    if (stat(input.c_str(), &in) == 0 && in.st_dev == out.st_dev && in.st_ino == out.st_ino)
      throw RunError(path, "is the same file as the input " + input + "; choose another output");
  }
}

}  // namespace

TOutputFile::TOutputFile(std::string path, std::span<const std::string> inputs) : path_(std::move(path)) {
  if (path_.empty() || path_.back() == '/') throw RunError(path_.empty() ? "output" : path_, "names no file");
  RefuseInputs(path_, inputs);
  std::string pattern = Folder(path_) + "/." + BaseName(path_) + ".XXXXXX";
  descriptor_ = mkstemp(pattern.data());
  if (descriptor_ < 0) throw RunError(path_, std::strerror(errno));
  temporary_ = std::move(pattern);
  slot_ = Register(temporary_);
  const mode_t mask = umask(0);
  umask(mask);
  fchmod(descriptor_, 0666 & ~mask);
}

TOutputFile::~TOutputFile() {
  if (descriptor_ >= 0) close(descriptor_);
  if (!temporary_.empty()) {
    unlink(temporary_.c_str());
    Unregister(slot_);
  }
}

void TOutputFile::Commit() {
  const int descriptor = descriptor_;
  descriptor_ = -1;
  if (close(descriptor) != 0) throw RunError(path_, std::strerror(errno));
  if (rename(temporary_.c_str(), path_.c_str()) != 0) throw RunError(path_, std::strerror(errno));
  Unregister(slot_);
  temporary_.clear();
}

void InstallInterruptCleanup() {
  for (const int signal : CleanupSignals) {
    struct sigaction old {};
    sigaction(signal, nullptr, &old);
    if (old.sa_handler == SIG_IGN) continue;  // ignored by whoever started us: stays so
    struct sigaction action {};
    action.sa_handler = RemoveTemporariesAndReraise;
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, nullptr);
  }
}

}  // namespace cli
