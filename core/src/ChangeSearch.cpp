#include "ChangeSearch.h"

#include <utility>

#include "BufferSearch.h"
#include "PatternData.h"
#include "common/ReplacementText.h"

namespace grepcore {
namespace {

// Matched texts up to this size have their replacement remembered, up to this many of them.
constexpr std::size_t RememberedLength = 256;
constexpr std::size_t RememberedTexts = 4096;

}  // namespace

ReplacementMaker::ReplacementMaker(std::shared_ptr<const GrepEngine::Pattern> pattern,
                                   unsigned matchWord, std::string format)
    : Compiled(std::move(pattern)), MatchWord(matchWord), Format(std::move(format)) {}

const std::string* ReplacementMaker::Replace(std::string_view matched) {
  const std::string text(matched);
  if (matched.size() > RememberedLength) {
    return Common::ReplacementText(Compiled, MatchWord, text, Format, Last) ? &Last : nullptr;
  }
  const auto known = Known.find(text);
  if (known != Known.end()) return &known->second;
  std::string made;
  if (!Common::ReplacementText(Compiled, MatchWord, text, Format, made)) return nullptr;
  if (Known.size() >= RememberedTexts) Known.clear();
  return &Known.emplace(text, std::move(made)).first->second;
}

unsigned RunMatchWord(const ChangeOptions& options) {
  MatchOptions match = options.Match;
  if (!options.WholeText) {
    match.NotDotNewline = true;  // as in sed, a match stays in its line
    match.LineFeedLines = true;  // which ends at a line feed only
  }
  return EngineMatchWord(match);
}

FileSearcher::FileSearcher(const Pattern& pattern, const ChangeOptions& options)
    : Compiled(pattern.Data()->Engine),
      Plan(std::make_unique<const GrepEngine::SearchPlan>(
          GrepEngine::PlanSearch(Compiled, nullptr, nullptr, true))),
      MatchWord(RunMatchWord(options)),
      WholeText(options.WholeText),
      FirstOnly(options.FirstOnly),
      Maker(pattern.Data()->Engine, RunMatchWord(options), options.Format),
      Direct(GrepEngine::DirectReplacement::Plan(*Compiled, *Compiled, MatchWord, options.Format)) {
}

FileSearcher::~FileSearcher() = default;

FileMatches FileSearcher::Search(std::string_view content, const ReplacementSink& sink) {
  FileMatches found;
  if (!Compiled || Compiled->Failed()) return found;
  // The empty text after a final line feed (or an empty file) holds no line.
  const bool endIsNoLine = !WholeText && (content.empty() || content.back() == '\n');
  const char none = 0;  // the engine may take the data pointer of an empty text: never null
  const char* first = content.empty() ? &none : content.data();
  bool gaveUp = false;
  std::uint64_t nextLine = 0;  // with FirstOnly: where the first line without a match starts
  const GrepEngine::BufferOutcome outcome = GrepEngine::SearchBuffer(
      *Plan, first, first + content.size(), MatchWord,
      [&](const GrepEngine::FoundMatch& match) {
        const GrepEngine::SubMatch whole = match.Sub(0);
        const std::string_view matched = whole.First == nullptr
                                             ? std::string_view()
                                             : std::string_view(whole.First, whole.Length());
        const auto position = static_cast<std::uint64_t>(whole.Position);
        if (endIsNoLine && matched.empty() && position == content.size()) return true;
        if (FirstOnly) {
          if (position < nextLine) return true;
          const std::size_t feed = content.find('\n', static_cast<std::size_t>(position));
          nextLine = feed == std::string_view::npos ? content.size() + 1 : feed + 1;
        }
        ++found.Matches;
        if (matched.find('\n') != std::string_view::npos) found.SpansLines = true;
        std::string_view replacement;
        if (Direct) {
          Expanded.clear();
          Direct->Expand([&match](unsigned i) { return match.Sub(i); }, Expanded);
          replacement = Expanded;
        } else {
          const std::string* made = Maker.Replace(matched);
          if (made == nullptr) {
            gaveUp = true;
            return false;
          }
          replacement = *made;
        }
        if (replacement == matched) return true;
        ++found.Changing;
        found.Growth += static_cast<std::int64_t>(replacement.size()) -
                        static_cast<std::int64_t>(matched.size());
        sink(position, matched, replacement);
        return true;
      });
  found.Abandoned = outcome.Abandoned || gaveUp;
  return found;
}

}  // namespace grepcore
