// The component core: lifecycle, copy, comparison, Assign, option sets, texts and compilation,
// and the unit that holds the one per-thread index object.
#include "grepkit/Regularexpressioncustom.h"

#include "Regularexpressiontlsstack.h"
#include "Texts.h"
#include "UnitCounter.h"
#include "common/ChangeRun.h"
#include "common/ObjectSettings.h"
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
    : vcl35::TComponent(AOwner), Settings(std::make_unique<Common::ObjectSettings>()) {}

RE::RegularExpressionCustom(const RegularExpressionCustom& other)
    : vcl35::TComponent(other.Owner()), Settings(std::make_unique<Common::ObjectSettings>()) {
  CopySettingsFrom(other);
}

RE& RE::operator=(const RegularExpressionCustom& other) {
  if (&other != this) CopySettingsFrom(other);
  return *this;
}

// What a copy takes over: the shared settings (the locale stays the target's own), the
// published flags and the handlers.
void RE::CopySettingsFrom(const RegularExpressionCustom& other) {
  *Settings = *other.Settings;
  DirectoryRecursion = other.DirectoryRecursion;
  MergeCopy = other.MergeCopy;
  OnMatching = other.OnMatching;
  OnSearching = other.OnSearching;
  OnGrepping = other.OnGrepping;
  OnMerging = other.OnMerging;
  OnGreppingFiles = other.OnGreppingFiles;
  OnFindFiles = other.OnFindFiles;
  OnChangingFiles = other.OnChangingFiles;
}

bool RE::operator==(const RegularExpressionCustom& other) const {
  return *Settings == *other.Settings && DirectoryRecursion == other.DirectoryRecursion &&
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

RE::OptionSet RE::GetExpressionOptions() const {
  return OptionSet::FromBits(Settings->ExpressionOptions);
}

void RE::SetOptions(OptionSet options) {
  if (options.ToBits() == Settings->ExpressionOptions) return;
  Settings->SetExpressionOptions(
      Common::AssignExpressionOptions(Settings->ExpressionOptions, options.ToBits()));
  Settings->ExpressionParsed = false;  // a new set forgets the compilation, even when the group
                                       // rules bring the old one back
}

RE::MatchSet RE::GetMatchOptions() const { return MatchSet::FromBits(Settings->MatchOptions); }

void RE::SetMatches(MatchSet matches) {
  Settings->MatchOptions = Common::AssignMatchOptions(Settings->MatchOptions, matches.ToBits());
}

AnsiString RE::GetExpression() const { return ToAnsi(Settings->Expression); }
void RE::SetExpression(const AnsiString& expression) {
  Settings->SetExpression(FromAnsi(expression));
}
AnsiString RE::GetFormatString() const { return ToAnsi(Settings->FormatString); }
void RE::SetFormatString(const AnsiString& format) { Settings->FormatString = FromAnsi(format); }
AnsiString RE::GetStringToMatch() const { return ToAnsi(Settings->StringToMatch.Get()); }
void RE::SetStringToMatch(const AnsiString& text) { Settings->StringToMatch = FromAnsi(text); }
AnsiString RE::GetFilesToMatch() const { return ToAnsi(Settings->FilesToMatch); }
void RE::SetFilesToMatch(const AnsiString& mask) { Settings->FilesToMatch = FromAnsi(mask); }
AnsiString RE::GetSaveExtension() const { return ToAnsi(Settings->SaveExtension); }
void RE::SetSaveExtension(const AnsiString& extension) {
  Settings->SaveExtension = FromAnsi(extension);
}
bool RE::GetAllowOwnerChange() const { return Settings->AllowOwnerChange; }
void RE::SetAllowOwnerChange(bool allow) { Settings->AllowOwnerChange = allow; }
void RE::SetExpressionLocale(const std::locale& locale) { Settings->Locale = locale; }

AnsiString RE::GetExpressionError() const { return ToAnsi(Settings->ErrorText()); }

unsigned char RE::ParseExpression() { return Settings->Parse(); }

unsigned int RE::GetFlagOptions() const { return Settings->FlagWord(); }

unsigned char RE::ConvertREXResult(unsigned int engineResult) {
  return Common::ConvertCompileResult(engineResult);
}

unsigned int RE::NumberOfSubexpressions() {
  if (!Settings->ExpressionParsed) ParseExpression();
  return Settings->Subexpressions();
}

unsigned int RE::NumberOfSubexpressions() const { return Settings->Subexpressions(); }

unsigned int RE::GetMatchFlags() const { return Settings->MatchWord(); }

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
