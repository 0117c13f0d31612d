#pragma once
// RegexClass::RegularExpression: one object per pattern.
//
// Set the pattern text and its options, set the text (or the file mask) to work on, install
// event handlers for the match data you want, then call an operation. Operations take no
// arguments: they work on the object's properties, report each match through an event fired
// during the call, and return a found flag or a count. Failures are values: a pattern that does
// not compile makes ParseExpression() return non-zero and GetExpressionError() give the engine's
// message; an operation the engine gives up on (LastOperationAbandoned()) returns what it found
// before, and GetAbandonReason() says why; only running out of memory is raised (std::bad_alloc).
//
// The matching language is POSIX: Normal (the default) is extended syntax with backslash escapes
// inside brackets; Basic and Extended are the POSIX basic and extended syntaxes. Options are sets
// of enumeration values whose group names stay consistent as single options come and go:
//
//   RegexClass::RegularExpression re;
//   re.AddExpressionOption(RegexClass::RegularExpression::Basic);   // GetFlagOptions() == 0x1CE
//   re.AddExpressionOption(RegexClass::RegularExpression::CaseInsensitive);
//   re.SetExpression("a(b");
//   if (re.ParseExpression() != 0) std::cerr << re.GetExpressionError() << '\n';
//
// Event handlers are plain functions or member functions bound to an object (Closure); when
// both are installed for one event only the plain function is called, and installing one
// removes the other. A file grep, for instance:
//
//   void OnFileMatch(RegularExpression*, std::string file, const REMatchInfo& m,
//                    unsigned int line, bool& bcontinue) { /* m[0]: text and file offset */ }
//   re.SetExpression("needle");
//   re.SetFilesToMatch("src/*.cpp");
//   re.SetDirectoryRecursion(true);
//   re.SetOnGreppingFiles(&OnFileMatch);
//   unsigned int matches = re.GrepFiles();
//
// One object serves one thread at a time; different objects may run in different threads at
// once. File operations keep their object on a per-thread stack so that the engine's callbacks
// reach it, which also lets a handler start a file operation of another object.
//
// Byte offsets are 64-bit throughout, so files beyond 4 GiB are handled exactly.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <locale>
#include <memory>
#include <set>
#include <stack>
#include <string>
#include <string_view>
#include <vector>

#include "grepcore/Closure.h"
#include "grepcore/Export.h"

namespace Common {
struct ChangeRunWork;
struct ProblemReport;
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

namespace RegexClass {

// One sub-match: its text and the offset of its first byte; Position -1 when it took no part.
class GREPCORE_EXPORT REMatch {
 public:
  std::string MatchString;
  std::int64_t Position = -1;
};

// The match vector every match event passes.
typedef std::vector<REMatch> REMatchInfo;

// One sub-match as a view into the text being searched: the view events' record. The bytes
// are valid only while the handler runs; copy what must outlive it.
class GREPCORE_EXPORT REMatchView {
 public:
  std::string_view MatchString;
  std::int64_t Position = -1;
};

// The view events' match vector: the same records in the same layout as REMatchInfo's, so a
// handler's cost per match does not grow with the text (the prefix and suffix are not copied).
// It reads as a const vector does; a group's record is worked out only when a handler reads it,
// so a handler that reads the whole match pays nothing for the pattern's groups.
class GREPCORE_EXPORT REMatchViewInfo {
 public:
  typedef REMatchView value_type;
  typedef std::size_t size_type;
  typedef std::vector<REMatchView>::const_iterator const_iterator;
  typedef const_iterator iterator;

  REMatchViewInfo() = default;
  explicit REMatchViewInfo(std::vector<REMatchView> records);

  size_type size() const { return Count; }
  bool empty() const { return Count == 0; }
  // Record i, for i below size().
  const REMatchView& operator[](size_type i) const;
  // Record i; std::out_of_range beyond size().
  const REMatchView& at(size_type i) const;
  const REMatchView& front() const { return (*this)[0]; }
  const REMatchView& back() const { return (*this)[Count - 1]; }
  // Iterating works out every record.
  const_iterator begin() const;
  const_iterator end() const;

