#include "LineReport.h"

#include "TextEscaping.h"

namespace RegexTool {

LineReport::LineReport(const LineOutput& options, std::string name, std::string& out)
    : Options(options),
      Name(std::move(name)),
      Shown(ShownName(Name)),
      Out(out),
      Colours(options.Colour) {}

bool LineReport::Line(std::uint64_t number, std::string_view text, bool matched,
                      const std::vector<Span>& spans) {
  if (matched == Options.Invert) {
    if (Options.Listing() || Options.OnlyMatching) return true;
    if (AfterLeft != 0) {
      --AfterLeft;
      Print(number, text, '-', nullptr);
    } else if (Options.Before != 0) {
      Held.emplace_back(number, std::string(text));
      if (Held.size() > Options.Before) Held.pop_front();
    }
    return true;
  }
  ++SelectedLines;
  if (Options.Quiet || Options.FilesWithoutMatch) return false;
  if (Options.FilesWithMatches) {
    Out += Colours.File + Shown + Colours.Reset + '\n';
    return false;
  }
  if (Options.Count) return true;
  if (Options.Json) {
    PrintJson(number, text, spans);
    return true;
  }
  for (const auto& held : Held) Print(held.first, held.second, '-', nullptr);
  Held.clear();
  AfterLeft = Options.After;
  if (!Options.OnlyMatching) {
    Print(number, text, ':', Options.NeedsSpans() ? &spans : nullptr);
    return true;
  }
  for (const Span& span : spans) {
    Prefix(number, ':');
    Out += Colours.Match;
    Out.append(text.substr(span.Start, span.End - span.Start));
    Out += Colours.Reset;
    Out += '\n';
  }
  return true;
}

void LineReport::Finish() {
  if (Options.Quiet) return;
  if (Options.FilesWithoutMatch && SelectedLines == 0)
    Out += Colours.File + Shown + Colours.Reset + '\n';
  if (!Options.Count || Options.FilesWithMatches || Options.FilesWithoutMatch) return;
  if (Options.Json) {
    Out += "{\"file\":" + JsonString(Name) + ",\"count\":" + std::to_string(SelectedLines) + "}\n";
    return;
  }
  if (Options.FileNames)
    Out += Colours.File + Shown + Colours.Reset + Colours.Separator + ':' + Colours.Reset;
  Out += std::to_string(SelectedLines);
  Out += '\n';
}

void LineReport::Prefix(std::uint64_t number, char separator) {
  if (Options.FileNames) {
    Out += Colours.File;
    Out += Shown;
    Out += Colours.Reset;
    Out += Colours.Separator;
    Out += separator;
    Out += Colours.Reset;
  }
  if (Options.LineNumbers) {
    Out += Colours.Line;
    Out += std::to_string(number);
    Out += Colours.Reset;
    Out += Colours.Separator;
    Out += separator;
    Out += Colours.Reset;
  }
}

void LineReport::Print(std::uint64_t number, std::string_view text, char separator,
                       const std::vector<Span>* spans) {
  if (Options.Context() && LastPrinted != 0 && number != LastPrinted + 1)
    Out += Colours.Separator + "--" + Colours.Reset + '\n';
  LastPrinted = number;
  Prefix(number, separator);
  if (spans == nullptr || Colours.Match.empty()) {
    Out.append(text);
  } else {
    std::size_t at = 0;
    for (const Span& span : *spans) {
      Out.append(text.substr(at, span.Start - at));
      Out += Colours.Match;
      Out.append(text.substr(span.Start, span.End - span.Start));
      Out += Colours.Reset;
      at = span.End;
    }
    Out.append(text.substr(at));
  }
  Out += '\n';
}

void LineReport::PrintJson(std::uint64_t number, std::string_view text,
                           const std::vector<Span>& spans) {
  Out += "{\"file\":" + JsonString(Name) + ",\"line\":" + std::to_string(number) +
         ",\"text\":" + JsonString(std::string(text)) + ",\"matches\":[";
  for (std::size_t i = 0; i < spans.size(); ++i) {
    if (i != 0) Out += ',';
    Out += "{\"text\":" +
           JsonString(std::string(text.substr(spans[i].Start, spans[i].End - spans[i].Start))) +
           ",\"start\":" + std::to_string(spans[i].Start) +
           ",\"end\":" + std::to_string(spans[i].End) + '}';
  }
  Out += "]}\n";
}

}  // namespace RegexTool
