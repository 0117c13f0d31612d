#include "ChangePreview.h"

#include <engine/Matching.h>
#include <engine/Pattern.h>

#include <cstring>

namespace RegexTool {

using RegexClass::RegularExpression;
using RegexClass::REMatchViewInfo;

namespace {

// Matched texts up to this size have their replacement remembered, up to this many of them.
constexpr std::size_t RememberedLength = 256;
constexpr std::size_t RememberedTexts = 4096;

}  // namespace

ReplacementMaker::ReplacementMaker(const PatternSettings& settings, const std::string& format) {
  Configure(Formatter, settings);
  Formatter.SetFormatString(format);
  Formatter.SetMergeCopy(true);
  Formatter.SetOnSearchingViewClosure(
      RegularExpression::MatchViewEventClosure(this, &ReplacementMaker::OnSearch));
}

const std::string& ReplacementMaker::Replace(std::string_view matched) {
  if (matched.size() > RememberedLength) {
    Last = Make(matched);
    return Last;
  }
  const std::string key(matched);
  const auto known = Known.find(key);
  if (known != Known.end()) return known->second;
  if (Known.size() >= RememberedTexts) Known.clear();
  return Known.emplace(key, Make(matched)).first->second;
}

std::string ReplacementMaker::Make(std::string_view matched) {
  std::string result;
  Formatter.SetStringToMatch(std::string(matched));
  if (!matched.empty()) {
    Formatter.Merge(result);
    return result;
  }
  // Merge takes an empty text for no text; the change run merges over an empty match too,
  // where the one possible match is the empty one at its start.
  Formatted = &result;
  Formatter.Search();
  Formatted = nullptr;
  return result;
}

void ReplacementMaker::OnSearch(RegularExpression* sender, const REMatchViewInfo&, unsigned int,
                                std::uint64_t) {
  if (Formatted != nullptr) sender->Format(*Formatted);
}

bool ApplyReplacements(const std::string& content, const std::vector<PlannedReplacement>& plan,
                       std::string& result) {
  result.clear();
  std::size_t copied = 0;
  for (const PlannedReplacement& replacement : plan) {
    if (replacement.Position < 0) return false;
    const std::size_t position = static_cast<std::size_t>(replacement.Position);
    if (position < copied || position > content.size() ||
        content.compare(position, replacement.Matched.size(), replacement.Matched) != 0)
      return false;
    result.append(content, copied, position - copied);
    result += replacement.Replacement;
    copied = position + replacement.Matched.size();
  }
  result.append(content, copied, std::string::npos);
  return true;
}

FilePlanner::FilePlanner(const PatternSettings& settings, const std::string& format, bool wholeText)
    : Maker(settings, format), WholeText(wholeText) {
  // The object says how the pattern is compiled and matched; the grep runs on the engine
  // directly, which tells a search it gave up on from one that found nothing, and reads the
  // content in place. Once the object reports a grep it gave up on, its own Grep serves.
  RegularExpression settingsOf;
  Configure(settingsOf, settings);
  const std::string expression = settingsOf.GetExpression();
  const char* first = expression.c_str();
  Compiled = GrepEngine::Pattern::Compile(first, first + std::strlen(first),
                                          settingsOf.GetFlagOptions(), settingsOf.GetLocale());
  MatchWord = settingsOf.GetMatchFlags();
}

FilePlanner::~FilePlanner() = default;

FileMatches FilePlanner::Plan(std::string_view content, const ReplacementSink& sink) {
  FileMatches found;
  if (!Compiled || Compiled->Failed()) return found;
  // The empty text after a final line feed (or an empty file) holds no line.
  const bool endIsNoLine = !WholeText && (content.empty() || content.back() == '\n');
  const char none = 0;  // the engine may take the data pointer of an empty text: never null
  const char* first = content.empty() ? &none : content.data();
  const GrepEngine::GrepOutcome outcome = GrepEngine::GrepIn(
      *Compiled, first, first + content.size(), MatchWord,
      [&](const GrepEngine::MatchResults& match) {
        const GrepEngine::SubMatch whole = match.Sub(0);
        const std::string_view matched = whole.First == nullptr
                                             ? std::string_view()
                                             : std::string_view(whole.First, whole.Length());
        if (endIsNoLine && matched.empty() &&
            static_cast<std::size_t>(whole.Position) == content.size())
          return true;
        ++found.Matches;
        if (matched.find('\n') != std::string_view::npos) found.SpansLines = true;
        const std::string& replacement = Maker.Replace(matched);
        if (replacement == matched) return true;
        ++found.Changing;
        found.Growth += static_cast<std::int64_t>(replacement.size()) -
                        static_cast<std::int64_t>(matched.size());
        sink(whole.Position, matched, replacement);
        return true;
      });
  found.Abandoned = outcome.Abandoned;
  return found;
}

}  // namespace RegexTool
