// Walks every match of a 64 MiB text with the value interface, for a peak-memory measure from
// outside (bench/match-walk-memory.sh): "text" only makes the text, "walk" also walks it
// reading each match's line and group, "count" counts, "split" splits.
#include <grepcore/Regex.h>

#include <cstring>
#include <iostream>
#include <string>

#include "Corpus.h"

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "walk";
  const std::string text = Bench::GenerateText(64u << 20, 20261209);
  const grepcore::Pattern pattern = *grepcore::Pattern::Compile("([a-z]+)@([a-z]+)");
  std::size_t seen = 0;
  if (mode == "walk") {
    grepcore::MatchRange range = pattern.Matches(text);
    for (const grepcore::Match& match : range) seen += match.Line() + match.Group(2).Length();
    if (!range.Outcome()) return 1;
  } else if (mode == "count") {
    seen = pattern.Count(text).ValueOr(0);
  } else if (mode == "split") {
    seen = pattern.Split(text)->size();
  } else if (mode != "text") {
    std::cerr << "usage: match_walk_memory [text|walk|count|split]\n";
    return 2;
  }
  std::cout << mode << ' ' << text.size() << " bytes " << seen << '\n';
  return 0;
}
