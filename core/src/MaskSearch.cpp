#include "core/MaskSearch.h"

#include <cstring>

#include "BufferSearch.h"
#include "ContentSearch.h"
#include "FileMask.h"
#include "MaskWalk.h"
#include "common/Abandonment.h"
#include "engine/OptionWords.h"
#include "platform/FileContent.h"

namespace grepcore {

using GrepEngine::BufferOutcome;
using GrepEngine::FoundMatch;
using GrepEngine::MatchSink;
using GrepEngine::SearchPlan;
using GrepEngine::SubMatch;
using GrepEngine::Pattern;
using GrepEngine::PlanSearch;
namespace SyntaxBits = GrepEngine::SyntaxBits;

namespace {

// Makes a match current for the length of one callback, an exception included.
class Reporting {
 public:
  Reporting(const FoundMatch*& slot, const FoundMatch& match) : Slot(slot) { Slot = &match; }
  ~Reporting() { Slot = nullptr; }
  Reporting(const Reporting&) = delete;
  Reporting& operator=(const Reporting&) = delete;

 private:
  const FoundMatch*& Slot;
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
  auto compiled = Pattern::Compile(first, last, word, std::locale());
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

// Walks the mask and hands each file that opens as a regular file to `onFile(path, search)`,
// where `search(matchWord, sink)` searches it; `onFile` returns false to end the run.
template <class OnFile>
void MaskSearch::Run(const char* mask, bool recurse, OnFile onFile) {
  Abandoned.clear();
  AbandonCodes.clear();
  Platform::FileContent content;
  SharedDirectory.reset();
  PassedOver.clear();
  WalkTidying tidy;
  tidy.Mode = LookOnly ? Platform::TidyMode::LookOnly : Platform::TidyMode::Finish;
  tidy.PassedOver = &PassedOver;
  WalkMask(FileMask(mask), recurse, tidy, [&](const MaskedFile& file) {
    // A file swapped for a link since the listing is passed over like an unreadable one.
    const bool throughLink = file.Kind == Platform::EntryKind::LinkToFile;
    if (!content.Open(file.Directory, file.Name, throughLink)) return true;
    const Walking walking(*this, file, content);
    return onFile(file.Path, [&](unsigned matchWord, const MatchSink& sink) {
      // A file whose reading fails part-way keeps the matches found before.
      return SearchContent(*Plan, content, BlocksFrom, BlockSize, Buffer, matchWord, sink).Search;
    });
  });
  SharedDirectory.reset();
}

MaskSearch::Walking::Walking(MaskSearch& search, const MaskedFile& file,
                             const Platform::FileContent& content)
    : Search(search) {
  Search.WalkedDirectory = &file.Directory;
  Search.WalkedName = &file.Name;
  Search.WalkedDevice = content.Device();
  Search.WalkedInode = content.Inode();
}

MaskSearch::Walking::~Walking() {
  Search.WalkedDirectory = nullptr;
  Search.WalkedName = nullptr;
  Search.WalkedDevice = 0;
  Search.WalkedInode = 0;
}

MaskSearch::WalkedLocation MaskSearch::CurrentLocation() const {
  WalkedLocation location;
  if (WalkedDirectory == nullptr) return location;
  if (!SharedDirectory || SharedDirectory->Identity() != WalkedDirectory->Identity() ||
      !SharedDirectory->IsOpen())
    SharedDirectory = std::make_shared<const Platform::Directory>(WalkedDirectory->Duplicate());
  location.Directory = SharedDirectory;
  location.Name = *WalkedName;
  location.Device = WalkedDevice;
  location.Inode = WalkedInode;
  return location;
}

unsigned MaskSearch::GrepFiles(GrepCallback callback, const char* mask, bool recurse,
                               unsigned matchWord) {
  if (!Plan || mask == nullptr) return 0;
  unsigned count = 0;
  Run(mask, recurse, [&](const std::string& path, const auto& search) {
    bool stopped = false;
    const MatchSink sink = [&](const FoundMatch& match) {
      if (callback == nullptr) return true;
      const Reporting current(Current, match);
      stopped = !callback(path.c_str(), *this);
      return !stopped;
    };
    const BufferOutcome outcome = search(matchWord, sink);
    count += outcome.Count;
    if (outcome.Abandoned) {
      Abandoned.push_back(path);
      AbandonCodes.push_back(outcome.AbandonCode);
    }
    return !stopped;
  });
  return count;
}

unsigned MaskSearch::FindFiles(FindCallback callback, const char* mask, bool recurse,
                               unsigned matchWord) {
  if (!Plan || mask == nullptr) return 0;
  unsigned count = 0;
  Run(mask, recurse, [&](const std::string& path, const auto& search) {
    // The first match settles it.
    const BufferOutcome outcome = search(matchWord, [](const FoundMatch&) { return false; });
    if (outcome.Count == 0) {
      if (outcome.Abandoned) {
        Abandoned.push_back(path);
        AbandonCodes.push_back(outcome.AbandonCode);
      }
      return true;
    }
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

unsigned MaskSearch::Marks() const { return Current != nullptr ? Current->Marks() : 0u; }

std::string MaskSearch::What(unsigned i) const {
  if (Current == nullptr) return std::string();
  const SubMatch sub = Current->Sub(i);
  return sub.Matched ? sub.Text() : std::string();
}

std::shared_ptr<const Pattern> MaskSearch::CompiledPattern() const {
  return Plan ? Plan->Compiled : nullptr;
}

SubMatch MaskSearch::Sub(unsigned i) const {
  return Current != nullptr ? Current->Sub(i) : SubMatch();
}

std::int64_t MaskSearch::Position(unsigned i) const {
  if (Current == nullptr) return -1;
  const SubMatch sub = Current->Sub(i);
  return sub.Matched ? sub.Position : -1;
}

unsigned MaskSearch::Line() const { return Current != nullptr ? Current->Line() : 0u; }

}  // namespace grepcore
