#include "groups/TextContext.h"

#include "unicode/Utf8.h"
#include "unicode/WordCharacters.h"

namespace GrepEngine {
namespace Groups {

bool ContextTests::WordAt(const char* at) const {
  if (Utf8Word == nullptr) return Word[static_cast<unsigned char>(*at)];
  return Unicode::WordCharacterAt(*Utf8Word, at, Context.Last);
}

bool ContextTests::WordBefore(const char* at) const {
  if (Utf8Word == nullptr) return Word[static_cast<unsigned char>(at[-1])];
  // Nothing before the engine's backstop is looked at, but the one byte it may make readable.
  const char* floor = Context.PrevAvail ? Context.Base - 1 : Context.Base;
  return Unicode::WordCharacterBefore(*Utf8Word, floor, at);
}

bool ContextTests::IsSeparator(char c) const {
  return c == '\n' || (!Context.LineFeedLines && (c == '\r' || c == '\f'));
}

bool ContextTests::InsideCrLf(const char* at) const {
  return !Context.LineFeedLines && at[-1] == '\r' && *at == '\n';
}

bool ContextTests::WordBoundary(const char* at) const {
  bool after = false;
  if (at != Context.Last) {
    after = WordAt(at);
  } else if (Context.NotEow) {
    return false;
  }
  if (!HasBefore(at)) return !Context.NotBow && after;
  return after != WordBefore(at);
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
      if (at == Context.Last || !WordAt(at)) return false;
      if (!HasBefore(at)) return !Context.NotBow;
      return !WordBefore(at);
    case Assertion::WordEnd:
      if (!HasBefore(at) || !WordBefore(at)) return false;
      if (at == Context.Last) return !Context.NotEow;
      return !WordAt(at);
    case Assertion::BufferStart:
      return at == Context.Base && !Context.NotBob;
    case Assertion::BufferEnd:
      return at == Context.Last && !Context.NotEob;
    case Assertion::StrayByte:
      return Unicode::StrayByteAt(Context.PrevAvail ? Context.Base - 1 : Context.Base, at,
                                  Context.Last);
  }
  return false;
}

bool ContextTests::DotTakes(const char* at) const {
  if (Context.NotDotNewline && IsSeparator(*at)) return false;
  return !(Context.NotDotNull && *at == '\0');
}

}  // namespace Groups
}  // namespace GrepEngine