  // The records of a string operation's match, worked out from it as they are read; valid
  // while the match is (the library's own use).
  void Describe(const grepcore::Match& match);
  // Records known in full.
  void Assign(std::vector<REMatchView> records);

 private:
  mutable std::vector<REMatchView> Records;
  mutable std::vector<bool> Known;
  const grepcore::Match* Source = nullptr;
  size_type Count = 0;
};

class GREPCORE_EXPORT RegularExpression {
 public:
  // Compile options. Basic, Extended and Normal are groups of the single options; adding a
  // group brings its parts and drops the other group's, and a set of single options that forms
  // a group takes the group's name.
  enum Options {
    EscapeInCharacterSets,         // 0x1    backslash escapes inside [...]
    CharacterClasses,              // 0x2    [[:alpha:]] and the other named classes
    Intervals,                     // 0x4    bounded repeats a{m,n}
    LimitedOperations,             // 0x8    + ? | are ordinary characters
    NewlineAsAlternationOperator,  // 0x10   a newline in the pattern separates alternatives
    QuestionmarkPlusNotOperators,  // 0x20   \+ and \? are the operators, + and ? ordinary
    BracesNotOperators,            // 0x40   \{ \} are the interval operators
    ParenthesesNotOperators,       // 0x80   \( \) group, ( ) are ordinary
    BackReferences,                // 0x100  \1 .. \9
    VerticalbarNotOperator,        // 0x200  \| is alternation, | ordinary
    Literals,                      // 0x1000 the whole pattern is literal text
    CaseInsensitive,               // 0x2000 letters match regardless of case
    NoLocaleSpecificCollation,     // 0x4000 ranges compare byte values, not collation order
    Basic,                         // 0x1CE  POSIX basic syntax
    Extended,                      // 0x106  POSIX extended syntax with back-references
    Normal                         // 0x4107 extended syntax with escapes in brackets (default)
  };

  // Match options. MatchDefault stands for "no restriction" and is kept consistent with the
  // eight restricting options (NotBeginningOfLine .. NotDotNullCharacter).
  enum Matches {
    MatchDefault,               // 0x0    no restriction
    MatchNotBeginningOfLine,    // 0x1    the text's start is not a line start
    MatchNotEndOfLine,          // 0x2    the text's end is not a line end
    MatchNotBeginningOfBuffer,  // 0x4    the text's start is not the buffer start
    MatchNotEndOfBuffer,        // 0x8    the text's end is not the buffer end
    MatchNotBeginningOfWord,    // 0x10   the text's start is not a word start
    MatchNotEndOfWord,          // 0x20   the text's end is not a word end
    MatchNotDotNewline,         // 0x40   . does not match a newline
    MatchNotDotNullCharacter,   // 0x80   . does not match NUL
    MatchShortest,              // 0x400  take the first match found at a position
    MatchNotNullString,         // 0x800  an empty match is not accepted
    MatchContinuous             // 0x1000 in a grep, each match starts where the last ended
  };

  // Event handler types. StartOfLine is the offset of the first byte of the match's line.
  typedef void (*MatchEvent)(RegularExpression* Sender, const REMatchInfo& Matches,
                             unsigned int LineIndex, std::uint64_t StartOfLine);
  typedef void (*ContinueMatchEvent)(RegularExpression* Sender, const REMatchInfo& Matches,
                                     unsigned int LineIndex, std::uint64_t StartOfLine,
                                     bool& bcontinue);
  typedef void (*FileMatchEvent)(RegularExpression* Sender, std::string file,
                                 const REMatchInfo& Matches, unsigned int LineIndex,
                                 bool& bcontinue);
  typedef void (*FileFoundEvent)(RegularExpression* Sender, std::string file, bool& bcontinue);

