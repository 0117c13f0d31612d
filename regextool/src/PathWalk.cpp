#include "PathWalk.h"

#include <platform/Directory.h>
#include <platform/FileContent.h>
#include <platform/ThreadSlot.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <utility>

#include "Glob.h"
#include "IgnoreRules.h"

namespace RegexTool {
namespace {

constexpr std::size_t BinaryProbe = 8 * 1024;

struct FilterGlob {
  Glob Pattern;
  bool Excludes = false;
};

std::string ErrorText(int error) { return std::strerror(error != 0 ? error : EIO); }

bool EndsWith(const std::string& name, const std::string& suffix) {
  return name.size() >= suffix.size() &&
         name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0;
}

class Walker {
 public:
  Walker(const PathSelection& selection, const std::function<void(const std::string&)>& visit,
         std::vector<WalkProblem>& problems)
      : Selection(selection), Visit(visit), Problems(problems) {
    for (const std::string& text : selection.Globs) {
      const bool excludes = !text.empty() && text[0] == '!';
      std::string_view pattern(text);
      if (excludes) pattern.remove_prefix(1);
      if (!pattern.empty() && pattern[0] == '/') pattern.remove_prefix(1);
      Globs.push_back(FilterGlob{Glob(pattern), excludes});
      if (!excludes) HasIncludingGlob = true;
    }
    for (const std::string& text : selection.Include) Include.emplace_back(text);
    for (const std::string& text : selection.Exclude) Exclude.emplace_back(text);
    if (!selection.SkipExtension.empty()) SkipSuffix = "." + selection.SkipExtension;
  }

  void Run() {
    if (Selection.Paths.empty()) {
      Root(".", "");
      return;
    }
    for (const std::string& path : Selection.Paths) {
      const bool slashed = !path.empty() && path.back() == '/';
      Root(path, slashed ? path : path + "/");
    }
  }

 private:
  struct IgnoreLevel {
    std::string Prefix;  // the level's directory relative to the walk's root, with its '/'
    IgnoreRules Rules;
  };

  void Root(const std::string& path, const std::string& shown) {
    Platform::Directory directory;
    if (directory.Open(path)) {
      Ignores.clear();
      Directory(directory, shown, std::string(), nullptr);
      return;
    }
    const int error = Platform::LastError();
    if (error == ENOTDIR) {
      Visit(path);
    } else if (error == ENOENT && HasWildcard(path)) {
      Mask(path);
    } else {
      Problems.push_back(WalkProblem{path, ErrorText(error)});
    }
  }

  // The toolkit's mask: a directory part without wildcards and a pattern for the names.
  void Mask(const std::string& mask) {
    const std::size_t slash = mask.rfind('/');
    const std::string directoryPart = slash == std::string::npos ? std::string() : mask.substr(0, slash + 1);
    const Glob names(slash == std::string::npos ? mask : mask.substr(slash + 1));
    Platform::Directory directory;
    if (HasWildcard(directoryPart) || !directory.Open(directoryPart.empty() ? "." : directoryPart)) {
      const int error = HasWildcard(directoryPart) ? ENOENT : Platform::LastError();
      Problems.push_back(WalkProblem{mask, ErrorText(error)});
      return;
    }
    Ignores.clear();
    Directory(directory, directoryPart, std::string(), &names);
  }

  // `shown` is how the directory's path is printed (empty, or ending in '/'); `relative` is its
  // path below the root, for globs and ignore rules (empty, or ending in '/').
  void Directory(const Platform::Directory& directory, const std::string& shown,
                 const std::string& relative, const Glob* names) {
    const bool pushed = LoadIgnoreFile(directory, relative);
    std::vector<Platform::DirectoryEntry> entries;
    if (!directory.List(entries)) {
      Problems.push_back(WalkProblem{shown.empty() ? "." : shown, ErrorText(Platform::LastError())});
    }
    std::sort(entries.begin(), entries.end(),
              [](const Platform::DirectoryEntry& a, const Platform::DirectoryEntry& b) {
                return a.Name < b.Name;
              });
    for (const Platform::DirectoryEntry& entry : entries) {
      const std::string& name = entry.Name;
      if (name == ".git" || (name[0] == '.' && !Selection.Hidden)) continue;
      const std::string path = relative + name;
      if (entry.Kind == Platform::EntryKind::File) {
        if ((names == nullptr || names->Matches(name)) && FileSelected(path, name)) Visit(shown + name);
      } else if (entry.Kind == Platform::EntryKind::Directory) {
        if (names != nullptr && !Selection.MaskRecursion) continue;
        if (!DirectorySelected(path)) continue;
        Platform::Directory child;
        if (!child.OpenChild(directory, name)) {
          Problems.push_back(WalkProblem{shown + name, ErrorText(Platform::LastError())});
          continue;
        }
        Directory(child, shown + name + "/", path + "/", names);
      }
    }
    if (pushed) Ignores.pop_back();
  }

