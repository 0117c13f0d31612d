// Lifecycle, copy, comparison and the plain property accessors.
#include "grepcore/Regularexpressionclass.h"

#include <utility>

#include "common/ChangeRun.h"
#include "common/ObjectSettings.h"
#include "grepcore/Match.h"

namespace RegexClass {

RegularExpression::RegularExpression() : Settings(std::make_unique<Common::ObjectSettings>()) {}

RegularExpression::RegularExpression(const RegularExpression& other)
    : Settings(std::make_unique<Common::ObjectSettings>()) {
  CopySettingsFrom(other);
}

RegularExpression& RegularExpression::operator=(const RegularExpression& other) {
  if (&other != this) CopySettingsFrom(other);
  return *this;
}

// What a copy takes over: the shared settings (the locale stays the target's own), the
// object's own flags and the handlers; the working state stays the target's own.
void RegularExpression::CopySettingsFrom(const RegularExpression& other) {
  *Settings = *other.Settings;
  LeaveWorkingFiles = other.LeaveWorkingFiles;
  DirectoryRecursion = other.DirectoryRecursion;
  MergeCopy = other.MergeCopy;

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
  return *Settings == *other.Settings && DirectoryRecursion == other.DirectoryRecursion &&
         MergeCopy == other.MergeCopy;
}

RegularExpression::~RegularExpression() { DeallocateStack(); }

std::string RegularExpression::GetStringToMatch() const { return Settings->StringToMatch.Get(); }
void RegularExpression::SetStringToMatch(const std::string& text) {
  Settings->StringToMatch = text;
}
void RegularExpression::SetStringToMatch(std::string&& text) {
  Settings->StringToMatch = std::move(text);
}
std::string RegularExpression::GetFilesToMatch() const { return Settings->FilesToMatch; }
void RegularExpression::SetFilesToMatch(const std::string& mask) { Settings->FilesToMatch = mask; }
std::string RegularExpression::GetSaveExtension() const { return Settings->SaveExtension; }
void RegularExpression::SetSaveExtension(const std::string& extension) {
  Settings->SaveExtension = extension;
}
bool RegularExpression::GetAllowOwnerChange() const { return Settings->AllowOwnerChange; }
void RegularExpression::SetAllowOwnerChange(bool allow) { Settings->AllowOwnerChange = allow; }
bool RegularExpression::GetLeaveWorkingFiles() const { return LeaveWorkingFiles; }
void RegularExpression::SetLeaveWorkingFiles(bool leave) { LeaveWorkingFiles = leave; }
bool RegularExpression::GetDirectoryRecursion() const { return DirectoryRecursion; }
void RegularExpression::SetDirectoryRecursion(bool recurse) { DirectoryRecursion = recurse; }
bool RegularExpression::GetMergeCopy() const { return MergeCopy; }
void RegularExpression::SetMergeCopy(bool copy) { MergeCopy = copy; }
std::string RegularExpression::GetFormatString() const { return Settings->FormatString; }
void RegularExpression::SetFormatString(const std::string& format) {
  Settings->FormatString = format;
}

const std::vector<RegularExpression::FileChangeProblem>* RegularExpression::GetChangeFilesErrors()
    const {
  return ChangeFilesErrors.empty() ? nullptr : &ChangeFilesErrors;
}

}  // namespace RegexClass
