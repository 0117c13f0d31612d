// Splitting a text at a Pattern's matches.
#include "grepcore/Regex.h"

namespace grepcore {

Result<std::vector<std::string_view>> Pattern::Split(std::string_view text,
                                                     const MatchOptions& options) const {
  std::vector<std::string_view> pieces;
  std::size_t pieceStart = 0;
  MatchRange range = Matches(text, options);
  for (const Match& match : range) {
    pieces.push_back(text.substr(pieceStart, match.Position() - pieceStart));
    pieceStart = match.End();
  }
  Status outcome = range.Outcome();
  if (!outcome) return outcome.Error();
  pieces.push_back(text.substr(pieceStart));
  return pieces;
}

}  // namespace grepcore