  typedef Closure<void(RegularExpression*, const REMatchInfo&, unsigned int, std::uint64_t)>
      MatchEventClosure;
  typedef Closure<void(RegularExpression*, const REMatchInfo&, unsigned int, std::uint64_t, bool&)>
      ContinueMatchEventClosure;
  typedef Closure<void(RegularExpression*, std::string, const REMatchInfo&, unsigned int, bool&)>
      FileMatchEventClosure;
  typedef Closure<void(RegularExpression*, std::string, bool&)> FileFoundEventClosure;

  // View events: the same moments and arguments as the events above, with REMatchViewInfo
  // records and the file name as a view (see "View events" below).
  typedef void (*MatchViewEvent)(RegularExpression* Sender, const REMatchViewInfo& Matches,
                                 unsigned int LineIndex, std::uint64_t StartOfLine);
  typedef void (*ContinueMatchViewEvent)(RegularExpression* Sender, const REMatchViewInfo& Matches,
                                         unsigned int LineIndex, std::uint64_t StartOfLine,
                                         bool& bcontinue);
  typedef void (*FileMatchViewEvent)(RegularExpression* Sender, std::string_view file,
                                     const REMatchViewInfo& Matches, unsigned int LineIndex,
                                     bool& bcontinue);
  typedef Closure<void(RegularExpression*, const REMatchViewInfo&, unsigned int, std::uint64_t)>
      MatchViewEventClosure;
  typedef Closure<void(RegularExpression*, const REMatchViewInfo&, unsigned int, std::uint64_t,
                       bool&)>
      ContinueMatchViewEventClosure;
  typedef Closure<void(RegularExpression*, std::string_view, const REMatchViewInfo&, unsigned int,
                       bool&)>
      FileMatchViewEventClosure;

  // Records of a file change run.
  class GREPCORE_EXPORT MergeFileInformation {
   public:
    // One match of the file that is to be replaced.
    class GREPCORE_EXPORT GrepInformation {
     public:
      std::int64_t Position = 0;  // offset of the match from the start of the file
      std::string MatchString;    // the matched bytes
      std::string ReplaceString;  // what is written in their place
    };
    std::string FileName;                   // empty when no file is being gathered
    std::vector<GrepInformation> GrepInfo;  // ascending Position, no overlap
  };

  // What a change run needs to format its replacements, fixed when the run starts.
  class GREPCORE_EXPORT MergeSave {
   public:
    std::shared_ptr<const GrepEngine::Pattern> CompiledExpression;
    unsigned int MatchFlags = 0;
  };

  // What failed while rewriting a file.
  enum ProblemType : unsigned char {
    OpenFileFailed,           // opening the file for reading
    CreateTemporaryFailed,    // creating the temporary file
    ReadFailed,               // reading the file (or it ended early)
    WriteFailed,              // writing the temporary file
    MatchChanged,             // the bytes at a match's position are no longer the match
    SaveCopyFailed,           // copying the file to its saved copy
    ReplaceFailed,            // putting the new content in place of the file
    RestoreAttributesFailed,  // giving the new content the file's permission bits, ACL or
                              // extended attributes: the file is left as it is
    ChangedWhileRewriting,    // the file changed on disk while it was rewritten: left as it is
    SearchAbandoned,          // the engine gave up on the file: left as it is
    SaveCopyCollision,        // the saved copy's name is that of a saved copy this run wrote
                              // for another file: the file is left as it is
    OwnerNotKept,             // the new content could not get the file's owner or group (a run
                              // without the privilege to give files away): left as it is
    CopyUnfinished            // an interrupted in-place copy of the file stays unfinished (its
                              // working file is not provably the toolkit's, or is in use): the
                              // file was neither searched nor changed
  };

  // One file that could not be changed.
  class GREPCORE_EXPORT FileChangeProblem {
   public:
    std::string FileName;  // the file, temporary file or saved copy that failed
    ProblemType Problem = OpenFileFailed;
    std::uint64_t FilePointer = 0;  // byte offset where the failure was seen, 0 if none
    std::string MatchString;        // MatchChanged: the text expected at FilePointer
    unsigned int LastError = 0;     // errno of the failing call; 0 for MatchChanged
  };

