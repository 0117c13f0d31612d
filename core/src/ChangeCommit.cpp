// The commit of a change plan: each file still as planned is prepared (new content written
// beside it, given its attributes) on the run's threads, a batch at a time; each batch's file
// systems are flushed once, then its files take their names in the plan's order.
#include <cerrno>
#include <cstring>
#include <exception>
#include <map>
#include <memory>
#include <thread>
#include <utility>

#include "ChangeFiles.h"
#include "ChangeSearch.h"
#include "OrderedRun.h"
#include "common/FileRewrite.h"
#include "grepcore/Change.h"

namespace grepcore {
namespace {

using Common::BatchBytes;
using Common::BatchFiles;
// Replacements reach the rewrite this many at a time (kept ones), or in portions of this
// size (ones found again).
constexpr std::size_t KeptPortion = 4096;
constexpr std::uint64_t FoundPortion = std::uint64_t{1} << 20;

ChangeProblem ChangedSincePlanned(const PlannedFile& file) {
  return Problem(file, ChangeProblemKind::ChangedSincePlanned,
                 "the file changed since it was planned; it was left as it is");
}

ChangeProblem ProblemOfReport(const Common::ProblemReport& report) {
  ChangeProblem problem;
  problem.Kind = static_cast<ChangeProblemKind>(static_cast<unsigned char>(report.Problem));
  problem.Name = report.FileName;
  problem.Position = report.FilePointer;
  problem.Matched = report.MatchString;
  problem.SystemError = report.LastError;
  return problem;
}

// A batch's file once its new content is prepared.
struct PreparedFile {
  std::unique_ptr<Common::FileRewriter> Rewrite;
  bool Ready = false;
  CommittedFile Outcome;
};

void AddKept(const PlannedFile& file, Common::FileRewriter& rewriter) {
  std::vector<Common::Replacement> portion;
  portion.reserve(std::min(KeptPortion, file.Replacements.size()));
  for (const PlannedReplacement& replacement : file.Replacements) {
    portion.push_back({static_cast<std::int64_t>(replacement.Position), &replacement.Matched,
                       &replacement.Replacement});
    if (portion.size() == KeptPortion) {
      rewriter.Add(portion);
      portion.clear();
    }
  }
  if (!portion.empty()) rewriter.Add(portion);
}

// One thread's searcher (for files whose replacements the plan did not keep) and buffer.
class CommitWorker {
 public:
  CommitWorker(const Pattern& pattern, const ChangeOptions& options) : Searcher(pattern, options) {}

