#pragma once
#include "engine/MatchResults.h"
#include "grepcore/Regularexpressionclass.h"

namespace RegexClass {

// The match vector of one engine match, as the events receive it.
REMatchInfo BuildMatchInfo(const GrepEngine::MatchResults& match);

}  // namespace RegexClass
