#include "PosixGroups.h"

#include <vector>

#include "MatchResultsImpl.h"
#include "PatternImpl.h"

namespace GrepEngine {

namespace rc = boost::regex_constants;

Groups::TextContext GroupTextContext(const char* base, const char* last, FlagBits flags) {
  auto has = [flags](rc::match_flag_type flag) { return (flags & Bits(flag)) != 0; };
  Groups::TextContext text;
  text.Base = base;
  text.Last = last;
  text.PrevAvail = has(rc::match_prev_avail);
  text.NotBol = has(rc::match_not_bol);
  text.NotEol = has(rc::match_not_eol);
  text.NotBow = has(rc::match_not_bow);
  text.NotEow = has(rc::match_not_eow);
  text.NotBob = has(rc::match_not_bob);
  text.NotEob = has(rc::match_not_eob);
  text.NotDotNewline = has(rc::match_not_dot_newline);
  text.NotDotNull = has(rc::match_not_dot_null);
  text.LineFeedLines = (flags & LineFeedLinesFlag) != 0;
  return text;
}

void SetGroups(boost::match_results<const char*>& results, const char* first,
               const Groups::GroupSpan* spans) {
  const char* last = results.suffix().second;
  for (std::size_t n = 1; n < results.size(); ++n) {
    const Groups::GroupSpan& span = spans[n - 1];
    if (span.First < 0) {  // unset, as Boost leaves an unmatched group: empty at the range's end
      results.set_first(last, n);
      results.set_second(last, n, false);
    } else {
      results.set_first(first + span.First, n);
      results.set_second(first + span.Last, n);
    }
  }
}

bool ApplyPosixGroups(const Pattern& pattern, const char* base, FlagBits flags,
                      boost::match_results<const char*>& results) {
  const Groups::Resolver* resolver = pattern.Internals().GroupResolver.get();
  if (resolver == nullptr || results.empty() || !results[0].matched) return false;
  if (results.size() != resolver->GroupCount() + 1u) return false;
  const char* first = results[0].first;
  std::vector<Groups::GroupSpan> spans;
  if (!resolver->Resolve(GroupTextContext(base, results.suffix().second, flags), first,
                         results[0].second, spans))
    return false;
  SetGroups(results, first, spans.data());
  return true;
}

}  // namespace GrepEngine
