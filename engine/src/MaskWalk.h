#pragma once
// The walk over a file mask: which files it names and in what order. It knows nothing about
// what is done with a file.
//
// Order: the matching files of a directory in byte order of their names, then (when
// recursing) its sub-directories in byte order, each walked the same way before the next.
// Regular files and links to regular files are named; links to directories are never entered,
// so a link loop cannot trap the walk. A directory that cannot be listed is passed over; when
// it is the mask's own directory the walk names no file.

#include <functional>
#include <string>

#include "FileMask.h"

namespace GrepEngine {

// Receives the path of one named file (the mask's directory part followed by the names below
// it); returns false to end the walk.
using FileVisitor = std::function<bool(const std::string& path)>;

// Walks `mask`; returns false when the visitor ended the walk.
bool WalkMask(const FileMask& mask, bool recurse, const FileVisitor& visit);

}  // namespace GrepEngine
