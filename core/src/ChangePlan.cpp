// The plan of a change run: each file read once and searched on the run's threads, taken in
// order; then the saved copies checked for collisions.
#include <atomic>
#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <tuple>
#include <utility>

#include "ChangeFiles.h"
#include "ChangeSearch.h"
#include "OrderedRun.h"
#include "common/SavedCopies.h"
#include "grepcore/Change.h"

namespace grepcore {
namespace {

// A file's changing replacements are kept from its plan to its commit while they take no more
// than this, and the whole plan's no more than that; the others are found again at commit.
constexpr std::uint64_t KeptBytesPerFile = std::uint64_t{4} << 20;
constexpr std::uint64_t KeptBytesPerRun = std::uint64_t{64} << 20;

std::uint64_t BytesOf(std::string_view matched, std::string_view replacement) {
  return sizeof(PlannedReplacement) + matched.size() + replacement.size();
}

// A planned file with the content read for it (the read buffer itself, handed on for the
// caller's look only).
struct PlannedWithContent {
  PlannedFile File;
  std::vector<char> Content;
  std::size_t Length = 0;
};

bool EndsWith(const std::string& name, const std::string& end) {
  return name.size() > end.size() && name.compare(name.size() - end.size(), end.size(), end) == 0;
}

// Whether the own name `name` is an earlier run's saved copy.
bool IsSavedCopy(const std::string& name, const ChangeOptions& options) {
  if (!options.BackupSuffix.empty()) return EndsWith(name, options.BackupSuffix);
  return !options.SaveExtension.empty() && Common::CarriesExtension(name, options.SaveExtension);
}

// The own name of the saved copy of the file `name`; empty: none.
std::string SaveNameOf(const std::string& name, const ChangeOptions& options) {
  if (!options.BackupSuffix.empty()) return name + options.BackupSuffix;
  if (!options.SaveExtension.empty()) return Common::SavedCopyName(name, options.SaveExtension);
  return std::string();
}

// One thread's searcher and read buffer.
class PlanWorker {
 public:
  PlanWorker(const Pattern& pattern, const ChangeOptions& options, std::atomic<std::uint64_t>& kept,
             bool keepContent)
      : Searcher(pattern, options), Options(options), KeptInRun(kept), KeepContent(keepContent) {}

