#pragma once
#include "engine/MatchResults.h"
#include "grepcore/Regularexpressionclass.h"

namespace RegexClass {

// The match vector of one engine match, as the events receive it.
REMatchInfo BuildMatchInfo(const GrepEngine::MatchResults& match);

// The same, written over `info`: a grep or merge reuses one vector for all its matches, so the
// records' buffers (the suffix above all, which shrinks from match to match) are not
// allocated again for every match.
void FillMatchInfo(const GrepEngine::MatchResults& match, REMatchInfo& info);

}  // namespace RegexClass
