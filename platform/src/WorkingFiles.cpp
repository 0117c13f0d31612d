#include "platform/WorkingFiles.h"

#include "FileCalls.h"
#include "platform/TemporaryFile.h"

namespace Platform {

using Detail::ErrorKeeper;

namespace {

bool EndsWith(const std::string& name, const char* marker, std::size_t length) {
  return name.size() > length && name.compare(name.size() - length, length, marker) == 0;
}

}  // namespace

WorkingFileKind KindOfWorkingFile(const std::string& ownName) {
  if (ownName.empty() || ownName[0] != '.') return WorkingFileKind::None;
  if (EndsWith(ownName, ".~rxtmp", 7)) return WorkingFileKind::Temporary;
  if (EndsWith(ownName, ".~rxcopy", 8)) return WorkingFileKind::InterruptedCopy;
  return WorkingFileKind::None;
}

void TidyWorkingFile(const std::string& directory, const std::string& ownName) {
  const ErrorKeeper keep;  // tidying is a walk's side job: it never disturbs its error code
  switch (KindOfWorkingFile(ownName)) {
    case WorkingFileKind::Temporary: RemoveAbandonedTemporary(directory, ownName); break;
    case WorkingFileKind::InterruptedCopy: FinishInPlaceCopy(directory, ownName); break;
    case WorkingFileKind::None: break;
  }
}

}  // namespace Platform