  // Lifecycle, copy and comparison. A copy takes the options, texts, flags, compiled pattern
  // and event handlers; it gets the current global locale and fresh working state.
  RegularExpression();
  RegularExpression(const RegularExpression& other);
  RegularExpression& operator=(const RegularExpression& other);
  // Equal options, match options, texts, DirectoryRecursion and MergeCopy; nothing else counts.
  bool operator==(const RegularExpression& other) const;
  virtual ~RegularExpression();

  // Properties. Setters store their argument and do nothing else.
  std::string GetStringToMatch() const;
  void SetStringToMatch(const std::string& text);
  // Takes the text over without a copy: for a large text the caller no longer needs.
  void SetStringToMatch(std::string&& text);
  std::string GetFilesToMatch() const;
  void SetFilesToMatch(const std::string& mask);
  std::string GetSaveExtension() const;
  void SetSaveExtension(const std::string& extension);
  bool GetDirectoryRecursion() const;
  void SetDirectoryRecursion(bool recurse);
  // Not a published property: whether ChangeFiles may change a file whose owner or group it
  // cannot keep (a run without the privilege to give files away), the new content then
  // belonging to the running user with its set-id bits dropped. Off by default: such a file
  // is left as it is and reported OwnerNotKept. Copies take it over.
  bool GetAllowOwnerChange() const;
  void SetAllowOwnerChange(bool allow);
  bool GetMergeCopy() const;
  void SetMergeCopy(bool copy);
  std::string GetFormatString() const;
  void SetFormatString(const std::string& format);

  // The pattern text; setting it (even to the same text) forces a new compilation.
  std::string GetExpression() const;
  void SetExpression(const std::string& expression);
  // The locale of the next compilation and of error texts; does not force a compilation.
  std::locale GetLocale() const;
  void SetLocale(const std::locale& locale);

  // Compile options.
  void AddExpressionOption(Options option);
  void DeleteExpressionOption(Options option);
  bool IsExpressionOption(Options option) const;
  void ClearExpressionOptions();
  // The engine flag word of the current option set (0 for an empty set).
  unsigned int GetFlagOptions() const;

  // Compiles the pattern unless it is compiled already: 0 when it is ready, else the engine's
  // error code (1 for an empty pattern). A pattern ends at its first NUL byte.
  unsigned char ParseExpression();
  static unsigned char ConvertREXResult(unsigned int engineResult);
  // The engine's message for a failed compilation, or empty text. Never compiles.
  std::string GetExpressionError() const;
  // Marked sub-expressions of the pattern; the non-const form compiles first if needed.
  unsigned int NumberOfSubexpressions();
  unsigned int NumberOfSubexpressions() const;

  // Match options.
  void AddMatchOption(Matches option);
  void DeleteMatchOption(Matches option);
  bool IsMatchOption(Matches option) const;
  void ClearMatchOptions();
  // The engine match-flag word of the current match options (0 for an empty set).
  unsigned int GetMatchFlags() const;

  // String operations over StringToMatch (searched to its full length, NUL bytes included).
  // Match: the pattern matches at the start; MatchAll: and the match ends at the text's end;
  // Search: the first match anywhere. Each fires OnMatching (OnSearching for Search) once and
  // returns true on a match; false when the pattern does not compile or nothing matches.
  bool Match();
  bool MatchAll();
  bool Search();
  // Every successive match, each fired through OnGrepping (whose handler may stop the run).
  // Returns the number of matches, the one at which a handler stopped included. Runs on the
  // text as it was at the start, so a handler may change StringToMatch.
  unsigned int Grep();
  // The match vector of the match being reported (inside a handler of OnMatching,
  // OnSearching, OnGrepping or OnMerging); empty at any other time. Layout: the whole match,
  // one record per sub-expression, then the prefix and the suffix.
  REMatchInfo GetMatchingInformation() const;
  void ResetMatches();

