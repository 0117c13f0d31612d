#pragma once
// Runs the built regextool as a user would: given arguments, standard input, working
// directory and environment, with its output, errors, exit status and peak memory captured.

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "TemporaryDirectory.h"

namespace ToolTest {

struct ToolResult {
  int Status = -1;  // the exit status, -1 when the program did not exit normally
  int Signal = 0;   // the signal that ended it, 0 when it exited
  std::string Out;
  std::string Err;
  long PeakKilobytes = 0;  // the program's peak resident memory
};

// Where standard input comes from.
enum class InputKind {
  Text,       // a file holding ToolRun::Input; /dev/null when Input is empty, so a line search
              // with no path searches the working directory, as when started from a terminal
  Closed,     // no descriptor 0 at all
  Directory,  // a directory opened for reading
  Pipe,       // a pipe that ToolRun::Feed writes into
  Path        // the file ToolRun::InputPath
};

// Where standard output goes.
enum class OutputKind {
  File,        // captured into ToolResult::Out
  Full,        // /dev/full: every write fails with ENOSPC
  ClosedPipe,  // a pipe whose reader has gone: every write fails with EPIPE
  Discarded,   // /dev/null
  AppendTo,    // appended to the file ToolRun::OutputPath, as `>> file` does
  Terminal     // a pseudo-terminal, which ToolRun::Converse reads; the rest lands in Out
};

struct ToolRun {
  std::vector<std::string> Arguments;
  std::string Input;
  InputKind In = InputKind::Text;
  std::function<void(int descriptor)> Feed;  // writes standard input for InputKind::Pipe
  // For OutputKind::Terminal with InputKind::Pipe, in place of Feed: writes standard input
  // and reads the terminal's other end while the program runs.
  std::function<void(int input, int terminal)> Converse;
  OutputKind Out = OutputKind::File;
  std::string InputPath;         // for InputKind::Path
  std::string OutputPath;        // for OutputKind::AppendTo
  std::string WorkingDirectory;  // empty: the test's own
  long FileSizeLimit = -1;       // bytes a write may reach (RLIMIT_FSIZE); -1: none
  long CpuSeconds = -1;          // processor time before the program is stopped; -1: no limit
  // NAME=value words added to the program's environment. The program gets the test's own
  // environment without LANG and the LC_ variables, so it reads bytes (the classic locale)
  // whatever locale the tests run under, unless these name one.
  std::vector<std::string> Environment;
  std::string Program;  // the program to run (a path); empty: the built regextool
};

namespace Detail {

inline int OpenInput(const ToolRun& run, const std::string& textFile, const std::string& directory,
                     int pipeReader) {
  switch (run.In) {
    case InputKind::Text:
      return ::open(run.Input.empty() ? "/dev/null" : textFile.c_str(), O_RDONLY);
    case InputKind::Directory:
      return ::open(directory.c_str(), O_RDONLY | O_DIRECTORY);
    case InputKind::Pipe:
      return pipeReader;
    case InputKind::Path:
      return ::open(run.InputPath.c_str(), O_RDONLY);
    case InputKind::Closed:
      break;
  }
  return -1;
}

inline int OpenOutput(const ToolRun& run, const std::string& outFile, int closedPipeWriter,
                      const std::string& terminal) {
  switch (run.Out) {
    case OutputKind::Terminal:
      return ::open(terminal.c_str(), O_RDWR | O_NOCTTY);
    case OutputKind::File:
      return ::open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    case OutputKind::Full:
      return ::open("/dev/full", O_WRONLY);
    case OutputKind::Discarded:
      return ::open("/dev/null", O_WRONLY);
    case OutputKind::ClosedPipe:
      return closedPipeWriter;
    case OutputKind::AppendTo:
      return ::open(run.OutputPath.c_str(), O_WRONLY | O_APPEND | O_CREAT, 0600);
  }
  return -1;
}

// The program's environment as ToolRun::Environment says.
inline std::vector<std::string> ProgramEnvironment(const ToolRun& run) {
  std::vector<std::string> words;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string word = *entry;
    const std::string name = word.substr(0, word.find('='));
    if (name == "LANG" || name.compare(0, 3, "LC_") == 0) continue;
    words.push_back(word);
  }
  words.insert(words.end(), run.Environment.begin(), run.Environment.end());
  return words;
}

}  // namespace Detail