  // `directory`: the file's directory, checked for this batch (null: moved or replaced).
  PreparedFile Prepare(const PlannedFile& file,
                       const std::shared_ptr<const Platform::Directory>& directory) {
    PreparedFile prepared;
    CommittedFile& outcome = prepared.Outcome;
    if (!directory) {
      outcome.Problems.push_back(Problem(file, ChangeProblemKind::DirectoryReplaced,
                                         "its directory was moved or replaced since the walk; "
                                         "the file was left as it is"));
      return prepared;
    }
    // The name must still be the entry that was planned.
    Platform::FileIdentity now;
    if (!Platform::DescribeEntry(*directory, file.File.Name, now)) {
      const int error = Platform::LastError();
      if (error == ENOENT) {
        outcome.Gone = true;
      } else {
        outcome.Problems.push_back(Problem(file, ChangeProblemKind::OpenFileFailed,
                                           std::strerror(error), static_cast<unsigned>(error)));
      }
      return prepared;
    }
    if (now.Device != file.Device || now.Inode != file.Inode) {
      outcome.Problems.push_back(Problem(file, ChangeProblemKind::ChangedWhileRewriting,
                                         "another file took its name since it was searched"));
      return prepared;
    }
    // Replacements found again need the whole content now; kept ones go straight to the
    // rewrite, whose reading of the file is fingerprinted on the way.
    if (!file.Kept) {
      const int error = ReadEntry(*directory, file.File.Name, file.Device, file.Inode, Content);
      if (error != 0) {
        if (error == ENOENT) {
          outcome.Gone = true;
        } else {
          outcome.Problems.push_back(Problem(file, ChangeProblemKind::ReadFailed,
                                             std::strerror(error), static_cast<unsigned>(error)));
        }
        return prepared;
      }
      if (Content.Length != file.Size || Fingerprint(Content.Text()) != file.Fingerprint) {
        outcome.Problems.push_back(ChangedSincePlanned(file));
        return prepared;
      }
    }
    // Every step of the rewrite goes through the walk's handle, checked against the planned
    // entry: a name swapped for a link meanwhile is reported, never followed.
    prepared.Rewrite = std::make_unique<Common::FileRewriter>(
        Common::FileLocation{directory, file.File.Name, file.Device, file.Inode,
                             JoinedPath(file.File.Directory->Path, file.File.Name)},
        file.SaveName);
    // The new content must be made of the very bytes the plan read.
    FingerprintMaker read;
    prepared.Rewrite->WatchInput([&read](std::string_view block) { read.Add(block); });
    if (file.Kept) {
      AddKept(file, *prepared.Rewrite);
    } else if (!FindAgain(file, *prepared.Rewrite)) {
      prepared.Rewrite.reset();
      outcome.Problems.push_back(
          Problem(file, ChangeProblemKind::MatchChanged, "the file changed since it was searched"));
      return prepared;
    }
    prepared.Ready = prepared.Rewrite->Prepare();
    prepared.Rewrite->WatchInput({});
    if (prepared.Ready && (read.Size() != file.Size || read.Finish() != file.Fingerprint)) {
      prepared.Rewrite.reset();  // its new content goes with it
      prepared.Ready = false;
      outcome.Problems.push_back(ChangedSincePlanned(file));
    }
    return prepared;
  }

 private:
  // The replacements the plan did not keep, found again in the content just read and streamed
  // into the rewrite in portions; false when they are not what the plan counted.
  bool FindAgain(const PlannedFile& file, Common::FileRewriter& rewriter) {
    std::vector<PlannedReplacement> portion;
    std::uint64_t bytes = 0;
    auto flush = [&] {
      std::vector<Common::Replacement> replacements;
      replacements.reserve(portion.size());
      for (const PlannedReplacement& r : portion)
        replacements.push_back({static_cast<std::int64_t>(r.Position), &r.Matched, &r.Replacement});
      rewriter.Add(replacements);
      portion.clear();
      bytes = 0;
    };
    const FileMatches found = Searcher.Search(
        Content.Text(),
        [&](std::uint64_t position, std::string_view matched, std::string_view replacement) {
          portion.push_back({position, std::string(matched), std::string(replacement)});
          bytes += sizeof(PlannedReplacement) + matched.size() + replacement.size();
          if (bytes >= FoundPortion) flush();
        });
    flush();
    return found.Changing == file.Changing && !found.Abandoned;
  }

