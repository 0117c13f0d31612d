// Lifecycle, copy, comparison and the plain property accessors.
#include "grepcore/Regularexpressionclass.h"

#include <utility>

#include "OptionSetConversion.h"
#include "common/ChangeRun.h"
#include "common/CompileOnDemand.h"
#include "grepcore/Match.h"

namespace RegexClass {

RegularExpression::RegularExpression()
    : ExpressionOptions(FromOrdinals<Options>(Common::DefaultExpressionOptions(),
                                              Common::ExpressionOrdinal::Count)),
      MatchOptions(
          FromOrdinals<Matches>(Common::DefaultMatchOptions(), Common::MatchOrdinal::Count)),
      Locale() {}

RegularExpression::RegularExpression(const RegularExpression& other) : Locale() {
  CopySettingsFrom(other);
}

RegularExpression& RegularExpression::operator=(const RegularExpression& other) {
  if (&other != this) CopySettingsFrom(other);
  return *this;
}

// The settings a copy takes over; the locale and the working state stay the target's own.
void RegularExpression::CopySettingsFrom(const RegularExpression& other) {
  ExpressionOptions = other.ExpressionOptions;
  MatchOptions = other.MatchOptions;
  Expression = other.Expression;
  StringToMatch = other.StringToMatch;
  FilesToMatch = other.FilesToMatch;
  FormatString = other.FormatString;
  SaveExtension = other.SaveExtension;
  AllowOwnerChange = other.AllowOwnerChange;
  LeaveWorkingFiles = other.LeaveWorkingFiles;
  DirectoryRecursion = other.DirectoryRecursion;
  MergeCopy = other.MergeCopy;
  // The compiled pattern is immutable: sharing it keeps its state or its error exactly.
  ExpressionParsed = other.ExpressionParsed;
  CompiledExpression = other.CompiledExpression;

  OnMatching = other.OnMatching;
  OnSearching = other.OnSearching;
  OnGrepping = other.OnGrepping;
  OnGreppingFiles = other.OnGreppingFiles;
  OnFindFiles = other.OnFindFiles;
  OnMerging = other.OnMerging;
  OnChangingFiles = other.OnChangingFiles;
  OnMatchingClosure = other.OnMatchingClosure;
  OnSearchingClosure = other.OnSearchingClosure;
  OnGreppingClosure = other.OnGreppingClosure;
  OnGreppingFilesClosure = other.OnGreppingFilesClosure;
  OnFindFilesClosure = other.OnFindFilesClosure;
  OnMergingClosure = other.OnMergingClosure;
  OnChangingFilesClosure = other.OnChangingFilesClosure;
  OnMatchingView = other.OnMatchingView;
  OnSearchingView = other.OnSearchingView;
  OnGreppingView = other.OnGreppingView;
  OnMergingView = other.OnMergingView;
  OnGreppingFilesView = other.OnGreppingFilesView;
  OnChangingFilesView = other.OnChangingFilesView;
  OnMatchingViewClosure = other.OnMatchingViewClosure;
  OnSearchingViewClosure = other.OnSearchingViewClosure;
  OnGreppingViewClosure = other.OnGreppingViewClosure;
  OnMergingViewClosure = other.OnMergingViewClosure;
  OnGreppingFilesViewClosure = other.OnGreppingFilesViewClosure;
  OnChangingFilesViewClosure = other.OnChangingFilesViewClosure;
}

bool RegularExpression::operator==(const RegularExpression& other) const {
  return ExpressionOptions == other.ExpressionOptions && MatchOptions == other.MatchOptions &&
         Expression == other.Expression && StringToMatch == other.StringToMatch &&
         FilesToMatch == other.FilesToMatch && FormatString == other.FormatString &&
         SaveExtension == other.SaveExtension && DirectoryRecursion == other.DirectoryRecursion &&
         MergeCopy == other.MergeCopy;
}

RegularExpression::~RegularExpression() { DeallocateStack(); }

std::string RegularExpression::GetStringToMatch() const { return StringToMatch; }
void RegularExpression::SetStringToMatch(const std::string& text) { StringToMatch = text; }
void RegularExpression::SetStringToMatch(std::string&& text) { StringToMatch = std::move(text); }
std::string RegularExpression::GetFilesToMatch() const { return FilesToMatch; }
void RegularExpression::SetFilesToMatch(const std::string& mask) { FilesToMatch = mask; }
std::string RegularExpression::GetSaveExtension() const { return SaveExtension; }
void RegularExpression::SetSaveExtension(const std::string& extension) {
  SaveExtension = extension;
}
bool RegularExpression::GetAllowOwnerChange() const { return AllowOwnerChange; }
void RegularExpression::SetAllowOwnerChange(bool allow) { AllowOwnerChange = allow; }
bool RegularExpression::GetLeaveWorkingFiles() const { return LeaveWorkingFiles; }
void RegularExpression::SetLeaveWorkingFiles(bool leave) { LeaveWorkingFiles = leave; }
bool RegularExpression::GetDirectoryRecursion() const { return DirectoryRecursion; }
void RegularExpression::SetDirectoryRecursion(bool recurse) { DirectoryRecursion = recurse; }
bool RegularExpression::GetMergeCopy() const { return MergeCopy; }
void RegularExpression::SetMergeCopy(bool copy) { MergeCopy = copy; }
std::string RegularExpression::GetFormatString() const { return FormatString; }
void RegularExpression::SetFormatString(const std::string& format) { FormatString = format; }

const std::vector<RegularExpression::FileChangeProblem>* RegularExpression::GetChangeFilesErrors()
    const {
  return ChangeFilesErrors.empty() ? nullptr : &ChangeFilesErrors;
}

}  // namespace RegexClass
