#pragma once
// A brute-force POSIX matcher for short texts and small trees, to check the sub-expression
// resolver against: it lists every parse of the text by the tree and picks by the POSIX rules
// in their plainest form.
//
// A parse gives each subpattern (every node, each iteration of a repeat a node of its own) the
// length of text it matched, or -1 when it took no part. Positions are paths from the root,
// ordered parent first, then children (and iterations) left to right. The whole match is the
// leftmost-longest; among its parses the best is the one with the larger length at the first
// position where two differ. Iterations beyond a repeat's minimum are never empty, except a
// single one when the whole repeat is. Groups report their last iteration.
//
// Atoms: literal bytes, '.', bracket expressions of single bytes and byte ranges; assertions:
// ^ and $ at the text's ends only (texts have no newlines). Nothing else is asked of it.

#include <string>

#include "SyntaxTestSupport.h"
#include "syntax/SyntaxTree.h"

namespace SyntaxTest {

// The whole match and every group, as SyntaxTest::Search reports them (empty when no match),
// into `out`. False when the text has too many parses to list.
bool ReferenceSearch(const GrepEngine::Syntax::Tree& tree, const std::string& text, Spans& out);

}  // namespace SyntaxTest
