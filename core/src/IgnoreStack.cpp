#include "IgnoreStack.h"

#include <algorithm>
#include <cstdint>
#include <string_view>
#include <utility>

#include "platform/FileContent.h"

namespace grepcore {
namespace {

const char* const GitIgnoreName = ".gitignore";

// No file system is deeper than this; a climb that goes on is going round a loop.
constexpr std::size_t MostLevelsAbove = 4096;

}  // namespace

IgnoreStack::IgnoreStack(std::vector<std::string> names) : Names(std::move(names)) {
  GitNames = std::find(Names.begin(), Names.end(), GitIgnoreName) != Names.end();
}

void IgnoreStack::StartAt(const Platform::Directory& root) {
  Levels.clear();
  if (Names.empty()) return;
  bool gitBelow = GitNames && root.Holds(".git");  // a repository's top at or below the level
  std::vector<Level> above;
  std::string lead;
  Platform::Directory climbed;
  const Platform::Directory* at = &root;
  for (std::size_t i = 0; i < MostLevelsAbove; ++i) {
    Platform::Directory parent;
    std::string name;
    if (!parent.OpenAbove(*at) || !parent.NameOf(at->Identity(), name)) break;
    lead.insert(0, name + "/");
    above.push_back(Load(parent, std::string(), lead, !gitBelow));
    gitBelow = gitBelow || above.back().HoldsGit;
    climbed = std::move(parent);
    at = &climbed;
  }
  for (auto level = above.rbegin(); level != above.rend(); ++level)
    if (!level->Files.empty() || level->HoldsGit) Levels.push_back(std::move(*level));
}

bool IgnoreStack::Push(const Platform::Directory& directory, const std::string& relative,
                       const std::vector<Platform::DirectoryEntry>& listing) {
  if (Names.empty()) return false;
  const bool inRepository =
      std::any_of(Levels.begin(), Levels.end(), [](const Level& level) { return level.HoldsGit; });
  Level level = Load(directory, relative, std::string(), true, &listing);
  if (!inRepository && !level.HoldsGit) {
    // Outside a repository a .gitignore never counts.
    level.Files.erase(std::remove_if(level.Files.begin(), level.Files.end(),
                                     [](const Source& source) { return source.GitOnly; }),
                      level.Files.end());
  }
  if (level.Files.empty() && !level.HoldsGit) return false;
  Levels.push_back(std::move(level));
  return true;
}

IgnoreStack::Level IgnoreStack::Load(const Platform::Directory& directory, std::string prefix,
                                     std::string lead, bool git,
                                     const std::vector<Platform::DirectoryEntry>* listing) {
  // Most directories hold no ignore file: the listing answers without a failed open for each.
  const auto holds = [&](const std::string& name) {
    if (listing == nullptr) return true;
    const auto at = std::lower_bound(listing->begin(), listing->end(), name,
                                     [](const Platform::DirectoryEntry& entry,
                                        const std::string& key) { return entry.Name < key; });
    return at != listing->end() && at->Name == name;
  };
  Level level;
  level.Prefix = std::move(prefix);
  level.Lead = std::move(lead);
  level.HoldsGit = GitNames && holds(".git") && directory.Holds(".git");
  for (std::size_t i = 0; i < Names.size(); ++i) {
    if (!holds(Names[i])) continue;
    // Ranks: a name's own is 2i + 1; the exclude file sits just below .gitignore.
    if (Names[i] != GitIgnoreName) {
      Read(directory, Names[i], 2 * i + 1, false, level);
    } else if (git) {
      Read(directory, Names[i], 2 * i + 1, true, level);
      if (level.HoldsGit) ReadExclude(directory, 2 * i, level);
    }
  }
  return level;
}

void IgnoreStack::Read(const Platform::Directory& directory, const std::string& name,
                       std::size_t rank, bool gitOnly, Level& level) {
  Platform::FileContent file;
  if (!file.Open(directory, name)) return;
  std::uint64_t length = 0;
  if (!file.ReadAll(Buffer, length)) return;
  IgnoreRules rules(std::string_view(Buffer.data(), static_cast<std::size_t>(length)));
  if (!rules.Empty()) level.Files.push_back(Source{rank, gitOnly, std::move(rules)});
}

void IgnoreStack::ReadExclude(const Platform::Directory& directory, std::size_t rank,
                              Level& level) {
  const std::size_t before = level.Files.size();
  Read(directory, ".git/info/exclude", rank, true, level);
  if (level.Files.size() != before) return;
  // A linked worktree's .git is a file naming its git directory, whose commondir file names
  // the repository's own, which holds the exclude file.
  std::string gitDirectory;
  if (!ReadWord(directory, ".git", "gitdir: ", gitDirectory)) return;
  Platform::Directory git;
  if (!git.OpenRelative(directory, gitDirectory)) return;
  std::string common;
  if (!ReadWord(git, "commondir", "", common)) {
    Read(git, "info/exclude", rank, true, level);
    return;
  }
  Platform::Directory shared;
  if (shared.OpenRelative(git, common)) Read(shared, "info/exclude", rank, true, level);
}

bool IgnoreStack::ReadWord(const Platform::Directory& directory, const std::string& name,
                           std::string_view lead, std::string& word) {
  Platform::FileContent file;
  std::uint64_t length = 0;
  if (!file.Open(directory, name) || !file.ReadAll(Buffer, length)) return false;
  std::string_view text(Buffer.data(), static_cast<std::size_t>(length));
  if (text.substr(0, lead.size()) != lead) return false;
  text.remove_prefix(lead.size());
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
    text.remove_suffix(1);
  word.assign(text);
  return !word.empty();
}

IgnoreVerdict IgnoreStack::Judge(const std::string& path, bool directory) const {
  if (Levels.empty()) return IgnoreVerdict::NoRule;
  const bool inRepository =
      std::any_of(Levels.begin(), Levels.end(), [](const Level& level) { return level.HoldsGit; });
  std::vector<IgnoreVerdict>& verdicts = Verdicts;
  verdicts.assign(2 * Names.size(), IgnoreVerdict::NoRule);
  bool pastRepositoryTop = false;
  std::string led;
  for (auto level = Levels.rbegin(); level != Levels.rend(); ++level) {
    std::string_view below = std::string_view(path).substr(level->Prefix.size());
    if (!level->Lead.empty()) {
      led = level->Lead;
      led.append(below);
      below = led;
    }
    for (const Source& source : level->Files) {
      IgnoreVerdict& verdict = verdicts[source.Rank];
      if (verdict != IgnoreVerdict::NoRule) continue;
      if (source.GitOnly && (!inRepository || pastRepositoryTop)) continue;
      verdict = source.Rules.Judge(below, directory);
    }
    pastRepositoryTop = pastRepositoryTop || level->HoldsGit;
  }
  for (auto verdict = verdicts.rbegin(); verdict != verdicts.rend(); ++verdict)
    if (*verdict != IgnoreVerdict::NoRule) return *verdict;
  return IgnoreVerdict::NoRule;
}

}  // namespace grepcore
