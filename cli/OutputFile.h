// An output file that appears whole or not at all. The data goes to a
// temporary file beside the destination, which is renamed over it only by
// Commit; the destructor removes the temporary file otherwise, and so do
// SIGINT, SIGTERM, SIGHUP and SIGPIPE (once InstallInterruptCleanup has
// run) before the signal ends the program as it would have.
#pragma once

#include <span>
#include <string>

namespace cli {

class TOutputFile {
 public:
  // Creates the temporary file, mode 0666 less the umask. Refuses (TRunError
  // naming path) a path that names the same file as one of inputs, through
  // whatever link or spelling, and a path that is a folder.
  explicit TOutputFile(std::string path, std::span<const std::string> inputs = {});
  ~TOutputFile();
  TOutputFile(const TOutputFile&) = delete;
  TOutputFile& operator=(const TOutputFile&) = delete;

  const std::string& Path() const { return path_; }
  const std::string& TemporaryPath() const { return temporary_; }
  // Open for writing; stays owned by this object.
  int Descriptor() const { return descriptor_; }

  // Closes the descriptor and renames the temporary file over Path.
  void Commit();

 private:
  std::string path_;
  std::string temporary_;
  int descriptor_ = -1;
  int slot_ = -1;  // where the signal handlers find the temporary path
};

// Makes the signals above remove every temporary file that is not yet
// committed. Call once, early in main.
void InstallInterruptCleanup();

}  // namespace cli
