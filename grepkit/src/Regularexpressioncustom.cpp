// The component core: lifecycle, copy, comparison, Assign, option sets, texts and compilation,
// and the unit that holds the one per-thread index object.
#include "grepkit/Regularexpressioncustom.h"

#include "Regularexpressiontlsstack.h"
#include "Texts.h"
#include "UnitCounter.h"
#include "common/ChangeRun.h"
#include "common/CompileOnDemand.h"
#include "common/OptionSets.h"
#include "grepcore/Match.h"
#include "grepkit/Package.h"
#include "platform/ThreadSlot.h"
#include "vcl35/TypeInfo.h"

namespace {

Grepkit::UnitCounter Counter;
std::unique_ptr<RegexComponent::RegularExpressionTLSStack> IndexObject;

}  // namespace

namespace Regularexpressioncustom {

void Initialization() {
  Counter.Start(
      [] { IndexObject = std::make_unique<RegexComponent::RegularExpressionTLSStack>(); });
}

void Finalization() {
  Counter.Stop([] { IndexObject.reset(); });
}

std::uint32_t ThreadSlotIndex() {
  return IndexObject ? IndexObject->SlotIndex() : Platform::NoThreadSlot;
}

bool ThreadSlotAllocated() {
  return IndexObject && IndexObject->SlotIndex() != Platform::NoThreadSlot;
}

}  // namespace Regularexpressioncustom

