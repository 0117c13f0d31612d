// File grep timing: counts the matches of a pattern with GrepFiles over a directory tree, and
// makes the deterministic corpus that the comparison script searches.
//
//   file_grep_bench count PATTERN DIR     prints "<matches> <seconds>"
//   file_grep_bench corpus DIR MEGABYTES FILES
#include <grepcore/Regularexpressionclass.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "Corpus.h"

namespace {

int Count(const char* pattern, const std::string& directory) {
  RegexClass::RegularExpression re;
  re.SetExpression(pattern);
  re.SetFilesToMatch(directory + "/*");
  re.SetDirectoryRecursion(true);
  const auto start = std::chrono::steady_clock::now();
  const unsigned matches = re.GrepFiles();
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
  std::printf("%u %.3f\n", matches, elapsed.count());
  return 0;
}

// FILES files of equal share spread over sub-directories of a hundred files each.
int MakeCorpus(const std::string& directory, unsigned long megabytes, unsigned long files) {
  if (files == 0) return 2;
  const std::size_t perFile = megabytes * 1000000 / files;
  for (unsigned long i = 0; i < files; ++i) {
    const std::string sub = directory + "/d" + std::to_string(i / 100);
    std::filesystem::create_directories(sub);
    const std::string text = Bench::GenerateText(perFile, static_cast<std::uint32_t>(i + 1));
    std::ofstream out(sub + "/f" + std::to_string(i) + ".txt", std::ios::binary);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    if (!out) return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "count" && argc == 4) return Count(argv[2], argv[3]);
  if (mode == "corpus" && argc == 5)
    return MakeCorpus(argv[2], std::strtoul(argv[3], nullptr, 10),
                      std::strtoul(argv[4], nullptr, 10));
  std::fprintf(stderr, "usage: %s count PATTERN DIR | corpus DIR MEGABYTES FILES\n", argv[0]);
  return 2;
}