  // Expands FormatString for the match being reported; empty outside a handler.
  void Format(std::string& result) const;
  // Search and replace over StringToMatch with FormatString; the text between matches is kept
  // when MergeCopy is set. With an OnMerging handler installed, the handler sees each match
  // first and may refuse it (which also ends the run). `result` is empty when FormatString,
  // StringToMatch or the pattern is unusable.
  void Merge(std::string& result);

  // The calling thread's stack of running file operations: created on demand, released by an
  // object's destruction when no file operation runs in the thread.
  void AllocateStack();
  void DeallocateStack();

  // File operations over the files FilesToMatch names (DirectoryRecursion: in every
  // sub-directory too). Each file is one text, so a match may span lines; positions count from
  // the file's start. Only the CaseInsensitive option is used by the file search (the pattern is
  // read in the Normal syntax); the match options apply. Files that cannot be read are passed
  // over. Both return 0, and fire nothing, when Expression or FilesToMatch is empty or the
  // pattern does not compile.
  //
  // GrepFiles: every match, fired through OnGreppingFiles with the file name, the match vector
  // (the whole match and each sub-expression; no prefix or suffix) and the match's line; a
  // handler that clears bcontinue ends the run. Returns the number of matches, the one at which
  // the run ended included.
  unsigned int GrepFiles();
  // FindFiles: every file holding a match, fired through OnFindFiles; a handler that clears
  // bcontinue ends the run. Returns the number of such files, the one at which it ended included.
  unsigned int FindFiles();
  // Not a published property: whether GrepFiles and FindFiles walk without changing anything
  // on disk (for a dry run). By default a walk finishes the interrupted in-place copies and
  // removes the abandoned temporary files it trusts; with this on it leaves them as they are.
  // Either way a file whose in-place copy is unfinished is never searched. Copies take it over.
  bool GetLeaveWorkingFiles() const;
  void SetLeaveWorkingFiles(bool leave);

  // File callbacks: the static forms reach the object of the innermost file operation of this
  // thread (false, which ends the run, outside one); the member forms fire its events.
  static bool FindFilesCallback(const char* file);
  bool ThisFindFilesCallback(const char* file);
  static bool GrepFilesCallback(const char* file, const grepcore::MaskSearch& e);
  bool ThisGrepFilesCallback(const char* file, const grepcore::MaskSearch& e);

  // Search and replace in every file FilesToMatch names: each match is replaced by the
  // expansion of FormatString for it, each file rewritten once its matches are complete. A file
  // is never written in place: its new content goes to a temporary file beside it, which
  // replaces the file in one step (with a saved copy first when SaveExtension is set); a file
  // that cannot be changed is left as it was and reported (GetChangeFilesErrors), and the run
  // goes on. A saved copy (a name carrying SaveExtension) or a read-only file ends the run.
  // OnChangingFiles sees every match and may end the run. Returns the replacements written.
  // A ChangeFiles started from a handler of this object's own running ChangeFiles returns 0
  // and changes nothing, so the running one keeps its gathered file and problem list.
  unsigned int ChangeFiles();
  static bool MergeFilesCallback(const char* file, const grepcore::MaskSearch& expression);
  bool ThisMergeFilesCallback(const char* file, const grepcore::MaskSearch& expression);
  // Rewrites the gathered file and empties the record; failures go to the problem list.
  void MergeUpdateFile();
  // Closes both open files (Platform::File objects), deletes the temporary file and empties
  // the gathered record.
  void MergeFileCleanup(void* input, void* output, const std::string& temporaryName);
  // The position of an open file, 0 when it cannot be read.
  std::uint64_t GetFilePointer(void* handle);
  // True when `name`'s own name carries SaveExtension (letters compared without case).
  bool BackupFile(const std::string& name);
  // True when the file's owner write bit is clear, or its attributes cannot be read.
  bool ReadOnlyFile(const std::string& name);
  // The saved copy's name for the gathered file.
  std::string ReplaceExtension();

  // The problems of the last ChangeFiles, or null when it had none. Valid while the object
  // lives; the next ChangeFiles empties the list.
  const std::vector<FileChangeProblem>* GetChangeFilesErrors() const;

