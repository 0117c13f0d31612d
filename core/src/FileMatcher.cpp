#include "grepcore/FileMatcher.h"

#include <optional>
#include <utility>
#include <vector>

#include "ContentSearch.h"
#include "FileMatcherPlan.h"
#include "OpenWalked.h"
#include "PatternData.h"
#include "common/Abandonment.h"

namespace grepcore {

std::string_view FileMatch::Text() const { return Group(0).Text; }

std::uint64_t FileMatch::Position() const { return Group(0).Position; }

std::uint64_t FileMatch::Line() const { return Found->Line(); }

std::size_t FileMatch::Size() const { return Found->Marks(); }

FileGroup FileMatch::Group(std::size_t i) const {
  FileGroup group;
  if (i >= Found->Marks()) return group;
  const GrepEngine::SubMatch sub = Found->Sub(static_cast<unsigned>(i));
  if (!sub.Matched) return group;
  group.Matched = true;
  group.Text = std::string_view(sub.First, sub.Length());
  group.Position = static_cast<std::uint64_t>(sub.Position);
  return group;
}

namespace {

Result<FileMatchSummary> Summary(const FileMatcher::Plan& plan, const ContentOutcome& outcome,
                                 const std::string& path) {
  if (outcome.ReadError != 0) return IoError(outcome.ReadError, path);
  if (outcome.Search.Abandoned) {
    Error error;
    error.Kind = ErrorKind::EngineGaveUp;
    error.Code = outcome.Search.AbandonCode;
    error.Message = Common::AbandonReason(outcome.Search.AbandonCode, *plan.Search.Compiled);
    error.Path = path;
    return error;
  }
  return FileMatchSummary{outcome.Search.Count};
}

Result<FileMatchSummary> Read(FileMatcher::Plan& plan, Platform::FileContent& content,
                              const std::string& path, const FileMatchSink& sink) {
  const std::uint64_t device = content.Device(), inode = content.Inode();
  return Summary(plan,
                 SearchContent(plan.Search, content, plan.Options.BlocksFrom,
                               plan.Options.BlockSize, plan.Buffer, plan.MatchWord,
                               [&](const GrepEngine::FoundMatch& found) {
                                 return sink(FileMatch(found, device, inode));
                               }),
                 path);
}

}  // namespace

FileMatcher::FileMatcher(const Pattern& pattern, FileMatchOptions options)
    : Held(std::make_unique<Plan>()) {
  Held->Search = GrepEngine::PlanSearch(pattern.Data()->Engine, nullptr, nullptr, true);
  Held->MatchWord = EngineMatchWord(options.Match);
  Held->Options = options;
}

FileMatcher::FileMatcher(std::unique_ptr<Plan> plan) : Held(std::move(plan)) {}

FileMatcher::~FileMatcher() = default;

Result<FileMatchSummary> FileMatcher::SearchFile(const WalkedFile& file,
                                                 const FileMatchSink& sink) {
  Platform::FileContent content;
  if (std::optional<Error> refused = OpenWalked(file, content)) return std::move(*refused);
  return Read(*Held, content, file.Path, sink);
}

Result<FileMatchSummary> FileMatcher::SearchPath(const std::string& path,
                                                 const FileMatchSink& sink) {
  Platform::FileContent content;
  if (!content.Open(path.c_str())) return IoError(Platform::LastError(), path);
  return Read(*Held, content, path, sink);
}

Result<FileMatchSummary> FileMatcher::SearchBuffer(std::string_view text,
                                                   const FileMatchSink& sink) {
  const char none = 0;  // a search may take the data pointer of an empty text: never null
  const char* first = text.empty() ? &none : text.data();
  ContentOutcome outcome;
  outcome.Search = GrepEngine::SearchBuffer(
      Held->Search, first, first + text.size(), Held->MatchWord,
      [&sink](const GrepEngine::FoundMatch& found) { return sink(FileMatch(found, 0, 0)); });
  return Summary(*Held, outcome, std::string());
}

}  // namespace grepcore
