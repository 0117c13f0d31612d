#include "ChangeCommit.h"

#include <platform/EntryPaths.h>
#include <platform/ThreadSlot.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <utility>

#include "OrderedWork.h"

namespace RegexTool {
namespace {

using RegexClass::RegularExpression;

constexpr std::size_t BatchFiles = 64;
constexpr std::uint64_t BatchBytes = std::uint64_t{64} << 20;
// Kept replacements reach the rewrite this many at a time.
constexpr std::size_t Portion = 4096;

ProblemRow RowOfReport(const Common::ProblemReport& report, const std::string& owner) {
  RegularExpression::FileChangeProblem problem;
  problem.FileName = report.FileName;
  problem.Problem =
      static_cast<RegularExpression::ProblemType>(static_cast<unsigned char>(report.Problem));
  problem.FilePointer = report.FilePointer;
  problem.MatchString = report.MatchString;
  problem.LastError = report.LastError;
  return RowOf(problem, owner);
}

// A batch's file once its new content is prepared.
struct PreparedFile {
  std::unique_ptr<Common::FileRewriter> Rewrite;
  bool Ready = false;
  WrittenFile Outcome;
};

void AddKept(const FileToWrite& file, Common::FileRewriter& rewriter) {
  std::vector<Common::Replacement> portion;
  portion.reserve(std::min(Portion, file.Replacements.size()));
  for (const PlannedReplacement& replacement : file.Replacements) {
    portion.push_back({replacement.Position, &replacement.Matched, &replacement.Replacement});
    if (portion.size() == Portion) {
      rewriter.Add(portion);
      portion.clear();
    }
  }
  if (!portion.empty()) rewriter.Add(portion);
}

PreparedFile Prepare(unsigned thread, FileToWrite& file, const SearchAgain& searchAgain) {
  PreparedFile prepared;
  // The file must still be the entry that was searched.
  Platform::EntryIdentity now;
  if (!Platform::DescribeEntry(file.File.TargetPath(), now)) {
    if (Platform::LastError() == ENOENT) {
      prepared.Outcome.Skipped = "it is gone (deleted since it was searched)";
    } else {
      prepared.Outcome.Problems.push_back(
          Row(file.File.Shown, "OpenFileFailed", std::strerror(Platform::LastError())));
    }
    return prepared;
  }
  if (now.IsLink || now.Device != file.File.Device || now.Inode != file.File.Inode) {
    prepared.Outcome.Problems.push_back(Row(file.File.Shown, "ChangedWhileRewriting",
                                            "another file took its name since it was searched"));
    return prepared;
  }
  prepared.Rewrite = MakeRewriter(file.File, file.SaveName);
  if (!prepared.Rewrite) {
    prepared.Outcome.Problems.push_back(
        Row(file.File.Shown, "DirectoryReplaced",
            "its directory was moved or replaced since the walk; the file "
            "was left as it is"));
    return prepared;
  }
  if (file.Kept) {
    AddKept(file, *prepared.Rewrite);
  } else {
    ProblemRow problem;
    if (!searchAgain(thread, file, *prepared.Rewrite, problem)) {
      prepared.Rewrite.reset();
      prepared.Outcome.Problems.push_back(std::move(problem));
      return prepared;
    }
  }
  prepared.Ready = prepared.Rewrite->Prepare();
  return prepared;
}

void CommitBatch(std::vector<FileToWrite>& files, std::size_t first, std::size_t end,
                 unsigned threads, const SearchAgain& searchAgain,
                 const std::function<void(std::size_t, WrittenFile&&)>& done) {
  std::vector<PreparedFile> batch(end - first);
  RunInOrder<PreparedFile>(
      end - first, threads,
      [&](unsigned thread, std::size_t item) {
        return Prepare(thread, files[first + item], searchAgain);
      },
      [&](std::size_t item, PreparedFile&& prepared) { batch[item] = std::move(prepared); });
  // One flush per file system for the whole batch.
  std::map<std::uint64_t, bool> durable;
  for (PreparedFile& file : batch) {
    if (!file.Ready) continue;
    const auto device = durable.find(file.Rewrite->Device());
    if (device == durable.end())
      durable.emplace(file.Rewrite->Device(), file.Rewrite->SyncFileSystem());
  }
  for (std::size_t item = 0; item < batch.size(); ++item) {
    PreparedFile& file = batch[item];
    const FileToWrite& planned = files[first + item];
    if (file.Rewrite) {
      std::vector<Common::ProblemReport> reports;
      file.Outcome.Changed =
          file.Rewrite->Commit(reports, file.Ready && durable[file.Rewrite->Device()]);
      for (const Common::ProblemReport& report : reports)
        file.Outcome.Problems.push_back(RowOfReport(report, planned.File.Shown));
      file.Rewrite.reset();
    }
    files[first + item].Replacements = std::vector<PlannedReplacement>();
    done(first + item, std::move(file.Outcome));
  }
}

}  // namespace

std::shared_ptr<const Platform::Directory> WalkedDirectory(const WalkedFile& file) {
  auto byPath = std::make_shared<Platform::Directory>();
  if (!byPath->Open(file.DirectoryPath) || byPath->Identity() != file.DirectoryId) return nullptr;
  if (file.Directory) return file.Directory;
  return byPath;
}

std::unique_ptr<Common::FileRewriter> MakeRewriter(const WalkedFile& file,
                                                   const std::string& saveOwnName) {
  const std::shared_ptr<const Platform::Directory> directory = WalkedDirectory(file);
  if (!directory) return nullptr;
  // Every step of the rewrite goes through the walk's handle, checked against the walked
  // entry: a name swapped for a link since the walk is reported, never followed.
  return std::make_unique<Common::FileRewriter>(
      Common::FileLocation{directory, file.Name, file.Device, file.Inode, file.TargetPath()},
      saveOwnName);
}

void CommitPlan(std::vector<FileToWrite>& files, unsigned threads, const SearchAgain& searchAgain,
                const std::function<void(std::size_t, WrittenFile&&)>& done) {
  for (std::size_t first = 0; first < files.size();) {
    std::size_t end = first;
    std::uint64_t bytes = 0;
    while (end < files.size() && end - first < BatchFiles && (end == first || bytes < BatchBytes))
      bytes += files[end++].NewSize;
    CommitBatch(files, first, end, threads, searchAgain, done);
    first = end;
  }
}

}  // namespace RegexTool
