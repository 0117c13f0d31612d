#include "common/FileRewrite.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "platform/Files.h"
#include "platform/ThreadSlot.h"

namespace Common {
namespace {

// Gaps and match texts pass through this much memory, whatever their size.
constexpr std::size_t ChunkSize = 1 << 16;

// Deletes the temporary file on every way out unless it became the file.
class TemporaryGuard {
 public:
  explicit TemporaryGuard(std::string name) : Name(std::move(name)) {}
  ~TemporaryGuard() {
    if (!Name.empty()) Platform::DeleteFile(Name);
  }
  TemporaryGuard(const TemporaryGuard&) = delete;
  TemporaryGuard& operator=(const TemporaryGuard&) = delete;
  void Release() { Name.clear(); }

 private:
  std::string Name;
};

std::uint64_t PositionOrZero(const Platform::File& file) {
  const std::uint64_t position = file.Position();
  return position == Platform::NoPosition ? 0 : position;
}

class Rewrite {
 public:
  Rewrite(const std::string& fileName, std::vector<ProblemReport>& problems)
      : FileName(fileName), Problems(problems), Buffer(ChunkSize) {}

  bool Run(const std::vector<Replacement>& replacements, const std::string& saveName);

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
    Start = 0;
    End = got;
    return true;
  }

  // Makes at least one unread byte available; a file that ends first is a read problem.
  bool Available() {
    if (Start < End) return true;
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
    if (Output->WriteAll(data, count)) return true;
    const unsigned error = static_cast<unsigned>(Platform::LastError());
    Report(RewriteProblem::WriteFailed, TemporaryName, PositionOrZero(*Output), error);
    return false;
  }

  bool CopyBytes(std::uint64_t count) {
    while (count > 0) {
      if (!Available()) return false;
      const std::size_t piece = static_cast<std::size_t>(std::min<std::uint64_t>(count, End - Start));
      if (!Write(Buffer.data() + Start, piece)) return false;
      Start += piece;
      count -= piece;
    }
    return true;
  }

  // The bytes at the match's place must still be the match.
  bool CheckMatch(const Replacement& replacement) {
    const std::string& expected = *replacement.MatchString;
    for (std::size_t done = 0; done < expected.size();) {
      if (!Available()) return false;
      const std::size_t piece = std::min(expected.size() - done, End - Start);
      if (std::memcmp(Buffer.data() + Start, expected.data() + done, piece) != 0) {
        Report(RewriteProblem::MatchChanged, FileName, static_cast<std::uint64_t>(replacement.Position),
               0, expected);
        return false;
      }
      Start += piece;
      done += piece;
    }
    return true;
  }

  bool CopyTail() {
    for (;;) {
      if (Start == End && !Fill()) return false;
      if (End == 0) return Flush();
      if (!Write(Buffer.data() + Start, End - Start)) return false;
      Start = End;
    }
  }

  bool StreamNewContent(const std::vector<Replacement>& replacements) {
    std::uint64_t offset = 0;
    for (const Replacement& replacement : replacements) {
      const std::uint64_t position = static_cast<std::uint64_t>(replacement.Position);
      if (replacement.Position < 0 || position < offset) {
        // Out of order or overlapping: the gathered matches no longer describe this file.
        Report(RewriteProblem::MatchChanged, FileName, position, 0, *replacement.MatchString);
        return false;
      }
      if (!CopyBytes(position - offset) || !CheckMatch(replacement)) return false;
      const std::string& text = *replacement.ReplaceString;
      if (!Write(text.data(), text.size())) return false;
      offset = position + replacement.MatchString->size();
    }
    return CopyTail();
  }

  // `described` false: the file could not be looked at any more (deleted, say), which is a
  // change too.
  bool Unchanged(bool described, const Platform::FileIdentity& now) {
    if (described && now == ReadIdentity) return true;
    Report(RewriteProblem::ChangedWhileRewriting, FileName, 0,
           described ? 0u : static_cast<unsigned>(Platform::LastError()));
    return false;
  }

  const std::string& FileName;
  std::vector<ProblemReport>& Problems;
  std::vector<char> Buffer;   // input bytes [Start, End) not yet consumed
  std::size_t Start = 0;
  std::size_t End = 0;
  std::vector<char> Pending;  // output not yet written
  std::unique_ptr<Platform::File> Input;
  std::unique_ptr<Platform::File> Output;
  std::string TemporaryName;
  Platform::FileIdentity ReadIdentity;
};

bool Rewrite::Run(const std::vector<Replacement>& replacements, const std::string& saveName) {
  // Through a link, the link's target gets the new content and the link stays a link.
  const std::string target = Platform::ResolveLinks(FileName);
  Input = Platform::OpenForReading(FileName);
  Platform::FileAttributes attributes;
  if (!Input || !Input->Describe(ReadIdentity, attributes)) {
    Report(RewriteProblem::OpenFileFailed, FileName);
    return false;
  }
  Platform::TemporaryFile temporary = Platform::CreateTemporaryBeside(target);
  TemporaryName = temporary.Name;
  if (!temporary.Handle) {
    Report(RewriteProblem::CreateTemporaryFailed, TemporaryName);
    return false;
  }
  Output = std::move(temporary.Handle);
  TemporaryGuard guard(TemporaryName);

  if (!StreamNewContent(replacements)) return false;
  Platform::FileIdentity afterRead;
  Platform::FileAttributes unused;
  if (!Unchanged(Input->Describe(afterRead, unused), afterRead)) return false;
  Input->Close();

  // A renamed temporary file becomes the file, so it takes the file's permission bits now.
  const bool inPlace = attributes.LinkCount > 1;
  bool attributesKept = true;
  unsigned attributesError = 0;
  if (!inPlace && !Output->ApplyAttributes(attributes)) {
    attributesKept = false;
    attributesError = static_cast<unsigned>(Platform::LastError());
  }
  if (!Output->Sync() || !Output->Close()) {
    const unsigned error = static_cast<unsigned>(Platform::LastError());
    Report(RewriteProblem::WriteFailed, TemporaryName, PositionOrZero(*Output), error);
    return false;
  }

  if (!saveName.empty() && !Platform::CopyFile(FileName, saveName)) {
    Report(RewriteProblem::SaveCopyFailed, saveName);
    return false;
  }
  Platform::FileIdentity beforeReplace;
  if (!Unchanged(Platform::Describe(target, beforeReplace), beforeReplace)) return false;

  const bool replaced = inPlace ? Platform::ReplaceInPlace(TemporaryName, target)
                                : Platform::ReplaceByRename(TemporaryName, target);
  if (!replaced) {
    Report(RewriteProblem::ReplaceFailed, FileName);
    return false;
  }
  if (!inPlace) guard.Release();
  if (!attributesKept) Report(RewriteProblem::RestoreAttributesFailed, FileName, 0, attributesError);
  return true;
}

}  // namespace

bool RewriteFile(const std::string& fileName, const std::vector<Replacement>& replacements,
                 const std::string& saveName, std::vector<ProblemReport>& problems) {
  Rewrite rewrite(fileName, problems);
  return rewrite.Run(replacements, saveName);
}

}  // namespace Common
