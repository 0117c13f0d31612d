#include "common/FileRewrite.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

#include "platform/Files.h"
#include "platform/TemporaryFile.h"
#include "platform/ThreadSlot.h"

namespace Common {
namespace {

// Gaps and match texts pass through this much memory, whatever their size.
constexpr std::size_t ChunkSize = 1 << 16;

std::uint64_t PositionOrZero(const Platform::File& file) {
  const std::uint64_t position = file.Position();
  return position == Platform::NoPosition ? 0 : position;
}

std::string DirectoryPartOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return std::string();
  return slash == 0 ? std::string("/") : path.substr(0, slash);
}

std::string OwnNameOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The directory of `path`, open as the path says; null (with the error code in `error`) when
// it cannot be opened.
std::shared_ptr<const Platform::Directory> OpenDirectoryOf(const std::string& path,
                                                           unsigned& error) {
  auto directory = std::make_shared<Platform::Directory>();
  const std::string part = DirectoryPartOf(path);
  if (directory->Open(part.empty() ? std::string(".") : part)) return directory;
  error = static_cast<unsigned>(Platform::LastError());
  return nullptr;
}

}  // namespace

bool LocateFile(const std::string& path, FileLocation& location) {
  unsigned error = 0;
  std::shared_ptr<const Platform::Directory> directory = OpenDirectoryOf(path, error);
  if (!directory) return false;
  std::string name = OwnNameOf(path);
  if (name.empty() || !Platform::ResolveFinalLink(directory, name)) return false;
  location = FileLocation{std::move(directory), std::move(name), 0, 0, path};
  return true;
}

class FileRewriter::Work {
 public:
  Work(FileLocation location, std::string saveOwnName)
      : Location(std::move(location)), FileName(Location.ShownName), Buffer(ChunkSize) {
    if (!saveOwnName.empty()) {
      SaveDirectory = Location.Directory;
      SaveOwnName = std::move(saveOwnName);
      const std::string shownDirectory = DirectoryPartOf(FileName);
      SaveName = shownDirectory.empty() ? SaveOwnName : shownDirectory + "/" + SaveOwnName;
    }
  }

  // By paths: the directories are opened now, and a failure is reported when the rewrite
  // starts.
  Work(const std::string& fileName, std::string saveName)
      : FileName(fileName), SaveName(std::move(saveName)), Buffer(ChunkSize) {
    Location.ShownName = fileName;
    Location.Name = OwnNameOf(fileName);
    Location.Directory = OpenDirectoryOf(fileName, LocateError);
    if (!SaveName.empty()) {
      SaveOwnName = OwnNameOf(SaveName);
      SaveDirectory = DirectoryPartOf(SaveName) == DirectoryPartOf(fileName)
                          ? Location.Directory
                          : OpenDirectoryOf(SaveName, SaveError);
    }
  }

  void AllowOwnerChange(bool allow) { OwnerChangeAllowed = allow; }
  bool OwnerChangeAllowed = false;
  std::function<void(std::string_view)> Watch;

  void Add(const std::vector<Replacement>& replacements) {
    if (Failed) return;
    Failed = !(Started || Start()) || !StreamMatches(replacements);
  }

  bool Prepare() {
    if (!Failed) Failed = !(Started || Start()) || !WriteTheRest();
    return !Failed;
  }

  bool SyncFileSystem() { return !Failed && Output->SyncFileSystem(); }

  bool Commit(std::vector<ProblemReport>& problems, bool durable) {
    const bool done = Prepare() && PutInPlace(durable);
    for (ProblemReport& problem : Problems) problems.push_back(std::move(problem));
    Problems.clear();
    return done;
  }

  std::uint64_t Device() const { return ReadIdentity.Device; }
  std::uint64_t Written() const { return WrittenBytes; }

