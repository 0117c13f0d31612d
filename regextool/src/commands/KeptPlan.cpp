#include "KeptPlan.h"

#include <grepcore/Streams.h>

#include <cstdint>

#include "TextEscaping.h"

namespace RegexTool {
namespace {

constexpr std::string_view Heading = "regextool change plan 1";
const char* const HexDigits = "0123456789abcdef";

void AppendEscaped(std::string& out, std::string_view bytes) {
  for (const char c : bytes) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (byte == '\\') {
      out += "\\\\";
    } else if (byte < 0x20 || byte == 0x7f) {
      out += "\\x";
      out += HexDigits[byte >> 4];
      out += HexDigits[byte & 15];
    } else {
      out += c;
    }
  }
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool Unescape(std::string_view field, std::string& out) {
  out.clear();
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] != '\\') {
      out += field[i];
      continue;
    }
    if (i + 1 < field.size() && field[i + 1] == '\\') {
      out += '\\';
      ++i;
      continue;
    }
    if (i + 3 >= field.size() || field[i + 1] != 'x') return false;
    const int high = HexValue(field[i + 2]), low = HexValue(field[i + 3]);
    if (high < 0 || low < 0) return false;
    out += static_cast<char>(high * 16 + low);
    i += 3;
  }
  return true;
}

void AppendHex(std::string& out, std::uint64_t value) {
  for (int shift = 60; shift >= 0; shift -= 4) out += HexDigits[(value >> shift) & 15];
}

bool Number(std::string_view field, std::uint64_t& value, int base) {
  if (field.empty() || field.size() > (base == 16 ? 16u : 20u)) return false;
  value = 0;
  for (const char c : field) {
    const int digit = base == 16 ? HexValue(c) : (c >= '0' && c <= '9' ? c - '0' : -1);
    if (digit < 0) return false;
    const std::uint64_t next =
        value * static_cast<std::uint64_t>(base) + static_cast<unsigned>(digit);
    if (next / static_cast<std::uint64_t>(base) != value) return false;  // too large
    value = next;
  }
  return true;
}

std::vector<std::string_view> Fields(std::string_view line) {
  std::vector<std::string_view> fields;
  for (std::size_t at = 0;;) {
    const std::size_t tab = line.find('\t', at);
    fields.push_back(line.substr(at, tab == std::string_view::npos ? tab : tab - at));
    if (tab == std::string_view::npos) return fields;
    at = tab + 1;
  }
}

bool ReadFile(const std::vector<std::string_view>& fields, KeptFile& file) {
  if (fields.size() != 9 || !Unescape(fields[1], file.Path) || file.Path.empty()) return false;
  grepcore::RecordedFile& record = file.Record;
  std::uint64_t replacements = 0;
  if (!Number(fields[2], record.Device, 10) || !Number(fields[3], record.Inode, 10) ||
      !Number(fields[4], record.Size, 10) || !Number(fields[5], record.Fingerprint, 16) ||
      !Number(fields[6], replacements, 10) || !Number(fields[7], record.NewSize, 10) ||
      !Number(fields[8], record.NewFingerprint, 16) || replacements > 0xffffffffu)
    return false;
  file.Replacements = static_cast<unsigned>(replacements);
  return true;
}

// The option words of change that take a value in the next word.
bool TakesValue(const std::string& word) {
  for (const char* name :
       {"--syntax", "--option", "--match-option", "--glob", "--include", "--exclude", "-j",
        "--threads", "--save-ext", "--backup", "--color", "--colour", "--plan", "--apply"})
    if (word == name) return true;
  return false;
}

}  // namespace

std::string KeptPlanText(const KeptPlan& plan) {
  std::string text(Heading);
  text += '\n';
  for (const std::string& word : plan.Arguments) {
    text += "argument\t";
    AppendEscaped(text, word);
    text += '\n';
  }
  for (const KeptFile& file : plan.Files) {
    const grepcore::RecordedFile& record = file.Record;
    text += "file\t";
    AppendEscaped(text, file.Path);
    for (const std::uint64_t number : {record.Device, record.Inode, record.Size})
      text += '\t' + std::to_string(number);
    text += '\t';
    AppendHex(text, record.Fingerprint);
    text += '\t' + std::to_string(file.Replacements) + '\t' + std::to_string(record.NewSize) + '\t';
    AppendHex(text, record.NewFingerprint);
    text += '\n';
  }
  return text;
}

