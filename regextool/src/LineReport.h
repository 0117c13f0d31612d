#pragma once
// What grep-files prints for one file (or standard input) in line mode: the selected lines
// with their name and number prefixes, context lines with '-' and "--" between groups, only
// the matches (-o), a count (-c), the name alone (-l, -L), or JSON.

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "Colour.h"
#include "LineTester.h"

namespace RegexTool {

struct LineOutput {
  bool FileNames = false;          // -H (default with several files)
  bool LineNumbers = false;        // -n
  bool OnlyMatching = false;       // -o
  bool Invert = false;             // -v
  bool Count = false;              // -c
  bool FilesWithMatches = false;   // -l
  bool FilesWithoutMatch = false;  // -L
  bool Quiet = false;              // -q
  bool Json = false;
  bool Colour = false;
  unsigned int Before = 0;  // -B
  unsigned int After = 0;   // -A

  bool Context() const { return Before != 0 || After != 0; }
  // The lines' matches are shown.
  bool NeedsSpans() const { return (OnlyMatching || Json || Colour) && !Invert; }
  // Lines without a match matter too: they are selected or context.
  bool NeedsEveryLine() const { return Invert || (Context() && !OnlyMatching && !Listing()); }
  // Only whether (or how often) lines are selected matters.
  bool Listing() const { return Count || FilesWithMatches || FilesWithoutMatch || Quiet; }
};

class LineReport {
 public:
  // Appends the report on the file `name` to `out` (the name quoted where it must be, raw in
  // JSON, which escapes it).
  LineReport(const LineOutput& options, std::string name, std::string& out);

  // A line in order: every line when the options NeedsEveryLine(), else at least every line
  // that holds a match. False when nothing more is wanted from this file.
  bool Line(std::uint64_t number, std::string_view text, bool matched,
            const std::vector<Span>& spans);
  // The count or the name, where those are what is printed.
  void Finish();

  std::uint64_t Selected() const { return SelectedLines; }

 private:
  void Print(std::uint64_t number, std::string_view text, char separator,
             const std::vector<Span>* spans);
  void Prefix(std::uint64_t number, char separator);
  void PrintJson(std::uint64_t number, std::string_view text, const std::vector<Span>& spans);

  const LineOutput& Options;
  std::string Name;
  std::string Shown;  // the name as people read it
  std::string& Out;
  Palette Colours;
  std::uint64_t SelectedLines = 0;
  std::uint64_t LastPrinted = 0;  // 0: nothing printed yet
  unsigned int AfterLeft = 0;
  std::deque<std::pair<std::uint64_t, std::string>> Held;  // candidates for before-context
};

}  // namespace RegexTool
