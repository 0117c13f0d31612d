#pragma once
// RegexComponent::RegularExpressionCustom: the pattern object as a non-visual component.
//
// It does what RegexClass::RegularExpression does, adapted to the component framework: option
// sets are framework sets whose group rules apply when a whole set is assigned (SetOptions,
// SetMatches); texts cross the interface as AnsiString (up to the first NUL); events are
// closures only (a method bound to its object); match records of the string operations carry
// 1-based positions (0: took no part), those of the file events the engine's own offsets.
//
//   class Form : public vcl35::TComponent {
//    public:
//     using vcl35::TComponent::TComponent;
//     void Found(RegularExpressionCustom*, const REMatchInfo& m, unsigned, std::uint64_t) {
//       /* m[0].MatchString, m[0].Position (from 1) */
//     }
//   };
//   auto* re = new RegexComponent::RegularExpression(form);   // the form owns it
//   re->SetExpression("b+");
//   re->SetStringToMatch("abbc");
//   re->OnSearching = RegularExpressionCustom::MatchEvent(form, &Form::Found);
//   re->Search();
//
// File operations need the package started (Initialize, or the framework's package loader):
// they reach the thread's instance stack through the slot the package allocates, and do
// nothing without it.
//
// A copy is owned by its source's owner: create copies with new, or destroy them before the
// owner.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <locale>
#include <memory>
#include <stack>
#include <string>
#include <vector>

#include "grepkit/Export.h"
#include "vcl35/AnsiString.h"
#include "vcl35/Classes.h"
#include "vcl35/Closure.h"
#include "vcl35/Set.h"

namespace Common {
struct ChangeRunWork;
struct ProblemReport;
struct MergeRun;
struct ObjectSettings;
}  // namespace Common

namespace grepcore {
class Match;
class MaskSearch;
}  // namespace grepcore

namespace GrepEngine {
class Pattern;
class MatchResults;
}  // namespace GrepEngine

namespace RegexComponent {

using vcl35::AnsiString;

// One sub-match: its text and position (see the class comment for how positions count).
// Positions are 64-bit, as everywhere in the toolkit, so files beyond 2 GiB report exactly.
class GREPKIT_EXPORT REMatch {
 public:
  AnsiString MatchString;
  std::int64_t Position = 0;
};

typedef std::vector<REMatch> REMatchInfo;

class GREPKIT_EXPORT RegularExpressionCustom : public vcl35::TComponent {
 public:
  // Compile options; ordinals as the sets hold them. Basic, Extended and Normal are groups.
  enum Options {
    EscapeInCharacterSets,
    CharacterClasses,
    Intervals,
    LimitedOperations,
    NewlineAsAlternationOperator,
    QuestionmarkPlusNotOperators,
    BracesNotOperators,
    ParenthesesNotOperators,
    BackReferences,
    VerticalbarNotOperator,
    Literals,
    CaseInsensitive,
    NoLocaleSpecificCollation,
    Basic,
    Extended,
    Normal
  };
  // Match options; MatchDefault stands for "no restriction".
  enum Matches {
    MatchDefault,
    MatchNotBeginningOfLine,
    MatchNotEndOfLine,
    MatchNotBeginningOfBuffer,
    MatchNotEndOfBuffer,
    MatchNotBeginningOfWord,
    MatchNotEndOfWord,
    MatchNotDotNewline,
    MatchNotDotNullCharacter,
    MatchShortest,
    MatchNotNullString,
    MatchContinuous
  };
  typedef vcl35::Set<Options, 0, 15> OptionSet;
  typedef vcl35::Set<Matches, 0, 11> MatchSet;

