#pragma once
// What grep-files prints for one file (or standard input) in line mode, as the sink of the
// core's searcher: the selected lines with their name and number prefixes, context lines
// with '-' and "--" between groups, only the matches (-o), a count (-c), the name alone (-l,
// -L), or JSON. Written into a buffer, numbers formatted here.

#include <grepcore/Search.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "Colour.h"
#include "LineReplacement.h"

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
  bool ByteOffset = false;     // -b: the offset of the line (-o: of the match)
  bool Column = false;         // --column: the column of the first match (-o: of each)
  bool NullAfterName = false;  // -Z: a NUL after each file name, not ':' or a line feed
  bool NulLines = false;       // -z: a NUL ends each printed line and match
  unsigned int Before = 0;     // -B
  unsigned int After = 0;      // -A
  bool ContextAsked = false;   // -A, -B or -C given, 0 too: "--" between groups
  std::uint64_t MaxCount = 0;  // -m; 0: no limit
  std::shared_ptr<const LineReplacement> Replace;  // --replace: matches shown replaced

  bool Context() const { return Before != 0 || After != 0 || ContextAsked; }
  // The lines' matches are shown.
  bool NeedsSpans() const {
    return (OnlyMatching || Json || Colour || Column || Replace) && !Invert;
  }
  // Only whether (or how often) lines are selected matters.
  bool Listing() const { return Count || FilesWithMatches || FilesWithoutMatch || Quiet; }
  // What the searcher is asked for: context only where context lines are printed.
  grepcore::SearchOptions Search() const;
  char LineEnd() const { return NulLines ? '\0' : '\n'; }
};

class LineReport : public grepcore::SearchSink {
 public:
  // Appends the report on the file `name` to `out` (the name quoted where it must be, raw in
  // JSON, which escapes it). The name must outlive the report.
  LineReport(const LineOutput& options, std::string_view name, std::string& out);

  bool Matched(const grepcore::SearchLine& line) override;
  bool Context(const grepcore::SearchLine& line, grepcore::ContextKind kind) override;
  bool ContextBreak() override;
  bool BinaryMatched(std::uint64_t number) override;
  // A selected line of the file's binary part was withheld where lines are printed: grep
  // says so in a message instead.
  bool BinaryMatchWithheld() const { return Withheld; }
  // The count or the name, where those are what is printed.
  void Finish(std::uint64_t selected);

 private:
  void Print(const grepcore::SearchLine& line, char separator, bool withSpans);
  // The name, line number, column (0: none) and byte offset before a line or a match.
  void Prefix(std::uint64_t number, std::uint64_t column, std::uint64_t offset, char separator);
  void AppendField(std::uint64_t value, char separator);
  void AppendMatch(const grepcore::SearchLine& line, const grepcore::Span& span);
  // The name as it ends a line of its own (-l, -L) or stands before a count (-c).
  void NameAlone(char separator);
  void PrintJson(const grepcore::SearchLine& line);
  // The name as people read it, worked out when first printed.
  const std::string& Shown();

  const LineOutput& Options;
  std::string_view Name;
  std::string ShownText;
  bool ShownKnown = false;
  std::string NamePrefix[2];  // the name with its ':' and its '-', once worked out
  std::string AfterField[2];  // what follows a number, with its ":" and its "-"

  std::string& Out;
  Palette Colours;
  bool Withheld = false;
};

// Appends the decimal digits of `number`.
void AppendNumber(std::string& out, std::uint64_t number);

}  // namespace RegexTool
