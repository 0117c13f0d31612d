#pragma once
// The walk over a file mask, as the pattern class's file operations take it: the toolkit's
// walk (Walk.h) with its roots read as masks (WalkOptions::RootsAreMasks). It knows nothing
// about what is done with a file.
//
// Order: the matching files of a directory in byte order of their names, then (when
// recursing) its sub-directories in byte order, each walked the same way before the next.
// Regular files and links to regular files are named; links to directories are never entered,
// so a link loop cannot trap the walk. The toolkit's own working files are never named: the
// walk hands a directory's listing to Platform::TidyWorkingFiles before its files are visited,
// and a file whose in-place copy stays unfinished (its working file untrusted, in use, or
// failing to finish) is passed over, never named. A directory that cannot be opened or listed (or,
// deep in a tree, got back to) is passed over with what is left of it; when it is the mask's own
// directory the walk names no file.
//
// The walk goes from directory to directory by handles, holding only a couple open whatever
// the depth, so a tree deeper than the longest path the system takes is walked in full.

#include <functional>
#include <string>
#include <vector>

#include "FileMask.h"
#include "platform/Directory.h"
#include "platform/WorkingFiles.h"

namespace grepcore {

// One file the walk names.
struct MaskedFile {
  // The mask's directory part followed by the names below it; in a deep tree it may be
  // longer than the system takes for a path.
  const std::string& Path;
  // The file's directory, open, and its own name there: how to reach it at any depth.
  const Platform::Directory& Directory;
  const std::string& Name;
  // What the listing said it is: a file, or a link to one (only a link is to be followed).
  Platform::EntryKind Kind;
};

// Receives one named file; returns false to end the walk.
using FileVisitor = std::function<bool(const MaskedFile& file)>;

// How a walk tidies working files, and where it notes the files the mask names that it
// passes over because their in-place copy is unfinished (null: nowhere).
struct WalkTidying {
  Platform::TidyMode Mode = Platform::TidyMode::Finish;
  std::vector<std::string>* PassedOver = nullptr;
};

// Walks `mask`, tidying working files as `tidy` says; returns false when the visitor ended
// the walk.
bool WalkMask(const FileMask& mask, bool recurse, const WalkTidying& tidy,
              const FileVisitor& visit);
inline bool WalkMask(const FileMask& mask, bool recurse, const FileVisitor& visit) {
  return WalkMask(mask, recurse, WalkTidying(), visit);
}

}  // namespace grepcore
