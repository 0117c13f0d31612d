#include "MatchPrinter.h"

#include "TextEscaping.h"

namespace RegexTool {
namespace {

using RegexClass::REMatch;
using RegexClass::REMatchInfo;

// The groups of a string match vector lie between the whole match and prefix and suffix.
std::size_t GroupCount(const REMatchInfo& info) { return info.size() >= 3 ? info.size() - 3 : 0; }

void ReadableRecord(std::ostream& out, const std::string& label, const REMatch& record,
                    std::uint64_t offset) {
  out << "  " << label << ": ";
  if (record.Position < 0) {
    out << "(took no part)\n";
    return;
  }
  const std::uint64_t start = static_cast<std::uint64_t>(record.Position) + offset;
  WriteReadable(out, record.MatchString);
  out << " at " << start << ".." << start + record.MatchString.size() << '\n';
}

void JsonRecord(std::ostream& out, const REMatch& record, std::uint64_t offset = 0) {
  if (record.Position < 0) {
    out << "null";
    return;
  }
  out << "{\"text\":";
  WriteJsonString(out, record.MatchString);
  out << ",\"position\":" << static_cast<std::uint64_t>(record.Position) + offset
      << ",\"length\":" << record.MatchString.size() << '}';
}

void JsonGroups(std::ostream& out, const REMatchInfo& info, std::size_t first, std::size_t count,
                std::uint64_t offset = 0) {
  out << '[';
  for (std::size_t i = 0; i < count; ++i) {
    if (i != 0) out << ',';
    JsonRecord(out, info[first + i], offset);
  }
  out << ']';
}

}  // namespace

void PrintReadable(std::ostream& out, const StringMatch& match) {
  const REMatchInfo& info = *match.Matches;
  out << "match " << match.Index << ": line " << match.Line << ", line starts at "
      << match.LineStart << '\n';
  if (info.empty()) return;
  ReadableRecord(out, "whole", info[0], match.Offset);
  const std::size_t groups = GroupCount(info);
  for (std::size_t i = 1; i <= groups; ++i)
    ReadableRecord(out, "group " + std::to_string(i), info[i], match.Offset);
  if (match.Context && info.size() >= 3) {
    ReadableRecord(out, "prefix", info[info.size() - 2], match.Offset);
    ReadableRecord(out, "suffix", info[info.size() - 1], match.Offset);
  }
}

void PrintJson(std::ostream& out, const StringMatch& match) {
  const REMatchInfo& info = *match.Matches;
  out << "{\"index\":" << match.Index << ",\"line\":" << match.Line
      << ",\"line_start\":" << match.LineStart;
  if (!info.empty()) {
    out << ",\"match\":";
    JsonRecord(out, info[0], match.Offset);
    out << ",\"groups\":";
    JsonGroups(out, info, 1, GroupCount(info), match.Offset);
  }
  if (match.Context && info.size() >= 3) {
    out << ",\"prefix\":";
    JsonRecord(out, info[info.size() - 2], match.Offset);
    out << ",\"suffix\":";
    JsonRecord(out, info[info.size() - 1], match.Offset);
  }
  out << "}\n";
}

void PrintJson(std::ostream& out, const FileMatch& match) {
  const REMatchInfo& info = *match.Matches;
  out << "{\"file\":" << JsonString(*match.File) << ",\"line\":" << match.Line;
  if (!info.empty()) {
    out << ",\"match\":";
    JsonRecord(out, info[0]);
    out << ",\"groups\":";
    JsonGroups(out, info, 1, info.size() - 1);
  }
  out << "}\n";
}

}  // namespace RegexTool
