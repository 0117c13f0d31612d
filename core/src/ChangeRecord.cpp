// A kept plan applied later: each file of the new plan held to what the kept plan recorded.
#include <string>
#include <utility>

#include "ChangeFiles.h"
#include "grepcore/Change.h"

namespace grepcore {

namespace {

RecordedState LeftAsChanged(PlannedFile& file, std::string message) {
  file.Action = PlannedAction::Problem;
  file.Replacements.clear();
  file.Kept = false;
  file.Problems.push_back(
      Problem(file, ChangeProblemKind::ChangedSincePlanned, std::move(message)));
  return RecordedState::Changed;
}

// `recorded` null: the file is no file of the record. `newKnown`: the new plan fingerprinted
// each new content.
RecordedState HoldToRecord(PlannedFile& file, const RecordedFile* record, bool newKnown) {
  if (file.Action == PlannedAction::Gone) return RecordedState::Changed;
  const RecordedFile recorded = record ? *record : RecordedFile{};
  const bool read = file.Action != PlannedAction::Problem && file.Action != PlannedAction::SameFile;
  if (read && record && file.Device == recorded.Device && file.Inode == recorded.Inode &&
      file.Size == recorded.Size && file.Fingerprint == recorded.Fingerprint) {
    // The same bytes must give the recorded new content: planned again under other settings
    // (another locale reads the pattern otherwise) the change is not the one that was kept.
    if (newKnown && file.Action == PlannedAction::Write &&
        (file.NewSize() != recorded.NewSize || file.NewFingerprint != recorded.NewFingerprint))
      return LeftAsChanged(file,
                           "the change planned now is not the one the plan kept; the file "
                           "was left as it is");
    return RecordedState::AsRecorded;
  }
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
  return LeftAsChanged(file, "the file changed since the plan was made; it was left as it is");
}

}  // namespace

std::vector<RecordedState> HoldToRecords(ChangePlan& plan, const RecordLookup& recorded) {
  std::vector<RecordedState> states;
  states.reserve(plan.Files.size());
  for (PlannedFile& file : plan.Files) {
    states.push_back(HoldToRecord(file, recorded(file), plan.Options.FingerprintNew));
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
