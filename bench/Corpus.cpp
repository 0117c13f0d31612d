#include "Corpus.h"

namespace Bench {
namespace {

// A small fixed generator, so every run and machine sees the same bytes.
class Generator {
 public:
  explicit Generator(std::uint32_t seed) : State(seed ? seed : 1) {}
  std::uint32_t Next() {
    State ^= State << 13;
    State ^= State >> 17;
    State ^= State << 5;
    return State;
  }
  std::uint32_t Below(std::uint32_t n) { return Next() % n; }

 private:
  std::uint32_t State;
};

const char* const Words[] = {"the",    "quick", "brown",  "fox",     "jumps", "over",
                             "lazy",   "dog",   "regular", "expression", "match", "search",
                             "file",   "line",  "buffer", "pattern", "value", "option",
                             "record", "event", "handler", "stack",  "thread", "engine"};
const char* const Domains[] = {"example", "mail", "host", "server"};
const char* const Tlds[] = {"com", "org", "net"};

}  // namespace

std::string GenerateText(std::size_t bytes, std::uint32_t seed) {
  Generator random(seed);
  std::string text;
  text.reserve(bytes + 128);
  std::size_t lineLength = 0;
  while (text.size() < bytes) {
    const std::uint32_t kind = random.Below(100);
    if (kind < 70) {
      text += Words[random.Below(sizeof Words / sizeof *Words)];
    } else if (kind < 85) {
      text += std::to_string(random.Below(100000));
    } else if (kind < 95) {
      text += Words[random.Below(sizeof Words / sizeof *Words)];
      text += std::to_string(random.Below(1000));
    } else if (kind < 99) {
      text += Words[random.Below(sizeof Words / sizeof *Words)];
      text += '@';
      text += Domains[random.Below(4)];
      text += '.';
      text += Tlds[random.Below(3)];
    } else {
      text += "needle";
    }
    lineLength += 8;
    if (lineLength > 60 + random.Below(40)) {
      text += '\n';
      lineLength = 0;
    } else {
      text += ' ';
    }
  }
  text.resize(bytes);
  return text;
}

}  // namespace Bench
