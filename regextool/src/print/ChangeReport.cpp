#include "ChangeReport.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

#include "TextEscaping.h"

namespace RegexTool {
namespace {

using Kind = grepcore::ChangeProblemKind;

std::string Plural(std::size_t count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

}  // namespace

std::string ProblemName(Kind kind) {
  switch (kind) {
    case Kind::OpenFileFailed:
      return "OpenFileFailed";
    case Kind::CreateTemporaryFailed:
      return "CreateTemporaryFailed";
    case Kind::ReadFailed:
      return "ReadFailed";
    case Kind::WriteFailed:
      return "WriteFailed";
    case Kind::MatchChanged:
      return "MatchChanged";
    case Kind::SaveCopyFailed:
      return "SaveCopyFailed";
    case Kind::ReplaceFailed:
      return "ReplaceFailed";
    case Kind::RestoreAttributesFailed:
      return "RestoreAttributesFailed";
    case Kind::ChangedWhileRewriting:
      return "ChangedWhileRewriting";
    case Kind::SearchAbandoned:
      return "SearchAbandoned";
    case Kind::SaveCopyCollision:
      return "SaveCopyCollision";
    case Kind::OwnerNotKept:
      return "OwnerNotKept";
    case Kind::CopyUnfinished:
      return "CopyUnfinished";
    case Kind::SaveCopyExists:
      return "SaveCopyExists";
    case Kind::MatchSpansLines:
      return "MatchSpansLines";
    case Kind::NotTheWalkedFile:
      return "NotTheWalkedFile";
    case Kind::DirectoryReplaced:
      return "DirectoryReplaced";
    case Kind::ChangedSincePlanned:
      return "ChangedSincePlanned";
  }
  return "problem " + std::to_string(static_cast<unsigned>(kind));
}

std::string ProblemText(const grepcore::ChangeProblem& problem) {
  if (problem.Kind == Kind::MatchChanged)
    return "the file no longer holds " + QuoteReadable(problem.Matched) + " there";
  if (problem.Kind == Kind::OwnerNotKept)
    return "this user cannot give the new content the file's owner and group; the file was left "
           "as it is";
  if (problem.Kind == Kind::CopyUnfinished)
    return "an unfinished in-place copy of the file is waiting beside it; the file was left as "
           "it is";
  if (problem.SystemError == 0) {
    if (problem.Kind == Kind::SearchAbandoned) return "the pattern was too complex for this file";
    if (problem.Kind == Kind::ChangedWhileRewriting)
      return "another program changed the file meanwhile";
    if (problem.Kind == Kind::SaveCopyCollision)
      return "its saved copy would replace another file's saved copy of this run";
    return "-";
  }
  return std::strerror(static_cast<int>(problem.SystemError));
}

ProblemRow Row(const std::string& file, const std::string& problem, const std::string& error) {
  ProblemRow row;
  row.File = file;
  row.Problem = problem;
  row.Error = error;
  return row;
}

ProblemRow RowOf(const grepcore::ChangeProblem& problem, const std::string& owner) {
  // The run's own problems carry their words; the rewrite's are told from their error number.
  if (!problem.Message.empty() || problem.Kind > Kind::CopyUnfinished) {
    // A link or another file in the walked file's place is reported as a file not opened.
    const std::string kind =
        problem.Kind == Kind::NotTheWalkedFile ? "OpenFileFailed" : ProblemName(problem.Kind);
    return Row(problem.Name, kind, problem.Message);
  }
  ProblemRow row;
  row.File = problem.Name;
  if (!owner.empty() && owner != row.File) {
    row.Other = std::move(row.File);
    row.File = owner;
  }
  row.Problem = ProblemName(problem.Kind);
  row.Position = problem.Position;
  row.Error = ProblemText(problem);
  return row;
}

void PrintProblemRows(std::ostream& out, const std::vector<ProblemRow>& problems) {
  if (problems.empty()) return;
  using Row = std::array<std::string, 4>;
  std::vector<Row> rows = {{"file", "problem", "position", "error"}};
  for (const ProblemRow& problem : problems) {
    std::string file = ShownName(problem.File);
    if (!problem.Other.empty()) file += " (" + ShownName(problem.Other) + ")";
    // An error text may carry a name too: it never reaches the terminal raw either.
    rows.push_back({std::move(file), problem.Problem, std::to_string(problem.Position),
                    ShownName(problem.Error)});
  }
  std::array<std::size_t, 4> widths{};
  for (const Row& row : rows)
    for (std::size_t column = 0; column < widths.size(); ++column)
      widths[column] = std::max(widths[column], row[column].size());
  out << Plural(problems.size(), "file was", "files were") << " not changed:\n";
  for (const Row& row : rows) {
    out << "  ";
    for (std::size_t column = 0; column < row.size(); ++column) {
      const bool lastColumn = column + 1 == row.size();
      out << row[column];
      if (!lastColumn) out << std::string(widths[column] - row[column].size() + 2, ' ');
    }
    out << '\n';
  }
}

void PrintProblemTable(std::ostream& out, const std::vector<grepcore::ChangeProblem>& problems,
                       const std::vector<std::string>& owners) {
  std::vector<ProblemRow> rows;
  for (std::size_t i = 0; i < problems.size(); ++i)
    rows.push_back(RowOf(problems[i], i < owners.size() ? owners[i] : std::string()));
  PrintProblemRows(out, rows);
}

void PrintSummary(std::ostream& out, const ChangeSummary& summary) {
  if (!summary.KeptIn.empty()) {
    out << "plan kept in " << ShownName(summary.KeptIn) << ": "
        << Plural(summary.Replacements, "replacement", "replacements") << " in "
        << Plural(summary.FilesChanged, "file", "files")
        << " to be written; nothing was changed\n";
  } else if (summary.DryRun) {
    out << "dry run: " << Plural(summary.Replacements, "replacement", "replacements") << " in "
        << Plural(summary.FilesChanged, "file", "files")
        << " would be written; nothing was changed\n";
  } else {
    out << Plural(summary.Replacements, "replacement", "replacements") << " written, "
        << Plural(summary.FilesChanged, "file", "files") << " changed\n";
  }
}

}  // namespace RegexTool
