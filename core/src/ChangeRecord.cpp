// A kept plan applied later: each file of the new plan held to what the kept plan recorded.
#include <string>

#include "ChangeFiles.h"
#include "grepcore/Change.h"

namespace grepcore {

namespace {

// `recorded` null: the file is no file of the record.
RecordedState HoldToRecord(PlannedFile& file, const RecordedFile* record) {
  if (file.Action == PlannedAction::Gone) return RecordedState::Changed;
  const RecordedFile recorded = record ? *record : RecordedFile{};
  const bool read = file.Action != PlannedAction::Problem && file.Action != PlannedAction::SameFile;
  if (read && record && file.Device == recorded.Device && file.Inode == recorded.Inode &&
      file.Size == recorded.Size && file.Fingerprint == recorded.Fingerprint)
    return RecordedState::AsRecorded;
  // A rewrite gives the file a new inode (unless it has several links), so the content alone
  // tells that the recorded change is already in place.
  if (read && record && file.Size == recorded.NewSize &&
      file.Fingerprint == recorded.NewFingerprint) {
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

}  // namespace

std::vector<RecordedState> HoldToRecords(ChangePlan& plan, const RecordLookup& recorded) {
  std::vector<RecordedState> states;
  states.reserve(plan.Files.size());
  for (PlannedFile& file : plan.Files) {
    states.push_back(HoldToRecord(file, recorded(file)));
  }
  // A backup suffix the plan refused stays refused; only the saved copies are found again.
  if (plan.Options.BackupSuffix.find_first_of(std::string("/\0", 2)) == std::string::npos) {
    plan.Collisions.clear();
    FindCollisions(plan, true);
  }
  return states;
}

std::uint64_t ContentFingerprint(std::string_view content) { return Fingerprint(content); }

}  // namespace grepcore
