#include "StringCommands.h"

#include <utility>

#include "ExitStatus.h"
#include "MatchPrinter.h"

namespace RegexTool {
namespace {

using RegexClass::RegularExpression;
using RegexClass::REMatchViewInfo;

// Receives the match events of one run and prints each match as it comes.
class MatchListener {
 public:
  MatchListener(std::ostream& out, const StringCommand& command)
      : Out(out), Json(command.Json), Context(command.Context) {}

  void OnMatch(RegularExpression*, const REMatchViewInfo& matches, unsigned int line,
               std::uint64_t lineStart) {
    StringMatch match;
    match.Index = ++Count;
    match.Views = &matches;
    match.Line = line;
    match.LineStart = lineStart;
    match.Context = Context;
    if (Json)
      PrintJson(Out, match);
    else
      PrintReadable(Out, match);
  }

  // Output that can no longer be written ends the grep: the rest would be lost.
  void OnGrep(RegularExpression* sender, const REMatchViewInfo& matches, unsigned int line,
              std::uint64_t lineStart, bool& bcontinue) {
    OnMatch(sender, matches, line, lineStart);
    if (!Out) bcontinue = false;
  }

 private:
  std::ostream& Out;
  bool Json;
  bool Context;
  unsigned int Count = 0;
};

bool Prepare(RegularExpression& re, const PatternSettings& settings, std::ostream& err) {
  Configure(re, settings);
  std::string error;
  if (CompilePattern(re, error)) return true;
  err << "regextool: bad pattern: " << error << '\n';
  return false;
}

// The engine gave up: what it found is not all there is, and nothing found is no answer.
int GaveUp(const RegularExpression& re, std::ostream& err) {
  err << "regextool: " << re.GetAbandonReason() << '\n';
  return Trouble;
}

}  // namespace

// `\E` ends a case conversion that never began: it expands to no text.
std::string LibraryFormat(const std::string& format) { return format.empty() ? "\\E" : format; }

int RunStringCommand(const PatternSettings& settings, const StringCommand& command,
                     std::string text, std::ostream& out, std::ostream& err) {
  RegularExpression re;
  if (!Prepare(re, settings, err)) return Trouble;
  re.SetStringToMatch(std::move(text));
  MatchListener listener(out, command);
  bool found = false;
  switch (command.Operation) {
    case StringOperation::Match:
    case StringOperation::MatchAll:
      re.SetOnMatchingViewClosure(
          RegularExpression::MatchViewEventClosure(&listener, &MatchListener::OnMatch));
      found = command.Operation == StringOperation::Match ? re.Match() : re.MatchAll();
      break;
    case StringOperation::Search:
      re.SetOnSearchingViewClosure(
          RegularExpression::MatchViewEventClosure(&listener, &MatchListener::OnMatch));
      found = re.Search();
      break;
    case StringOperation::Grep:
      re.SetOnGreppingViewClosure(
          RegularExpression::ContinueMatchViewEventClosure(&listener, &MatchListener::OnGrep));
      found = re.Grep() != 0;
      break;
  }
  if (re.LastOperationAbandoned()) return GaveUp(re, err);
  return found ? Found : NothingFound;
}

// The merge without a handler works on the object's text alone; a merge handler would cost a
// copy of the text and of every match's suffix. The grep that counts copies nothing.
int RunMerge(const PatternSettings& settings, const MergeCommand& command, std::string text,
             std::ostream& out, std::ostream& err) {
  RegularExpression re;
  if (!Prepare(re, settings, err)) return Trouble;
  re.SetStringToMatch(std::move(text));
  re.SetFormatString(LibraryFormat(command.Format));
  re.SetMergeCopy(command.Copy);
  std::string result;
  re.Merge(result);
  if (re.LastOperationAbandoned()) return GaveUp(re, err);
  out << result;
  return re.Grep() != 0 ? Found : NothingFound;
}

}  // namespace RegexTool
