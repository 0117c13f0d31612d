#pragma once
// The end of a change run: what was written, and a table of every file that could not be
// changed.

#include <grepcore/Change.h>

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace RegexTool {

// The problem's name as the enumeration spells it.
std::string ProblemName(grepcore::ChangeProblemKind kind);

// What went wrong with a file's rewrite in words: the system's text for the error number, or
// for a match that changed the text that was expected there.
std::string ProblemText(const grepcore::ChangeProblem& problem);

// One row of the table of files that were not changed.
// Names are kept as they are; the table quotes them where they hold control bytes.
struct ProblemRow {
  std::string File;     // the file
  std::string Other;    // the other file the problem names (shown after it in parentheses)
  std::string Problem;  // the kind, spelled as the library's enumeration where it has one
  std::uint64_t Position = 0;
  std::string Error;  // what went wrong in words
};

// A row of the table of files not changed.
ProblemRow Row(const std::string& file, const std::string& problem, const std::string& error);

// The row of a problem of the core's change run with the file planned as `owner` (empty: not
// known): a problem the rewrite reported names the file it concerns after its owner and is
// told from its error number, the run's own say it in their words.
ProblemRow RowOf(const grepcore::ChangeProblem& problem, const std::string& owner);

// The table of `rows` under a line saying how many files were not changed; nothing when empty.
void PrintProblemRows(std::ostream& out, const std::vector<ProblemRow>& rows);

// A table with the columns file, problem, position and error, aligned; nothing when empty.
// `owners[i]`, when known, is the file whose rewrite problem i arose in; a record that names
// another file (the temporary file, the saved copy) is then shown after it in parentheses.
void PrintProblemTable(std::ostream& out, const std::vector<grepcore::ChangeProblem>& problems,
                       const std::vector<std::string>& owners = {});

struct ChangeSummary {
  unsigned int Replacements = 0;
  std::size_t FilesChanged = 0;
  bool DryRun = false;
  std::string KeptIn;  // the file a kept plan went to; empty: none
};

void PrintSummary(std::ostream& out, const ChangeSummary& summary);

}  // namespace RegexTool
