#pragma once
// The ignore files in force at a point of a walk: those of the directories walked down to it
// and those of the directories above the walk's root. A verdict follows these precedences:
// a file of higher rank (later in the list of names: .rgignore over .ignore over .gitignore,
// and .gitignore over the repository's .git/info/exclude) over one of lower rank; of the same
// rank, a deeper directory's file over a shallower one's; in one file, a later line over an
// earlier one. .gitignore and .git/info/exclude count only inside a git repository (a
// directory holding .git at or above), and only from the repository's top down: a
// repository inside another is not judged by the outer one's files.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "IgnoreRules.h"
#include "platform/Directory.h"

namespace grepcore {

class IgnoreStack {
 public:
  // `names`: the ignore files read in each directory, in rising precedence; empty: none.
  explicit IgnoreStack(std::vector<std::string> names);

  // Starts a walk at `root`: the levels of the directories above it, up to the top of the
  // file system, replace the stack.
  void StartAt(const Platform::Directory& root);

  // Pushes the level of `directory`, whose path below the walk's root is `relative` (empty,
  // or ending in '/'); false when it adds nothing, so there is nothing to pop. `listing`, the
  // directory's entries sorted by name, spares a look for a name it does not hold.
  bool Push(const Platform::Directory& directory, const std::string& relative,
            const std::vector<Platform::DirectoryEntry>& listing);
  void Pop() { Levels.pop_back(); }

  // What the levels say of `path` (relative to the walk's root); `directory` when it names
  // one.
  IgnoreVerdict Judge(const std::string& path, bool directory) const;
  bool Ignored(const std::string& path, bool directory) const {
    return Judge(path, directory) == IgnoreVerdict::Ignored;
  }

 private:
  struct Source {
    std::size_t Rank = 0;
    bool GitOnly = false;
    IgnoreRules Rules;
  };
  struct Level {
    std::string Prefix;  // stripped from a path: the level's directory below the walk's root
    std::string Lead;    // put before it: the walk's root seen from a level above it
    bool HoldsGit = false;
    std::vector<Source> Files;
  };

  // The level of `directory`; its .gitignore is read only when `git` (it may count). With a
  // listing, only the names it holds are looked for.
  Level Load(const Platform::Directory& directory, std::string prefix, std::string lead, bool git,
             const std::vector<Platform::DirectoryEntry>* listing = nullptr);
  void Read(const Platform::Directory& directory, const std::string& name, std::size_t rank,
            bool gitOnly, Level& level);
  void ReadExclude(const Platform::Directory& directory, std::size_t rank, Level& level);
  // The text of the small file `name` after `lead`, its line end left out; false when the
  // file cannot be read, does not start so, or holds nothing more.
  bool ReadWord(const Platform::Directory& directory, const std::string& name,
                std::string_view lead, std::string& word);

  std::vector<std::string> Names;
  bool GitNames = false;  // .gitignore is among the names
  std::vector<Level> Levels;
  std::vector<char> Buffer;
  mutable std::vector<IgnoreVerdict> Verdicts;  // one judgement's, kept to spare allocations
};

}  // namespace grepcore
