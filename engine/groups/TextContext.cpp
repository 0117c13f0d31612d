#include "groups/TextContext.h"

namespace GrepEngine {
namespace Groups {

bool ContextTests::IsSeparator(char c) const {
  return c == '\n' || (!Context.LineFeedLines && (c == '\r' || c == '\f'));
}

bool ContextTests::InsideCrLf(const char* at) const {
  return !Context.LineFeedLines && at[-1] == '\r' && *at == '\n';
}

bool ContextTests::WordBoundary(const char* at) const {
  bool after = false;
  if (at != Context.Last) {
    after = IsWord(at);
  } else if (Context.NotEow) {
    return false;
  }
  if (!HasBefore(at)) return !Context.NotBow && after;
  return after != IsWord(at - 1);
}

bool ContextTests::Holds(Syntax::Assertion kind, const char* at) const {
  using Syntax::Assertion;
  switch (kind) {
    case Assertion::LineStart:
      if (!HasBefore(at)) return !Context.NotBol;
      // A line starts after a separator, but not between the CR and LF of a CR LF.
      if (at != Context.Last) return IsSeparator(at[-1]) && !InsideCrLf(at);
      return IsSeparator(at[-1]);
    case Assertion::LineEnd:
      if (at == Context.Last) return !Context.NotEol;
      if (!IsSeparator(*at)) return false;
      return !(HasBefore(at) && InsideCrLf(at));
    case Assertion::WordBoundary:
      return WordBoundary(at);
    case Assertion::NotWordBoundary:
      return !WordBoundary(at);
    case Assertion::WordStart:
      if (at == Context.Last || !IsWord(at)) return false;
      if (!HasBefore(at)) return !Context.NotBow;
      return !IsWord(at - 1);
    case Assertion::WordEnd:
      if (!HasBefore(at) || !IsWord(at - 1)) return false;
      if (at == Context.Last) return !Context.NotEow;
      return !IsWord(at);
    case Assertion::BufferStart:
      return at == Context.Base && !Context.NotBob;
    case Assertion::BufferEnd:
      return at == Context.Last && !Context.NotEob;
  }
  return false;
}

bool ContextTests::DotTakes(const char* at) const {
  if (Context.NotDotNewline && IsSeparator(*at)) return false;
  return !(Context.NotDotNull && *at == '\0');
}

}  // namespace Groups
}  // namespace GrepEngine