  FileSearcher Searcher;
  ReadContent Content;
};

// Prepares the batch's files: their new content written beside them, given their attributes.
std::vector<PreparedFile> PrepareBatch(const ChangePlan& plan,
                                       const std::vector<std::size_t>& batch,
                                       std::vector<std::unique_ptr<CommitWorker>>& workers,
                                       unsigned threads) {
  // Each directory of the batch is checked once: its path must still lead to it.
  std::map<const DirectoryHandle*, std::shared_ptr<const Platform::Directory>> directories;
  for (const std::size_t index : batch) {
    const WalkedFile& file = plan.Files[index].File;
    if (directories.find(file.Directory.get()) == directories.end())
      directories.emplace(file.Directory.get(), WalkedDirectory(file));
  }
  std::vector<PreparedFile> prepared(batch.size());
  RunOrdered<PreparedFile>(
      batch.size(), threads,
      [&](unsigned thread, std::size_t item) {
        const PlannedFile& file = plan.Files[batch[item]];
        return workers[thread]->Prepare(file, directories.at(file.File.Directory.get()));
      },
      [&](std::size_t item, PreparedFile&& file) { prepared[item] = std::move(file); });
  return prepared;
}

// Makes a prepared batch durable with one flush per file system, then puts each file's new
// content in place, in the plan's order.
void PutBatchInPlace(ChangePlan& plan, const std::vector<std::size_t>& batch,
                     std::vector<PreparedFile>& prepared, std::vector<CommittedFile>& results,
                     const CommittedFileSink& committed) {
  Common::BatchFlush flush;
  for (PreparedFile& file : prepared)
    if (file.Ready) flush.Add(*file.Rewrite);
  for (std::size_t item = 0; item < prepared.size(); ++item) {
    PreparedFile& file = prepared[item];
    file.Outcome.Planned = batch[item];
    if (file.Rewrite) {
      std::vector<Common::ProblemReport> reports;
      file.Outcome.Changed =
          file.Rewrite->Commit(reports, file.Ready && flush.Durable(*file.Rewrite));
      for (const Common::ProblemReport& report : reports)
        file.Outcome.Problems.push_back(ProblemOfReport(report));
      file.Rewrite.reset();
    }
    plan.Files[batch[item]].Replacements = std::vector<PlannedReplacement>();
    if (committed) committed(file.Outcome);
    results.push_back(std::move(file.Outcome));
  }
}

// The plan's files to write, in batches of up to BatchFiles files or BatchBytes of new content.
std::vector<std::vector<std::size_t>> Batches(const ChangePlan& plan) {
  std::vector<std::vector<std::size_t>> batches;
  std::uint64_t bytes = 0;
  for (std::size_t index = 0; index < plan.Files.size(); ++index) {
    if (plan.Files[index].Action != PlannedAction::Write) continue;
    if (batches.empty() || batches.back().size() == BatchFiles || bytes >= BatchBytes) {
      batches.emplace_back();
      bytes = 0;
    }
    batches.back().push_back(index);
    bytes += plan.Files[index].NewSize();
  }
  return batches;
}

}  // namespace

Result<std::vector<CommittedFile>> CommitChange(ChangePlan& plan,
                                                const CommittedFileSink& committed) {
  if (plan.Refused()) {
    Error error;
    error.Kind = ErrorKind::BadArgument;
    error.Message = "the plan was refused: a saved copy would replace another file";
    return error;
  }
  const unsigned threads = plan.Options.Threads == 0 ? 1 : plan.Options.Threads;
  std::vector<std::unique_ptr<CommitWorker>> workers;
  for (unsigned i = 0; i < threads; ++i)
    workers.push_back(std::make_unique<CommitWorker>(plan.Searched, plan.Options));
  const std::vector<std::vector<std::size_t>> batches = Batches(plan);
  std::vector<CommittedFile> results;
  if (threads <= 1) {
    for (const std::vector<std::size_t>& batch : batches) {
      std::vector<PreparedFile> prepared = PrepareBatch(plan, batch, workers, 1);
      PutBatchInPlace(plan, batch, prepared, results, committed);
    }
    return results;
  }
  // With threads to spare, the next batch is prepared while this one is flushed and put in
  // place: the wait for the disk overlaps the work. A batch's files still take their names
  // only once its own flush is done.
  std::vector<PreparedFile> current;
  if (!batches.empty()) current = PrepareBatch(plan, batches[0], workers, threads);
  for (std::size_t k = 0; k < batches.size(); ++k) {
    std::vector<PreparedFile> next;
    std::exception_ptr failure;
    std::thread ahead;
    if (k + 1 < batches.size()) {
      ahead = std::thread([&] {
        try {
          next = PrepareBatch(plan, batches[k + 1], workers, threads);
        } catch (...) {
          failure = std::current_exception();
        }
      });
    }
    try {
      PutBatchInPlace(plan, batches[k], current, results, committed);
    } catch (...) {
      if (ahead.joinable()) ahead.join();
      throw;
    }
    if (ahead.joinable()) ahead.join();
    if (failure) std::rethrow_exception(failure);
    current = std::move(next);
  }
  return results;
}

}  // namespace grepcore
