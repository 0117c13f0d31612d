#include "MatchPrinter.h"

#include "TextEscaping.h"

namespace RegexTool {
namespace {

using RegexClass::REMatch;
using RegexClass::REMatchInfo;

// The groups of a string match vector lie between the whole match and prefix and suffix.
std::size_t GroupCount(const REMatchInfo& info) { return info.size() >= 3 ? info.size() - 3 : 0; }

void ReadableRecord(std::ostream& out, const std::string& label, const REMatch& record) {
  out << "  " << label << ": ";
  if (record.Position < 0) {
    out << "(took no part)\n";
    return;
  }
  const std::int64_t end = record.Position + static_cast<std::int64_t>(record.MatchString.size());
  WriteReadable(out, record.MatchString);
  out << " at " << record.Position << ".." << end << '\n';
}

void JsonRecord(std::ostream& out, const REMatch& record) {
  if (record.Position < 0) {
    out << "null";
    return;
  }
  out << "{\"text\":";
  WriteJsonString(out, record.MatchString);
  out << ",\"position\":" << record.Position
      << ",\"length\":" << record.MatchString.size() << '}';
}

void JsonGroups(std::ostream& out, const REMatchInfo& info, std::size_t first, std::size_t count) {
  out << '[';
  for (std::size_t i = 0; i < count; ++i) {
    if (i != 0) out << ',';
    JsonRecord(out, info[first + i]);
  }
  out << ']';
}

}  // namespace

void PrintReadable(std::ostream& out, const StringMatch& match) {
  const REMatchInfo& info = *match.Matches;
  out << "match " << match.Index << ": line " << match.Line << ", line starts at "
      << match.LineStart << '\n';
  if (info.empty()) return;
  ReadableRecord(out, "whole", info[0]);
  const std::size_t groups = GroupCount(info);
  for (std::size_t i = 1; i <= groups; ++i)
    ReadableRecord(out, "group " + std::to_string(i), info[i]);
  if (info.size() >= 3) {
    ReadableRecord(out, "prefix", info[info.size() - 2]);
    ReadableRecord(out, "suffix", info[info.size() - 1]);
  }
}

void PrintJson(std::ostream& out, const StringMatch& match) {
  const REMatchInfo& info = *match.Matches;
  out << "{\"index\":" << match.Index << ",\"line\":" << match.Line
      << ",\"line_start\":" << match.LineStart;
  if (!info.empty()) {
    out << ",\"match\":";
    JsonRecord(out, info[0]);
    out << ",\"groups\":";
    JsonGroups(out, info, 1, GroupCount(info));
  }
  if (info.size() >= 3) {
    out << ",\"prefix\":";
    JsonRecord(out, info[info.size() - 2]);
    out << ",\"suffix\":";
    JsonRecord(out, info[info.size() - 1]);
  }
  out << "}\n";
}

}  // namespace RegexTool
