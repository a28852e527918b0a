// Runs the installed tool in a scratch folder of its own and collects what
// it did: exit status (or signal), standard output and standard error.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace cli::test {

struct TRun {
  int Exit = -1;    // exit status, -1 when a signal ended it
  int Signal = 0;   // the signal that ended it, 0 when it exited
  std::string Out;  // standard output
  std::string Err;  // standard error
};

// A fresh folder per test, removed with everything in it afterwards.
class TScratch : public ::testing::Test {
 protected:
  TScratch();
  ~TScratch() override;

  // path relative to the scratch folder
  std::string Path(const std::string& name) const { return folder_ + "/" + name; }
  // Runs tessaro with args in the scratch folder. unset: environment
  // variables the tool must not see.
  TRun Tessaro(const std::vector<std::string>& args, const std::vector<std::string>& unset = {}) const;
  // Starts tessaro without waiting; Wait collects it.
  int Start(const std::vector<std::string>& args) const;
  TRun Wait(int pid) const;
  // The names in the scratch folder, hidden ones included, sorted.
  std::vector<std::string> Files() const;
  bool Exists(const std::string& name) const;
  std::string ReadText(const std::string& name) const;
  void WriteText(const std::string& name, const std::string& text) const;

 private:
  std::string folder_;
};

}  // namespace cli::test
