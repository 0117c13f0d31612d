#pragma once
// Turns a pattern written under a toolkit option word into the engine's one canonical syntax.
//
// Boost offers most of the word's options only as flags of one syntax family (\+ \?, \|,
// intervals off, classes off only in its basic family; back-references off only in its extended
// one), so most combinations have no Boost flag set at all. Instead every pattern is tokenised
// under its word and written out again for Boost's POSIX-extended family (perl group with
// no_perl_ex, back-references on, backslash escapes inside brackets): characters that are
// ordinary under the word are escaped, backslashed operators become bare ones, and so on. That
// family keeps POSIX leftmost-longest matching and rejects Perl's (?...) groups and lazy or
// possessive repeats.
//
// Literals is not handled here: Boost's literal flag already means exactly that.

#include <string>

namespace GrepEngine {

// The canonical (Boost POSIX-extended) text for [first, last) read under `optionWord`.
// Malformed input is written out so that Boost reports the error (unclosed brackets and
// groups, bad intervals, trailing backslash, ...): the rewriter itself never fails.
std::string RewritePattern(const char* first, const char* last, unsigned optionWord);

}  // namespace GrepEngine
