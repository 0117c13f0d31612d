#include "MaskWalk.h"

#include <utility>

#include "DirectoryHandle.h"
#include "WalkTelling.h"

namespace grepcore {

bool WalkMask(const FileMask& mask, bool recurse, const WalkTidying& tidy,
              const FileVisitor& visit) {
  WalkOptions options;
  options.Roots.push_back(mask.PathPrefix() + mask.NamePattern());
  options.RootsAreMasks = true;
  options.MaskRecursion = recurse;
  options.ChangeNothing = tidy.Mode == Platform::TidyMode::LookOnly;
  bool ended = false;
  WalkTelling(
      options,
      [&](WalkedFile&& file) {
        const Platform::EntryKind kind =
            file.Linked ? Platform::EntryKind::LinkToFile : Platform::EntryKind::File;
        ended = !visit(MaskedFile{file.Path, *file.Directory->Open, file.Name, kind});
        return !ended;
      },
      [&](const WalkProblem& problem) {
        if (problem.Kind == WalkProblemKind::Unfinished && tidy.PassedOver != nullptr)
          tidy.PassedOver->push_back(problem.Path);
      });
  return !ended;
}

}  // namespace grepcore