  PlannedWithContent Plan(WalkedFile&& walked) {
    PlannedWithContent result;
    PlannedFile& file = result.File;
    file.File = std::move(walked);
    file.Action = PlannedAction::Problem;
    const std::shared_ptr<const Platform::Directory> directory =
        file.File.Directory ? file.File.Directory->Open : nullptr;
    std::shared_ptr<const Platform::Directory> reopened;
    if (!directory) reopened = WalkedDirectory(file.File);
    const Platform::Directory* at = directory ? directory.get() : reopened.get();
    if (at == nullptr) {
      file.Problems.push_back(Problem(file, ChangeProblemKind::DirectoryReplaced,
                                      "its directory was moved or replaced since the walk; the "
                                      "file was left as it is"));
      return result;
    }
    const int error = ReadEntry(*at, file.File.Name, file.File.Device, file.File.Inode, Content);
    if (error != 0) {
      if (error == ENOENT) {
        file.Action = PlannedAction::Gone;
      } else if (error == ESTALE || error == ELOOP) {
        file.Problems.push_back(Problem(file, ChangeProblemKind::NotTheWalkedFile,
                                        "it is no longer the file that was walked (a link or "
                                        "another file took its name); it was not searched",
                                        static_cast<unsigned>(error)));
      } else {
        file.Problems.push_back(Problem(file, ChangeProblemKind::OpenFileFailed,
                                        std::strerror(error), static_cast<unsigned>(error)));
      }
      return result;
    }
    file.Action = PlannedAction::NothingToDo;
    file.Device = Content.Identity.Device;
    file.Inode = Content.Identity.Inode;
    file.Size = Content.Length;
    const std::string_view content = Content.Text();
    file.Fingerprint = Fingerprint(content);
    if (!Options.Binary && LooksBinary(content)) return result;

    std::uint64_t keptBytes = 0;
    bool keep = true;
    std::vector<PlannedReplacement>& kept = file.Replacements;
    // The new content's fingerprint is made on the way, from the text between the
    // replacements and the replacements themselves.
    FingerprintMaker newContent;
    std::size_t copied = 0;
    const FileMatches found = Searcher.Search(
        content,
        [&](std::uint64_t position, std::string_view matched, std::string_view replacement) {
          if (Options.FingerprintNew) {
            newContent.Add(content.substr(copied, static_cast<std::size_t>(position) - copied));
            newContent.Add(replacement);
            copied = static_cast<std::size_t>(position) + matched.size();
          }
          if (!keep) return;
          keptBytes += BytesOf(matched, replacement);
          if (!Options.KeepAll && keptBytes > KeptBytesPerFile) {
            keep = false;
            kept = std::vector<PlannedReplacement>();
            return;
          }
          kept.push_back({position, std::string(matched), std::string(replacement)});
        });
    file.Matches = found.Matches;
    file.Changing = found.Changing;
    file.Growth = found.Growth;
    file.Kept = keep;
    if (keep && !Options.KeepAll) {
      file.Kept = KeptInRun.fetch_add(keptBytes) + keptBytes <= KeptBytesPerRun;
      if (!file.Kept) KeptInRun.fetch_sub(keptBytes);
    }
    if (!file.Kept) kept = std::vector<PlannedReplacement>();
    if (found.Changing == 0 && !found.Abandoned) return result;

    if (IsSavedCopy(file.File.Name, Options)) {
      file.Action = PlannedAction::SavedCopy;
    } else if ((Content.Attributes.Mode & 0200) == 0) {
      file.Action = PlannedAction::ReadOnly;
    } else if (found.Abandoned) {
      file.Action = PlannedAction::Problem;
      file.Problems.push_back(
          Problem(file, ChangeProblemKind::SearchAbandoned,
                  "the pattern was too complex for this file; it was left as it is"));
    } else if (found.SpansLines && !Options.WholeText) {
      file.Action = PlannedAction::Problem;
      file.Problems.push_back(Problem(file, ChangeProblemKind::MatchSpansLines,
                                      "a match takes a line feed; --whole-text allows that"));
    } else {
      file.Action = PlannedAction::Write;
      file.SaveName = SaveNameOf(file.File.Name, Options);
      if (Options.FingerprintNew) {
        newContent.Add(content.substr(copied));
        file.NewFingerprint = newContent.Finish();
      }
      if (KeepContent) {
        result.Content = std::move(Content.Buffer);
        result.Length = Content.Length;
        Content.Buffer = std::vector<char>();
      }
      return result;
    }
    // Not written: its replacements make room for others'.
    if (file.Kept && !Options.KeepAll) KeptInRun.fetch_sub(keptBytes);
    file.Kept = false;
    kept = std::vector<PlannedReplacement>();
    return result;
  }

