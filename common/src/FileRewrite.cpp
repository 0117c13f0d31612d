#include "common/FileRewrite.h"

#include <algorithm>
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

}  // namespace

class FileRewriter::Work {
 public:
  Work(std::string fileName, std::string saveName)
      : FileName(std::move(fileName)), SaveName(std::move(saveName)), Buffer(ChunkSize) {}

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
      const std::size_t piece = static_cast<std::size_t>(std::min<std::uint64_t>(count, End - Begin));
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
        Report(RewriteProblem::MatchChanged, FileName, static_cast<std::uint64_t>(replacement.Position),
               0, expected);
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

  const std::string FileName;
  const std::string SaveName;
  std::vector<ProblemReport> Problems;
  bool Started = false;
  bool Failed = false;
  std::string Target;         // the file the new content goes to: FileName with links resolved
  std::vector<char> Buffer;   // input bytes [Begin, End) not yet consumed
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
  bool AttributesKept = true;
  unsigned AttributesError = 0;
};

bool FileRewriter::Work::Start() {
  Started = true;
  // Through a link, the link's target gets the new content and the link stays a link.
  Target = Platform::ResolveLinks(FileName);
  Input = Platform::OpenForReading(FileName);
  if (!Input || !Input->Describe(ReadIdentity, ReadAttributes)) {
    Report(RewriteProblem::OpenFileFailed, FileName);
    return false;
  }
  Temporary = std::make_unique<Platform::TemporaryFile>(Platform::TemporaryFile::CreateBeside(Target));
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
  // A renamed temporary file becomes the file, so it takes the file's permission bits now.
  InPlace = ReadAttributes.LinkCount > 1;
  if (!InPlace && !Output->ApplyAttributes(ReadAttributes)) {
    AttributesKept = false;
    AttributesError = static_cast<unsigned>(Platform::LastError());
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
  if (!SaveName.empty() && !Platform::CopyFile(FileName, SaveName)) {
    Report(RewriteProblem::SaveCopyFailed, SaveName);
    return false;
  }
  // Another run of the toolkit that read this version of the file waits here until the file
  // is replaced, and then finds it changed.
  Input->LockExclusive();
  Platform::FileIdentity beforeReplace;
  if (!Unchanged(Platform::Describe(Target, beforeReplace), beforeReplace)) return false;

  const bool replaced = InPlace ? Temporary->ReplaceInPlace(Target) : Temporary->ReplaceByRename(Target);
  if (!replaced) {
    Report(RewriteProblem::ReplaceFailed, FileName);
    return false;
  }
  Input->Close();
  if (!AttributesKept) Report(RewriteProblem::RestoreAttributesFailed, FileName, 0, AttributesError);
  return true;
}

FileRewriter::FileRewriter(std::string fileName, std::string saveName)
    : Rewrite(std::make_unique<Work>(std::move(fileName), std::move(saveName))) {}

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

bool RewriteFile(const std::string& fileName, const std::vector<Replacement>& replacements,
                 const std::string& saveName, std::vector<ProblemReport>& problems) {
  FileRewriter rewriter(fileName, saveName);
  rewriter.Add(replacements);
  return rewriter.Finish(problems);
}

}  // namespace Common
