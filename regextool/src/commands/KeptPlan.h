#pragma once
// A change plan kept in a file, to be reviewed and applied later (change --plan FILE, then
// change --apply FILE): the words of the change command that made it, and for each file to
// write its path, what the plan read of it and what it is to hold afterwards.
//
// The file is text, one record a line, fields apart by tabs:
//
//   regextool change plan 1
//   argument   WORD                                  (each word after `change`, in order)
//   file       PATH DEVICE INODE SIZE FINGERPRINT REPLACEMENTS NEW-SIZE NEW-FINGERPRINT
//
// Numbers are decimal, fingerprints 16 hexadecimal digits. In WORD and PATH a backslash is
// written \\ and every control byte (and DEL) \xHH; other bytes, UTF-8 or not, stand as they
// are, so any name survives the round trip and a line is a record.

#include <grepcore/Change.h>

#include <string>
#include <string_view>
#include <vector>

namespace RegexTool {

struct KeptFile {
  std::string Path;  // as the walk named it
  grepcore::RecordedFile Record;
  unsigned Replacements = 0;
};

struct KeptPlan {
  std::vector<std::string> Arguments;  // the change command's words after `change`
  std::vector<KeptFile> Files;
};

std::string KeptPlanText(const KeptPlan& plan);

// Reads a kept plan's text; false, with the reason and line, when it is not one.
bool ReadKeptPlan(std::string_view text, KeptPlan& plan, std::string& reason);

// The words `change --plan FILE ...` records: every word after `change` but --plan and its
// file, -j and --json, which say how one run goes, not what it changes (the words after a
// `--` are all kept).
std::vector<std::string> RecordedWords(const std::vector<std::string>& afterChange);

// The command line of an apply: `regextool change --apply FILE [-j N] [--json]` becomes the
// given words followed by the plan's own. False, with the reason, when the words give more
// than those options or the plan cannot be read; `plan` then holds the plan read.
bool WordsOfApply(const std::vector<std::string>& words, std::vector<std::string>& spliced,
                  KeptPlan& plan, std::string& reason);

}  // namespace RegexTool
