#include "MatchPrinter.h"

#include "LineReport.h"
#include "TextEscaping.h"

namespace RegexTool {
namespace {

void ReadableRecord(std::string& out, std::string_view label, std::size_t number,
                    const MatchPart& part, std::uint64_t offset) {
  out += "  ";
  out.append(label);
  if (number != 0) AppendNumber(out, number);
  out += ": ";
  if (!part.Taken) {
    out += "(took no part)\n";
    return;
  }
  const std::uint64_t start = part.Position + offset;
  AppendReadable(out, part.Text);
  out += " at ";
  AppendNumber(out, start);
  out += "..";
  AppendNumber(out, start + part.Text.size());
  out += '\n';
}

void JsonRecord(std::string& out, const MatchPart& part, std::uint64_t offset) {
  if (!part.Taken) {
    out += "null";
    return;
  }
  out += "{\"text\":";
  AppendJsonString(out, part.Text);
  out += ",\"position\":";
  AppendNumber(out, part.Position + offset);
  out += ",\"length\":";
  AppendNumber(out, part.Text.size());
  out += '}';
}

}  // namespace

void PrintReadable(std::string& out, const StringMatch& match) {
  out += "match ";
  AppendNumber(out, match.Index);
  out += ": line ";
  AppendNumber(out, match.Line);
  out += ", line starts at ";
  AppendNumber(out, match.LineStart);
  out += '\n';
  if (match.PartCount == 0) return;
  ReadableRecord(out, "whole", 0, match.Parts[0], match.Offset);
  for (std::size_t i = 1; i < match.PartCount; ++i)
    ReadableRecord(out, "group ", i, match.Parts[i], match.Offset);
  if (match.Context) {
    ReadableRecord(out, "prefix", 0, match.Prefix, match.Offset);
    ReadableRecord(out, "suffix", 0, match.Suffix, match.Offset);
  }
}

void PrintJson(std::string& out, const StringMatch& match) {
  out += "{\"index\":";
  AppendNumber(out, match.Index);
  out += ",\"line\":";
  AppendNumber(out, match.Line);
  out += ",\"line_start\":";
  AppendNumber(out, match.LineStart);
  if (match.PartCount != 0) {
    out += ",\"match\":";
    JsonRecord(out, match.Parts[0], match.Offset);
    out += ",\"groups\":[";
    for (std::size_t i = 1; i < match.PartCount; ++i) {
      if (i != 1) out += ',';
      JsonRecord(out, match.Parts[i], match.Offset);
    }
    out += ']';
  }
  if (match.Context) {
    out += ",\"prefix\":";
    JsonRecord(out, match.Prefix, match.Offset);
    out += ",\"suffix\":";
    JsonRecord(out, match.Suffix, match.Offset);
  }
  out += "}\n";
}

}  // namespace RegexTool
