// A kept plan applied later: each file of the new plan held to what the kept plan recorded.
#include "ChangeFiles.h"
#include "grepcore/Change.h"

namespace grepcore {

RecordedState HoldToRecord(PlannedFile& file, const RecordedFile& recorded) {
  if (file.Action == PlannedAction::Gone) return RecordedState::Changed;
  const bool read = file.Action != PlannedAction::Problem && file.Action != PlannedAction::SameFile;
  if (read && file.Device == recorded.Device && file.Inode == recorded.Inode &&
      file.Size == recorded.Size && file.Fingerprint == recorded.Fingerprint)
    return RecordedState::AsRecorded;
  // A rewrite gives the file a new inode (unless it has several links), so the content alone
  // tells that the recorded change is already in place.
  if (read && file.Size == recorded.NewSize && file.Fingerprint == recorded.NewFingerprint) {
    file.Action = PlannedAction::NothingToDo;
    file.Replacements.clear();
    file.Kept = false;
    return RecordedState::AlreadyWritten;
  }
  if (file.Action == PlannedAction::Problem) return RecordedState::Changed;
  file.Action = PlannedAction::Problem;
  file.Replacements.clear();
  file.Kept = false;
  file.Problems.push_back(
      Problem(file, ChangeProblemKind::ChangedSincePlanned,
              "the file changed since the plan was made; it was left as it is"));
  return RecordedState::Changed;
}

std::uint64_t ContentFingerprint(std::string_view content) { return Fingerprint(content); }

}  // namespace grepcore
