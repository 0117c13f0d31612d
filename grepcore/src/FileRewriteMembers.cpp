// Rewriting the gathered file, and the members around it.
#include "common/ChangeRun.h"
#include "common/ObjectSettings.h"
#include "common/SavedCopies.h"
#include "grepcore/Regularexpressionclass.h"

namespace RegexClass {

void RegularExpression::MergeUpdateFile() {
  Common::RewriteGatheredFile(
      Common::Gathered(CurrentFile, RunWork), Settings->SaveExtension, ChangeCount,
      [this](Common::ProblemReport&& report) { AddProblem(std::move(report)); });
}

void RegularExpression::MergeFileCleanup(void* input, void* output,
                                         const std::string& temporaryName) {
  Common::CloseAndDeleteTemporary(input, output, temporaryName);
  CurrentFile = MergeFileInformation();
  if (RunWork) RunWork->DropStreamed();
}

std::uint64_t RegularExpression::GetFilePointer(void* handle) {
  return Common::OpenFilePosition(handle);
}

bool RegularExpression::BackupFile(const std::string& name) {
  return Common::CarriesExtension(name, Settings->SaveExtension);
}

bool RegularExpression::ReadOnlyFile(const std::string& name) { return Common::IsReadOnly(name); }

std::string RegularExpression::ReplaceExtension() {
  return Common::SavedCopyName(CurrentFile.FileName, Settings->SaveExtension);
}

}  // namespace RegexClass
