#include "ChangeReport.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

#include "TextEscaping.h"

namespace RegexTool {
namespace {

using Problem = RegexClass::RegularExpression::FileChangeProblem;
using RegexClass::RegularExpression;

std::string Plural(std::size_t count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

}  // namespace

std::string ProblemName(RegularExpression::ProblemType problem) {
  switch (problem) {
    case RegularExpression::OpenFileFailed:
      return "OpenFileFailed";
    case RegularExpression::CreateTemporaryFailed:
      return "CreateTemporaryFailed";
    case RegularExpression::ReadFailed:
      return "ReadFailed";
    case RegularExpression::WriteFailed:
      return "WriteFailed";
    case RegularExpression::MatchChanged:
      return "MatchChanged";
    case RegularExpression::SaveCopyFailed:
      return "SaveCopyFailed";
    case RegularExpression::ReplaceFailed:
      return "ReplaceFailed";
    case RegularExpression::RestoreAttributesFailed:
      return "RestoreAttributesFailed";
    case RegularExpression::ChangedWhileRewriting:
      return "ChangedWhileRewriting";
    case RegularExpression::SearchAbandoned:
      return "SearchAbandoned";
    case RegularExpression::SaveCopyCollision:
      return "SaveCopyCollision";
    case RegularExpression::OwnerNotKept:
      return "OwnerNotKept";
    case RegularExpression::CopyUnfinished:
      return "CopyUnfinished";
  }
  return "problem " + std::to_string(static_cast<unsigned>(problem));
}

std::string ProblemText(const Problem& problem) {
  if (problem.Problem == RegularExpression::MatchChanged)
    return "the file no longer holds " + QuoteReadable(problem.MatchString) + " there";
  if (problem.Problem == RegularExpression::OwnerNotKept)
    return "this user cannot give the new content the file's owner and group; the file was left "
           "as it is";
  if (problem.Problem == RegularExpression::CopyUnfinished)
    return "an unfinished in-place copy of the file is waiting beside it; the file was left as "
           "it is";
  if (problem.LastError == 0) {
    if (problem.Problem == RegularExpression::SearchAbandoned)
      return "the pattern was too complex for this file";
    if (problem.Problem == RegularExpression::ChangedWhileRewriting)
      return "another program changed the file meanwhile";
    if (problem.Problem == RegularExpression::SaveCopyCollision)
      return "its saved copy would replace another file's saved copy of this run";
    return "-";
  }
  return std::strerror(static_cast<int>(problem.LastError));
}

ProblemRow Row(const std::string& file, const std::string& problem, const std::string& error) {
  ProblemRow row;
  row.File = file;
  row.Problem = problem;
  row.Error = error;
  return row;
}

ProblemRow RowOf(const Problem& problem, const std::string& owner) {
  ProblemRow row;
  row.File = problem.FileName;
  if (!owner.empty() && owner != row.File) {
    row.Other = std::move(row.File);
    row.File = owner;
  }
  row.Problem = ProblemName(problem.Problem);
  row.Position = problem.FilePointer;
  row.Error = ProblemText(problem);
  return row;
}

ProblemRow RowOf(const grepcore::ChangeProblem& problem, const std::string& owner) {
  using Kind = grepcore::ChangeProblemKind;
  if (problem.Message.empty() && problem.Kind <= Kind::CopyUnfinished) {
    Problem record;
    record.FileName = problem.Name;
    record.Problem = static_cast<RegularExpression::ProblemType>(problem.Kind);
    record.FilePointer = problem.Position;
    record.MatchString = problem.Matched;
    record.LastError = problem.SystemError;
    return RowOf(record, owner);
  }
  std::string kind;
  switch (problem.Kind) {
    case Kind::SaveCopyExists:
      kind = "SaveCopyExists";
      break;
    case Kind::MatchSpansLines:
      kind = "MatchSpansLines";
      break;
    case Kind::NotTheWalkedFile:
      kind = "OpenFileFailed";
      break;
    case Kind::DirectoryReplaced:
      kind = "DirectoryReplaced";
      break;
    case Kind::ChangedSincePlanned:
      kind = "ChangedSincePlanned";
      break;
    default:
      kind = ProblemName(static_cast<RegularExpression::ProblemType>(problem.Kind));
  }
  return Row(problem.Name, kind, problem.Message);
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

void PrintProblemTable(std::ostream& out, const std::vector<Problem>& problems,
                       const std::vector<std::string>& owners) {
  std::vector<ProblemRow> rows;
  for (std::size_t i = 0; i < problems.size(); ++i)
    rows.push_back(RowOf(problems[i], i < owners.size() ? owners[i] : std::string()));
  PrintProblemRows(out, rows);
}

void PrintSummary(std::ostream& out, const ChangeSummary& summary) {
  if (summary.DryRun) {
    out << "dry run: " << Plural(summary.Replacements, "replacement", "replacements") << " in "
        << Plural(summary.FilesChanged, "file", "files")
        << " would be written; nothing was changed\n";
  } else {
    out << Plural(summary.Replacements, "replacement", "replacements") << " written, "
        << Plural(summary.FilesChanged, "file", "files") << " changed\n";
  }
}

}  // namespace RegexTool
