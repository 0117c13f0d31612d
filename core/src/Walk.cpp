#include "grepcore/Walk.h"

#include <platform/Directory.h>
#include <platform/EntryPaths.h>
#include <platform/FileContent.h>
#include <platform/StreamIdentity.h>
#include <platform/TemporaryFile.h>
#include <platform/ThreadSlot.h>
#include <platform/WorkingFiles.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <map>
#include <optional>
#include <set>
#include <utility>

#include "DirectoryHandle.h"
#include "FileMask.h"
#include "Glob.h"
#include "IgnoreStack.h"
#include "WalkTelling.h"

namespace grepcore {
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

// "dir/" -> "dir", "" -> ".", "/" stays "/".
std::string PathOfShown(const std::string& shown) {
  if (shown.empty()) return ".";
  if (shown.size() > 1 && shown.back() == '/') return shown.substr(0, shown.size() - 1);
  return shown;
}

std::string Joined(const std::string& directory, const std::string& name) {
  if (directory == ".") return name;
  return directory.back() == '/' ? directory + name : directory + "/" + name;
}

// Own names of a directory's files whose in-place copy is still unfinished, each with the
// name of the working file that blocks it.
using BlockedFiles = std::map<std::string, std::string>;

// Tidies the working files among `entries` of `directory` (looks only, when `changeNothing`)
// and returns the files an unfinished in-place copy still blocks, under every name they have
// there. A working file the toolkit cannot vouch for is left alone and named in `problems`.
BlockedFiles TidyWorkingFiles(const Platform::Directory& directory,
                              const std::vector<Platform::DirectoryEntry>& entries,
                              bool changeNothing, const std::string& shown,
                              std::vector<WalkProblem>& problems) {
  std::vector<Platform::TidyResult> untidied;
  const std::set<std::string> names = Platform::TidyWorkingFiles(
      directory, entries, changeNothing ? Platform::TidyMode::LookOnly : Platform::TidyMode::Finish,
      &untidied);
  BlockedFiles blocked;
  std::string anyCopy;
  for (const Platform::TidyResult& result : untidied) {
    if (result.Outcome == Platform::TidyOutcome::Untrusted)
      problems.push_back(WalkProblem{WalkProblemKind::Untrusted, shown + result.WorkingName,
                                     "left alone: a working file the toolkit cannot vouch for "
                                     "(owner, mode, links or record do not fit its file)"});
    if (!result.BlockedName.empty()) {
      blocked.emplace(result.BlockedName, result.WorkingName);
      anyCopy = result.WorkingName;
    }
  }
  // Other names of a blocked file (hard links) carry the copy of the name it was found under.
  for (const std::string& name : names) blocked.emplace(name, anyCopy);
  return blocked;
}

std::string BlockedMessage(const std::string& copy, bool changeNothing) {
  if (changeNothing)
    return "skipped: its in-place copy " + copy +
           " is unfinished; a run that changes files finishes it first";
  return "skipped: its in-place copy " + copy + " is unfinished and could not be finished now";
}

// The name part of a mask: a glob, or the pattern class's wildcard (only * and ? special).
class NamePattern {
 public:
  static NamePattern Globbed(std::string_view text) {
    NamePattern names;
    names.Pattern.emplace(text);
    return names;
  }
  static NamePattern Wildcard(std::string text) {
    NamePattern names;
    names.Text = std::move(text);
    return names;
  }
  bool Matches(const std::string& name) const {
    return Pattern ? Pattern->Matches(name) : WildcardMatch(Text, name);
  }

