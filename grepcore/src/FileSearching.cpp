// GrepFiles and FindFiles: the file search over FilesToMatch, its events fired through the
// thread's instance stack.
#include "Regularexpressiontlsstack.h"
#include "common/Abandonment.h"
#include "common/ChangeRun.h"
#include "common/ObjectSettings.h"
#include "core/MaskSearch.h"

namespace RegexClass {

unsigned int RegularExpression::GrepFiles() {
  AbandonReason.clear();
  return Common::FileOperation(
      TLSStack, this, Settings->Expression, Settings->FilesToMatch,
      IsExpressionOption(CaseInsensitive),
      [this] {
        ParseExpression();  // the object's own pattern stays in step with its options
        return GetMatchFlags();
      },
      [this](grepcore::MaskSearch& search, unsigned flags) {
        search.LeaveWorkingFiles(LeaveWorkingFiles);
        const unsigned count = search.GrepFiles(&GrepFilesCallback, Settings->FilesToMatch.c_str(),
                                                DirectoryRecursion, flags);
        AbandonReason = search.AbandonedFilesReason();
        return count;
      });
}

unsigned int RegularExpression::FindFiles() {
  AbandonReason.clear();
  return Common::FileOperation(
      TLSStack, this, Settings->Expression, Settings->FilesToMatch,
      IsExpressionOption(CaseInsensitive),
      [this] {
        ParseExpression();
        return GetMatchFlags();
      },
      [this](grepcore::MaskSearch& search, unsigned flags) {
        search.LeaveWorkingFiles(LeaveWorkingFiles);
        const unsigned count = search.FindFiles(&FindFilesCallback, Settings->FilesToMatch.c_str(),
                                                DirectoryRecursion, flags);
        AbandonReason = search.AbandonedFilesReason();
        return count;
      });
}

}  // namespace RegexClass
