#include "engine/Pattern.h"

#include <new>
#include <optional>
#include <stdexcept>
#include <string>

#include "DfaBuilder.h"
#include "EngineBytes.h"
#include "LineEndSwap.h"
#include "LiteralSearch.h"
#include "PatternImpl.h"
#include "SyntaxTranslation.h"
#include "engine/OptionWords.h"
#include "syntax/BoostText.h"
#include "syntax/BracketResolution.h"
#include "syntax/ContextFacts.h"
#include "syntax/Parser.h"
#include "syntax/PrefilterFacts.h"
#include "syntax/Utf8Lowering.h"
#include "unicode/CharacterTables.h"
#include "unicode/Utf8.h"

namespace GrepEngine {

namespace {

namespace rc = boost::regex_constants;
using Syntax::Error;

// The tree's error codes are the engine's, so that its messages name them.
static_assert(static_cast<unsigned>(Error::Collate) == rc::error_collate);
static_assert(static_cast<unsigned>(Error::ClassName) == rc::error_ctype);
static_assert(static_cast<unsigned>(Error::Escape) == rc::error_escape);
static_assert(static_cast<unsigned>(Error::BackReference) == rc::error_backref);
static_assert(static_cast<unsigned>(Error::Bracket) == rc::error_brack);
static_assert(static_cast<unsigned>(Error::Paren) == rc::error_paren);
static_assert(static_cast<unsigned>(Error::Brace) == rc::error_brace);
static_assert(static_cast<unsigned>(Error::BadBrace) == rc::error_badbrace);
static_assert(static_cast<unsigned>(Error::Range) == rc::error_range);
static_assert(static_cast<unsigned>(Error::BadRepeat) == rc::error_badrepeat);
static_assert(static_cast<unsigned>(Error::TooLarge) == rc::error_size);

// Whether the pattern's top-level sequence starts with a one-byte atom (assertions before it
// aside), so that it may have a leading byte run worth asking the engine's bytes for.
bool StartsWithAnAtom(const Syntax::Tree& tree) {
  return !Syntax::LeadingByteRun(
              tree, [](Syntax::NodeId, Syntax::ByteSet&) { return true; }, 1)
              .empty();
}

// The byte sets every match starts with, when a scan for them can pass over most of a text:
// a first set of ordinary text's commonest bytes (lower-case letters, blanks) would stop the
// scan at nearly every byte, and the DFA does better there.
std::vector<std::bitset<256>> SelectiveLeadingRun(const Syntax::Tree& tree,
                                                  const Groups::AtomBytes& bytes) {
  constexpr std::size_t MostRun = 4;
  std::vector<std::bitset<256>> run = Syntax::LeadingByteRun(
      tree,
      [&bytes](Syntax::NodeId id, Syntax::ByteSet& set) {
        if (bytes.SetOfNode[id] == Groups::AtomBytes::NoSet) return false;
        set = bytes.Sets[bytes.SetOfNode[id]];
        return true;
      },
      MostRun);
  if (run.empty()) return run;
  for (const unsigned char common : {'e', 't', 'a', 'o', 'i', 'n', 's', ' ', '\t', '\n'})
    if (run.front().test(common)) return {};
  return run;
}

}  // namespace

Pattern::Pattern(Token, std::unique_ptr<Impl> body) : Body(std::move(body)) {}
Pattern::~Pattern() = default;

std::shared_ptr<const Pattern> Pattern::Compile(const char* first, const char* last,
                                                unsigned optionWord, const std::locale& locale) {
  const bool swapped = (optionWord & SyntaxBits::SwappedLineEnds) != 0;
  optionWord &= ~static_cast<unsigned>(SyntaxBits::SwappedLineEnds);
  auto body = std::make_unique<Impl>();
  body->GivenOptionWord = optionWord;
  body->GivenLocale = locale;
  // A UTF-8 pattern is lowered to a tree over bytes that carries its own meaning: the engines
  // run it in the C locale, with case mattering (its literals and sets hold their case
  // variants) and byte-ordered ranges.
  const bool utf8 = Unicode::IsUtf8Locale(locale);
  const std::locale engineLocale = utf8 ? std::locale::classic() : locale;
  body->Locale = engineLocale;
  body->Expression.imbue(engineLocale);
  try {
    body->Tree = Syntax::Parse(first, last, optionWord, utf8);
    Error error = body->Tree.Failure;
    if (error == Error::None && utf8) {
      const Unicode::CharacterTables tables(locale);
      error = Syntax::LowerUtf8(body->Tree, optionWord, tables);
      optionWord |= SyntaxBits::NoLocaleSpecificCollation;
      // A back-reference still compares case as the engine folds it (ASCII).
      if (!body->Tree.HasBackReferences)
        optionWord &= ~static_cast<unsigned>(SyntaxBits::CaseInsensitive);
    } else if (error == Error::None) {
      error = Syntax::ResolveBrackets(body->Tree, optionWord, locale);
    }
    body->OptionWord = optionWord;
    if (error == Error::None && swapped) SwapLineFeedAndNul(body->Tree, optionWord, engineLocale);
    if (error != Error::None) {
      body->ErrorCode = static_cast<unsigned>(error);
      if (body->Tree.Failed())
        body->ErrorOffset = static_cast<std::ptrdiff_t>(body->Tree.ErrorOffset);
      body->Tree = Syntax::Tree();
      body->Tree.Failure = error;
      return std::make_shared<const Pattern>(Token{}, std::move(body));
    }
    const std::string text = Syntax::BoostText(body->Tree);
    auto syntax = TranslateSyntax(optionWord);
    if (body->Tree.Utf8()) syntax &= ~boost::regbase::no_perl_ex;  // see syntax/BoostText.h
    body->Expression.assign(text.data(), text.data() + text.size(), syntax);
    body->ErrorCode = static_cast<unsigned>(body->Expression.status());
    if (body->ErrorCode == 0) {
      // Asked once a match: the engine's own count goes through its shared state.
      body->Marks = static_cast<unsigned>(body->Expression.mark_count()) + 1;
      for (const Syntax::Node& node : body->Tree.Nodes) {
        if (node.Kind == Syntax::NodeKind::AnyByte) body->AnyByte = true;
        if (node.Kind == Syntax::NodeKind::Assertion &&
            (node.Value == static_cast<std::uint32_t>(Syntax::Assertion::LineStart) ||
             node.Value == static_cast<std::uint32_t>(Syntax::Assertion::LineEnd)))
          body->LineAnchors = true;
      }
      body->Facts = PlanFactsOf(body->Tree, optionWord, engineLocale);
      body->EmptyMatchesSplitCharacters = body->Tree.Utf8() && Syntax::CanMatchEmpty(body->Tree);
      if (body->Facts.Literal)
        body->LiteralTable = std::make_shared<const LiteralSetTable>(
            std::vector<std::string>{Syntax::PlainLiteral(body->Tree, optionWord)});
      if (body->Facts.LiteralSet)
        body->LiteralTable =
            std::make_shared<const LiteralSetTable>(LiteralAlternatives(body->Tree, optionWord));
    }
    if (body->ErrorCode == 0 && !body->Tree.HasBackReferences) {
      const bool groups = body->Tree.GroupCount() > 0;
      std::vector<std::string> leading;
      if (!body->Facts.Literal && !body->Facts.LiteralSet)
        leading = Syntax::LeadingLiterals(body->Tree, optionWord, MostSetLiterals);
      std::optional<Groups::AtomBytes> bytes;
      if (groups || !leading.empty() || StartsWithAnAtom(body->Tree))
        bytes = EngineBytes(body->Tree, optionWord, engineLocale);
      if (bytes) {
        std::shared_ptr<const Groups::OnePass> onePass = Groups::OnePass::For(body->Tree, *bytes);
        std::vector<std::bitset<256>> run;
        if (onePass && leading.empty()) run = SelectiveLeadingRun(body->Tree, *bytes);
        if (groups) body->GroupResolver = Groups::Resolver::For(body->Tree, std::move(*bytes));
        if (body->GroupResolver) body->OnePassGroups = onePass;
        if (onePass && (!leading.empty() || !run.empty())) {
          body->OnePassFinder = std::move(onePass);
          body->LeadingLiterals = std::move(leading);
          if (!body->LeadingLiterals.empty())
            body->LeadingTable = std::make_shared<const LiteralSetTable>(body->LeadingLiterals);
          if (!run.empty()) body->LeadingRun = std::make_shared<const ByteRunTable>(run);
        }
      }
    }
  } catch (const std::bad_alloc&) {
    throw;
  } catch (const boost::regex_error& engineError) {
    // The text is valid, but the engine has limits of its own (nesting, size); whatever it
    // still throws becomes a value too.
    body->ErrorCode = static_cast<unsigned>(engineError.code());
  } catch (const std::exception&) {
    body->ErrorCode = static_cast<unsigned>(boost::regex_constants::error_unknown);
  }
  return std::make_shared<const Pattern>(Token{}, std::move(body));
}

const DfaProgram* Pattern::Impl::Dfa(unsigned matchWord) const {
  const bool notDotNewline = (matchWord & MatchBits::NotDotNewline) != 0;
  const unsigned variant = (notDotNewline ? 1u : 0u) |
                           ((matchWord & MatchBits::NotDotNullCharacter) ? 2u : 0u) |
                           (notDotNewline && (matchWord & MatchBits::LineFeedLines) ? 4u : 0u);
  LazyDfa& lazy = Dfas[variant];
  std::call_once(lazy.Once, [&] { lazy.Program = BuildDfa(Tree, OptionWord, Locale, matchWord); });
  return lazy.Program.get();
}

const Unicode::CodeSet* Pattern::Impl::Utf8WordCharacters() const {
  if (!Tree.Utf8()) return nullptr;
  std::call_once(WordOnce, [&] {
    Utf8Word = Tree.Utf8Word != nullptr ? Tree.Utf8Word
                                        : std::make_shared<const Unicode::CodeSet>(
                                              Unicode::CharacterTables(GivenLocale).Word());
  });
  return Utf8Word.get();
}

const Regex& Pattern::Impl::ExpressionFor(FlagBits flags) const {
  namespace rc = boost::regex_constants;
  // Which form of '.' lines that end at a LF only want: none (-1), or the anchors alone (0),
  // '.' off a LF (1), '.' off a LF and NUL (2).
  int lines = -1;
  const bool dotChanges = AnyByte && (flags & Bits(rc::match_not_dot_newline));
  if ((flags & LineFeedLinesFlag) && (LineAnchors || dotChanges)) {
    // A bracket is one byte whatever the match flags say of '.', so the form keeps NUL off
    // itself where the flags ask.
    const bool notNull = (flags & Bits(rc::match_not_dot_null)) != 0;
    lines = dotChanges ? (notNull ? 2 : 1) : 0;
  }
  Syntax::WordEdgeForm words;
  if (Tree.Utf8Word != nullptr) {
    // The engine reads the byte before the text when it is there, whatever match_not_bow says.
    words.WordBefore = (flags & Bits(rc::match_not_bow)) && !(flags & Bits(rc::match_prev_avail));
    words.WordAfter = (flags & Bits(rc::match_not_eow)) != 0;
  }
  const std::size_t wordVariant = (words.WordBefore ? 1u : 0u) | (words.WordAfter ? 2u : 0u);
  if (lines < 0 && wordVariant == 0) return Expression;
  LazyExpression& lazy = FlagExpressions[static_cast<std::size_t>(lines + 1) * 4 + wordVariant];
  std::call_once(lazy.Once, [&] {
    Syntax::LineFeedForm form;
    if (lines > 0) form.Dot = lines == 2 ? "[^\\n\\x00]" : "[^\\n]";
    const std::string text = Syntax::BoostText(Tree, lines >= 0 ? &form : nullptr, words);
    auto expression = std::make_unique<Regex>();
    expression->imbue(Locale);
    auto syntax = TranslateSyntax(OptionWord);
    if (lines >= 0 || Tree.Utf8()) syntax &= ~boost::regbase::no_perl_ex;
    try {
      expression->assign(text.data(), text.data() + text.size(), syntax);
    } catch (const boost::regex_error&) {
      return;  // the engine's own limits: Expression stands in
    }
    if (expression->status() == 0 && expression->mark_count() == Expression.mark_count())
      lazy.Expression = std::move(expression);
  });
  return lazy.Expression != nullptr ? *lazy.Expression : Expression;
}

unsigned Pattern::ErrorCode() const { return Body->ErrorCode; }

std::string Pattern::ErrorText() const {
  if (!Failed()) return std::string();
  return ErrorTextOf(Body->ErrorCode, Body->GivenLocale);
}

std::ptrdiff_t Pattern::ErrorOffset() const { return Body->ErrorOffset; }

unsigned Pattern::MarkCount() const { return Body->ErrorCode != 0 ? 0 : Body->Marks; }

unsigned Pattern::OptionWord() const { return Body->GivenOptionWord; }

std::locale Pattern::Locale() const { return Body->GivenLocale; }

std::string ErrorTextOf(unsigned errorCode, const std::locale& locale) {
  boost::cpp_regex_traits<char> traits;
  traits.imbue(locale);
  return traits.error_string(static_cast<boost::regex_constants::error_type>(errorCode));
}

}  // namespace GrepEngine