 private:
  void Report(RewriteProblem problem, const std::string& name, std::uint64_t pointer = 0,
              unsigned error = static_cast<unsigned>(Platform::LastError()),
              const std::string& matchString = std::string()) {
    ProblemReport report;
    report.Problem = problem;
    report.FileName = name;
    report.FilePointer = pointer;
    report.MatchString = matchString;
    report.LastError = error;
    Problems.push_back(std::move(report));
  }

  // The input is read, and the output written, a buffer at a time: a file with many small
  // gaps between its matches costs few system calls.
  bool Fill() {
    std::size_t got = 0;
    if (!Input->ReadSome(Buffer.data(), Buffer.size(), got)) {
      const unsigned error = static_cast<unsigned>(Platform::LastError());
      Report(RewriteProblem::ReadFailed, FileName, PositionOrZero(*Input), error);
      return false;
    }
    Begin = 0;
    End = got;
    if (Watch && got != 0) Watch(std::string_view(Buffer.data(), got));
    return true;
  }

  // Makes at least one unread byte available; a file that ends first is a read problem.
  bool Available() {
    if (Begin < End) return true;
    if (!Fill()) return false;
    if (End > 0) return true;
    Report(RewriteProblem::ReadFailed, FileName, PositionOrZero(*Input), 0);
    return false;
  }

  bool Write(const char* data, std::size_t count) {
    if (Pending.size() + count > ChunkSize && !Flush()) return false;
    if (count >= ChunkSize) return WriteNow(data, count);
    Pending.insert(Pending.end(), data, data + count);
    return true;
  }

  bool Flush() {
    if (Pending.empty()) return true;
    const bool written = WriteNow(Pending.data(), Pending.size());
    Pending.clear();
    return written;
  }

  bool WriteNow(const char* data, std::size_t count) {
    WrittenBytes += count;
    if (Output->WriteAll(data, count)) return true;
    const unsigned error = static_cast<unsigned>(Platform::LastError());
    Report(RewriteProblem::WriteFailed, TemporaryName, PositionOrZero(*Output), error);
    return false;
  }

  bool CopyBytes(std::uint64_t count) {
    while (count > 0) {
      if (!Available()) return false;
      const std::size_t piece =
          static_cast<std::size_t>(std::min<std::uint64_t>(count, End - Begin));
      if (!Write(Buffer.data() + Begin, piece)) return false;
      Begin += piece;
      count -= piece;
    }
    return true;
  }

  // The bytes at the match's place must still be the match.
  bool CheckMatch(const Replacement& replacement) {
    const std::string& expected = *replacement.MatchString;
    for (std::size_t done = 0; done < expected.size();) {
      if (!Available()) return false;
      const std::size_t piece = std::min(expected.size() - done, End - Begin);
      if (std::memcmp(Buffer.data() + Begin, expected.data() + done, piece) != 0) {
        Report(RewriteProblem::MatchChanged, FileName,
               static_cast<std::uint64_t>(replacement.Position), 0, expected);
        return false;
      }
      Begin += piece;
      done += piece;
    }
    return true;
  }

  bool CopyTail() {
    for (;;) {
      if (Begin == End && !Fill()) return false;
      if (End == 0) return Flush();
      if (!Write(Buffer.data() + Begin, End - Begin)) return false;
      Begin = End;
    }
  }

  bool StreamMatches(const std::vector<Replacement>& replacements) {
    for (const Replacement& replacement : replacements) {
      const std::uint64_t position = static_cast<std::uint64_t>(replacement.Position);
      if (replacement.Position < 0 || position < Offset) {
        // Out of order or overlapping: the gathered matches no longer describe this file.
        Report(RewriteProblem::MatchChanged, FileName, position, 0, *replacement.MatchString);
        return false;
      }
      if (!CopyBytes(position - Offset) || !CheckMatch(replacement)) return false;
      const std::string& text = *replacement.ReplaceString;
      if (!Write(text.data(), text.size())) return false;
      Offset = position + replacement.MatchString->size();
    }
    return true;
  }

  bool Start();
  bool WriteTheRest();
  bool PutInPlace(bool durable);

