// Pattern compilation and matching under random option words and match flags: no crash, no
// leak, and no exception but running out of memory. And the syntax tree's promises:
// - a pattern's error is the tree's (or the locale check's), never one the engine found in the
//   text written for it, unless the engine hit a limit of its own;
// - the tree's group count is the engine's;
// - what the prefilter facts say of the matches holds for every match the engine finds;
// - a pattern that compiled before the syntax tree still compiles, and matches as it did,
//   except where reading strictly as POSIX does was the point (see Legacy below).
#include <new>
#include <string>

#include "FuzzInput.h"
#include "LegacyPatternText.h"
#include "MatchFlagTranslation.h"
#include "PatternImpl.h"
#include "Prefilter.h"
#include "SyntaxTranslation.h"
#include "engine/Matching.h"
#include "engine/OptionWords.h"
#include "engine/Pattern.h"
#include "syntax/BoostText.h"
#include "syntax/BracketResolution.h"
#include "syntax/Parser.h"
#include "syntax/Printer.h"

namespace {

bool EngineLimit(unsigned code) {
  namespace rc = boost::regex_constants;
  return code == rc::error_complexity || code == rc::error_stack || code == rc::error_space ||
         code == rc::error_size;
}

// The facts of the prefilter, each checked against one match.
struct Facts {
  explicit Facts(const GrepEngine::Pattern& pattern)
      : Plain(GrepEngine::PlainLiteral(pattern)),
        Required(GrepEngine::RequiredLiterals(pattern)),
        Run(GrepEngine::RequiredByteRun(pattern)),
        OneLine(GrepEngine::StaysOnOneLine(pattern)) {}

  void Check(const std::string& found) const {
    if (!Plain.empty() && found != Plain) __builtin_trap();
    if (OneLine && found.find('\n') != std::string::npos) __builtin_trap();
    if (!Required.empty()) {
      bool holds = false;
      for (const std::string& literal : Required)
        holds = holds || found.find(literal) != std::string::npos;
      if (!holds) __builtin_trap();
    }
    if (!Run.empty()) {
      bool holds = false;
      for (std::size_t at = 0; !holds && at + Run.size() <= found.size(); ++at) {
        std::size_t i = 0;
        while (i < Run.size() && Run[i].test(static_cast<unsigned char>(found[at + i]))) ++i;
        holds = i == Run.size();
      }
      if (!holds) __builtin_trap();
    }
  }

