#pragma once
// The engine's pattern text as the toolkit wrote it before the syntax tree (see the .cpp).

#include <string>

namespace Legacy {

// The text for [first, last) under `optionWord`, for Boost's Perl family without Perl's
// extensions; the Literals option was given to Boost as its literal flag instead.
std::string PatternText(const char* first, const char* last, unsigned optionWord);

}  // namespace Legacy
