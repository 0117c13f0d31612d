// GrepFiles and FindFiles: the file search over FilesToMatch, its events fired through the
// thread's instance stack.
#include "Regularexpressiontlsstack.h"
#include "engine/FileSearch.h"

namespace RegexClass {

namespace {

// Compiles the search of one file operation; false when there is nothing to search with.
bool PrepareSearch(GrepEngine::FileSearch& search, const std::string& expression,
                   const std::string& mask, bool caseInsensitive) {
  if (expression.empty() || mask.empty()) return false;
  return search.SetExpression(expression.c_str(), caseInsensitive) == 0;
}

}  // namespace

unsigned int RegularExpression::GrepFiles() {
  GrepEngine::FileSearch search;
  if (!PrepareSearch(search, Expression, FilesToMatch, IsExpressionOption(CaseInsensitive)))
    return 0;
  ParseExpression();  // the object's own pattern stays in step with its options
  const unsigned flags = GetMatchFlags();
  const RegularExpressionTLSStack::Entry entry(TLSStack, this);
  if (!entry.Pushed()) return 0;
  return search.GrepFiles(&GrepFilesCallback, FilesToMatch.c_str(), DirectoryRecursion, flags);
}

unsigned int RegularExpression::FindFiles() {
  GrepEngine::FileSearch search;
  if (!PrepareSearch(search, Expression, FilesToMatch, IsExpressionOption(CaseInsensitive)))
    return 0;
  ParseExpression();
  const unsigned flags = GetMatchFlags();
  const RegularExpressionTLSStack::Entry entry(TLSStack, this);
  if (!entry.Pushed()) return 0;
  return search.FindFiles(&FindFilesCallback, FilesToMatch.c_str(), DirectoryRecursion, flags);
}

}  // namespace RegexClass