  bool LoadIgnoreFile(const Platform::Directory& directory, const std::string& relative) {
    if (Selection.NoIgnore) return false;
    Platform::FileContent file;
    if (!file.Open(directory, ".gitignore")) return false;
    std::uint64_t length = 0;
    if (!file.ReadAll(Buffer, length)) return false;
    IgnoreRules rules(std::string_view(Buffer.data(), static_cast<std::size_t>(length)));
    if (rules.Empty()) return false;
    Ignores.push_back(IgnoreLevel{relative, std::move(rules)});
    return true;
  }

  bool Ignored(const std::string& path, bool directory) const {
    for (auto level = Ignores.rbegin(); level != Ignores.rend(); ++level) {
      const std::string_view below = std::string_view(path).substr(level->Prefix.size());
      const IgnoreVerdict verdict = level->Rules.Judge(below, directory);
      if (verdict != IgnoreVerdict::NoRule) return verdict == IgnoreVerdict::Ignored;
    }
    return false;
  }

  // The last glob that matches decides; none matching leaves a file in only when no glob
  // asks for files by name.
  const FilterGlob* LastGlob(const std::string& path, const std::string& name) const {
    for (auto glob = Globs.rbegin(); glob != Globs.rend(); ++glob)
      if (glob->Pattern.Matches(glob->Pattern.HasSlash() ? path : name)) return &*glob;
    return nullptr;
  }

  bool FileSelected(const std::string& path, const std::string& name) const {
    if (!SkipSuffix.empty() && EndsWith(name, SkipSuffix)) return false;
    if (!Globs.empty()) {
      const FilterGlob* glob = LastGlob(path, name);
      if (glob == nullptr ? HasIncludingGlob : glob->Excludes) return false;
    }
    if (!Include.empty() &&
        std::none_of(Include.begin(), Include.end(), [&](const Glob& g) { return g.Matches(name); }))
      return false;
    if (std::any_of(Exclude.begin(), Exclude.end(), [&](const Glob& g) { return g.Matches(name); }))
      return false;
    return Selection.NoIgnore || !Ignored(path, false);
  }

  bool DirectorySelected(const std::string& path) const {
    const std::size_t slash = path.rfind('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const FilterGlob* glob = LastGlob(path, name);
    if (glob != nullptr && glob->Excludes) return false;
    return Selection.NoIgnore || !Ignored(path, true);
  }

  const PathSelection& Selection;
  const std::function<void(const std::string&)>& Visit;
  std::vector<WalkProblem>& Problems;
  std::vector<FilterGlob> Globs;
  bool HasIncludingGlob = false;
  std::vector<Glob> Include;
  std::vector<Glob> Exclude;
  std::string SkipSuffix;
  std::vector<IgnoreLevel> Ignores;
  std::vector<char> Buffer;
};

}  // namespace

void WalkPaths(const PathSelection& selection, const std::function<void(const std::string& file)>& visit,
               std::vector<WalkProblem>& problems) {
  Walker(selection, visit, problems).Run();
}

bool FirstBlockHoldsNul(std::string_view content) {
  return content.substr(0, BinaryProbe).find('\0') != std::string_view::npos;
}

bool LooksBinary(const std::string& file) {
  Platform::FileContent content;
  if (!content.Open(file.c_str())) return false;
  std::vector<char> block(BinaryProbe);
  std::size_t got = 0;
  if (!content.Read(block.data(), block.size(), got)) return false;
  return FirstBlockHoldsNul(std::string_view(block.data(), got));
}

}  // namespace RegexTool