  // Event types: closures whose first parameter is the firing component.
  typedef vcl35::Closure<void(RegularExpressionCustom* Sender, const REMatchInfo& Matches,
                              unsigned int LineIndex, std::uint64_t StartOfLine)>
      MatchEvent;
  typedef vcl35::Closure<void(RegularExpressionCustom* Sender, const REMatchInfo& Matches,
                              unsigned int LineIndex, std::uint64_t StartOfLine, bool& bcontinue)>
      ContinueMatchEvent;
  typedef vcl35::Closure<void(RegularExpressionCustom* Sender, AnsiString file,
                              const REMatchInfo& Matches, unsigned int LineIndex, bool& bcontinue)>
      FileMatchEvent;
  typedef vcl35::Closure<void(RegularExpressionCustom* Sender, AnsiString file, bool& bcontinue)>
      FileFoundEvent;
  // The per-match step the string grep and merge once ran through the engine; kept with its two
  // members below so that code naming them still compiles.
  typedef vcl35::Closure<bool(const GrepEngine::MatchResults& match)> Predicate;

  // Records of a file change run, as in the pattern class.
  class GREPKIT_EXPORT MergeFileInformation {
   public:
    class GREPKIT_EXPORT GrepInformation {
     public:
      std::int64_t Position = 0;
      std::string MatchString;
      std::string ReplaceString;
    };
    std::string FileName;
    std::vector<GrepInformation> GrepInfo;
  };

  class GREPKIT_EXPORT MergeSave {
   public:
    std::shared_ptr<const GrepEngine::Pattern> CompiledExpression;
    unsigned int MatchFlags = 0;
  };

  enum ProblemType : unsigned char {
    OpenFileFailed,
    CreateTemporaryFailed,
    ReadFailed,
    WriteFailed,
    MatchChanged,
    SaveCopyFailed,
    ReplaceFailed,
    RestoreAttributesFailed,
    ChangedWhileRewriting,  // the file changed on disk while it was rewritten: left as it is
    SearchAbandoned,        // the engine gave up on the file: left as it is
    SaveCopyCollision,      // the saved copy's name is that of a saved copy this run wrote
                            // for another file: the file is left as it is
    OwnerNotKept,           // the new content could not get the file's owner or group: left
                            // as it is
    CopyUnfinished          // an interrupted in-place copy of the file stays unfinished: the
                            // file was neither searched nor changed
  };

  class GREPKIT_EXPORT FileChangeProblem {
   public:
    AnsiString FileName;
    ProblemType Problem = OpenFileFailed;
    std::uint64_t FilePointer = 0;
    AnsiString MatchString;
    unsigned int LastError = 0;
  };

  static vcl35::TClass StaticClassInfo();
  vcl35::TClass ClassType() const override;

  // Construction with an owner, and the defaults of the pattern class.
  explicit RegularExpressionCustom(vcl35::TComponent* AOwner);
  // Joins the source's owner and takes its settings, compiled expression and handlers; the
  // locale is the global one and the working state starts empty.
  RegularExpressionCustom(const RegularExpressionCustom& other);
  RegularExpressionCustom& operator=(const RegularExpressionCustom& other);
  // Equal option sets, texts, DirectoryRecursion and MergeCopy; nothing else counts.
  bool operator==(const RegularExpressionCustom& other) const;
  ~RegularExpressionCustom() override;

  // From another RegularExpressionCustom: as the assignment operator (from itself: nothing);
  // anything else goes to the framework.
  void Assign(vcl35::TPersistent* Source) override;

  // Option sets. Assigning a set applies the group rules; a set equal to the current one
  // changes nothing, any other clears the compiled state.
  OptionSet GetExpressionOptions() const;
  void SetOptions(OptionSet options);
  MatchSet GetMatchOptions() const;
  void SetMatches(MatchSet matches);

  AnsiString GetExpression() const;
  void SetExpression(const AnsiString& expression);  // forces a new compilation
  AnsiString GetFormatString() const;
  void SetFormatString(const AnsiString& format);
  AnsiString GetStringToMatch() const;
  void SetStringToMatch(const AnsiString& text);
  AnsiString GetFilesToMatch() const;
  void SetFilesToMatch(const AnsiString& mask);
  AnsiString GetSaveExtension() const;
  void SetSaveExtension(const AnsiString& extension);
  // Not published: whether ChangeFiles may change a file whose owner or group it cannot keep,
  // the new content then belonging to the running user with its set-id bits dropped. Off by
  // default: such a file is left as it is and reported OwnerNotKept. Assign takes it over.
  bool GetAllowOwnerChange() const;
  void SetAllowOwnerChange(bool allow);
  void SetExpressionLocale(const std::locale& locale);

