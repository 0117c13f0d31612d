// regextool: the toolkit's search and search-and-replace from the command line.
#include <grepcore/Streams.h>

#include <cerrno>
#include <cstring>
#include <exception>
#include <new>
#include <ostream>

#include "CommandLine.h"
#include "DescriptorOutput.h"
#include "ExitStatus.h"

namespace {

// Whatever escapes a command: one line on the error stream, and trouble.
int RunGuarded(int argc, char** argv, std::ostream& out, std::ostream& err) {
  try {
    return RegexTool::RunCommandLine(argc, argv, grepcore::StandardInput, out, err);
  } catch (const std::bad_alloc&) {
    err << "regextool: out of memory\n";
  } catch (const std::exception& e) {
    err << "regextool: " << e.what() << '\n';
  } catch (...) {
    err << "regextool: unexpected failure\n";
  }
  return RegexTool::Trouble;
}

}  // namespace

int main(int argc, char** argv) {
  // A reader that goes away shows up as EPIPE on a write, which ends the run quietly
  // (see the manual), instead of a signal that could strike in the middle of a change run.
  grepcore::IgnoreBrokenPipe();
  // A search or change of a tree holds a handle on each directory with files until they are
  // worked on: a tree of more than about a thousand directories needs more than the usual soft
  // limit.
  grepcore::RaiseOpenDescriptorLimit();
  RegexTool::DescriptorOutput outBuffer(grepcore::StandardOutput);
  RegexTool::DescriptorOutput errBuffer(grepcore::StandardError, 0);
  std::ostream out(&outBuffer);
  std::ostream err(&errBuffer);

  int status = RunGuarded(argc, argv, out, err);
  const int writeError = outBuffer.Close();
  if (writeError != 0) {
    if (writeError != EPIPE) err << "regextool: write error: " << std::strerror(writeError) << '\n';
    status = RegexTool::Trouble;
  }
  // The error stream stays open for whatever reports the program's end.
  if (errBuffer.Error() != 0) status = RegexTool::Trouble;
  return status;
}
