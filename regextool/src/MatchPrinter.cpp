#include "MatchPrinter.h"

#include "TextEscaping.h"

namespace RegexTool {
namespace {

using RegexClass::REMatch;
using RegexClass::REMatchInfo;

// The groups of a string match vector lie between the whole match and prefix and suffix.
template <class Info>
std::size_t GroupCount(const Info& info) {
  return info.size() >= 3 ? info.size() - 3 : 0;
}

template <class Record>
void ReadableRecord(std::ostream& out, const std::string& label, const Record& record,
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

template <class Record>
void JsonRecord(std::ostream& out, const Record& record, std::uint64_t offset = 0) {
  if (record.Position < 0) {
    out << "null";
    return;
  }
  out << "{\"text\":";
  WriteJsonString(out, record.MatchString);
  out << ",\"position\":" << static_cast<std::uint64_t>(record.Position) + offset
      << ",\"length\":" << record.MatchString.size() << '}';
}

template <class Info>
void JsonGroups(std::ostream& out, const Info& info, std::size_t first, std::size_t count,
                std::uint64_t offset = 0) {
  out << '[';
  for (std::size_t i = 0; i < count; ++i) {
    if (i != 0) out << ',';
    JsonRecord(out, info[first + i], offset);
  }
  out << ']';
}

template <class Info>
void Readable(std::ostream& out, const StringMatch& match, const Info& info) {
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

template <class Info>
void Json(std::ostream& out, const StringMatch& match, const Info& info) {
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

}  // namespace

void PrintReadable(std::ostream& out, const StringMatch& match) {
  if (match.Views != nullptr)
    Readable(out, match, *match.Views);
  else
    Readable(out, match, *match.Matches);
}

void PrintJson(std::ostream& out, const StringMatch& match) {
  if (match.Views != nullptr)
    Json(out, match, *match.Views);
  else
    Json(out, match, *match.Matches);
}

}  // namespace RegexTool