  // True when the engine gave up on the last Match, MatchAll, Search, Grep, Merge, GrepFiles,
  // FindFiles or ChangeFiles instead of deciding it (its complexity or stack limit, as with
  // "(a*)*\1b" over a long run of a's). That operation's value then holds only what was found
  // before (false, a count, an empty merge; a file search goes on with the next file): it is
  // not "no match". Each of these operations clears it when it starts.
  bool LastOperationAbandoned() const;
  // Why the engine gave up on the last operation: its message; for a file operation,
  // "file: message" for each file it gave up on, one a line. Empty when it did not give up.
  std::string GetAbandonReason() const;

  // Event slots.
  void SetOnMatching(MatchEvent handler);
  MatchEvent GetOnMatching() const;
  void SetOnMatchingClosure(MatchEventClosure handler);
  MatchEventClosure GetOnMatchingClosure() const;
  void SetOnSearching(MatchEvent handler);
  MatchEvent GetOnSearching() const;
  void SetOnSearchingClosure(MatchEventClosure handler);
  MatchEventClosure GetOnSearchingClosure() const;
  void SetOnGrepping(ContinueMatchEvent handler);
  ContinueMatchEvent GetOnGrepping() const;
  void SetOnGreppingClosure(ContinueMatchEventClosure handler);
  ContinueMatchEventClosure GetOnGreppingClosure() const;
  void SetOnGreppingFiles(FileMatchEvent handler);
  FileMatchEvent GetOnGreppingFiles() const;
  void SetOnGreppingFilesClosure(FileMatchEventClosure handler);
  FileMatchEventClosure GetOnGreppingFilesClosure() const;
  void SetOnFindFiles(FileFoundEvent handler);
  FileFoundEvent GetOnFindFiles() const;
  void SetOnFindFilesClosure(FileFoundEventClosure handler);
  FileFoundEventClosure GetOnFindFilesClosure() const;
  void SetOnMerging(ContinueMatchEvent handler);
  ContinueMatchEvent GetOnMerging() const;
  void SetOnMergingClosure(ContinueMatchEventClosure handler);
  ContinueMatchEventClosure GetOnMergingClosure() const;
  void SetOnChangingFiles(FileMatchEvent handler);
  FileMatchEvent GetOnChangingFiles() const;
  void SetOnChangingFilesClosure(FileMatchEventClosure handler);
  FileMatchEventClosure GetOnChangingFilesClosure() const;

  // View events. Each fires at the same moment as the event of the same name (Matching,
  // Searching, Grepping, Merging, GreppingFiles, ChangingFiles), with the same line and
  // positions, but its records are views into the text: no byte is copied, so a handler costs
  // the same per match however long the text is. A view is valid only during the call. The
  // slots follow the events' rules (a plain function or a closure; installing one removes the
  // other; a copy of the object takes them). When an event and its view event are both
  // installed, the event fires first, then the view event, and both see the same bcontinue:
  // the run goes on only when it is still set after both. A handler of GreppingView,
  // MergingView or ChangingFilesView makes the run behave as with a handler of its event
  // (Grep and Merge run on a copy of the text; a change run rewrites each file before the next
  // file's first match is reported).
  void SetOnMatchingView(MatchViewEvent handler);
  MatchViewEvent GetOnMatchingView() const;
  void SetOnMatchingViewClosure(MatchViewEventClosure handler);
  MatchViewEventClosure GetOnMatchingViewClosure() const;
  void SetOnSearchingView(MatchViewEvent handler);
  MatchViewEvent GetOnSearchingView() const;
  void SetOnSearchingViewClosure(MatchViewEventClosure handler);
  MatchViewEventClosure GetOnSearchingViewClosure() const;
  void SetOnGreppingView(ContinueMatchViewEvent handler);
  ContinueMatchViewEvent GetOnGreppingView() const;
  void SetOnGreppingViewClosure(ContinueMatchViewEventClosure handler);
  ContinueMatchViewEventClosure GetOnGreppingViewClosure() const;
  void SetOnMergingView(ContinueMatchViewEvent handler);
  ContinueMatchViewEvent GetOnMergingView() const;
  void SetOnMergingViewClosure(ContinueMatchViewEventClosure handler);
  ContinueMatchViewEventClosure GetOnMergingViewClosure() const;
  void SetOnGreppingFilesView(FileMatchViewEvent handler);
  FileMatchViewEvent GetOnGreppingFilesView() const;
  void SetOnGreppingFilesViewClosure(FileMatchViewEventClosure handler);
  FileMatchViewEventClosure GetOnGreppingFilesViewClosure() const;
  void SetOnChangingFilesView(FileMatchViewEvent handler);
  FileMatchViewEvent GetOnChangingFilesView() const;
  void SetOnChangingFilesViewClosure(FileMatchViewEventClosure handler);
  FileMatchViewEventClosure GetOnChangingFilesViewClosure() const;

