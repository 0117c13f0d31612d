#include "LineDiff.h"

#include <algorithm>

namespace RegexTool {
namespace {

using Lines = std::vector<std::string>;

// Myers' greedy forward search over the middle part (after the common prefix and suffix are
// taken off), keeping each round's frontier to walk the path back.
void MiddleSteps(const Lines& a, const Lines& b, std::size_t from, std::size_t oldEnd,
                 std::size_t newEnd, std::vector<DiffStep>& steps) {
  const long n = static_cast<long>(oldEnd - from);
  const long m = static_cast<long>(newEnd - from);
  auto same = [&](long x, long y) {
    return a[from + static_cast<std::size_t>(x)] == b[from + static_cast<std::size_t>(y)];
  };
  // frontier[d][k + d]: the furthest x on diagonal k (x - y) after d edits.
  std::vector<std::vector<long>> frontier;
  for (long d = 0;; ++d) {
    std::vector<long> current(static_cast<std::size_t>(2 * d + 1));
    bool done = false;
    for (long k = -d; k <= d && !done; k += 2) {
      long x;
      if (d == 0) {
        x = 0;
      } else {
        const std::vector<long>& previous = frontier.back();
        auto at = [&](long diagonal) {
          return previous[static_cast<std::size_t>(diagonal + d - 1)];
        };
        x = (k == -d || (k != d && at(k - 1) < at(k + 1))) ? at(k + 1) : at(k - 1) + 1;
      }
      long y = x - k;
      while (x < n && y < m && same(x, y)) ++x, ++y;
      current[static_cast<std::size_t>(k + d)] = x;
      done = x >= n && y >= m;
    }
    frontier.push_back(std::move(current));
    if (done) break;
  }

  std::vector<DiffStep> reversed;
  long x = n, y = m;
  auto emitSame = [&](long untilX) {
    while (x > untilX) {
      --x, --y;
      reversed.push_back(
          {DiffStep::Same, from + static_cast<std::size_t>(x), from + static_cast<std::size_t>(y)});
    }
  };
  for (long d = static_cast<long>(frontier.size()) - 1; d > 0; --d) {
    const std::vector<long>& previous = frontier[static_cast<std::size_t>(d - 1)];
    auto at = [&](long diagonal) { return previous[static_cast<std::size_t>(diagonal + d - 1)]; };
    const long k = x - y;
    const bool down = k == -d || (k != d && at(k - 1) < at(k + 1));
    const long previousK = down ? k + 1 : k - 1;
    const long previousX = at(previousK);
    const long previousY = previousX - previousK;
    emitSame(down ? previousX : previousX + 1);
    if (down) {
      --y;
      reversed.push_back({DiffStep::Added, 0, from + static_cast<std::size_t>(y)});
    } else {
      --x;
      reversed.push_back({DiffStep::Removed, from + static_cast<std::size_t>(x), 0});
    }
    x = previousX, y = previousY;
  }
  emitSame(0);
  steps.insert(steps.end(), reversed.rbegin(), reversed.rend());
}

std::string Range(std::size_t first, std::size_t count) {
  // An empty range names the line before it, as patch expects.
  const std::size_t start = count == 0 ? first : first + 1;
  return count == 1 ? std::to_string(start) : std::to_string(start) + "," + std::to_string(count);
}

void PrintLine(std::ostream& out, char mark, const std::string& line, const std::string& colour,
               const std::string& reset) {
  out << colour << mark;
  if (!line.empty() && line.back() == '\n') {
    out.write(line.data(), static_cast<std::streamsize>(line.size() - 1));
    out << reset << '\n';
  } else {
    out << line << reset << "\n\\ No newline at end of file\n";
  }
}

}  // namespace

std::vector<std::string> SplitLines(const std::string& text) {
  Lines lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find('\n', start);
    const std::size_t next = end == std::string::npos ? text.size() : end + 1;
    lines.push_back(text.substr(start, next - start));
    start = next;
  }
  return lines;
}

