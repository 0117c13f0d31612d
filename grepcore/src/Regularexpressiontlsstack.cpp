#include "Regularexpressiontlsstack.h"

#include "EventSlots.h"
#include "MatchInfo.h"
#include "core/MaskSearch.h"

namespace RegexClass {

RegularExpressionTLSStack TLSStack;

void RegularExpression::AllocateStack() { TLSStack.AllocateStack(); }

void RegularExpression::DeallocateStack() { TLSStack.DeallocateStack(); }

// The engine's file callbacks carry no user argument: each reaches the object of the innermost
// file operation running in this thread. Outside such an operation they stop the engine.
bool RegularExpression::FindFilesCallback(const char* file) {
  RegularExpression* top = TLSStack.Top();
  return top != nullptr && top->ThisFindFilesCallback(file);
}

bool RegularExpression::ThisFindFilesCallback(const char* file) {
  if (!HasHandler(OnFindFiles, OnFindFilesClosure)) return true;
  bool bcontinue = true;
  Fire(OnFindFiles, OnFindFilesClosure, this, std::string(file), bcontinue);
  return bcontinue;
}

bool RegularExpression::GrepFilesCallback(const char* file, const grepcore::MaskSearch& e) {
  RegularExpression* top = TLSStack.Top();
  return top != nullptr && top->ThisGrepFilesCallback(file, e);
}

bool RegularExpression::ThisGrepFilesCallback(const char* file, const grepcore::MaskSearch& e) {
  // Without a handler the match vector is not built: a count costs no copies.
  bool bcontinue = true;
  if (HasHandler(OnGreppingFiles, OnGreppingFilesClosure))
    Fire(OnGreppingFiles, OnGreppingFilesClosure, this, std::string(file), FileGrepMatchInfo(e),
         e.Line(), bcontinue);
  if (HasHandler(OnGreppingFilesView, OnGreppingFilesViewClosure)) {
    REMatchViewInfo views;
    FillFileMatchViewInfo(e, views);
    Fire(OnGreppingFilesView, OnGreppingFilesViewClosure, this, std::string_view(file),
         static_cast<const REMatchViewInfo&>(views), e.Line(), bcontinue);
  }
  return bcontinue;
}

}  // namespace RegexClass
