#pragma once
// The syntax tree written out for the engine (Boost.Regex) in one canonical syntax: its Perl
// family with Perl's extensions off (boost::regbase::no_perl_ex), which keeps POSIX
// leftmost-longest matching. Every ordinary character that syntax gives a meaning is escaped,
// so the text says exactly what the tree says, whatever option word the pattern was read
// under. Case folding and the collation order of ranges are the engine's flags, not text (see
// SyntaxTranslation.h). The text of a valid tree always compiles.
//
// A UTF-8 tree lowered to bytes (Tree::Utf8) is written with Perl's extensions, which its
// groups that only group, its ASCII '.' and its word edges between characters need: it is
// compiled with them on, and the match flags keep POSIX leftmost-longest matching.

#include <string>

#include "syntax/SyntaxTree.h"

namespace GrepEngine {
namespace Syntax {

// The whole pattern of a valid tree.
std::string BoostText(const Tree& tree);
// One node and what lies below it, as a pattern of its own.
std::string BoostText(const Tree& tree, NodeId node);

// How the pattern is written for a text whose lines end at a LF only, to be compiled with Perl's
// extensions (look-arounds): ^ is the text's start or a place after a LF, $ the text's end or
// a place before a LF (the engine's own anchors, with CR and FF refused beside them), and '.'
// is written as Dot (when not empty), so that it can keep off a LF alone.
struct LineFeedForm {
  std::string Dot;
};

// How a UTF-8 tree's word edges, written as look-arounds, treat the text's ends, as the
// engine's own edges do under its match flags: with WordBefore (match_not_bow) no word starts
// at the text's start, with WordAfter (match_not_eow) none ends at its end.
struct WordEdgeForm {
  bool WordBefore = false;
  bool WordAfter = false;
};
// The whole pattern with its word edges so, and its lines as `lineFeed` says when given.
std::string BoostText(const Tree& tree, const LineFeedForm* lineFeed, const WordEdgeForm& words);

}  // namespace Syntax
}  // namespace GrepEngine