 private:
  std::optional<Glob> Pattern;
  std::string Text;
};

bool IsFileEntry(const Platform::DirectoryEntry& entry) {
  return entry.Kind == Platform::EntryKind::File || entry.Kind == Platform::EntryKind::LinkToFile;
}

// Opens the directory `identity` names again once the walk below it let it go: through ".."
// of the sub-directory walked last, else by its path. Null when neither leads to it.
std::shared_ptr<Platform::Directory> ReturnTo(std::shared_ptr<Platform::Directory> child,
                                              const Platform::DirectoryIdentity& identity,
                                              const std::string& path) {
  auto parent = std::make_shared<Platform::Directory>();
  if (child && child->IsOpen() && parent->OpenParent(*child, identity)) return parent;
  child.reset();
  if (parent->Open(path) && parent->Identity() == identity) return parent;
  return nullptr;
}

class Walker {
 public:
  Walker(const WalkOptions& options, const std::function<bool(WalkedFile&&)>& visit,
         const std::function<void(const WalkProblem&)>& told, std::vector<WalkProblem>& problems)
      : Options(options),
        Masks(options.RootsAreMasks),
        Visit(visit),
        Told(told),
        Problems(problems),
        Ignores(options.RootsAreMasks ? std::vector<std::string>() : options.IgnoreFiles) {
    for (const std::string& text : options.Globs) {
      const bool excludes = !text.empty() && text[0] == '!';
      std::string_view pattern(text);
      if (excludes) pattern.remove_prefix(1);
      if (!pattern.empty() && pattern[0] == '/') pattern.remove_prefix(1);
      Globs.push_back(FilterGlob{Glob(pattern), excludes});
      if (!excludes) HasIncludingGlob = true;
    }
    for (const std::string& text : options.Include) Include.emplace_back(text);
    for (const std::string& text : options.Exclude) Exclude.emplace_back(text);
    for (const std::string& text : options.ExcludeDirectories)
      ExcludeDirectories.emplace_back(text);
    for (const FileType& type : FileTypes()) {
      const auto named = [&](const std::vector<std::string>& names) {
        return std::find(names.begin(), names.end(), type.Name) != names.end();
      };
      if (named(options.Types))
        for (const std::string& glob : type.Globs) TypeGlobs.emplace_back(glob);
      if (named(options.NotTypes))
        for (const std::string& glob : type.Globs) NotTypeGlobs.emplace_back(glob);
    }
    // A type asked for that is not known names no file.
    TypesAsked = !options.Types.empty();
    if (!options.SkipExtension.empty()) SkipSuffix = "." + options.SkipExtension;
  }

  void Run() {
    if (Options.Roots.empty()) {
      if (!Masks) Root(".", "");
      return;
    }
    for (const std::string& path : Options.Roots) {
      if (Stopped) return;
      if (Masks) {
        ClassMask(path);
        continue;
      }
      const bool slashed = !path.empty() && path.back() == '/';
      Root(path, slashed ? path : path + "/");
    }
  }

 private:
  void Take(WalkedFile&& file) {
    if (!Stopped) Stopped = !Visit(std::move(file));
  }

  void Problem(WalkProblemKind kind, std::string path, std::string message) {
    Problems.push_back(WalkProblem{kind, std::move(path), std::move(message)});
    if (Told) Told(Problems.back());
  }

  void Root(const std::string& path, const std::string& shown) {
    auto directory = std::make_shared<Platform::Directory>();
    if (directory->Open(path)) {
      if (AnyMatches(ExcludeDirectories, path.substr(path.rfind('/') + 1))) return;
      Ignores.StartAt(*directory);
      Directory(directory, shown, std::string(), nullptr, 1);
      return;
    }
    const int error = Platform::LastError();
    if (error == ENOTDIR) {
      Named(path);
    } else if (error == ENOENT && HasWildcard(path)) {
      Mask(path);
    } else {
      Problem(error == ENOENT ? WalkProblemKind::Missing : WalkProblemKind::Unreadable, path,
              ErrorText(error));
    }
  }

  // The toolkit's mask: a directory part without wildcards and a pattern for the names.
  void Mask(const std::string& mask) {
    const std::size_t slash = mask.rfind('/');
    const std::string directoryPart =
        slash == std::string::npos ? std::string() : mask.substr(0, slash + 1);
    const NamePattern names =
        NamePattern::Globbed(slash == std::string::npos ? mask : mask.substr(slash + 1));
    auto directory = std::make_shared<Platform::Directory>();
    if (HasWildcard(directoryPart) ||
        !directory->Open(directoryPart.empty() ? "." : directoryPart)) {
      const int error = HasWildcard(directoryPart) ? ENOENT : Platform::LastError();
      Problem(error == ENOENT ? WalkProblemKind::Missing : WalkProblemKind::Unreadable, mask,
              ErrorText(error));
      return;
    }
    Ignores.StartAt(*directory);
    Directory(directory, directoryPart, std::string(), &names, 1);
  }

