#pragma once
// The settings both pattern objects keep, written once: the pattern text and its options, the
// match options, the locale, the texts, the owner-change switch and the compiled-on-demand
// state, with the rules for copying and comparing them. DirectoryRecursion and MergeCopy are
// not here: the component publishes them as public fields, so each object keeps its own.

#include <locale>
#include <string>

#include "common/CompileOnDemand.h"
#include "common/OptionSets.h"
#include "common/SharedText.h"

namespace Common {

struct ObjectSettings {
  OrdinalSet ExpressionOptions = DefaultExpressionOptions();
  OrdinalSet MatchOptions = DefaultMatchOptions();
  std::locale Locale;  // of the next compilation; the global one when the settings are made
  std::string Expression;
  SharedText StringToMatch;  // shared with the operations walking it
  std::string FilesToMatch;
  std::string FormatString;
  std::string SaveExtension;
  bool AllowOwnerChange = false;
  // The compilation of Expression under ExpressionOptions, made when first needed.
  bool ExpressionParsed = false;
  CompilationHandle CompiledExpression;

  ObjectSettings() = default;
  // A copy takes everything but the locale, which is the global one; the compiled pattern is
  // immutable, so sharing it keeps its state or its error exactly.
  ObjectSettings(const ObjectSettings& other) { *this = other; }
  // Assignment takes everything but the locale, which stays the target's own.
  ObjectSettings& operator=(const ObjectSettings& other);
  // Equal options, match options and texts; the locale, the owner-change switch and the
  // compilation do not count.
  bool operator==(const ObjectSettings& other) const;

  // The pattern text; setting it (even to the same text) forces a new compilation.
  void SetExpression(const std::string& expression);
  // The compile options; a new set forces a new compilation, the same set does nothing.
  void SetExpressionOptions(OrdinalSet options);
  bool HasExpressionOption(unsigned ordinal) const {
    return (ExpressionOptions & Bit(ordinal)) != 0;
  }
  bool HasMatchOption(unsigned ordinal) const { return (MatchOptions & Bit(ordinal)) != 0; }
  unsigned FlagWord() const { return ExpressionFlagWord(ExpressionOptions); }
  unsigned MatchWord() const { return MatchFlagWord(MatchOptions); }

  // Compiles unless compiled already: 0 when ready, else the engine's code (1: empty pattern).
  unsigned char Parse();
  // The compiled pattern; only after Parse() returned 0.
  const grepcore::Pattern& Pattern() const { return *ReadyPattern(CompiledExpression); }
  std::string ErrorText() const { return CompileErrorText(ExpressionParsed, CompiledExpression); }
  unsigned Subexpressions() const {
    return SubexpressionCount(ExpressionParsed, CompiledExpression);
  }
};

}  // namespace Common