  std::string Plain;
  std::vector<std::string> Required;
  std::vector<GrepEngine::ByteSet> Run;
  bool OneLine;
};

void CheckTree(const std::string& pattern, unsigned optionWord,
               const GrepEngine::Pattern& compiled) {
  namespace Syntax = GrepEngine::Syntax;
  Syntax::Tree tree = Syntax::Parse(pattern.data(), pattern.data() + pattern.size(), optionWord);
  Syntax::Error error = tree.Failure;
  if (error == Syntax::Error::None)
    error = Syntax::ResolveBrackets(tree, optionWord, std::locale::classic());
  if (error != Syntax::Error::None) {
    if (compiled.ErrorCode() != static_cast<unsigned>(error)) __builtin_trap();
    return;
  }
  if (Syntax::Print(tree).empty() ||
      (tree.Root != Syntax::NoNode && Syntax::BoostText(tree).size() > 4 * pattern.size() + 8))
    __builtin_trap();
  if (compiled.Failed()) {
    if (!EngineLimit(compiled.ErrorCode())) __builtin_trap();
    return;
  }
  if (compiled.MarkCount() != tree.GroupCount() + 1) __builtin_trap();
}

// The engine's expression as the toolkit compiled it before the syntax tree.
GrepEngine::Regex LegacyExpression(const std::string& pattern, unsigned optionWord) {
  namespace rc = boost::regex_constants;
  GrepEngine::Regex expression;
  expression.imbue(std::locale::classic());
  rc::syntax_option_type flags = rc::no_except;
  if (optionWord & GrepEngine::SyntaxBits::CaseInsensitive) flags |= rc::icase;
  if (!(optionWord & GrepEngine::SyntaxBits::NoLocaleSpecificCollation)) flags |= rc::collate;
  if (optionWord & GrepEngine::SyntaxBits::Literals) {
    expression.assign(pattern.data(), pattern.data() + pattern.size(), flags | rc::literal);
  } else {
    const std::string text =
        Legacy::PatternText(pattern.data(), pattern.data() + pattern.size(), optionWord);
    expression.assign(text.data(), text.data() + text.size(), flags | boost::regbase::no_perl_ex);
  }
  return expression;
}

// The errors reading strictly brought to patterns the engine used to take: escapes the language
// does not have, a back-reference inside its own group, intervals that are not closed or not
// valid or have nothing to repeat (the engine read such a brace as text), a [: [= or [. left
// open inside brackets or standing for a range's end (the engine read some of those [ as
// text), class names that are no classes, and multi-character collating elements in the C
// locale.
bool MadeStrict(unsigned code, const std::string& pattern) {
  using GrepEngine::Syntax::Error;
  if (code == static_cast<unsigned>(Error::BadRepeat))
    return pattern.find('{') != std::string::npos;
  for (Error error : {Error::Escape, Error::BackReference, Error::Brace, Error::BadBrace,
                      Error::Bracket, Error::Range, Error::ClassName, Error::Collate})
    if (code == static_cast<unsigned>(error)) return true;
  return false;
}

// Whether the two expressions find the same first match, groups included, in `text`.
bool SameFirstMatch(const GrepEngine::Regex& before, const GrepEngine::Regex& now,
                    const std::string& text, unsigned matchWord) {
  const auto flags = GrepEngine::AsMatchFlags(GrepEngine::TranslateMatchFlags(matchWord));
  boost::match_results<std::string::const_iterator> a, b;
  bool foundBefore = false, foundNow = false;
  try {
    foundBefore = boost::regex_search(text.begin(), text.end(), a, before, flags);
    foundNow = boost::regex_search(text.begin(), text.end(), b, now, flags);
  } catch (const std::runtime_error&) {
    return true;  // the engine gave up on one of them: nothing to compare
  }
  if (foundBefore != foundNow) return false;
  if (!foundNow) return true;
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i].matched != b[i].matched) return false;
    if (a[i].matched && (a[i].first != b[i].first || a[i].second != b[i].second)) return false;
  }
  return true;
}

void CheckAgainstLegacy(const std::string& pattern, unsigned optionWord,
                        const GrepEngine::Pattern& compiled, const std::string& text,
                        unsigned matchWord) {
  const GrepEngine::Regex before = LegacyExpression(pattern, optionWord);
  if (before.status() != 0) return;  // failed before: anything goes
  if (compiled.Failed()) {
    if (!MadeStrict(compiled.ErrorCode(), pattern) && !EngineLimit(compiled.ErrorCode()))
      __builtin_trap();
    return;
  }
  // An escaped 0 was an octal code and is a digit now; in the C locale an equivalence class
  // holds its one character, where the engine took in the other case too.
  if (pattern.find("\\0") != std::string::npos || pattern.find("[=") != std::string::npos) return;
  if (!SameFirstMatch(before, compiled.Internals().Expression, text, matchWord)) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Fuzz::Input input(data, size);
  const unsigned optionWord = input.Take<std::uint16_t>() & 0x73FFu;
  const unsigned matchWord = input.Take<std::uint16_t>() & 0x1CFFu;
  const std::string pattern = input.Piece();
  const std::string text = input.Piece();
  try {
    auto compiled = GrepEngine::Pattern::Compile(pattern.data(), pattern.data() + pattern.size(),
                                                 optionWord, std::locale::classic());
    if (compiled->Failed() && compiled->ErrorText().empty()) __builtin_trap();
    CheckTree(pattern, optionWord, *compiled);
    CheckAgainstLegacy(pattern, optionWord, *compiled, text, matchWord);
    GrepEngine::MatchResults results;
    GrepEngine::SearchIn(*compiled, text.data(), text.data() + text.size(), matchWord, results);
    GrepEngine::MatchAt(*compiled, text.data(), text.data() + text.size(), matchWord, results);
    const Facts facts(*compiled);
    unsigned seen = 0;
    const auto outcome = GrepEngine::GrepIn(*compiled, text.data(), text.data() + text.size(),
                                            matchWord, [&](const GrepEngine::MatchResults& m) {
                                              if (m.Sub(0).Last > text.data() + text.size())
                                                __builtin_trap();
                                              facts.Check(m.Sub(0).Text());
                                              return ++seen < 1000;
                                            });
    if (outcome.Count != seen) __builtin_trap();
  } catch (const std::bad_alloc&) {
  }
  return 0;
}