bool ReadKeptPlan(std::string_view text, KeptPlan& plan, std::string& reason) {
  plan = KeptPlan();
  std::size_t number = 0;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t end = text.find('\n', at);
    if (end == std::string_view::npos) {
      reason = "it ends in the middle of line " + std::to_string(number + 1);
      return false;
    }
    const std::string_view line = text.substr(at, end - at);
    at = end + 1;
    ++number;
    if (number == 1) {
      if (line != Heading) {
        reason = "it is no change plan (its first line is not \"" + std::string(Heading) + "\")";
        return false;
      }
      continue;
    }
    const std::vector<std::string_view> fields = Fields(line);
    bool read = false;
    if (fields[0] == "argument" && fields.size() == 2 && plan.Files.empty()) {
      plan.Arguments.emplace_back();
      read = Unescape(fields[1], plan.Arguments.back());
    } else if (fields[0] == "file") {
      plan.Files.emplace_back();
      read = ReadFile(fields, plan.Files.back());
    }
    if (!read) {
      reason = "line " + std::to_string(number) + " is no record of a change plan";
      return false;
    }
  }
  if (number == 0) {
    reason = "it is empty";
    return false;
  }
  return true;
}

std::vector<std::string> RecordedWords(const std::vector<std::string>& afterChange) {
  std::vector<std::string> kept;
  bool options = true;
  for (std::size_t i = 0; i < afterChange.size(); ++i) {
    const std::string& word = afterChange[i];
    if (options && word == "--") options = false;
    // The plan's file and how the planning machine ran are no part of the change.
    if (options && (word == "--plan" || word == "-j" || word == "--threads")) {
      ++i;
      continue;
    }
    if (options && (word == "--json" || word.compare(0, 7, "--plan=") == 0 ||
                    word.compare(0, 10, "--threads=") == 0 ||
                    (word.size() > 2 && word.compare(0, 2, "-j") == 0)))
      continue;
    kept.push_back(word);
    if (options && TakesValue(word) && i + 1 < afterChange.size()) kept.push_back(afterChange[++i]);
  }
  return kept;
}

bool WordsOfApply(const std::vector<std::string>& words, std::vector<std::string>& spliced,
                  KeptPlan& plan, std::string& reason) {
  // words: the program, `change`, then the apply's own options.
  std::string file;
  spliced.assign(words.begin(), words.begin() + 2);
  for (std::size_t i = 2; i < words.size(); ++i) {
    const std::string& word = words[i];
    const bool separate = word == "--apply" || word == "-j" || word == "--threads";
    if (separate && i + 1 == words.size()) {
      reason = word + " needs a value";
      return false;
    }
    if (word == "--apply" || word.compare(0, 8, "--apply=") == 0) {
      if (!file.empty()) {
        reason = "--apply names one plan";
        return false;
      }
      file = word == "--apply" ? words[++i] : word.substr(8);
      continue;
    }
    if (separate) {
      spliced.push_back(word);
      spliced.push_back(words[++i]);
    } else if (word == "--json" || (word.size() > 2 && word.compare(0, 2, "-j") == 0) ||
               word.compare(0, 10, "--threads=") == 0) {
      spliced.push_back(word);
    } else {
      reason =
          "the pattern, the format, the files and their options come from the plan; "
          "only -j and --json go with --apply (not " +
          ShownName(word) + ")";
      return false;
    }
  }
  if (file.empty()) {
    reason = "--apply names no plan";
    return false;
  }
  const grepcore::Result<std::string> text = grepcore::ReadWholeFile(file);
  if (!text) {
    reason = ShownName(file) + ": " + text.Error().Message;
    return false;
  }
  std::string why;
  if (!ReadKeptPlan(*text, plan, why)) {
    reason = ShownName(file) + ": " + why;
    return false;
  }
  spliced.push_back("--apply");
  spliced.push_back(file);
  spliced.insert(spliced.end(), plan.Arguments.begin(), plan.Arguments.end());
  return true;
}

}  // namespace RegexTool
