#include "Glob.h"

#include <cstddef>

namespace grepcore {
namespace {

// The index of the '}' closing the '{' at `open`, or npos when it is not closed.
std::size_t ClosingBrace(std::string_view pattern, std::size_t open) {
  int depth = 0;
  for (std::size_t i = open; i < pattern.size(); ++i) {
    if (pattern[i] == '\\') {
      ++i;
    } else if (pattern[i] == '{') {
      ++depth;
    } else if (pattern[i] == '}' && --depth == 0) {
      return i;
    }
  }
  return std::string_view::npos;
}

// Splits the inside of a brace pair at its top-level commas.
std::vector<std::string_view> SplitAlternatives(std::string_view inside) {
  std::vector<std::string_view> parts;
  int depth = 0;
  std::size_t start = 0;
  for (std::size_t i = 0; i < inside.size(); ++i) {
    if (inside[i] == '\\') {
      ++i;
    } else if (inside[i] == '{') {
      ++depth;
    } else if (inside[i] == '}') {
      --depth;
    } else if (inside[i] == ',' && depth == 0) {
      parts.push_back(inside.substr(start, i - start));
      start = i + 1;
    }
  }
  parts.push_back(inside.substr(start));
  return parts;
}

void Expand(std::string_view pattern, std::vector<std::string>& into) {
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == '\\') {
      ++i;
      continue;
    }
    if (pattern[i] != '{') continue;
    const std::size_t close = ClosingBrace(pattern, i);
    if (close == std::string_view::npos) break;  // an unclosed brace is an ordinary character
    const std::string_view head = pattern.substr(0, i);
    const std::string_view tail = pattern.substr(close + 1);
    for (std::string_view part : SplitAlternatives(pattern.substr(i + 1, close - i - 1))) {
      std::string joined(head);
      joined.append(part);
      joined.append(tail);
      Expand(joined, into);
    }
    return;
  }
  into.emplace_back(pattern);
}

// Matches a bracket expression starting at pattern[p] == '['; sets `next` past it. False with
// next == p when the bracket is not closed (then '[' is an ordinary character).
bool MatchBracket(std::string_view pattern, std::size_t p, char c, std::size_t& next) {
  std::size_t i = p + 1;
  bool negate = false;
  if (i < pattern.size() && (pattern[i] == '!' || pattern[i] == '^')) {
    negate = true;
    ++i;
  }
  bool found = false;
  bool first = true;
  for (; i < pattern.size(); ++i) {
    if (pattern[i] == ']' && !first) {
      next = i + 1;
      return found != negate && c != '/';
    }
    first = false;
    char low = pattern[i];
    if (low == '\\' && i + 1 < pattern.size()) low = pattern[++i];
    char high = low;
    if (i + 2 < pattern.size() && pattern[i + 1] == '-' && pattern[i + 2] != ']') {
      high = pattern[i + 2];
      i += 2;
      if (high == '\\' && i + 1 < pattern.size()) high = pattern[++i];
    }
    const auto u = static_cast<unsigned char>(c);
    if (static_cast<unsigned char>(low) <= u && u <= static_cast<unsigned char>(high)) found = true;
  }
  next = p;
  return false;
}

bool MatchFrom(std::string_view pattern, std::size_t p, std::string_view text, std::size_t t) {
  while (p < pattern.size()) {
    const char c = pattern[p];
    if (c == '*') {
      const bool doubled = p + 1 < pattern.size() && pattern[p + 1] == '*';
      if (doubled) {
        std::size_t rest = p + 2;
        // "**/" also matches no directory at all.
        if (rest < pattern.size() && pattern[rest] == '/') {
          ++rest;
          for (std::size_t s = t; s <= text.size(); ++s) {
            if ((s == t || text[s - 1] == '/') && MatchFrom(pattern, rest, text, s)) return true;
          }
          return false;
        }
        for (std::size_t s = t; s <= text.size(); ++s)
          if (MatchFrom(pattern, rest, text, s)) return true;
        return false;
      }
      for (std::size_t s = t;; ++s) {
        if (MatchFrom(pattern, p + 1, text, s)) return true;
        if (s == text.size() || text[s] == '/') return false;
      }
    }
    if (t == text.size()) return false;
    if (c == '?') {
      if (text[t] == '/') return false;
    } else if (c == '[') {
      std::size_t next = p;
      const bool matched = MatchBracket(pattern, p, text[t], next);
      if (next != p) {
        if (!matched) return false;
        p = next;
        ++t;
        continue;
      }
      if (text[t] != '[') return false;
    } else if (c == '\\' && p + 1 < pattern.size()) {
      ++p;
      if (text[t] != pattern[p]) return false;
    } else if (text[t] != c) {
      return false;
    }
    ++p;
    ++t;
  }
  return t == text.size();
}

}  // namespace

Glob::Glob(std::string_view pattern) {
  Expand(pattern, Alternatives);
  for (const std::string& alternative : Alternatives)
    if (alternative.find('/') != std::string::npos) Slash = true;
}

bool Glob::Matches(std::string_view text) const {
  for (const std::string& alternative : Alternatives)
    if (MatchFrom(alternative, 0, text, 0)) return true;
  return false;
}

bool HasWildcard(std::string_view text) {
  return text.find_first_of("*?[{") != std::string_view::npos;
}

}  // namespace grepcore
