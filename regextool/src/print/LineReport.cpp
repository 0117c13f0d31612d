#include "LineReport.h"

#include "TextEscaping.h"

namespace RegexTool {

grepcore::SearchOptions LineOutput::Search() const {
  grepcore::SearchOptions search;
  search.Invert = Invert;
  if (!Listing() && !OnlyMatching) {
    search.Before = Before;
    search.After = After;
    search.Breaks = ContextAsked;
  }
  search.MaxCount = MaxCount;
  search.Spans = NeedsSpans();
  return search;
}

void AppendNumber(std::string& out, std::uint64_t number) {
  char digits[20];
  char* at = digits + sizeof digits;
  do {
    *--at = static_cast<char>('0' + number % 10);
    number /= 10;
  } while (number != 0);
  out.append(at, static_cast<std::size_t>(digits + sizeof digits - at));
}

LineReport::LineReport(const LineOutput& options, std::string_view name, std::string& out)
    : Options(options), Name(name), Out(out), Colours(options.Colour) {}

bool LineReport::Matched(const grepcore::SearchLine& line) {
  if (Options.Quiet || Options.FilesWithoutMatch) return false;
  if (Options.FilesWithMatches) {
    NameAlone('\n');
    return false;
  }
  if (Options.Count) return true;
  if (Options.Json) {
    PrintJson(line);
    return true;
  }
  if (!Options.OnlyMatching) {
    Print(line, ':', Options.NeedsSpans());
    return true;
  }
  for (std::size_t i = 0; i < line.SpanCount; ++i) {
    const grepcore::Span& span = line.Spans[i];
    Prefix(line.Number, span.Start + 1, line.Offset + span.Start, ':');
    AppendMatch(line, span);
    Out += Options.LineEnd();
  }
  return true;
}

bool LineReport::Context(const grepcore::SearchLine& line, grepcore::ContextKind) {
  Print(line, '-', false);
  return true;
}

bool LineReport::ContextBreak() {
  Out += Colours.Separator;
  Out += "--";
  Out += Colours.Reset;
  Out += '\n';
  return true;
}

bool LineReport::BinaryMatched(std::uint64_t number) {
  if (Options.Count && !Options.FilesWithMatches && !Options.FilesWithoutMatch && !Options.Quiet)
    return true;  // every selected line counts
  if (Options.Quiet || Options.FilesWithoutMatch) return false;
  if (Options.FilesWithMatches) return Matched(grepcore::SearchLine{number, 0, {}, nullptr, 0});
  Withheld = true;
  return false;
}

void LineReport::Finish(std::uint64_t selected) {
  if (Options.Quiet) return;
  if (Options.FilesWithoutMatch && selected == 0) NameAlone('\n');
  if (!Options.Count || Options.FilesWithMatches || Options.FilesWithoutMatch) return;
  if (Options.Json) {
    Out += "{\"file\":";
    AppendJsonString(Out, Name);
    Out += ",\"count\":";
    AppendNumber(Out, selected);
    Out += "}\n";
    return;
  }
  if (Options.FileNames) NameAlone(':');
  AppendNumber(Out, selected);
  Out += '\n';
}

void LineReport::NameAlone(char separator) {
  Out += Colours.File + Shown() + Colours.Reset;
  if (Options.NullAfterName) {
    Out += '\0';
    return;
  }
  if (separator == '\n') {
    Out += '\n';
    return;
  }
  Out += Colours.Separator + separator + Colours.Reset;
}

const std::string& LineReport::Shown() {
  if (!ShownKnown) {
    ShownText = ShownName(Name);
    ShownKnown = true;
  }
  return ShownText;
}

void LineReport::AppendField(std::uint64_t value, char separator) {
  std::string& after = AfterField[separator == ':' ? 0 : 1];
  if (after.empty()) after = Colours.Reset + Colours.Separator + separator + Colours.Reset;
  if (!Colours.Line.empty()) Out += Colours.Line;
  AppendNumber(Out, value);
  Out += after;
}

void LineReport::Prefix(std::uint64_t number, std::uint64_t column, std::uint64_t offset,
                        char separator) {
  const int which = separator == ':' ? 0 : 1;
  if (Options.FileNames) {
    std::string& name = NamePrefix[which];
    if (name.empty()) {
      name = Colours.File + Shown() + Colours.Reset;
      if (Options.NullAfterName)
        name += '\0';
      else
        name += Colours.Separator + separator + Colours.Reset;
    }
    Out += name;
  }
  if (Options.LineNumbers) AppendField(number, separator);
  if (Options.Column && column != 0) AppendField(column, separator);
  if (Options.ByteOffset) AppendField(offset, separator);
}

void LineReport::AppendMatch(const grepcore::SearchLine& line, const grepcore::Span& span) {
  Out += Colours.Match;
  if (Options.Replace)
    Options.Replace->Append(Out, line.Text, span);
  else
    Out.append(line.Text.substr(span.Start, span.End - span.Start));
  Out += Colours.Reset;
}

void LineReport::Print(const grepcore::SearchLine& line, char separator, bool withSpans) {
  const std::uint64_t column = withSpans && line.SpanCount != 0 ? line.Spans[0].Start + 1 : 0;
  Prefix(line.Number, column, line.Offset, separator);
  if (!withSpans || (Colours.Match.empty() && !Options.Replace)) {
    Out.append(line.Text);
  } else {
    std::size_t at = 0;
    for (std::size_t i = 0; i < line.SpanCount; ++i) {
      const grepcore::Span& span = line.Spans[i];
      Out.append(line.Text.substr(at, span.Start - at));
      AppendMatch(line, span);
      at = span.End;
    }
    Out.append(line.Text.substr(at));
  }
  Out += Options.LineEnd();
}

void LineReport::PrintJson(const grepcore::SearchLine& line) {
  Out += "{\"file\":";
  AppendJsonString(Out, Name);
  Out += ",\"line\":";
  AppendNumber(Out, line.Number);
  Out += ",\"text\":";
  AppendJsonString(Out, line.Text);
  Out += ",\"matches\":[";
  for (std::size_t i = 0; i < line.SpanCount; ++i) {
    const grepcore::Span& span = line.Spans[i];
    if (i != 0) Out += ',';
    Out += "{\"text\":";
    AppendJsonString(Out, line.Text.substr(span.Start, span.End - span.Start));
    Out += ",\"start\":";
    AppendNumber(Out, span.Start);
    Out += ",\"end\":";
    AppendNumber(Out, span.End);
    Out += '}';
  }
  Out += "]}\n";
}

}  // namespace RegexTool
