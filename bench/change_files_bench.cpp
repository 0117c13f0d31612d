// ChangeFiles over a directory tree: prints the replacements written, the files that could not
// be changed, the seconds taken and the peak resident memory.
#include <grepcore/Regularexpressionclass.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <string>

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s PATTERN FORMAT DIR\n", argv[0]);
    return 2;
  }
  RegexClass::RegularExpression re;
  re.SetExpression(argv[1]);
  re.SetFormatString(argv[2]);
  re.SetFilesToMatch(std::string(argv[3]) + "/*");
  re.SetDirectoryRecursion(true);
  const auto start = std::chrono::steady_clock::now();
  const unsigned count = re.ChangeFiles();
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const auto* problems = re.GetChangeFilesErrors();
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("%u %zu %.3f %ld\n", count, problems ? problems->size() : 0, seconds,
              usage.ru_maxrss);
  return problems ? 1 : 0;
}
