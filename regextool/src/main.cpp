// regextool: the toolkit's search and search-and-replace from the command line.
#include <iostream>
#include <new>

#include "CommandLine.h"
#include "ExitStatus.h"

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  try {
    return RegexTool::RunCommandLine(argc, argv, std::cin, std::cout, std::cerr);
  } catch (const std::bad_alloc&) {
    std::cerr << "regextool: out of memory\n";
    return RegexTool::Trouble;
  }
}