  bool DirectoryRecursion = false;
  bool MergeCopy = false;

  MatchEvent OnMatching;
  MatchEvent OnSearching;
  ContinueMatchEvent OnGrepping;
  ContinueMatchEvent OnMerging;
  FileMatchEvent OnGreppingFiles;
  FileFoundEvent OnFindFiles;
  FileMatchEvent OnChangingFiles;

  // Compilation, as in the pattern class.
  AnsiString GetExpressionError() const;
  unsigned char ParseExpression();
  unsigned int GetFlagOptions() const;
  static unsigned char ConvertREXResult(unsigned int engineResult);
  unsigned int NumberOfSubexpressions();
  unsigned int NumberOfSubexpressions() const;
  unsigned int GetMatchFlags() const;

  // String operations, as in the pattern class.
  bool Match();
  bool MatchAll();
  bool Search();
  unsigned int Grep();
  REMatchInfo GetMatchingInformation() const;
  void ResetMatches();
  // The string grep and merge walk the core's matches and call neither: each declines (false).
  bool GrepCallbackPredicate(const GrepEngine::MatchResults& match);
  bool MergeCallbackPredicate(const GrepEngine::MatchResults& match);
  void Format(AnsiString& result) const;
  void Merge(AnsiString& result);

  void AllocateStack();
  void DeallocateStack();

  // File operations, as in the pattern class.
  unsigned int GrepFiles();
  unsigned int FindFiles();
  static bool FindFilesCallback(const char* file);
  bool ThisFindFilesCallback(const char* file);
  static bool GrepFilesCallback(const char* file, const grepcore::MaskSearch& e);
  bool ThisGrepFilesCallback(const char* file, const grepcore::MaskSearch& e);
  unsigned int ChangeFiles();
  static bool MergeFilesCallback(const char* file, const grepcore::MaskSearch& expression);
  bool ThisMergeFilesCallback(const char* file, const grepcore::MaskSearch& expression);
  void MergeUpdateFile();
  void MergeFileCleanup(void* input, void* output, const std::string& temporaryName);
  std::uint64_t GetFilePointer(void* handle);
  bool BackupFile(const std::string& name);
  // Read-only by the framework's FileGetAttr (or when the attributes cannot be read).
  bool ReadOnlyFile(const std::string& name);
  std::string ReplaceExtension();
  const std::vector<FileChangeProblem>* GetChangeFilesErrors() const;

  // Whether the engine gave up on the last Match, MatchAll, Search, Grep, Merge, GrepFiles,
  // FindFiles or ChangeFiles (its complexity or stack limit), and why, as in the pattern class:
  // that operation's value is then not "no match". Each of them clears both when it starts.
  bool LastOperationAbandoned() const;
  AnsiString GetAbandonReason() const;

 private:
  void CopySettingsFrom(const RegularExpressionCustom& other);
  bool RunMatch(int kind, const MatchEvent& handler);
  struct ChangeRunSide;  // this component as the shared change-run steps see it
  bool FireChangingFiles(const std::string& name, const grepcore::MaskSearch& expression);
  void TakeAbandonedFiles(const grepcore::MaskSearch& search);
  void AddProblem(Common::ProblemReport&& report);

  MergeFileInformation CurrentFile;
  unsigned int ChangeCount = 0;
  // The settings the pattern class keeps too, and their copy and comparison rules.
  std::unique_ptr<Common::ObjectSettings> Settings;
  std::unique_ptr<grepcore::Match> CurrentMatch;
  const grepcore::Match* CurrentGrepMatch = nullptr;
  std::string MergeOutput;
  std::uint64_t MergePosition = 0;
  std::vector<FileChangeProblem> ChangeFilesErrors;
  std::string AbandonReason;  // why the engine gave up on the last operation; empty: it did not
  std::stack<MergeSave, std::deque<MergeSave>> MergeSaveStack;
  // The change run's own working state: created by the first run, never copied.
  std::unique_ptr<Common::ChangeRunWork> RunWork;
};

}  // namespace RegexComponent
