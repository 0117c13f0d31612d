#pragma once
// The object's side of the shared change-run steps.

#include "common/ChangeRun.h"
#include "common/ObjectSettings.h"
#include "grepcore/Regularexpressionclass.h"

namespace RegexClass {

struct RegularExpression::ChangeRunSide {
  RegularExpression& Object;
  void TakeAbandonedFiles(const grepcore::MaskSearch& search) {
    Object.TakeAbandonedFiles(search);
  }
  void MergeUpdateFile() { Object.MergeUpdateFile(); }
  bool BackupFile(const std::string& name) { return Object.BackupFile(name); }
  bool ReadOnlyFile(const std::string& name) { return Object.ReadOnlyFile(name); }
  bool HasChangingFilesHandler() const {
    return Object.OnChangingFiles != nullptr || static_cast<bool>(Object.OnChangingFilesClosure) ||
           Object.OnChangingFilesView != nullptr ||
           static_cast<bool>(Object.OnChangingFilesViewClosure);
  }
  bool FireChangingFiles(const std::string& name, const grepcore::MaskSearch& search) {
    return Object.FireChangingFiles(name, search);
  }
  const std::string& SaveExtension() const { return Object.Settings->SaveExtension; }
  bool AllowOwnerChange() const { return Object.Settings->AllowOwnerChange; }
  void CommitRewrites() {
    Common::CommitBatch(
        Common::WorkOf(Object.RunWork), Object.ChangeCount,
        [this](Common::ProblemReport&& report) { Object.AddProblem(std::move(report)); });
  }
};

}  // namespace RegexClass