namespace RegexComponent {

GREPTOOLKIT_CHECK_OPTION_ENUMERATIONS(RegularExpressionCustom)

RegularExpressionTLSStack* ThreadStacks() { return IndexObject.get(); }

using RE = RegularExpressionCustom;

vcl35::TClass RE::StaticClassInfo() {
  static const vcl35::TClassInfo info{"RegularExpressionCustom",
                                      vcl35::TComponent::StaticClassInfo(),
                                      "Regularexpressioncustom",
                                      nullptr,
                                      {}};
  return &info;
}

vcl35::TClass RE::ClassType() const { return StaticClassInfo(); }

RE::RegularExpressionCustom(vcl35::TComponent* AOwner)
    : vcl35::TComponent(AOwner),
      ExpressionOptions(OptionSet::FromBits(Common::DefaultExpressionOptions())),
      MatchOptions(MatchSet::FromBits(Common::DefaultMatchOptions())),
      Locale() {}

RE::RegularExpressionCustom(const RegularExpressionCustom& other)
    : vcl35::TComponent(other.Owner()), Locale() {
  CopySettingsFrom(other);
}

RE& RE::operator=(const RegularExpressionCustom& other) {
  if (&other != this) CopySettingsFrom(other);
  return *this;
}

void RE::CopySettingsFrom(const RegularExpressionCustom& other) {
  ExpressionOptions = other.ExpressionOptions;
  MatchOptions = other.MatchOptions;
  Expression = other.Expression;
  StringToMatch = other.StringToMatch;
  FilesToMatch = other.FilesToMatch;
  FormatString = other.FormatString;
  SaveExtension = other.SaveExtension;
  AllowOwnerChange = other.AllowOwnerChange;
  DirectoryRecursion = other.DirectoryRecursion;
  MergeCopy = other.MergeCopy;
  // The compiled pattern is immutable: sharing it keeps its state or its error exactly.
  ExpressionParsed = other.ExpressionParsed;
  CompiledExpression = other.CompiledExpression;
  OnMatching = other.OnMatching;
  OnSearching = other.OnSearching;
  OnGrepping = other.OnGrepping;
  OnMerging = other.OnMerging;
  OnGreppingFiles = other.OnGreppingFiles;
  OnFindFiles = other.OnFindFiles;
  OnChangingFiles = other.OnChangingFiles;
}

bool RE::operator==(const RegularExpressionCustom& other) const {
  return ExpressionOptions == other.ExpressionOptions && MatchOptions == other.MatchOptions &&
         Expression == other.Expression && StringToMatch == other.StringToMatch &&
         FilesToMatch == other.FilesToMatch && FormatString == other.FormatString &&
         SaveExtension == other.SaveExtension && DirectoryRecursion == other.DirectoryRecursion &&
         MergeCopy == other.MergeCopy;
}

RE::~RegularExpressionCustom() { DeallocateStack(); }

void RE::Assign(vcl35::TPersistent* Source) {
  // From itself an assignment copies nothing, as the assignment operator.
  if (Source == this) return;
  if (RegularExpressionCustom* source = vcl35::ClassCast<RegularExpressionCustom>(Source)) {
    CopySettingsFrom(*source);
    return;
  }
  vcl35::TComponent::Assign(Source);
}

void RE::SetOptions(OptionSet options) {
  if (options == ExpressionOptions) return;
  ExpressionParsed = false;
  ExpressionOptions = OptionSet::FromBits(
      Common::AssignExpressionOptions(ExpressionOptions.ToBits(), options.ToBits()));
}

void RE::SetMatches(MatchSet matches) {
  MatchOptions =
      MatchSet::FromBits(Common::AssignMatchOptions(MatchOptions.ToBits(), matches.ToBits()));
}

AnsiString RE::GetExpression() const { return ToAnsi(Expression); }
void RE::SetExpression(const AnsiString& expression) {
  Expression = FromAnsi(expression);
  ExpressionParsed = false;
}
AnsiString RE::GetFormatString() const { return ToAnsi(FormatString); }
void RE::SetFormatString(const AnsiString& format) { FormatString = FromAnsi(format); }
AnsiString RE::GetStringToMatch() const { return ToAnsi(StringToMatch); }
void RE::SetStringToMatch(const AnsiString& text) { StringToMatch = FromAnsi(text); }
AnsiString RE::GetFilesToMatch() const { return ToAnsi(FilesToMatch); }
void RE::SetFilesToMatch(const AnsiString& mask) { FilesToMatch = FromAnsi(mask); }
AnsiString RE::GetSaveExtension() const { return ToAnsi(SaveExtension); }
void RE::SetSaveExtension(const AnsiString& extension) { SaveExtension = FromAnsi(extension); }
bool RE::GetAllowOwnerChange() const { return AllowOwnerChange; }
void RE::SetAllowOwnerChange(bool allow) { AllowOwnerChange = allow; }
void RE::SetExpressionLocale(const std::locale& locale) { Locale = locale; }

AnsiString RE::GetExpressionError() const {
  return ToAnsi(Common::CompileErrorText(ExpressionParsed, CompiledExpression));
}

unsigned char RE::ParseExpression() {
  return Common::ParseOnDemand(ExpressionParsed, CompiledExpression, Expression, GetFlagOptions(),
                               Locale);
}

unsigned int RE::GetFlagOptions() const {
  return Common::ExpressionFlagWord(ExpressionOptions.ToBits());
}

unsigned char RE::ConvertREXResult(unsigned int engineResult) {
  return Common::ConvertCompileResult(engineResult);
}

unsigned int RE::NumberOfSubexpressions() {
  if (!ExpressionParsed) ParseExpression();
  return Common::SubexpressionCount(ExpressionParsed, CompiledExpression);
}

unsigned int RE::NumberOfSubexpressions() const {
  return Common::SubexpressionCount(ExpressionParsed, CompiledExpression);
}

unsigned int RE::GetMatchFlags() const { return Common::MatchFlagWord(MatchOptions.ToBits()); }

void RE::AllocateStack() {
  if (RegularExpressionTLSStack* stacks = ThreadStacks()) stacks->AllocateStack();
}

void RE::DeallocateStack() {
  if (RegularExpressionTLSStack* stacks = ThreadStacks()) stacks->DeallocateStack();
}

const std::vector<RE::FileChangeProblem>* RE::GetChangeFilesErrors() const {
  return ChangeFilesErrors.empty() ? nullptr : &ChangeFilesErrors;
}

}  // namespace RegexComponent