  // `described` false: the file could not be looked at any more (deleted, say), which is a
  // change too.
  bool Unchanged(bool described, const Platform::FileIdentity& now) {
    if (described && now == ReadIdentity) return true;
    Report(RewriteProblem::ChangedWhileRewriting, FileName, 0,
           described ? 0u : static_cast<unsigned>(Platform::LastError()));
    return false;
  }

  FileLocation Location;
  const std::string FileName;
  std::string SaveName;  // as problem reports name it
  std::shared_ptr<const Platform::Directory> SaveDirectory;
  std::string SaveOwnName;
  unsigned LocateError = 0;
  unsigned SaveError = 0;
  // The file the new content goes to: the located one with a final link followed.
  std::shared_ptr<const Platform::Directory> TargetDirectory;
  std::string TargetName;
  std::vector<ProblemReport> Problems;
  bool Started = false;
  bool Failed = false;
  std::vector<char> Buffer;  // input bytes [Begin, End) not yet consumed
  std::size_t Begin = 0;
  std::size_t End = 0;
  std::uint64_t Offset = 0;   // how much of the file has been consumed
  std::vector<char> Pending;  // output not yet written
  std::unique_ptr<Platform::File> Input;
  std::unique_ptr<Platform::TemporaryFile> Temporary;
  Platform::File* Output = nullptr;
  std::string TemporaryName;
  Platform::FileIdentity ReadIdentity;
  Platform::FileAttributes ReadAttributes;
  std::uint64_t WrittenBytes = 0;
  bool Prepared = false;
  bool InPlace = false;
};

bool FileRewriter::Work::Start() {
  Started = true;
  if (!Location.Directory || !Location.Directory->IsOpen()) {
    Report(RewriteProblem::OpenFileFailed, FileName, 0, LocateError != 0 ? LocateError : EBADF);
    return false;
  }
  // Through a link, the link's target gets the new content and the link stays a link.
  TargetDirectory = Location.Directory;
  TargetName = Location.Name;
  if (!Platform::ResolveFinalLink(TargetDirectory, TargetName)) {
    Report(RewriteProblem::OpenFileFailed, FileName);
    return false;
  }
  Input = Platform::OpenForReading(*TargetDirectory, TargetName);
  if (!Input || !Input->Describe(ReadIdentity, ReadAttributes)) {
    Report(RewriteProblem::OpenFileFailed, FileName);
    return false;
  }
  if (Location.Inode != 0 &&
      (ReadIdentity.Device != Location.Device || ReadIdentity.Inode != Location.Inode)) {
    // Not the file that was searched: its name leads elsewhere now.
    Report(RewriteProblem::ChangedWhileRewriting, FileName, 0, 0);
    return false;
  }
  Temporary = std::make_unique<Platform::TemporaryFile>(
      Platform::TemporaryFile::CreateIn(TargetDirectory, TargetName, DirectoryPartOf(FileName)));
  TemporaryName = Temporary->Name();
  if (!*Temporary) {
    Report(RewriteProblem::CreateTemporaryFailed, TemporaryName);
    return false;
  }
  Output = &Temporary->Output();
  return true;
}

bool FileRewriter::Work::WriteTheRest() {
  if (Prepared) return true;
  if (!CopyTail()) return false;
  Platform::FileIdentity afterRead;
  Platform::FileAttributes unused;
  if (!Unchanged(Input->Describe(afterRead, unused), afterRead)) return false;
  // A renamed temporary file becomes the file, so it takes the file's access rules now,
  // before it has a name; a file copied over in place keeps its own.
  InPlace = ReadAttributes.LinkCount > 1;
  if (!InPlace) {
    switch (Platform::KeepAccessRules(*Input, *Output, ReadAttributes, OwnerChangeAllowed)) {
      case Platform::AccessOutcome::Kept:
        break;
      case Platform::AccessOutcome::OwnerNotKept:
        Report(RewriteProblem::OwnerNotKept, FileName);
        return false;
      case Platform::AccessOutcome::Failed:
        Report(RewriteProblem::RestoreAttributesFailed, FileName);
        return false;
    }
  }
  Output->StartWriteback();  // only a head start for the flush: its failure changes nothing
  Prepared = true;
  return true;
}

