#include "core/MaskSearch.h"

#include <cstring>

#include "BufferSearch.h"
#include "DirectoryHandle.h"
#include "FileMatcherPlan.h"
#include "WalkTelling.h"
#include "common/Abandonment.h"
#include "engine/OptionWords.h"

namespace grepcore {

using GrepEngine::PlanSearch;
using GrepEngine::SearchPlan;
using GrepEngine::SubMatch;
namespace SyntaxBits = GrepEngine::SyntaxBits;

namespace {

// Makes a match current for the length of one callback, an exception included.
class Reporting {
 public:
  Reporting(const FileMatch*& slot, const FileMatch& match) : Slot(slot) { Slot = &match; }
  ~Reporting() { Slot = nullptr; }
  Reporting(const Reporting&) = delete;
  Reporting& operator=(const Reporting&) = delete;

 private:
  const FileMatch*& Slot;
};

}  // namespace

MaskSearch::MaskSearch() = default;
MaskSearch::~MaskSearch() = default;

unsigned MaskSearch::SetExpression(const char* expression, bool caseInsensitive) {
  Plan.reset();
  if (expression == nullptr) expression = "";
  ExpressionText.assign(expression, std::strlen(expression));
  const unsigned word = SyntaxBits::Normal | (caseInsensitive ? SyntaxBits::CaseInsensitive : 0u);
  const char* first = ExpressionText.data();
  const char* last = first + ExpressionText.size();
  auto compiled = GrepEngine::Pattern::Compile(first, last, word, std::locale());
  const unsigned error = compiled->ErrorCode();
  if (error == 0)
    Plan = std::make_unique<SearchPlan>(PlanSearch(std::move(compiled), first, last, FastPaths));
  return error;
}

void MaskSearch::UseFastPaths(bool on) {
  FastPaths = on;
  if (!Plan) return;
  const char* first = ExpressionText.data();
  *Plan = PlanSearch(Plan->Compiled, first, first + ExpressionText.size(), FastPaths);
}

void MaskSearch::ReadInBlocks(std::uint64_t fromSize, std::size_t blockSize) {
  BlocksFrom = fromSize;
  BlockSize = blockSize;
}

// Walks the mask and hands each file to `onFile(path, search)`, where `search(sink)` searches
// it (nothing is found in a file that does not open as a regular file) and notes a file the
// engine gave up on; `onFile` returns false to end the run.
template <class OnFile>
void MaskSearch::Run(const char* mask, bool recurse, unsigned matchWord, OnFile onFile) {
  Abandoned.clear();
  AbandonCodes.clear();
  SharedDirectory.reset();
  PassedOver.clear();
  auto plan = std::make_unique<FileMatcher::Plan>();
  plan->Search = *Plan;
  plan->MatchWord = matchWord;
  plan->Options.BlocksFrom = BlocksFrom;
  plan->Options.BlockSize = BlockSize;
  FileMatcher matcher(std::move(plan));
  WalkOptions options;
  options.Roots.emplace_back(mask);
  options.RootsAreMasks = true;
  options.MaskRecursion = recurse;
  options.ChangeNothing = LookOnly;
  WalkTelling(
      options,
      [&](WalkedFile&& file) {
        const Walking walking(*this, file);
        return onFile(file.Path, [&](const FileMatchSink& sink) {
          // A file whose reading fails part-way keeps the matches found before.
          const Result<FileMatchSummary> outcome = matcher.SearchFile(file, sink);
          if (!outcome && outcome.Error().Kind == ErrorKind::EngineGaveUp) {
            Abandoned.push_back(file.Path);
            AbandonCodes.push_back(outcome.Error().Code);
          }
        });
      },
      [this](const WalkProblem& problem) {
        if (problem.Kind == WalkProblemKind::Unfinished) PassedOver.push_back(problem.Path);
      });
  SharedDirectory.reset();
}

MaskSearch::Walking::Walking(MaskSearch& search, const WalkedFile& file) : Search(search) {
  Search.WalkedDirectory = file.Directory->Open.get();
  Search.WalkedName = &file.Name;
}

MaskSearch::Walking::~Walking() {
  Search.WalkedDirectory = nullptr;
  Search.WalkedName = nullptr;
}

MaskSearch::WalkedLocation MaskSearch::CurrentLocation() const {
  WalkedLocation location;
  if (WalkedDirectory == nullptr) return location;
  if (!SharedDirectory || SharedDirectory->Identity() != WalkedDirectory->Identity() ||
      !SharedDirectory->IsOpen())
    SharedDirectory = std::make_shared<const Platform::Directory>(WalkedDirectory->Duplicate());
  location.Directory = SharedDirectory;
  location.Name = *WalkedName;
  if (Current != nullptr) {  // what was read, as it was opened
    location.Device = Current->Device();
    location.Inode = Current->Inode();
  }
  return location;
}

unsigned MaskSearch::GrepFiles(GrepCallback callback, const char* mask, bool recurse,
                               unsigned matchWord) {
  if (!Plan || mask == nullptr) return 0;
  unsigned count = 0;
  Run(mask, recurse, matchWord, [&](const std::string& path, const auto& search) {
    bool stopped = false;
    search([&](const FileMatch& match) {
      ++count;
      if (callback == nullptr) return true;
      const Reporting current(Current, match);
      stopped = !callback(path.c_str(), *this);
      return !stopped;
    });
    return !stopped;
  });
  return count;
}

unsigned MaskSearch::FindFiles(FindCallback callback, const char* mask, bool recurse,
                               unsigned matchWord) {
  if (!Plan || mask == nullptr) return 0;
  unsigned count = 0;
  Run(mask, recurse, matchWord, [&](const std::string& path, const auto& search) {
    bool found = false;
    search([&](const FileMatch&) {
      found = true;
      return false;  // the first match settles it
    });
    if (!found) return true;
    ++count;
    return callback == nullptr || callback(path.c_str());
  });
  return count;
}

std::string MaskSearch::AbandonedFilesReason() const {
  std::string reason;
  for (std::size_t i = 0; i < Abandoned.size() && i < AbandonCodes.size() && Plan; ++i) {
    if (!reason.empty()) reason += '\n';
    reason += Abandoned[i] + ": " + Common::AbandonReason(AbandonCodes[i], *Plan->Compiled);
  }
  return reason;
}

unsigned MaskSearch::Marks() const {
  return Current != nullptr ? Current->Internals().Marks() : 0u;
}

std::string MaskSearch::What(unsigned i) const {
  if (Current == nullptr) return std::string();
  const SubMatch sub = Current->Internals().Sub(i);
  return sub.Matched ? sub.Text() : std::string();
}

std::shared_ptr<const GrepEngine::Pattern> MaskSearch::CompiledPattern() const {
  return Plan ? Plan->Compiled : nullptr;
}

SubMatch MaskSearch::Sub(unsigned i) const {
  return Current != nullptr ? Current->Internals().Sub(i) : SubMatch();
}

std::int64_t MaskSearch::Position(unsigned i) const {
  if (Current == nullptr) return -1;
  const SubMatch sub = Current->Internals().Sub(i);
  return sub.Matched ? sub.Position : -1;
}

unsigned MaskSearch::Line() const { return Current != nullptr ? Current->Internals().Line() : 0u; }

}  // namespace grepcore
