#pragma once
// Opening a file that is to be read as a regular file. The open itself never waits: a FIFO or
// a device put where a file was expected would block an ordinary open forever (or act on a
// terminal), so the file is opened non-blocking, refused when it is not a regular file, and
// only then made blocking again.

#include <sys/stat.h>

namespace Platform {

// Opens `path` relative to the directory `directoryDescriptor` (AT_FDCWD: the current one)
// for reading and fills `status`. Returns the descriptor, or -1 with errno set (EINVAL for
// anything that is not a regular file).
// `extraFlags` may add O_NOFOLLOW.
int OpenRegularFile(int directoryDescriptor, const char* path, struct stat& status,
                    int extraFlags = 0);

}  // namespace Platform