inline ToolResult RunTool(const ToolRun& run) {
  TestSupport::TemporaryDirectory streams;
  const std::string in = streams.Write("in", run.Input);
  const std::string out = streams / "out";
  const std::string err = streams / "err";
  std::vector<std::string> words = {run.Program.empty() ? std::string(REGEXTOOL_PATH)
                                                        : run.Program};
  words.insert(words.end(), run.Arguments.begin(), run.Arguments.end());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  std::vector<std::string> environment = Detail::ProgramEnvironment(run);
  std::vector<char*> envp;
  for (std::string& word : environment) envp.push_back(word.data());
  envp.push_back(nullptr);

  int inputPipe[2] = {-1, -1};
  if (run.In == InputKind::Pipe && ::pipe(inputPipe) != 0) return ToolResult();
  int outputPipe[2] = {-1, -1};
  if (run.Out == OutputKind::ClosedPipe) {
    if (::pipe(outputPipe) != 0) return ToolResult();
    ::close(outputPipe[0]);  // the reader is gone before the program starts
  }

  int master = -1;
  std::string terminal;
  if (run.Out == OutputKind::Terminal) {
    master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) return ToolResult();
    terminal = ::ptsname(master);
  }

  const pid_t child = ::fork();
  if (child == 0) {
    if (!run.WorkingDirectory.empty() && ::chdir(run.WorkingDirectory.c_str()) != 0) ::_exit(126);
    const int inFd = Detail::OpenInput(run, in, streams.Path(), inputPipe[0]);
    const int outFd = Detail::OpenOutput(run, out, outputPipe[1], terminal);
    const int errFd = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if ((inFd < 0 && run.In != InputKind::Closed) || outFd < 0 || errFd < 0) ::_exit(126);
    if (inputPipe[1] >= 0) ::close(inputPipe[1]);
    if (master >= 0) ::close(master);
    if (inFd >= 0)
      ::dup2(inFd, 0);
    else
      ::close(0);
    ::dup2(outFd, 1);
    ::dup2(errFd, 2);
    if (run.FileSizeLimit >= 0) {
      // A write beyond the limit then fails with EFBIG instead of killing the program.
      ::signal(SIGXFSZ, SIG_IGN);
      const rlimit limit = {static_cast<rlim_t>(run.FileSizeLimit),
                            static_cast<rlim_t>(run.FileSizeLimit)};
      ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    if (run.CpuSeconds >= 0) {
      // SIGXCPU at the limit, SIGKILL a second later.
      const rlimit limit = {static_cast<rlim_t>(run.CpuSeconds),
                            static_cast<rlim_t>(run.CpuSeconds + 1)};
      ::setrlimit(RLIMIT_CPU, &limit);
    }
    ::execve(argv[0], argv.data(), envp.data());
    ::_exit(127);
  }
  if (inputPipe[0] >= 0) ::close(inputPipe[0]);
  if (outputPipe[1] >= 0) ::close(outputPipe[1]);
  if (inputPipe[1] >= 0) {
    // The test's own writes must not die of a program that stopped reading.
    const sighandler_t previous = ::signal(SIGPIPE, SIG_IGN);
    if (child > 0 && run.Feed) run.Feed(inputPipe[1]);
    if (child > 0 && run.Converse) run.Converse(inputPipe[1], master);
    ::close(inputPipe[1]);
    ::signal(SIGPIPE, previous);
  }
  ToolResult result;
  int status = 0;
  rusage usage{};
  if (child > 0 && ::wait4(child, &status, 0, &usage) == child) {
    if (WIFEXITED(status)) result.Status = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) result.Signal = WTERMSIG(status);
    result.PeakKilobytes = usage.ru_maxrss;
  }
  if (run.Out == OutputKind::File) result.Out = TestSupport::TemporaryDirectory::Read(out);
  if (master >= 0) {
    // What the program wrote after the conversation (the terminal's end reads EIO once the
    // program closed it).
    char block[4096];
    ssize_t got;
    const int flags = ::fcntl(master, F_GETFL);
    ::fcntl(master, F_SETFL, flags | O_NONBLOCK);
    while ((got = ::read(master, block, sizeof block)) > 0)
      result.Out.append(block, static_cast<std::size_t>(got));
    ::close(master);
  }
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
