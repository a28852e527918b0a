#include "CliRun.h"

#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

extern char** environ;

namespace cli::test {

TScratch::TScratch() {
  char pattern[] = "/tmp/tessaro-cli-test.XXXXXX";
  if (!mkdtemp(pattern)) throw std::runtime_error("mkdtemp failed");
  folder_ = pattern;
}

TScratch::~TScratch() { std::filesystem::remove_all(folder_); }

int TScratch::Start(const std::vector<std::string>& args) const {
  std::vector<std::string> all = {TESSARO_CLI};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addchdir_np(&actions, folder_.c_str());
  posix_spawn_file_actions_addopen(&actions, 1, Path("..stdout").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, Path("..stderr").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  pid_t pid = -1;
  const int error = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (error != 0) throw std::runtime_error(std::string("cannot start ") + TESSARO_CLI + ": " + std::strerror(error));
  return pid;
}

TRun TScratch::Wait(int pid) const {
  int status = 0;
  waitpid(pid, &status, 0);
  TRun run;
  if (WIFEXITED(status)) run.Exit = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) run.Signal = WTERMSIG(status);
  run.Out = ReadText("..stdout");
  run.Err = ReadText("..stderr");
  std::filesystem::remove(Path("..stdout"));
  std::filesystem::remove(Path("..stderr"));
  return run;
}

TRun TScratch::Tessaro(const std::vector<std::string>& args, const std::vector<std::string>& unset) const {
  std::vector<std::pair<std::string, std::string>> saved;
  for (const std::string& name : unset)
    if (const char* value = std::getenv(name.c_str())) {
      saved.emplace_back(name, value);
      unsetenv(name.c_str());
    }
  const int pid = Start(args);
  for (const auto& [name, value] : saved) setenv(name.c_str(), value.c_str(), 1);
  return Wait(pid);
}

std::vector<std::string> TScratch::Files() const {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder_))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

bool TScratch::Exists(const std::string& name) const { return std::filesystem::exists(Path(name)); }

std::string TScratch::ReadText(const std::string& name) const {
  std::ifstream in(Path(name), std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void TScratch::WriteText(const std::string& name, const std::string& text) const {
  std::ofstream(Path(name), std::ios::binary) << text;
}

}  // namespace cli::test
