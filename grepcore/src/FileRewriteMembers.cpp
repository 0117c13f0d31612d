// Rewriting the gathered file, and the members around it.
#include "common/FileRewrite.h"
#include "common/SavedCopies.h"
#include "grepcore/Regularexpressionclass.h"
#include "platform/Files.h"

namespace RegexClass {

void RegularExpression::MergeUpdateFile() {
  if (CurrentFile.FileName.empty()) {
    CurrentFile.GrepInfo.clear();
    CurrentFileAbandoned = false;
    return;
  }
  const std::string saveName = SaveExtension.empty() ? std::string() : ReplaceExtension();
  // The record is empty on every way out.
  MergeFileInformation file;
  std::swap(file, CurrentFile);
  const bool abandoned = CurrentFileAbandoned;
  CurrentFileAbandoned = false;

  std::vector<Common::ProblemReport> reports;
  if (abandoned) {
    // Matches the engine did not finish looking for would change the file only in part.
    Common::ProblemReport report;
    report.Problem = Common::RewriteProblem::SearchAbandoned;
    report.FileName = file.FileName;
    reports.push_back(std::move(report));
  } else {
    std::vector<Common::Replacement> replacements;
    replacements.reserve(file.GrepInfo.size());
    for (const MergeFileInformation::GrepInformation& match : file.GrepInfo)
      replacements.push_back({match.Position, &match.MatchString, &match.ReplaceString});
    if (Common::RewriteFile(file.FileName, replacements, saveName, reports))
      ChangeCount += static_cast<unsigned int>(file.GrepInfo.size());
  }
  for (Common::ProblemReport& report : reports) {
    FileChangeProblem problem;
    problem.FileName = std::move(report.FileName);
    problem.Problem = static_cast<ProblemType>(report.Problem);
    problem.FilePointer = report.FilePointer;
    problem.MatchString = std::move(report.MatchString);
    problem.LastError = report.LastError;
    ChangeFilesErrors.push_back(std::move(problem));
  }
}

// The gathered file is not to be changed: the engine gave up on it.
void RegularExpression::AbandonCurrentFile() {
  CurrentFile.GrepInfo.clear();
  CurrentFileAbandoned = true;
}

void RegularExpression::MergeFileCleanup(void* input, void* output, const std::string& temporaryName) {
  if (input != nullptr) static_cast<Platform::File*>(input)->Close();
  if (output != nullptr) static_cast<Platform::File*>(output)->Close();
  Platform::DeleteFile(temporaryName);
  CurrentFile = MergeFileInformation();
}

std::uint64_t RegularExpression::GetFilePointer(void* handle) {
  if (handle == nullptr) return 0;
  const std::uint64_t position = static_cast<const Platform::File*>(handle)->Position();
  return position == Platform::NoPosition ? 0 : position;
}

bool RegularExpression::BackupFile(const std::string& name) {
  return Common::CarriesExtension(name, SaveExtension);
}

bool RegularExpression::ReadOnlyFile(const std::string& name) { return Common::IsReadOnly(name); }

std::string RegularExpression::ReplaceExtension() {
  return Common::SavedCopyName(CurrentFile.FileName, SaveExtension);
}

}  // namespace RegexClass
