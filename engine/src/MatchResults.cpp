#include "MatchResultsImpl.h"

namespace GrepEngine {

MatchResults::MatchResults() : Body(std::make_unique<Impl>()) {}
MatchResults::~MatchResults() = default;

}  // namespace GrepEngine