std::vector<DiffStep> DiffLines(const Lines& before, const Lines& after) {
  std::vector<DiffStep> steps;
  std::size_t prefix = 0;
  while (prefix < before.size() && prefix < after.size() && before[prefix] == after[prefix]) {
    steps.push_back({DiffStep::Same, prefix, prefix});
    ++prefix;
  }
  std::size_t suffix = 0;
  while (suffix < before.size() - prefix && suffix < after.size() - prefix &&
         before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix])
    ++suffix;
  MiddleSteps(before, after, prefix, before.size() - suffix, after.size() - suffix, steps);
  for (std::size_t i = suffix; i > 0; --i)
    steps.push_back({DiffStep::Same, before.size() - i, after.size() - i});
  return steps;
}

void PrintUnifiedDiff(std::ostream& out, const std::string& oldLabel, const std::string& newLabel,
                      const std::string& before, const std::string& after, const Palette& palette,
                      std::size_t context) {
  if (before == after) return;
  const Lines a = SplitLines(before), b = SplitLines(after);
  const std::vector<DiffStep> steps = DiffLines(a, b);
  out << palette.Removed << "--- " << oldLabel << palette.Reset << '\n'
      << palette.Added << "+++ " << newLabel << palette.Reset << '\n';

  std::size_t i = 0;
  while (i < steps.size()) {
    while (i < steps.size() && steps[i].Type == DiffStep::Same) ++i;
    if (i == steps.size()) break;
    // A hunk runs from `context` steps before its first change to `context` steps after its
    // last, taking in every change that lies closer than twice the context to the one before.
    const std::size_t first = i >= context ? i - context : 0;
    std::size_t last = i;  // one past the last change
    std::size_t scan = i;
    while (scan < steps.size()) {
      if (steps[scan].Type != DiffStep::Same) {
        last = scan + 1;
        ++scan;
      } else if (scan - last < 2 * context) {
        ++scan;
      } else {
        break;
      }
    }
    const std::size_t end = std::min(steps.size(), last + context);

    std::size_t oldFirst = 0, newFirst = 0, oldCount = 0, newCount = 0;
    bool oldSeen = false, newSeen = false;
    // Where each side starts: the first line it holds in the hunk, or the line after the
    // lines before the hunk when the hunk holds none of that side.
    std::size_t oldBefore = 0, newBefore = 0;
    for (std::size_t s = 0; s < first; ++s) {
      if (steps[s].Type != DiffStep::Added) ++oldBefore;
      if (steps[s].Type != DiffStep::Removed) ++newBefore;
    }
    for (std::size_t s = first; s < end; ++s) {
      if (steps[s].Type != DiffStep::Added) {
        if (!oldSeen) oldFirst = steps[s].OldLine, oldSeen = true;
        ++oldCount;
      }
      if (steps[s].Type != DiffStep::Removed) {
        if (!newSeen) newFirst = steps[s].NewLine, newSeen = true;
        ++newCount;
      }
    }
    if (!oldSeen) oldFirst = oldBefore;
    if (!newSeen) newFirst = newBefore;
    out << palette.Hunk << "@@ -" << Range(oldFirst, oldCount) << " +" << Range(newFirst, newCount)
        << " @@" << palette.Reset << '\n';
    for (std::size_t s = first; s < end; ++s) {
      switch (steps[s].Type) {
        case DiffStep::Same:
          PrintLine(out, ' ', a[steps[s].OldLine], "", "");
          break;
        case DiffStep::Removed:
          PrintLine(out, '-', a[steps[s].OldLine], palette.Removed, palette.Reset);
          break;
        case DiffStep::Added:
          PrintLine(out, '+', b[steps[s].NewLine], palette.Added, palette.Reset);
          break;
      }
    }
    i = end;
  }
}

}  // namespace RegexTool
