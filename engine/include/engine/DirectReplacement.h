#pragma once
// The replacement of a match computed from the match itself. A change run's replacement is
// defined as the merge of the format over the matched text alone; that means searching the
// matched text again. When the pattern that formats is the pattern that searched, its matches
// do not depend on the text around them, no match is empty and the format refers only to the
// whole match and the sub-expressions, the merge over the matched text finds exactly the match
// already found, with the same sub-expressions, and the replacement is the format expanded
// over it. A plan says whether that holds and does the expansion.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/MatchResults.h"
#include "engine/Pattern.h"

namespace GrepEngine {

class DirectReplacement {
 public:
  // A plan when the replacement of every match `searching` finds under `matchWord` can be
  // expanded directly: `formatting` is compiled from the same text with the same option word
  // and locale, it holds no assertion or back-reference and cannot match the empty text, the
  // match word does not ask for the shortest match, and `format` holds nothing but text and
  // the references $$, $& and $0 to $9. Otherwise none.
  static std::optional<DirectReplacement> Plan(const Pattern& formatting, const Pattern& searching,
                                               unsigned matchWord, const std::string& format);

  // Appends the format expanded over a match whose sub-match i is `sub(i)` (a SubMatch; one
  // that did not take part, or beyond the pattern's, expands to nothing).
  template <class SubOf>
  void Expand(SubOf sub, std::string& out) const {
    for (const Piece& piece : Pieces) {
      if (piece.Group < 0) {
        out += piece.Text;
        continue;
      }
      const SubMatch part = sub(static_cast<unsigned>(piece.Group));
      if (part.Matched) out.append(part.First, part.Last);
    }
  }

  // The format these pieces were made from.
  const std::string& Format() const { return Source; }

 private:
  struct Piece {
    std::string Text;  // copied as it is, when Group < 0
    int Group = -1;    // else the sub-match to copy (0: the whole match)
  };
  std::vector<Piece> Pieces;
  std::string Source;
};

}  // namespace GrepEngine