 private:
  void CopySettingsFrom(const RegularExpression& other);
  bool RunMatch(bool anchored, bool wholeText, MatchEvent plain, const MatchEventClosure& bound,
                MatchViewEvent plainView, const MatchViewEventClosure& boundView);
  void MergeWithHandler(std::string& result);
  struct ChangeRunSide;  // this object as the shared change-run steps see it
  bool FireChangingFiles(const std::string& name, const grepcore::MaskSearch& expression);
  void TakeAbandonedFiles(const grepcore::MaskSearch& search);
  void AddProblem(Common::ProblemReport&& report);

  MergeFileInformation CurrentFile;
  unsigned int ChangeCount = 0;
  // The settings the component keeps too, and their copy and comparison rules.
  std::unique_ptr<Common::ObjectSettings> Settings;
  bool LeaveWorkingFiles = false;
  bool DirectoryRecursion = false;
  bool MergeCopy = false;
  std::unique_ptr<grepcore::Match> CurrentMatch;
  const grepcore::Match* CurrentGrepMatch = nullptr;
  std::string MergeOutput;
  std::uint64_t MergePosition = 0;
  std::vector<FileChangeProblem> ChangeFilesErrors;
  std::string AbandonReason;  // why the engine gave up on the last operation; empty: it did not
  std::stack<MergeSave, std::deque<MergeSave>> MergeSaveStack;
  // The change run's own working state: created by the first run, never copied.
  std::unique_ptr<Common::ChangeRunWork> RunWork;

  MatchEvent OnMatching = nullptr;
  MatchEvent OnSearching = nullptr;
  ContinueMatchEvent OnGrepping = nullptr;
  FileMatchEvent OnGreppingFiles = nullptr;
  FileFoundEvent OnFindFiles = nullptr;
  ContinueMatchEvent OnMerging = nullptr;
  FileMatchEvent OnChangingFiles = nullptr;
  MatchEventClosure OnMatchingClosure;
  MatchEventClosure OnSearchingClosure;
  ContinueMatchEventClosure OnGreppingClosure;
  FileMatchEventClosure OnGreppingFilesClosure;
  FileFoundEventClosure OnFindFilesClosure;
  ContinueMatchEventClosure OnMergingClosure;
  FileMatchEventClosure OnChangingFilesClosure;

  MatchViewEvent OnMatchingView = nullptr;
  MatchViewEvent OnSearchingView = nullptr;
  ContinueMatchViewEvent OnGreppingView = nullptr;
  ContinueMatchViewEvent OnMergingView = nullptr;
  FileMatchViewEvent OnGreppingFilesView = nullptr;
  FileMatchViewEvent OnChangingFilesView = nullptr;
  MatchViewEventClosure OnMatchingViewClosure;
  MatchViewEventClosure OnSearchingViewClosure;
  ContinueMatchViewEventClosure OnGreppingViewClosure;
  ContinueMatchViewEventClosure OnMergingViewClosure;
  FileMatchViewEventClosure OnGreppingFilesViewClosure;
  FileMatchViewEventClosure OnChangingFilesViewClosure;
};

}  // namespace RegexClass