bool FileRewriter::Work::PutInPlace(bool durable) {
  if (!durable && !Output->Sync()) {
    const unsigned error = static_cast<unsigned>(Platform::LastError());
    Report(RewriteProblem::WriteFailed, TemporaryName, PositionOrZero(*Output), error);
    return false;
  }
  if (!SaveOwnName.empty()) {
    if (!SaveDirectory) {
      Report(RewriteProblem::SaveCopyFailed, SaveName, 0, SaveError);
      return false;
    }
    if (!Platform::WriteSavedCopy(*Input, ReadAttributes, SaveDirectory, SaveOwnName,
                                  OwnerChangeAllowed)) {
      Report(RewriteProblem::SaveCopyFailed, SaveName);
      return false;
    }
  }
  // Another run of the toolkit that read this version of the file waits here until the file
  // is replaced, and then finds it changed.
  Input->LockExclusive();
  Platform::FileIdentity beforeReplace;
  if (!Unchanged(Platform::DescribeEntry(*TargetDirectory, TargetName, beforeReplace),
                 beforeReplace))
    return false;

  const bool replaced =
      InPlace ? Temporary->ReplaceInPlace(TargetName, ReadIdentity.Device, ReadIdentity.Inode)
              : Temporary->ReplaceByRename(TargetName);
  if (!replaced) {
    const int error = Platform::LastError();
    Report(error == ESTALE || error == ELOOP ? RewriteProblem::ChangedWhileRewriting
                                             : RewriteProblem::ReplaceFailed,
           FileName);
    return false;
  }
  Input->Close();
  return true;
}

FileRewriter::FileRewriter(FileLocation location, std::string saveOwnName)
    : Rewrite(std::make_unique<Work>(std::move(location), std::move(saveOwnName))) {}

FileRewriter::FileRewriter(std::string fileName, std::string saveName)
    : Rewrite(std::make_unique<Work>(fileName, std::move(saveName))) {}

FileRewriter::~FileRewriter() = default;

void FileRewriter::Add(const std::vector<Replacement>& replacements) { Rewrite->Add(replacements); }

bool FileRewriter::Finish(std::vector<ProblemReport>& problems) {
  return Rewrite->Commit(problems, false);
}

bool FileRewriter::Prepare() { return Rewrite->Prepare(); }

bool FileRewriter::SyncFileSystem() { return Rewrite->SyncFileSystem(); }

bool FileRewriter::Commit(std::vector<ProblemReport>& problems, bool durable) {
  return Rewrite->Commit(problems, durable);
}

std::uint64_t FileRewriter::Device() const { return Rewrite->Device(); }

std::uint64_t FileRewriter::Written() const { return Rewrite->Written(); }

void FileRewriter::WatchInput(std::function<void(std::string_view block)> watch) {
  Rewrite->Watch = std::move(watch);
}

void FileRewriter::SetAllowOwnerChange(bool allow) { Rewrite->AllowOwnerChange(allow); }

bool FileRewriter::GetAllowOwnerChange() const { return Rewrite->OwnerChangeAllowed; }

bool RewriteFile(const std::string& fileName, const std::vector<Replacement>& replacements,
                 const std::string& saveName, std::vector<ProblemReport>& problems) {
  FileRewriter rewriter(fileName, saveName);
  rewriter.Add(replacements);
  return rewriter.Finish(problems);
}

bool RewriteFile(FileLocation location, const std::vector<Replacement>& replacements,
                 const std::string& saveOwnName, std::vector<ProblemReport>& problems,
                 bool allowOwnerChange) {
  FileRewriter rewriter(std::move(location), saveOwnName);
  rewriter.SetAllowOwnerChange(allowOwnerChange);
  rewriter.Add(replacements);
  return rewriter.Finish(problems);
}

}  // namespace Common
