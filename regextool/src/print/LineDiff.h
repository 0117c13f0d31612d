#pragma once
// Line diffs in the unified format: of two texts in memory (Myers' algorithm), and of a file
// and the replacements planned for it (positional: each replacement's lines removed and added
// as they will read), read in bounded blocks whatever the file's size.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "Colour.h"

namespace RegexTool {

// The lines of `text`, each with its line feed; the last one may lack it.
std::vector<std::string> SplitLines(const std::string& text);

struct DiffStep {
  enum Kind { Same, Removed, Added } Type;
  std::size_t OldLine;  // index into the old lines (Same, Removed)
  std::size_t NewLine;  // index into the new lines (Same, Added)
};

// A shortest edit script turning `before` into `after`.
std::vector<DiffStep> DiffLines(const std::vector<std::string>& before,
                                const std::vector<std::string>& after);

// Prints the difference with `context` lines around each change, under ---/+++ headers naming
// `oldLabel` and `newLabel`. Prints nothing when the texts are equal.
void PrintUnifiedDiff(std::ostream& out, const std::string& oldLabel, const std::string& newLabel,
                      const std::string& before, const std::string& after, const Palette& palette,
                      std::size_t context = 3);

// The bytes of the file a positional diff shows, read at any offset: the diff reads ahead to
// find where a hunk ends, then reads the hunk again to print it.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // The file's length; nothing beyond it is read.
  virtual std::uint64_t Size() const = 0;
  // Up to `capacity` bytes from `offset`, fewer only at the end; false when reading failed.
  virtual bool ReadAt(std::uint64_t offset, char* into, std::size_t capacity, std::size_t& got) = 0;
};

// A text already in memory as a ByteSource.
class TextBytes : public ByteSource {
 public:
  explicit TextBytes(std::string_view text) : Text(text) {}
  std::uint64_t Size() const override { return Text.size(); }
  bool ReadAt(std::uint64_t offset, char* into, std::size_t capacity, std::size_t& got) override {
    got = offset >= Text.size() ? 0 : Text.copy(into, capacity, static_cast<std::size_t>(offset));
    return true;
  }

 private:
  std::string_view Text;
};

// One planned replacement: `Matched` at byte `Position` of the file becomes `Replacement`.
struct TextReplacement {
  std::uint64_t Position = 0;
  std::string_view Matched;
  std::string_view Replacement;
};

enum class ReplacementDiffResult {
  Printed,         // the diff was written
  NothingChanged,  // every replacement gives its text back: nothing was written
  MatchChanged,    // a replacement's text is not in the file where it was found (or the
                   // replacements overlap): nothing was written, unless the file changed
                   // while it was being shown
  ReadFailed       // the file could not be read (the error number is the last one set)
};

// Prints what the replacements (`count` of them, in the file's order, each given by `at`) make
// of `file`: under ---/+++ headers naming `oldLabel` and `newLabel`, hunks of the lines the
// replacements touch, removed and then added as they will read, with `context` lines around
// and hunks closer than twice the context merged, as PrintUnifiedDiff shows a changed line.
// The file is read in bounded blocks and nothing is held per line or per hunk, so memory
// does not grow with the file, the hunk or the lines.
ReplacementDiffResult PrintReplacementDiff(std::ostream& out, const std::string& oldLabel,
                                           const std::string& newLabel, ByteSource& file,
                                           std::size_t count,
                                           const std::function<TextReplacement(std::size_t)>& at,
                                           const Palette& palette, std::size_t context = 3);

// The same over any random-access list of records with Position, Matched and Replacement.
template <class Plan>
ReplacementDiffResult PrintReplacementDiff(std::ostream& out, const std::string& oldLabel,
                                           const std::string& newLabel, ByteSource& file,
                                           const Plan& plan, const Palette& palette,
                                           std::size_t context = 3) {
  return PrintReplacementDiff(
      out, oldLabel, newLabel, file, plan.size(),
      [&plan](std::size_t i) {
        const auto& record = plan[i];
        return TextReplacement{static_cast<std::uint64_t>(record.Position), record.Matched,
                               record.Replacement};
      },
      palette, context);
}

}  // namespace RegexTool