  // The pattern class's mask: its directory part opened as it is, wildcards or not.
  void ClassMask(const std::string& text) {
    const FileMask mask(text);
    auto directory = std::make_shared<Platform::Directory>();
    if (!directory->Open(mask.Directory())) {
      const int error = Platform::LastError();
      Problem(error == ENOENT ? WalkProblemKind::Missing : WalkProblemKind::Unreadable, text,
              ErrorText(error));
      return;
    }
    const NamePattern names = NamePattern::Wildcard(mask.NamePattern());
    Directory(std::move(directory), mask.PathPrefix(), std::string(), &names, 1);
  }

  // A file named as a root: taken as it is, a link as its final target, unless an unfinished
  // in-place copy blocks it.
  void Named(const std::string& path) {
    WalkedFile file;
    file.Path = path;
    file.Shown = path;
    Platform::StreamIdentity stream;
    file.Stream =
        Platform::IdentifyPath(path, stream) && stream.Kind == Platform::StreamKind::Other;
    const std::string target = Platform::FinalTarget(path);
    auto handle = std::make_shared<DirectoryHandle>();
    SplitPath(target.empty() ? path : target, *handle, file.Name);
    Platform::EntryIdentity identity;
    if (target.empty() || !Platform::DescribeEntry(target, identity)) {
      if (Options.Identities) file.Problem = ErrorText(Platform::LastError());
      file.Directory = std::move(handle);
      Take(std::move(file));
      return;
    }
    if (target != path) file.Shown = path + " -> " + target;
    if (NamedFileBlocked(handle->Path, file.Name, identity)) {
      Problem(WalkProblemKind::Unfinished, path,
              BlockedMessage(Platform::InPlaceCopyName(file.Name, identity.Inode),
                             Options.ChangeNothing));
      return;
    }
    file.Device = identity.Device;
    file.Inode = identity.Inode;
    if (Options.Identities) {
      auto directory = std::make_shared<Platform::Directory>();
      if (directory->Open(handle->Path)) {
        handle->Identity = directory->Identity();
        handle->Open = std::move(directory);
      } else {
        file.Problem = ErrorText(Platform::LastError());
      }
    }
    file.Directory = std::move(handle);
    Take(std::move(file));
  }

  // True when the named file's in-place copy is still unfinished once its directory's
  // working file for it was tidied.
  bool NamedFileBlocked(const std::string& directoryPath, const std::string& name,
                        const Platform::EntryIdentity& identity) {
    const std::string copy = Platform::InPlaceCopyName(name, identity.Inode);
    Platform::EntryIdentity left;
    if (!Platform::DescribeEntry(Joined(directoryPath, copy), left)) return false;
    Platform::Directory directory;
    if (!directory.Open(directoryPath)) return true;
    const std::vector<Platform::DirectoryEntry> entries{
        Platform::DirectoryEntry{copy, Platform::EntryKind::File},
        Platform::DirectoryEntry{name, Platform::EntryKind::File}};
    return Tidy(directory, entries, Joined(directoryPath, "")).count(name) != 0;
  }

  // Tidies the working files among a directory's entries; see TidyWorkingFiles.
  BlockedFiles Tidy(const Platform::Directory& directory,
                    const std::vector<Platform::DirectoryEntry>& entries,
                    const std::string& shown) {
    const std::size_t before = Problems.size();
    BlockedFiles blocked =
        TidyWorkingFiles(directory, entries, Options.ChangeNothing, shown, Problems);
    if (Told)
      for (std::size_t i = before; i < Problems.size(); ++i) Told(Problems[i]);
    return blocked;
  }

