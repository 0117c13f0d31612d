#pragma once
// A handler object for the components' events: it records what each event receives.

#include <cstdint>
#include <string>
#include <vector>

#include "grepkit/Regularexpressioncustom.h"

namespace GrepkitTest {

using RegexComponent::RegularExpressionCustom;
using RegexComponent::REMatchInfo;

struct Seen {
  RegularExpressionCustom* Sender = nullptr;
  std::string File;
  REMatchInfo Matches;
  unsigned int LineIndex = 0;
  std::uint64_t StartOfLine = 0;
};

class Recorder : public vcl35::TObject {
 public:
  void Matched(RegularExpressionCustom* sender, const REMatchInfo& matches, unsigned int line,
               std::uint64_t start) {
    Calls.push_back({sender, "", matches, line, start});
    if (sender != nullptr) Formatted.push_back(FormatNow(*sender));
  }
  void Continued(RegularExpressionCustom* sender, const REMatchInfo& matches, unsigned int line,
                 std::uint64_t start, bool& bcontinue) {
    Matched(sender, matches, line, start);
    if (StopAfter != 0 && Calls.size() >= StopAfter) bcontinue = false;
  }
  void FileMatched(RegularExpressionCustom* sender, vcl35::AnsiString file,
                   const REMatchInfo& matches, unsigned int line, bool& bcontinue) {
    Calls.push_back({sender, file.ToString(), matches, line, 0});
    if (StopAfter != 0 && Calls.size() >= StopAfter) bcontinue = false;
  }
  void FileFound(RegularExpressionCustom* sender, vcl35::AnsiString file, bool& bcontinue) {
    Calls.push_back({sender, file.ToString(), {}, 0, 0});
    if (StopAfter != 0 && Calls.size() >= StopAfter) bcontinue = false;
  }

  RegularExpressionCustom::MatchEvent OnMatch() { return {this, &Recorder::Matched}; }
  RegularExpressionCustom::ContinueMatchEvent OnContinue() { return {this, &Recorder::Continued}; }
  RegularExpressionCustom::FileMatchEvent OnFile() { return {this, &Recorder::FileMatched}; }
  RegularExpressionCustom::FileFoundEvent OnFound() { return {this, &Recorder::FileFound}; }

  std::vector<Seen> Calls;
  std::vector<std::string> Formatted;
  std::size_t StopAfter = 0;

 private:
  static std::string FormatNow(const RegularExpressionCustom& sender) {
    vcl35::AnsiString out;
    sender.Format(out);
    return out.ToString();
  }
};

}  // namespace GrepkitTest
