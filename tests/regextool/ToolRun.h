#pragma once
// Runs the built regextool as a user would: given arguments, standard input and working
// directory, with its output, errors and exit status captured.

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "TemporaryDirectory.h"

namespace ToolTest {

struct ToolResult {
  int Status = -1;  // the exit status, -1 when the program did not exit normally
  std::string Out;
  std::string Err;
};

struct ToolRun {
  std::vector<std::string> Arguments;
  std::string Input;
  std::string WorkingDirectory;  // empty: the test's own
  long FileSizeLimit = -1;       // bytes a write may reach (RLIMIT_FSIZE); -1: none
};

inline ToolResult RunTool(const ToolRun& run) {
  TestSupport::TemporaryDirectory streams;
  const std::string in = streams.Write("in", run.Input);
  const std::string out = streams / "out";
  const std::string err = streams / "err";
  std::vector<std::string> words = {REGEXTOOL_PATH};
  words.insert(words.end(), run.Arguments.begin(), run.Arguments.end());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);

  const pid_t child = ::fork();
  if (child == 0) {
    if (!run.WorkingDirectory.empty() && ::chdir(run.WorkingDirectory.c_str()) != 0) ::_exit(126);
    const int inFd = ::open(in.c_str(), O_RDONLY);
    const int outFd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int errFd = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (inFd < 0 || outFd < 0 || errFd < 0) ::_exit(126);
    ::dup2(inFd, 0);
    ::dup2(outFd, 1);
    ::dup2(errFd, 2);
    if (run.FileSizeLimit >= 0) {
      // A write beyond the limit then fails with EFBIG instead of killing the program.
      ::signal(SIGXFSZ, SIG_IGN);
      const rlimit limit = {static_cast<rlim_t>(run.FileSizeLimit),
                            static_cast<rlim_t>(run.FileSizeLimit)};
      ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  ToolResult result;
  int status = 0;
  if (child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status))
    result.Status = WEXITSTATUS(status);
  result.Out = TestSupport::TemporaryDirectory::Read(out);
  result.Err = TestSupport::TemporaryDirectory::Read(err);
  return result;
}

inline ToolResult RunTool(std::vector<std::string> arguments, const std::string& input = "") {
  ToolRun run;
  run.Arguments = std::move(arguments);
  run.Input = input;
  return RunTool(run);
}

inline ToolResult RunIn(const std::string& directory, std::vector<std::string> arguments) {
  ToolRun run;
  run.Arguments = std::move(arguments);
  run.WorkingDirectory = directory;
  return RunTool(run);
}

}  // namespace ToolTest
