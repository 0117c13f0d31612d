#pragma once
// The write step of a change run: each planned file's replacements go to the toolkit's file
// rewrite, without a second search, in batches as the library's change run writes them: up to
// 64 files or 64 MB of new content are prepared (on the run's threads), their file systems
// flushed once each, then put in place in the plan's order.

#include <common/FileRewrite.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ChangePreview.h"
#include "ChangeReport.h"
#include "PathWalk.h"

namespace RegexTool {

// One file of the plan that is to be written.
struct FileToWrite {
  WalkedFile File;
  std::string SaveName;  // own name of its saved copy beside it; empty: none
  // Every changing replacement, when the plan could keep them (Kept); otherwise the file is
  // searched again at its turn and its replacements streamed into the rewrite in portions.
  std::vector<PlannedReplacement> Replacements;
  bool Kept = false;
  unsigned int Changing = 0;
  std::uint64_t NewSize = 0;
};

// What became of it.
struct WrittenFile {
  bool Changed = false;
  std::string Skipped;  // why it was left alone after all (it is gone), empty when it was not
  std::vector<ProblemRow> Problems;
};

// The directory `file` was walked in: its held handle, or the directory reopened by its path
// once the handle was let go; null when its path no longer leads to it (moved, or swapped for
// a link), which the rewrite must not follow.
std::shared_ptr<const Platform::Directory> WalkedDirectory(const WalkedFile& file);

// The rewrite of the walked file `file` with its saved copy named `saveOwnName` beside it;
// null when its directory is no longer the one walked. It goes by the file's path until the
// rewrite takes the walk's entry (directory handle, own name, identity, shown name); then only
// the line that constructs it changes.
std::unique_ptr<Common::FileRewriter> MakeRewriter(const WalkedFile& file,
                                                   const std::string& saveOwnName);

// Searches `file` again and adds its replacements to `rewriter` in portions; false, with
// `problem` saying why, when the file is no longer what was planned.
using SearchAgain = std::function<bool(unsigned thread, const FileToWrite& file,
                                       Common::FileRewriter& rewriter, ProblemRow& problem)>;

// Writes `files` in batches on `threads` threads; `done(i, outcome)` is called for each file
// in order, on the calling thread. A file's kept replacements are released once written.
void CommitPlan(std::vector<FileToWrite>& files, unsigned threads, const SearchAgain& searchAgain,
                const std::function<void(std::size_t, WrittenFile&&)>& done);

}  // namespace RegexTool
