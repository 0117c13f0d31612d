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

const char* const Words[] = {"the",    "quick", "brown",   "fox",        "jumps",  "over",
                             "lazy",   "dog",   "regular", "expression", "match",  "search",
                             "file",   "line",  "buffer",  "pattern",    "value",  "option",
                             "record", "event", "handler", "stack",      "thread", "engine"};
const char* const Domains[] = {"example", "mail", "host", "server"};
const char* const Tlds[] = {"com", "org", "net"};

const char* const Keywords[] = {"return", "const",  "static",  "int",     "char",    "void",
                                "if",     "else",   "for",     "while",   "auto",    "template",
                                "class",  "public", "private", "include", "typedef", "sizeof"};
const char* const Named[] = {"value", "buffer", "length"};
const char* const Punctuation[] = {"{", "}", "=", ";", "(a, b)", "x->y", "*p", "&&", "[i]", "//"};

template <std::size_t N>
const char* Pick(Generator& random, const char* const (&words)[N]) {
  return words[random.Below(N)];
}

void AppendIdentifier(Generator& random, std::string& text) {
  text += Pick(random, Words);
  text += '_';
  if (random.Below(2))
    text += Pick(random, Named);
  else
    text += Pick(random, Words);
  if (random.Below(3) == 0) text += std::to_string(random.Below(10));
}

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

std::string GenerateCodeText(std::size_t bytes, std::uint32_t seed) {
  Generator random(seed);
  std::string text;
  text.reserve(bytes + 128);
  std::size_t lineLength = 0;
  while (text.size() < bytes) {
    const std::uint32_t kind = random.Below(1000);
    const std::size_t before = text.size();
    if (kind < 500) {
      text += Pick(random, Words);
    } else if (kind < 600) {
      text += Pick(random, Keywords);
    } else if (kind < 620) {
      text += "namespace";
    } else if (kind < 640) {
      text += random.Below(3) ? "struct " : "union ";
      AppendIdentifier(random, text);
    } else if (kind < 700) {
      AppendIdentifier(random, text);
    } else if (kind < 720) {
      AppendIdentifier(random, text);
      text[before] = static_cast<char>(text[before] - 'a' + 'A');
    } else if (kind < 760) {
      text += Pick(random, Named);
    } else if (kind < 840) {
      text += std::to_string(random.Below(100000));
    } else if (kind < 920) {
      if (random.Below(2))
        text += Pick(random, Named);
      else
        text += Pick(random, Words);
      text += std::to_string(random.Below(1000));
    } else {
      text += Pick(random, Punctuation);
    }
    lineLength += text.size() - before + 1;
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