 private:
  FileSearcher Searcher;
  const ChangeOptions& Options;
  std::atomic<std::uint64_t>& KeptInRun;
  bool KeepContent;
  ReadContent Content;
};

}  // namespace

void FindCollisions(ChangePlan& plan, bool ownCopies) {
  const bool backups = !plan.Options.BackupSuffix.empty();
  if (plan.Options.SaveExtension.empty() && !backups) return;
  using Key = std::tuple<std::uint64_t, std::uint64_t, std::string>;
  std::map<Key, const PlannedFile*> claimed;
  for (const PlannedFile& file : plan.Files) {
    if (file.Action != PlannedAction::Write) continue;
    const Platform::DirectoryIdentity directory = WalkedDirectoryIdentity(file.File);
    ChangeProblem problem;
    problem.Name = file.File.Shown;
    problem.Other = JoinedPath(file.File.Directory->Path, file.SaveName);
    const auto first =
        claimed.emplace(Key{directory.Device, directory.Inode, file.SaveName}, &file);
    if (!first.second) {
      problem.Kind = ChangeProblemKind::SaveCopyCollision;
      problem.Message =
          "its saved copy would replace the saved copy of " + first.first->second->File.Shown;
      plan.Collisions.push_back(std::move(problem));
      continue;
    }
    // A backup's name is the file's own with the suffix after it, so an entry there is an
    // earlier backup of this file, replaced as sed replaces it. An extension's saved copy
    // never takes an existing name: nothing on disk says which file it saved.
    if (backups) continue;
    const std::shared_ptr<const Platform::Directory> at =
        file.File.Directory->Open ? file.File.Directory->Open : WalkedDirectory(file.File);
    Platform::FileIdentity existing;
    if (at && Platform::DescribeEntry(*at, file.SaveName, existing) &&
        !(ownCopies && HoldsContentOf(*at, file))) {
      problem.Kind = ChangeProblemKind::SaveCopyExists;
      problem.Message =
          "a file of its saved copy's name exists; remove it or choose another --save-ext";
      plan.Collisions.push_back(std::move(problem));
    }
  }
}

bool HoldsContentOf(const Platform::Directory& directory, const PlannedFile& file) {
  ReadContent content;
  return ReadEntry(directory, file.SaveName, 0, 0, content) == 0 && content.Length == file.Size &&
         Fingerprint(content.Text()) == file.Fingerprint;
}

ChangePlan PlanChange(std::vector<WalkedFile> files, const Pattern& pattern,
                      const ChangeOptions& options, const PlannedFileSink& planned) {
  ChangePlan plan{pattern, options, {}, {}};
  // A backup is written beside its file, through the file's directory handle.
  if (options.BackupSuffix.find_first_of(std::string("/\0", 2)) != std::string::npos) {
    ChangeProblem problem;
    problem.Kind = ChangeProblemKind::SaveCopyCollision;
    problem.Name = options.BackupSuffix;
    problem.Message = "a backup suffix may hold neither '/' nor a NUL byte";
    plan.Collisions.push_back(std::move(problem));
    return plan;
  }
  // One file under several names is planned once, under the first.
  std::map<std::pair<std::uint64_t, std::uint64_t>, std::string> seen;
  std::vector<std::string> sameAs(files.size());
  for (std::size_t i = 0; i < files.size(); ++i) {
    if (files[i].Device == 0 && files[i].Inode == 0) continue;
    const auto first =
        seen.emplace(std::make_pair(files[i].Device, files[i].Inode), files[i].Shown);
    if (!first.second) sameAs[i] = first.first->second;
  }

  const unsigned threads = options.Threads == 0 ? 1 : options.Threads;
  std::atomic<std::uint64_t> kept{0};
  std::vector<std::unique_ptr<PlanWorker>> workers;
  for (unsigned i = 0; i < threads; ++i)
    workers.push_back(std::make_unique<PlanWorker>(plan.Searched, plan.Options, kept,
                                                   static_cast<bool>(planned)));
  plan.Files.reserve(files.size());
  RunOrdered<PlannedWithContent>(
      files.size(), threads,
      [&](unsigned thread, std::size_t item) {
        if (!sameAs[item].empty()) {
          PlannedWithContent duplicate;
          duplicate.File.File = std::move(files[item]);
          duplicate.File.Action = PlannedAction::SameFile;
          duplicate.File.SameAs = sameAs[item];
          return duplicate;
        }
        return workers[thread]->Plan(std::move(files[item]));
      },
      [&](std::size_t, PlannedWithContent&& result) {
        if (planned) planned(result.File, std::string_view(result.Content.data(), result.Length));
        plan.Files.push_back(std::move(result.File));
      });
  FindCollisions(plan, false);
  return plan;
}

}  // namespace grepcore
