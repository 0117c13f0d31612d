// The value interface's everyday tasks, one each, as its header's manual shows them: prints
// what each gives, and fails (exit 1) when one gives something else.
#include <grepcore/Regex.h>

#include <cctype>
#include <cstddef>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

int failures = 0;

template <class T>
void Expect(const char* task, const T& got, const T& wanted) {
  if (got == wanted) return;
  std::cerr << "value_tour: " << task << " gave an unexpected result\n";
  ++failures;
}

// A text of `size` bytes: log lines, one in a hundred an error.
std::string LogText(std::size_t size) {
  std::string text;
  text.reserve(size + 64);
  for (std::size_t line = 1; text.size() < size; ++line) {
    text += line % 100 == 0 ? "ERROR " : "INFO ";
    text += std::to_string(line);
    text += " something happened here\n";
  }
  return text;
}

}  // namespace

int main() {
  // Does a text match? The whole text, or anywhere in it.
  grepcore::Result<grepcore::Pattern> year = grepcore::Pattern::Compile("[0-9]{4}");
  if (!year) {
    std::cerr << year.Error().Message << " at " << year.Error().Offset << '\n';
    return 1;
  }
  const bool whole = *year->FullMatch("2026");
  const bool inside = *year->Contains("since 2026.");
  std::cout << "match: " << whole << ' ' << inside << '\n';
  Expect("match", std::make_pair(whole, inside), std::make_pair(true, true));

  // Every match's two groups, as pairs.
  const grepcore::Pattern pair = *grepcore::Pattern::Compile("(\\w+)=(\\w+)");
  std::vector<std::pair<std::string_view, std::string_view>> pairs;
  for (const grepcore::Match& m : pair.Matches("a=1, b=2"))
    pairs.emplace_back(m.Group(1), m.Group(2));
  for (const auto& [key, value] : pairs) std::cout << "pair: " << key << ' ' << value << '\n';
  Expect("pairs", pairs,
         std::vector<std::pair<std::string_view, std::string_view>>{{"a", "1"}, {"b", "2"}});

  // The first match and its position.
  grepcore::Result<std::optional<grepcore::Match>> first = year->Search("from 1999 to 2026");
  if (first && *first)
    std::cout << "first: " << (*first)->Text() << " at " << (*first)->Position() << '\n';
  Expect("first", first && *first ? (*first)->Position() : 0u, std::size_t{5});

  // Replace with "$2=$1".
  grepcore::Result<std::string> swapped = pair.Replace("a=1, b=2", "$2=$1");
  std::cout << "swapped: " << swapped.ValueOr("?") << '\n';
  Expect("swap", swapped.ValueOr("?"), std::string("1=a, 2=b"));

  // Replace with a callback: here each match upper-cased.
  const grepcore::Pattern word = *grepcore::Pattern::Compile("[a-z]+");
  grepcore::Result<std::string> loud = word.Replace("hi there", [](const grepcore::Match& m) {
    std::string upper(m.Text());
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper;
  });
  std::cout << "loud: " << loud.ValueOr("?") << '\n';
  Expect("callback", loud.ValueOr("?"), std::string("HI THERE"));

  // Split on a pattern.
  grepcore::Result<std::vector<std::string_view>> fields =
      grepcore::Pattern::Compile(" *, *")->Split("a , b,c");
  for (std::string_view field : fields.ValueOr({})) std::cout << "field: " << field << '\n';
  Expect("split", fields.ValueOr({}), std::vector<std::string_view>{"a", "b", "c"});

  // Walk the matches of a 64 MiB text without copying it: views, lines counted on demand.
  const std::string big = LogText(std::size_t{64} << 20);
  grepcore::MatchRange errors = grepcore::Pattern::Compile("ERROR [0-9]+")->Matches(big);
  std::size_t count = 0;
  std::size_t lastLine = 0;
  std::string_view lastText;
  for (const grepcore::Match& m : errors) {
    ++count;
    lastLine = m.Line();
    lastText = m.LineText();
  }
  if (!errors.Outcome()) {
    std::cerr << errors.Outcome().Error().Message << '\n';
    return 1;
  }
  std::cout << "walked: " << count << " errors, the last on line " << lastLine << ": " << lastText
            << '\n';
  Expect("walk", lastLine, count * 100);
  return failures == 0 ? 0 : 1;
}