  static void SplitPath(const std::string& path, DirectoryHandle& directory, std::string& name) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
      directory.Path = ".";
      name = path;
    } else {
      directory.Path = slash == 0 ? "/" : path.substr(0, slash);
      name = path.substr(slash + 1);
    }
  }

  // `shown` is how the directory's path is printed (empty, or ending in '/'); `relative` is its
  // path below the root, for globs and ignore rules (empty, or ending in '/'); `depth` is the
  // depth of its entries below the root. Returns the directory, open again when the walk below
  // it let it go; null when it could not be got back to.
  std::shared_ptr<Platform::Directory> Directory(std::shared_ptr<Platform::Directory> directory,
                                                 const std::string& shown,
                                                 const std::string& relative,
                                                 const NamePattern* names, std::size_t depth) {
    if (depth > Options.MaxDepth) return directory;
    std::vector<Platform::DirectoryEntry> entries;
    if (!directory->List(entries))
      Problem(WalkProblemKind::Unreadable, shown.empty() ? "." : shown,
              ErrorText(Platform::LastError()));
    std::sort(entries.begin(), entries.end(),
              [](const Platform::DirectoryEntry& a, const Platform::DirectoryEntry& b) {
                return a.Name < b.Name;
              });
    if (Masks) std::stable_partition(entries.begin(), entries.end(), IsFileEntry);
    const bool pushed = Ignores.Push(*directory, relative, entries);
    const BlockedFiles blocked = Tidy(*directory, entries, shown);
    if (Masks)  // a mask's torn files are known before any file of the directory is visited
      for (const auto& [name, copy] : blocked)
        if (names->Matches(name))
          Problem(WalkProblemKind::Unfinished, shown + name,
                  BlockedMessage(copy, Options.ChangeNothing));
    const std::string path = PathOfShown(shown);
    const Platform::DirectoryIdentity identity = directory->Identity();
    std::shared_ptr<const DirectoryHandle> shared = HandleOf(directory, path);
    Ancestors.push_back(identity);
    for (const Platform::DirectoryEntry& entry : entries) {
      if (Stopped) break;
      const std::string& name = entry.Name;
      if (Platform::IsWorkingFile(name)) continue;
      if (name == ".git" && !Masks) continue;
      const bool hidden = name[0] == '.' && !Options.Hidden && !Masks;
      const std::string below = relative + name;
      const bool linked = entry.Kind == Platform::EntryKind::LinkToFile ||
                          entry.Kind == Platform::EntryKind::LinkToDirectory;
      if (linked && !Options.FollowLinks &&
          !(Masks && entry.Kind == Platform::EntryKind::LinkToFile))
        continue;
      if (IsFileEntry(entry)) {
        if ((names != nullptr && !names->Matches(name)) || !FileSelected(below, name, hidden))
          continue;
        const auto block = blocked.find(name);
        if (block != blocked.end()) {
          if (!Masks)
            Problem(WalkProblemKind::Unfinished, shown + name,
                    BlockedMessage(block->second, Options.ChangeNothing));
          continue;
        }
        Walked(shared, name, shown + name, linked);
      } else if (entry.Kind == Platform::EntryKind::Directory ||
                 entry.Kind == Platform::EntryKind::LinkToDirectory) {
        if (names != nullptr && !Options.MaskRecursion) continue;
        if (depth >= Options.MaxDepth || AnyMatches(ExcludeDirectories, name) ||
            !DirectorySelected(below, hidden))
          continue;
        auto child = std::make_shared<Platform::Directory>();
        const bool opened =
            linked ? child->OpenRelative(*directory, name) : child->OpenChild(*directory, name);
        if (!opened) {
          Problem(WalkProblemKind::Unreadable, shown + name, ErrorText(Platform::LastError()));
          continue;
        }
        if (linked &&
            std::find(Ancestors.begin(), Ancestors.end(), child->Identity()) != Ancestors.end()) {
          // A link back up the tree: walking it would never end.
          Problem(WalkProblemKind::Loop, shown + name, "warning: recursive directory loop");
          continue;
        }
        if (!Masks) {
          Directory(std::move(child), shown + name + "/", below + "/", names, depth + 1);
          continue;
        }
        // Only the directory being walked stays open (unless a visitor kept a file of this
        // one); on the way back this one is reopened, and checked to be the same.
        const std::weak_ptr<Platform::Directory> held = directory;
        directory.reset();
        shared.reset();
        std::shared_ptr<Platform::Directory> back =
            Directory(std::move(child), shown + name + "/", below + "/", names, depth + 1);
        directory = held.lock();
        if (!directory) directory = ReturnTo(std::move(back), identity, path);
        if (!directory) break;  // what is left of it cannot be walked
        shared = HandleOf(directory, path);
      }
    }
    Ancestors.pop_back();
    if (pushed) Ignores.Pop();
    return directory;
  }

  static std::shared_ptr<const DirectoryHandle> HandleOf(
      const std::shared_ptr<Platform::Directory>& directory, const std::string& path) {
    auto handle = std::make_shared<DirectoryHandle>();
    handle->Open = directory;
    handle->Path = path;
    handle->Identity = directory->Identity();
    return handle;
  }

  void Walked(const std::shared_ptr<const DirectoryHandle>& directory, const std::string& name,
              std::string shown, bool linked) {
    WalkedFile file;
    file.Directory = directory;
    file.Name = name;
    file.Path = shown;
    file.Shown = std::move(shown);
    file.Linked = linked;
    if (Options.Identities && !linked) {  // a followed link's target has no walked entry
      Platform::EntryIdentity identity;
      if (Platform::DescribeEntry(Joined(directory->Path, name), identity) && !identity.IsLink) {
        file.Device = identity.Device;
        file.Inode = identity.Inode;
      } else {
        file.Problem = identity.IsLink ? ErrorText(ESTALE) : ErrorText(Platform::LastError());
      }
    }
    Take(std::move(file));
  }

  static bool AnyMatches(const std::vector<Glob>& globs, const std::string& name) {
    return std::any_of(globs.begin(), globs.end(),
                       [&](const Glob& glob) { return glob.Matches(name); });
  }

  // The last glob that matches decides; none matching leaves a file in only when no glob
  // asks for files by name.
  const FilterGlob* LastGlob(const std::string& path, const std::string& name) const {
    for (auto glob = Globs.rbegin(); glob != Globs.rend(); ++glob)
      if (glob->Pattern.Matches(glob->Pattern.HasSlash() ? path : name)) return &*glob;
    return nullptr;
  }

  // As ripgrep judges: a --glob that matches decides (one that includes outranks ignore
  // files, types and hidden names); then ignore files, whose re-including rule also takes a
  // hidden name; then types and hidden names.
  bool FileSelected(const std::string& path, const std::string& name, bool hidden) const {
    if (!SkipSuffix.empty() && EndsWith(name, SkipSuffix)) return false;
    const FilterGlob* glob = Globs.empty() ? nullptr : LastGlob(path, name);
    if (glob == nullptr ? HasIncludingGlob : glob->Excludes) return false;
    if (!Include.empty() && !AnyMatches(Include, name)) return false;
    if (AnyMatches(Exclude, name)) return false;
    if (glob != nullptr) return true;
    const IgnoreVerdict verdict = Ignores.Judge(path, false);
    if (verdict == IgnoreVerdict::Ignored) return false;
    if (TypesAsked && !AnyMatches(TypeGlobs, name)) return false;
    if (AnyMatches(NotTypeGlobs, name)) return false;
    return !hidden || verdict == IgnoreVerdict::Included;
  }

  bool DirectorySelected(const std::string& path, bool hidden) const {
    const std::size_t slash = path.rfind('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const FilterGlob* glob = LastGlob(path, name);
    if (glob != nullptr) return !glob->Excludes;
    const IgnoreVerdict verdict = Ignores.Judge(path, true);
    if (verdict == IgnoreVerdict::Ignored) return false;
    return !hidden || verdict == IgnoreVerdict::Included;
  }

  const WalkOptions& Options;
  const bool Masks;  // the roots are the pattern class's masks
  const std::function<bool(WalkedFile&&)>& Visit;
  const std::function<void(const WalkProblem&)>& Told;
  bool Stopped = false;  // Visit asked for no more
  std::vector<WalkProblem>& Problems;
  std::vector<FilterGlob> Globs;
  bool HasIncludingGlob = false;
  std::vector<Glob> Include;
  std::vector<Glob> Exclude;
  std::vector<Glob> ExcludeDirectories;
  std::vector<Glob> TypeGlobs;
  std::vector<Glob> NotTypeGlobs;
  bool TypesAsked = false;
  std::string SkipSuffix;
  IgnoreStack Ignores;
  std::vector<Platform::DirectoryIdentity> Ancestors;
};

}  // namespace

std::vector<WalkProblem> Walk(const WalkOptions& options,
                              const std::function<void(WalkedFile&& file)>& visit) {
  return WalkUntil(options, [&visit](WalkedFile&& file) {
    visit(std::move(file));
    return true;
  });
}

std::vector<WalkProblem> WalkUntil(const WalkOptions& options,
                                   const std::function<bool(WalkedFile&& file)>& visit) {
  return WalkTelling(options, visit, {});
}

std::vector<WalkProblem> WalkTelling(const WalkOptions& options,
                                     const std::function<bool(WalkedFile&& file)>& visit,
                                     const std::function<void(const WalkProblem&)>& told) {
  std::vector<WalkProblem> problems;
  Walker(options, visit, told, problems).Run();
  return problems;
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

}  // namespace grepcore
